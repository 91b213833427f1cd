// The driver program runs a file of items at a stage under Wine and prints their logs.
#include <gtest/gtest.h>

#include "ExecTestUtil.h"
#include "TestTool.h"

using namespace exectest;

TEST(ExecDriver, RunsAFileOfItems) {
  const std::string dir = tt::ScratchDir("exec_driver");
  const std::string out = dir + "\\out.txt";
  Item first;
  first.name = "First";
  first.slots = {{"Append Text to a File", out, "1"}, {"Set Folder To", "Common Folder", "C:\\Common"}};
  Item other;
  other.name = "Elsewhere";
  other.stage = "Setup End";
  other.slots = {{"Append Text to a File", out, "2"}};
  Item ask;
  ask.name = "Ask";
  ask.kind = "Conditional";
  ask.conditions = {{"User Name is", "ann"}};
  ask.slots = {{"Exit"}};
  Item last;
  last.name = "Never";
  last.slots = {{"Append Text to a File", out, "3"}};
  const std::string file = dir + "\\items.txt";
  ASSERT_TRUE(tt::WriteFile(file, "; items of a test\r\n" + MakeItem(first) + "\r\n\r\nSET_PERFORM_EXECUTE_OP(" +
                                      MakeItem(other) + ");\r\n" + MakeItem(ask) + "\r\n" + MakeItem(last) + "\r\n"));
  const std::string printed =
      Capture("\"" + BinDir() + "ExecDriver.exe\" \"" + file + "\" \"After Copy\" /UserName=Ann");
  EXPECT_EQ(printed, "--- Item 1\r\n"
                     "Action: SetFolderTo|Common Folder|C:\\Common\r\n"
                     "  First\r\n"
                     "    THEN Append Text to a File (" + out + ")  (TRUE)\r\n"
                     "    THEN Set Folder To (Common Folder)  (TRUE)\r\n"
                     "Result=TRUE\r\nExitRequest=FALSE\r\n"
                     "--- Item 2\r\nResult=TRUE\r\nExitRequest=FALSE\r\n"
                     "--- Item 3\r\n"
                     "  Ask\r\n"
                     "    IF User Name is  ann  (TRUE)\r\n"
                     "      Result: TRUE\r\n"
                     "\r\n"
                     "    THEN Exit  (TRUE)\r\n"
                     "Result=TRUE\r\nExitRequest=TRUE\r\n"
                     "--- Run ended by Exit\r\n");
  EXPECT_EQ(Content(out), "1");
  // A stage by number; a missing file.
  Capture("\"" + BinDir() + "ExecDriver.exe\" \"" + file + "\" 4");
  EXPECT_EQ(Content(out), "12");
  EXPECT_EQ(Capture("\"" + BinDir() + "ExecDriver.exe\" \"" + dir + "\\none.txt\" 3"),
            "File not found: " + dir + "\\none.txt\r\n");
}
