#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "TestTool.h"
#include "U_DEBUG0.h"

namespace {

// A stand-in for the viewer: a window of the viewer's class that keeps every piece.
struct Viewer {
  static std::vector<std::string> pieces;
  static UINT message;
  HWND wnd = nullptr;

  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == message && message != 0) {
      char text[300] = "";
      GlobalGetAtomNameA(ATOM(lp), text, sizeof text);
      pieces.push_back((wp == 1 ? "" : "<bad wparam>") + std::string(text));
      return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
  }
  Viewer() {
    message = RegisterWindowMessageA(".K_DebugMsg.");
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = ".KDebug.";
    RegisterClassA(&wc);
    wnd = CreateWindowA(".KDebug.", "viewer", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                        GetModuleHandleA(nullptr), nullptr);
    pieces.clear();
  }
  ~Viewer() { DestroyWindow(wnd); }
};
std::vector<std::string> Viewer::pieces;
UINT Viewer::message = 0;

}  // namespace

TEST(DebugChannel, ViewerReceivesPieces) {
  Viewer viewer;
  ASSERT_NE(viewer.wnd, nullptr);

  WriteDebugLine("Def=>|1|app.exe|<");
  EXPECT_EQ(Viewer::pieces, std::vector<std::string>{"Def=>|1|app.exe|<\n"});

  // A statement of several parts travels as one piece once flushed.
  Viewer::pieces.clear();
  std::cout << "Result=>" << 42 << "<" << std::endl;
  EXPECT_EQ(Viewer::pieces, std::vector<std::string>{"Result=>42<\n"});

  // Longer text goes in pieces of at most 128 characters, the line end inside the last.
  Viewer::pieces.clear();
  std::string longText;
  for (int i = 0; i < 300; ++i) longText += char('a' + i % 26);
  WriteDebugLine(longText);
  ASSERT_EQ(Viewer::pieces.size(), 3u);
  EXPECT_EQ(Viewer::pieces[0], longText.substr(0, 128));
  EXPECT_EQ(Viewer::pieces[1], longText.substr(128, 128));
  EXPECT_EQ(Viewer::pieces[2], longText.substr(256) + "\n");
}

TEST(DebugChannel, TextWithoutViewerIsDropped) {
  {
    Viewer viewer;
    WriteDebugLine("seen");
    EXPECT_EQ(Viewer::pieces, std::vector<std::string>{"seen\n"});
  }
  ASSERT_EQ(FindWindowA(".KDebug.", nullptr), nullptr);
  WriteDebugLine("lost");
  std::cout << "lost too" << std::endl;
  EXPECT_TRUE(std::cout.good());
  Viewer viewer;
  WriteDebugLine("after");
  EXPECT_EQ(Viewer::pieces, std::vector<std::string>{"after\n"});
}
