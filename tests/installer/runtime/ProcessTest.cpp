#include "Process.h"

#include <gtest/gtest.h>

#include <string>

#include "SysTestUtil.h"
#include "TestTool.h"
#include "Utils.h"

using systest::Exists;
using systest::Lines;

namespace {

// A probe that runs until its stop file appears (or ms pass); started and ready.
struct RunningProbe {
  std::string exe, out;
  tt::Process process;
  RunningProbe(const std::string& dir, const std::string& name, DWORD ms = 60000) {
    exe = systest::ProbeCopy(dir, name);
    out = dir + name + ".txt";
    process = tt::Start("\"" + exe + "\" stay \"" + out + "\" " + std::to_string(ms));
    const DWORD start = GetTickCount();
    while (!Exists(out) && GetTickCount() - start < 10000) Sleep(20);
  }
  void Stop() {
    tt::WriteFile(out + ".stop", "");
    tt::WaitExit(process, 10000);
  }
  ~RunningProbe() {
    if (process.handle) Stop();
  }
};

std::string ShortPath(const std::string& path) {
  char buf[MAX_PATH];
  DWORD n = GetShortPathNameA(path.c_str(), buf, sizeof(buf));
  return std::string(buf, n < sizeof(buf) ? n : 0);
}

}  // namespace

TEST(ProcessSearch, MatchesOfBothRoads) {
  const std::string dir = systest::Scratch("find");
  RunningProbe probe(dir, "kvfind long name.exe");
  ASSERT_TRUE(probe.process.ok());
  ASSERT_TRUE(Exists(probe.out));
  const std::string shortPath = ShortPath(probe.exe);
  ASSERT_FALSE(shortPath.empty());
  ASSERT_FALSE(EqualTextNoCase(shortPath, probe.exe));
  const DWORD pid = probe.process.pid;
  struct Case {
    std::string wanted;
    bool exactOnly;
    bool nt, tool;  // found by FindProcessNT, by FindProcess9x
  };
  // Wine's snapshot holds the bare file name where Windows 9x held the full path, so the
  // snapshot road finds a process by its name only, and then even with exact-only set.
  const Case cases[] = {
      {probe.exe, false, true, false},
      {LowerCase(probe.exe), true, true, false},  // full path, other letter case
      {"kvfind long name.exe", false, true, true},
      {"KVFIND LONG NAME.EXE", false, true, true},
      {"kvfind long name.exe", true, false, true},  // exact only: no bare-name match
      {shortPath, true, true, false},                // short form of an existing file
      {"C:\\nowhere\\kvfind long name.exe", false, false, false},
      {"kvfind", false, false, false},
      {"", false, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindProcessNT(c.wanted, c.exactOnly), c.nt ? pid : 0u) << c.wanted << " " << c.exactOnly;
    EXPECT_EQ(FindProcess9x(c.wanted, c.exactOnly), c.tool ? pid : 0u) << c.wanted << " " << c.exactOnly;
  }
  EXPECT_TRUE(IsProcessRunning(probe.exe));
  probe.Stop();
  EXPECT_FALSE(IsProcessRunning(probe.exe));
  EXPECT_EQ(FindProcess9x("kvfind long name.exe", false), 0u);
}

TEST(ProcessSearch, WaitForProcessEndOnNT) {
  const std::string dir = systest::Scratch("waitnt");
  RunningProbe probe(dir, "kvwait nt.exe", 1500);
  ASSERT_TRUE(Exists(probe.out));
  WaitForProcessEnd(probe.exe);
  EXPECT_EQ(WaitForSingleObject(probe.process.handle, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(Exists(probe.out + ".end"));
  // Nothing to wait for: back before one pass of the pump.
  const DWORD start = GetTickCount();
  WaitForProcessEnd(dir + "absent.exe");
  EXPECT_LT(GetTickCount() - start, 1000u);
}

// The 9x road, taken by a probe that Wine tells it runs on Windows 98.
TEST(ProcessSearch, SnapshotRoadOnWindows98) {
  const std::string dir = systest::Scratch("find98");
  const std::string finder = systest::ProbeCopy(dir, "kvfinder98.exe");
  {
    RunningProbe probe(dir, "kvwait98.exe", 4000);
    ASSERT_TRUE(Exists(probe.out));
    ASSERT_EQ(systest::RunAs(finder, "win98", "find \"" + dir + "r.txt\" kvwait98.exe"), 0);
    const auto l = Lines(dir + "r.txt");
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(l[0], "1");  // IsProcessRunning
    EXPECT_EQ(l[1], "1");  // FindProcess9x
    EXPECT_EQ(WaitForSingleObject(probe.process.handle, 0), WAIT_OBJECT_0);  // waited for its end
  }
  // Not running: still one full pass of the pump.
  ASSERT_EQ(systest::RunAs(finder, "win98", "find \"" + dir + "n.txt\" kvabsent98.exe"), 0);
  const auto l = Lines(dir + "n.txt");
  ASSERT_EQ(l.size(), 3u);
  EXPECT_EQ(l[0], "0");
  EXPECT_GE(std::stoi(l[2]), 1000);
}
