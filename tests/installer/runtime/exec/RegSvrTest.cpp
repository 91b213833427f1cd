// COM servers registered and unregistered through their own exports.
#include <gtest/gtest.h>

#include "ExecOp.h"
#include "ExecTestUtil.h"
#include "RegSvr.h"
#include "TestTool.h"

using namespace exectest;

namespace {

const char kRecordKey[] = "Software\\KvRuntimeTests\\ComServer";

std::string State(const std::string& name, const std::string& value = "State") {
  return ReadString(HKEY_CURRENT_USER, std::string(kRecordKey) + "\\" + name, value);
}

struct RegSvrTest : ::testing::Test {
  void SetUp() override {
    RemoveKeyTree(HKEY_CURRENT_USER, kRecordKey);
    dir = tt::ScratchDir("exec_regsvr");
  }
  void TearDown() override { RemoveKeyTree(HKEY_CURRENT_USER, kRecordKey); }
  std::string Copy(const std::string& name) {
    const std::string path = dir + "\\" + name;
    EXPECT_TRUE(tt::CopyFileTo(BinDir() + "kv_comserver.dll", path));
    return path;
  }
  std::string dir;
};

}  // namespace

TEST_F(RegSvrTest, ServersByExtension) {
  struct Case { std::string name; bool handled; };
  const Case cases[] = {{"server.dll", true}, {"Control.OCX", true}, {"filter.Ax", true}, {"server.exe", false},
                        {"server", false},    {"server.dll.txt", false}};
  for (const auto& c : cases) {
    const std::string path = Copy(c.name);
    EXPECT_EQ(RegisterComServer(path, true), c.handled) << c.name;
    EXPECT_EQ(State(c.name), c.handled ? "registered" : "") << c.name;
    EXPECT_EQ(RegisterComServer(path, false), c.handled) << c.name;
    EXPECT_EQ(State(c.name), c.handled ? "unregistered" : "") << c.name;
  }
}

TEST_F(RegSvrTest, FailuresAndTheCallersState) {
  EXPECT_FALSE(RegisterComServer(Copy("sfalse.dll"), true));  // S_FALSE is no success
  EXPECT_FALSE(RegisterComServer(dir + "\\gone.dll", false));
  EXPECT_FALSE(RegisterComServer(BinDir() + "kv_verone.dll", true));  // no export
  // COM is ready during the call; the caller's error mode comes back afterwards.
  const UINT before = SetErrorMode(SEM_NOGPFAULTERRORBOX);
  EXPECT_TRUE(RegisterComServer(Copy("mode.dll"), true));
  EXPECT_EQ(SetErrorMode(before), UINT(SEM_NOGPFAULTERRORBOX));
  EXPECT_EQ(State("mode.dll", "ComReady"), "1");
  EXPECT_EQ(std::stoul(State("mode.dll", "ErrorMode")) & SEM_FAILCRITICALERRORS, UINT(SEM_FAILCRITICALERRORS));
}

TEST_F(RegSvrTest, ThroughTheEngine) {
  const std::string path = Copy("engine.ocx");
  EXPECT_TRUE(Perform("Register OCX/COM Server", path));
  EXPECT_EQ(State("engine.ocx"), "registered");
  EXPECT_TRUE(Perform("UnRegister OCX/COM Server", path));
  EXPECT_EQ(State("engine.ocx"), "unregistered");
  EXPECT_FALSE(Perform("Register OCX/COM Server", dir + "\\none.ocx"));
}

// What a registration would write is learnt without writing it: the key of the server's
// record, and no scratch key left behind.
TEST_F(RegSvrTest, KeysLearntWithoutWritingThem) {
  std::vector<std::string> keys;
  EXPECT_TRUE(ComServerKeys(Copy("learnt.dll"), keys));
  EXPECT_EQ(keys, std::vector<std::string>{"HKEY_CURRENT_USER\\" + std::string(kRecordKey) + "\\learnt.dll"});
  EXPECT_EQ(State("learnt.dll"), "");
  HKEY scratch;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, ("Software\\~kvreg" + std::to_string(GetCurrentProcessId())).c_str(), 0,
                          KEY_READ, &scratch),
            ERROR_SUCCESS);
  EXPECT_FALSE(ComServerKeys(BinDir() + "kv_verone.dll", keys));  // no export
  EXPECT_TRUE(keys.empty());
}
