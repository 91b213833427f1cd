// Services created, started, stopped and removed through the Service Control Manager, as
// the manager reports them by their key names. Every service made here is deleted again.
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

// "MISSING", "STOPPED", "RUNNING" or "STATE <n>" of a service by its key name; with
// config, its program path, start type and service type.
std::string Query(const std::string& name, std::string* config = nullptr) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return "NO MANAGER";
  SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_ALL_ACCESS);
  std::string state = "MISSING";
  if (service) {
    SERVICE_STATUS status = {};
    QueryServiceStatus(service, &status);
    state = status.dwCurrentState == SERVICE_STOPPED   ? "STOPPED"
            : status.dwCurrentState == SERVICE_RUNNING ? "RUNNING"
                                                       : "STATE " + std::to_string(status.dwCurrentState);
    if (config) {
      std::vector<char> buf(8192);
      DWORD needed = 0;
      auto* qc = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buf.data());
      if (QueryServiceConfigA(service, qc, DWORD(buf.size()), &needed))
        *config = std::string(qc->lpBinaryPathName) + "|" + std::to_string(qc->dwStartType) + "|" +
                  std::to_string(qc->dwServiceType);
    }
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return state;
}

// The manager drops a deleted service only once its process has ended: "MISSING" when it
// has within a generous bound, else the last state seen.
std::string QueryOnceGone(const std::string& name) {
  std::string state = Query(name);
  for (int i = 0; i < 200 && state != "MISSING"; ++i) {
    Sleep(50);
    state = Query(name);
  }
  return state;
}

void StopAndDelete(const std::string& name) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return;
  if (SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_ALL_ACCESS)) {
    SERVICE_STATUS status = {};
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    for (int i = 0; i < 100 && QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED; ++i)
      Sleep(50);
    DeleteService(service);
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
}

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
    for (const char* name : {kName, kStoppingName}) StopAndDelete(name);
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
  std::string config;
  EXPECT_EQ(Query(kName, &config), "STOPPED");
  EXPECT_EQ(config, "\"" + program + "\"|2|16");

  EXPECT_TRUE(StartNtService(kDisplay, false));
  EXPECT_EQ(Query(kName), "RUNNING");
  EXPECT_TRUE(IsNtServiceRunning(kDisplay));
  EXPECT_TRUE(ConditionHolds("Service is Running", kDisplay));
  EXPECT_FALSE(IsNtServiceRunning(kName));  // the key name is no display name
  EXPECT_FALSE(StartNtService(kDisplay, false));  // already running

  EXPECT_TRUE(StopNtService(kDisplay, false));
  EXPECT_EQ(Query(kName), "STOPPED");
  EXPECT_FALSE(StopNtService(kDisplay, false));  // already stopped: refused, no wait
  EXPECT_FALSE(ConditionHolds("Service is Running", kDisplay));

  // Removing a running service stops it first.
  EXPECT_TRUE(StartNtService(kDisplay, false));
  EXPECT_TRUE(RemoveNtService(kDisplay, false));
  EXPECT_EQ(QueryOnceGone(kName), "MISSING");
  EXPECT_FALSE(RemoveNtService(kDisplay, false));
}

TEST_F(ServicesTest, AServiceThatStopsWhileStartingIsNoSuccess) {
  SetServiceWaitLimit(10000);
  ASSERT_TRUE(CreateNtService(program, kStoppingName, kStoppingDisplay, false));
  const DWORD start = GetTickCount();
  EXPECT_FALSE(StartNtService(kStoppingDisplay, false));
  EXPECT_LT(GetTickCount() - start, 15000u);
  EXPECT_EQ(Query(kStoppingName), "STOPPED");
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
  EXPECT_EQ(QueryOnceGone(kName), "MISSING");
}

// On Windows 9x no service call does anything: the running service stays running.
TEST_F(ServicesTest, NothingOnWindows9x) {
  ASSERT_TRUE(CreateNtService(program, kName, kDisplay, false));
  ASSERT_TRUE(StartNtService(kDisplay, false));
  const std::string driver = dir + "\\ExecDriver98.exe";
  ASSERT_TRUE(tt::CopyFileTo(BinDir() + "ExecDriver.exe", driver));
  ASSERT_TRUE(tt::SetProgramWindowsVersion("ExecDriver98.exe", "win98"));
  Item item;
  item.kind = "Conditional";
  item.conditions = {{"Service is Running", kDisplay}};
  item.slots = {Slot(), Slot(), {"Stop Service", kDisplay}, {"Remove Service", kDisplay}};
  const std::string items = dir + "\\items.txt";
  ASSERT_TRUE(tt::WriteFile(items, MakeItem(item) + "\r\n"));
  const std::string printed = Capture("\"" + driver + "\" \"" + items + "\" 3");
  tt::SetProgramWindowsVersion("ExecDriver98.exe", "");
  EXPECT_NE(printed.find("    IF Service is Running  " + std::string(kDisplay) + "  (FALSE)"), std::string::npos)
      << printed;
  EXPECT_NE(printed.find("    ELSE Stop Service (" + std::string(kDisplay) + ")  (FALSE)"), std::string::npos);
  EXPECT_NE(printed.find("Result=FALSE"), std::string::npos);
  EXPECT_EQ(Query(kName), "RUNNING");
  EXPECT_TRUE(RemoveNtService(kDisplay, false));
}
