// COM servers registered and unregistered through their own exports.
#include <gtest/gtest.h>

#include "Common.h"
#include "ExecOp.h"
#include "ExecTestUtil.h"
#include "RegOp.h"
#include "RegSvr.h"
#include "TestTool.h"
#include "Utils.h"

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

// A trial sees the keys that stand and writes none of its own: a server that opens
// HKEY_CLASSES_ROOT\CLSID to write its class below it, and one that writes under HKEY_USERS,
// each over nothing and over an earlier registration of another copy. A failed trial is not
// to be trusted.
TEST_F(RegSvrTest, TrialsSeeTheStandingKeysAndWriteNone) {
  const std::string classKey = "HKEY_CLASSES_ROOT\\CLSID\\{7A2D3B5F-6C8E-4D4F-8B32-1E5F9C8A4D62}";
  const std::string usersKey = "HKEY_USERS\\.DEFAULT\\Software\\KvTrialServer";
  const struct {
    const char* name;
    const char* dll;
    std::string key, valueKey, value;
    bool earlier;
  } rows[] = {{"opens CLSID", "kv_openserver.dll", classKey, classKey + "\\InprocServer32", "", false},
              {"opens CLSID, registered before", "kv_openserver.dll", classKey, classKey + "\\InprocServer32", "", true},
              {"writes under HKEY_USERS", "kv_usersserver.dll", usersKey, usersKey, "Server", false},
              {"writes under HKEY_USERS, registered before", "kv_usersserver.dll", usersKey, usersKey, "Server", true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    DeleteRegKey(row.key);
    const std::string first = dir + "\\first.dll", second = dir + "\\second.dll";
    ASSERT_TRUE(tt::CopyFileTo(BinDir() + row.dll, first));
    ASSERT_TRUE(tt::CopyFileTo(BinDir() + row.dll, second));
    if (row.earlier) {
      ASSERT_TRUE(RegisterComServer(first, true));
      ASSERT_EQ(ReadRegValue(row.valueKey, row.value, ""), first);
    }
    std::vector<std::string> keys;
    EXPECT_TRUE(ComServerKeys(second, keys));
    // Named as the registry names the keys that stand.
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_TRUE(EqualTextNoCase(keys[0], row.key)) << keys[0];
    if (row.earlier) {
      EXPECT_EQ(ReadRegValue(row.valueKey, row.value, ""), first);
    } else {
      EXPECT_FALSE(RegKeyExists(row.key));
    }
    DeleteRegKey(row.key);
  }
  std::vector<std::string> keys;
  EXPECT_FALSE(ComServerKeys(Copy("sfalse.dll"), keys));
}
