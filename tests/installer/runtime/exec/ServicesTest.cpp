// Services created, started, stopped and removed through the Service Control Manager, as
// `sc` sees them. Every service made here is deleted again.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ExecOp.h"
#include "ExecTestUtil.h"
#include "Services.h"
#include "SrvBar.h"
#include "TestTool.h"

using namespace exectest;

namespace {

const char kName[] = "KvExecTestSvc";
const char kDisplay[] = "Kv Exec Test Service";
const char kStoppingName[] = "KvExecStoppingSvc";
const char kStoppingDisplay[] = "Kv Exec Stopping Service";

std::string Query(const std::string& name) { return Capture("sc query " + name); }
bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct ServicesTest : ::testing::Test {
  void SetUp() override {
    Cleanup();
    dir = tt::ScratchDir("exec_services");
    // A folder with a blank: the program path must reach the manager quoted.
    const std::string folder = dir + "\\Service Folder";
    CreateDirectoryA(folder.c_str(), nullptr);
    program = folder + "\\KvTestService.exe";
    ASSERT_TRUE(tt::CopyFileTo(BinDir() + "KvTestService.exe", program));
  }
  void TearDown() override { Cleanup(); }
  static void Cleanup() {
    for (const char* name : {kName, kStoppingName}) {
      Capture(std::string("sc stop ") + name);
      Capture(std::string("sc delete ") + name);
    }
  }
  std::string dir, program;
};

}  // namespace

TEST_F(ServicesTest, CreateStartStopRemove) {
  SetServiceWaitLimit(30000);
  EXPECT_FALSE(IsNtServiceRunning(kDisplay));
  EXPECT_FALSE(StartNtService(kDisplay, false));  // not there yet
  ASSERT_TRUE(CreateNtService(program, kName, kDisplay, false));
  EXPECT_FALSE(CreateNtService(program, kName, kDisplay, false));  // exists
  const std::string config = Capture(std::string("sc qc ") + kName);
  EXPECT_TRUE(Contains(config, "\"" + program + "\"")) << config;
  EXPECT_TRUE(Contains(config, "AUTO_START")) << config;
  EXPECT_TRUE(Contains(Query(kName), "STOPPED")) << Query(kName);

  EXPECT_TRUE(StartNtService(kDisplay, false));
  EXPECT_TRUE(Contains(Query(kName), "RUNNING")) << Query(kName);
  EXPECT_TRUE(IsNtServiceRunning(kDisplay));
  EXPECT_TRUE(ConditionHolds("Service is Running", kDisplay));
  EXPECT_FALSE(IsNtServiceRunning(kName));  // the key name is no display name
  EXPECT_FALSE(StartNtService(kDisplay, false));  // already running

  EXPECT_TRUE(StopNtService(kDisplay, false));
  EXPECT_TRUE(Contains(Query(kName), "STOPPED")) << Query(kName);
  EXPECT_FALSE(StopNtService(kDisplay, false));  // already stopped: refused, no wait
  EXPECT_FALSE(ConditionHolds("Service is Running", kDisplay));

  // Removing a running service stops it first.
  EXPECT_TRUE(StartNtService(kDisplay, false));
  EXPECT_TRUE(RemoveNtService(kDisplay, false));
  EXPECT_TRUE(Contains(Query(kName), "1060")) << Query(kName);
  EXPECT_FALSE(RemoveNtService(kDisplay, false));
}

TEST_F(ServicesTest, AServiceThatStopsWhileStartingIsNoSuccess) {
  SetServiceWaitLimit(10000);
  ASSERT_TRUE(CreateNtService(program, kStoppingName, kStoppingDisplay, false));
  const DWORD start = GetTickCount();
  EXPECT_FALSE(StartNtService(kStoppingDisplay, false));
  EXPECT_LT(GetTickCount() - start, 15000u);
  EXPECT_FALSE(Contains(Query(kStoppingName), "RUNNING"));
  EXPECT_TRUE(RemoveNtService(kStoppingDisplay, false));
  SetServiceWaitLimit(30000);
}

TEST_F(ServicesTest, ThroughTheEngineWithTheProgressDialog) {
  struct Step { std::string caption, p1, p2, p3, action, shown; };
  const Step steps[] = {
      {"Create Service", program, kName, kDisplay, "CREATING Service:", kDisplay},
      {"Start Service", kDisplay, "", "", "STARTING Service:", kDisplay},
      {"Stop Service", kDisplay, "", "", "STOPING Service:", kDisplay},
      {"Remove Service", kDisplay, "", "", "REMOVING Service:", kDisplay},
  };
  for (const auto& s : steps) {
    std::atomic<bool> done{false};
    std::vector<std::string> texts;
    std::string caption;
    std::thread watcher([&] {
      HWND bar = tt::WaitForWindow("TSrvBarDlg", "", 10000, GetCurrentProcessId());
      if (!bar) return;
      caption = tt::WindowText(bar);
      texts = tt::ControlTexts(bar);
      while (!done) Sleep(20);
    });
    EXPECT_TRUE(Perform(s.caption, s.p1, s.p2, s.p3)) << s.caption;
    done = true;
    watcher.join();
    EXPECT_EQ(caption, "Start/Stop NT-Service") << s.caption;
    ASSERT_GE(texts.size(), 2u) << s.caption;
    EXPECT_EQ(texts[0], s.action);
    EXPECT_EQ(texts[1], s.shown);
    EXPECT_EQ(ServiceBar(), nullptr);  // freed after each operation
  }
  EXPECT_TRUE(Contains(Query(kName), "1060")) << Query(kName);
}

TEST(ServiceStates, Texts) {
  EXPECT_EQ(ServiceStateText(1), "The service is not running.");
  EXPECT_EQ(ServiceStateText(4), "The service is running.");
  EXPECT_EQ(ServiceStateText(7), "The service is paused.");
  EXPECT_EQ(ServiceStateText(9), "Unknown state condition");
}
