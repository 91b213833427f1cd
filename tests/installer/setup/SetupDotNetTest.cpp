// The framework test on a system without the framework: the loader library is moved out of
// the prefix's system folder for the test and always put back (also after an earlier run
// that ended early). CTest runs this program alone.
#include <gtest/gtest.h>

#include <string>

#include "Common.h"
#include "SetupTestUtil.h"
#include "TestTool.h"

using setuptest::RunSetup;
using setuptest::SetupCopy;
using setuptest::TitledText;

namespace {

struct HiddenFramework {
  std::string path, hidden;
  bool moved = false;
  HiddenFramework() {
    char sys[MAX_PATH];
    GetSystemDirectoryA(sys, MAX_PATH);
    path = std::string(sys) + "\\mscoree.dll";
    hidden = path + ".kvhidden";
    Restore();
    moved = MoveFileA(path.c_str(), hidden.c_str()) != 0;
  }
  void Restore() {
    if (GetFileAttributesA(hidden.c_str()) != INVALID_FILE_ATTRIBUTES)
      MoveFileExA(hidden.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  ~HiddenFramework() { Restore(); }
};

}  // namespace

TEST(SetupDotNet, RefusedWithoutTheFramework) {
  const char* script = "SET_PROG_NAME(Demo)\r\nSET_TEST_FOR_DOT_NET_FRAMEWORK\r\nSET_SILENT_SETUP\r\n";
  const std::string exe = SetupCopy("setup_dotnet", script);
  ASSERT_TRUE(IsDotNetPresent());
  {
    HiddenFramework hide;
    ASSERT_TRUE(hide.moved);
    ASSERT_FALSE(IsDotNetPresent());
    const auto r = RunSetup(exe);
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].caption, "Error");
    EXPECT_EQ(r.boxes[0].text,
              TitledText("Error", "\"Demo\" requires .NET Framework\r\n\r\nPlease install .NET Framework and run this "
                                  "setup program again"));
    EXPECT_EQ(r.exitCode, 0);
  }
  ASSERT_TRUE(IsDotNetPresent());
  // With the framework back, a silent setup ends without a word (a box would hold it open).
  // Nobody touches its windows: closing the wizard would be the user's Exit.
  const std::string dir = exe.substr(0, exe.find_last_of('\\') + 1);
  tt::WriteFile(dir + "Setup.txt", std::string(script) + "SET_TARGET_DIR(" + dir + "App)\r\n");
  tt::Process p = tt::Start("\"" + exe + "\"");
  ASSERT_TRUE(p.ok());
  EXPECT_EQ(tt::WaitExit(p, 30000), 0);
  EXPECT_NE(GetFileAttributesA((dir + "App").c_str()), INVALID_FILE_ATTRIBUTES);
}
