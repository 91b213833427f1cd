#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "DebugViewer.h"
#include "TestTool.h"
#include "U_DEBUG0.h"


TEST(DebugChannel, ViewerReceivesPieces) {
  DebugViewer viewer;
  ASSERT_NE(viewer.wnd, nullptr);

  WriteDebugLine("Def=>|1|app.exe|<");
  EXPECT_EQ(DebugViewer::pieces, std::vector<std::string>{"Def=>|1|app.exe|<\n"});

  // A statement of several parts travels as one piece once flushed.
  DebugViewer::pieces.clear();
  std::cout << "Result=>" << 42 << "<" << std::endl;
  EXPECT_EQ(DebugViewer::pieces, std::vector<std::string>{"Result=>42<\n"});

  // Longer text goes in pieces of at most 128 characters, the line end inside the last.
  DebugViewer::pieces.clear();
  std::string longText;
  for (int i = 0; i < 300; ++i) longText += char('a' + i % 26);
  WriteDebugLine(longText);
  ASSERT_EQ(DebugViewer::pieces.size(), 3u);
  EXPECT_EQ(DebugViewer::pieces[0], longText.substr(0, 128));
  EXPECT_EQ(DebugViewer::pieces[1], longText.substr(128, 128));
  EXPECT_EQ(DebugViewer::pieces[2], longText.substr(256) + "\n");
}

TEST(DebugChannel, TextWithoutViewerIsDropped) {
  {
    DebugViewer viewer;
    WriteDebugLine("seen");
    EXPECT_EQ(DebugViewer::pieces, std::vector<std::string>{"seen\n"});
  }
  ASSERT_EQ(FindWindowA(".KDebug.", nullptr), nullptr);
  WriteDebugLine("lost");
  std::cout << "lost too" << std::endl;
  EXPECT_TRUE(std::cout.good());
  DebugViewer viewer;
  WriteDebugLine("after");
  EXPECT_EQ(DebugViewer::pieces, std::vector<std::string>{"after\n"});
}
