#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "ExecDll.h"
#include "ExecOp.h"
#include "ExecTestUtil.h"
#include "RunTimeDir.h"
#include "TestTool.h"

using namespace exectest;

namespace {

const std::string kKey = std::string(kExecKey) + "\\Engine";

Slot Off() {
  Slot s;
  s.enabled = false;
  return s;
}

struct EngineTest : ::testing::Test {
  void SetUp() override {
    RemoveKeyTree(HKEY_CURRENT_USER, "Software\\KvRuntimeTests\\Exec");
    dir = tt::ScratchDir("exec_engine");
  }
  void TearDown() override {
    RemoveKeyTree(HKEY_CURRENT_USER, "Software\\KvRuntimeTests\\Exec");
    SetEngineCallbacks(nullptr, nullptr);
  }
  bool KeyExists(const std::string& sub) {
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ("Software\\KvRuntimeTests\\Exec\\" + sub).c_str(), 0, KEY_READ, &h))
      return false;
    RegCloseKey(h);
    return true;
  }
  std::string dir;
};

}  // namespace

TEST_F(EngineTest, UnconditionalLog) {
  const std::string missing = dir + "\\missing";
  Item item;
  item.name = "Write Keys";
  item.slots = {{"Create Registry Key", kKey},
                {"Create Registry Value (String)", kKey, "Name", "Value"},
                {"Remove Directory", missing},
                {"Remove Registry Value", kKey, "Other"}};
  const ItemRun run = RunItem(item);
  EXPECT_EQ(run.log, "  Write Keys\r\n"
                     "    THEN Create Registry Key (" + kKey + ")  (TRUE)\r\n"
                     "    THEN Create Registry Value (String) (" + kKey + ",Name,Value)  (TRUE)\r\n"
                     "    THEN Remove Directory (" + missing + ")  (FALSE)\r\n"
                     "    THEN Remove Registry Value (" + kKey + ")  (TRUE)\r\n");
  EXPECT_TRUE(run.result);
  EXPECT_FALSE(run.exitRequest);
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, "Software\\KvRuntimeTests\\Exec\\Engine", "Name"), "Value");
}

TEST_F(EngineTest, ConditionalLogThenAndElse) {
  const std::string file = dir + "\\here.txt", missing = dir + "\\nothing";
  ASSERT_TRUE(tt::WriteFile(file, "x"));
  Item item;
  item.name = "Check";
  item.kind = "Conditional";
  item.conditions = {{"File Found", file}, {"Directory Found", missing, "", "", true}, {"Memory Size is (MB)", "", ">=", "0"}};
  item.join1 = "2";
  item.join2 = "1";
  item.slots = {{"Create Registry Key", kKey + "\\Then"}, Off(), {"Create Registry Key", kKey + "\\Else"}, {"Exit"}};
  ItemRun run = RunItem(item);
  EXPECT_EQ(run.log, "  Check\r\n"
                     "    IF File Found  " + file + "  (TRUE)\r\n"
                     "    or\r\n"
                     "    IF NOT Directory Found  " + missing + "  (TRUE)\r\n"
                     "    and\r\n"
                     "    IF Memory Size is (MB)   >= 0  (TRUE)\r\n"
                     "      Result: TRUE\r\n"
                     "\r\n"
                     "    THEN Create Registry Key (" + kKey + "\\Then)  (TRUE)\r\n");
  EXPECT_TRUE(run.result);  // the disabled slot 2 answers
  EXPECT_FALSE(run.exitRequest);
  EXPECT_TRUE(KeyExists("Engine\\Then"));
  EXPECT_FALSE(KeyExists("Engine\\Else"));

  item.join1 = "3";  // TRUE xor TRUE, and TRUE
  run = RunItem(item);
  EXPECT_EQ(run.log, "  Check\r\n"
                     "    IF File Found  " + file + "  (TRUE)\r\n"
                     "    xor\r\n"
                     "    IF NOT Directory Found  " + missing + "  (TRUE)\r\n"
                     "    and\r\n"
                     "    IF Memory Size is (MB)   >= 0  (TRUE)\r\n"
                     "      Result: FALSE\r\n"
                     "\r\n"
                     "    ELSE Create Registry Key (" + kKey + "\\Else)  (TRUE)\r\n"
                     "    ELSE Exit  (TRUE)\r\n");
  EXPECT_TRUE(run.exitRequest);
  EXPECT_TRUE(KeyExists("Engine\\Else"));
}

TEST_F(EngineTest, WhileLoopLog) {
  const std::string counter = dir + "\\count.txt";
  Item item;
  item.name = "Loop";
  item.kind = "While Loop";
  item.loops = "3";
  item.conditions = {{"Directory Found", dir}};
  item.slots = {{"Append Text to a File", counter, "x"}, Off(), Off(), {"Wait (MS)", "0"}};
  ItemRun run = RunItem(item);
  std::string round = "    IF Directory Found  " + dir + "  (TRUE)\r\n"
                      "    DO Append Text to a File (" + counter + ")  (TRUE)\r\n";
  EXPECT_EQ(run.log, "  Loop\r\n" + round + round + round + "    AND THEN Wait (MS) (0)  (TRUE)\r\n");
  EXPECT_EQ(Content(counter), "xxx");
  EXPECT_TRUE(run.result);

  // No limit: the loop ends when its chain turns false.
  const std::string other = dir + "\\other.txt";
  item.loops = "0";
  item.conditions = {{"Text Found in File", other, "", "xxxx", true}};
  item.slots = {{"Append Text to a File", other, "x"}};
  run = RunItem(item);
  round = "    IF NOT Text Found in File  " + other + "  (TRUE)\r\n"
          "    DO Append Text to a File (" + other + ")  (TRUE)\r\n";
  EXPECT_EQ(run.log, "  Loop\r\n" + round + round + round + round + "    IF NOT Text Found in File  " + other +
                         "  (FALSE)\r\n");
  EXPECT_EQ(Content(other), "xxxx");

  // The delay comes between the rounds.
  item.loops = "2";
  item.delay = "150";
  item.conditions = {{"Directory Found", dir}};
  const DWORD start = GetTickCount();
  RunItem(item);
  EXPECT_GE(GetTickCount() - start, 300u);
}

namespace {

// Runs the routine once from a thread timer: whatever pumps this thread's messages next.
std::function<void()> g_onTimer;
void CALLBACK TimerOnce(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_onTimer();
}
UINT_PTR RunFromTimer(std::function<void()> routine) {
  g_onTimer = std::move(routine);
  return SetTimer(nullptr, 0, 1, TimerOnce);
}

}  // namespace

TEST_F(EngineTest, WhileLoopWithoutDelayPumpsAndSleepsEveryRound) {
  // The window's messages end the wait: the loop must let them in between its rounds.
  const std::string flag = dir + "\\waiting.txt", counter = dir + "\\rounds.txt";
  ASSERT_TRUE(tt::WriteFile(flag, "x"));
  Item item;
  item.kind = "While Loop";
  item.loops = "200";
  item.conditions = {{"File Found", flag}};
  item.slots = {{"Append Text to a File", counter, "x"}};
  const UINT_PTR timer = RunFromTimer([&] { DeleteFileA(flag.c_str()); });
  const DWORD start = GetTickCount();
  RunItem(item);
  KillTimer(nullptr, timer);
  EXPECT_FALSE(Exists(flag));
  const size_t rounds = Content(counter).size();
  EXPECT_LE(rounds, 3u);  // a round or two, not all 200
  EXPECT_GE(GetTickCount() - start, 50 * rounds - 10);  // each one sleeping at least 50 ms
}

TEST_F(EngineTest, AnItemRunDuringAnotherItemsWaitLeavesThatItemsRunAlone) {
  TExecDll dll(nullptr);
  LoadExecDll(dll, BinDir() + "kv_execplugin.dll", true, false);
  const std::string stageFile = dir + "\\stage.txt";
  Item inner, outer;
  inner.stage = "UnInstall Start";
  inner.slots = {{"Wait (MS)", "0"}};
  outer.name = "Outer";
  outer.slots = {{"Exit"}, {"Wait (MS)", "300"}, {"Kv Write File", stageFile, "outer"}};
  // The inner item runs at another stage while the outer one waits.
  ItemRun innerRun;
  const UINT_PTR timer = RunFromTimer([&] { innerRun = RunItem(inner, 5, &dll); });
  const ItemRun run = RunItem(outer, 3, &dll);
  KillTimer(nullptr, timer);
  EXPECT_NE(innerRun.log, "");
  EXPECT_TRUE(run.exitRequest);
  EXPECT_EQ(Content(stageFile), "stage=3 text=outer");
  EXPECT_EQ(run.log, "  Outer\r\n    THEN Exit  (TRUE)\r\n    THEN Wait (MS) (300)  (TRUE)\r\n"
                     "    THEN Kv Write File (" + stageFile + ")  (TRUE)\r\n");
}

TEST_F(EngineTest, StagesAndRunKinds) {
  struct Case { std::string stage; int at; bool runs; };
  const Case cases[] = {
      {"Setup End", 3, false}, {"Setup End", 4, true},  {" after copy ", 3, true}, {"Before Copy", 2, true},
      {"After Destination", 12, true}, {"Sometime", 0, false}, {"Sometime", 3, false}, {"", 0, false},
  };
  for (const auto& c : cases) {
    Item item;
    item.stage = c.stage;
    item.slots = {{"Exit"}};
    const ItemRun run = RunItem(item, c.at);
    EXPECT_TRUE(run.result) << c.stage;
    EXPECT_EQ(run.exitRequest, c.runs) << c.stage << " at " << c.at;
    EXPECT_EQ(run.log.empty(), !c.runs) << c.stage << " at " << c.at;
  }
  EXPECT_EQ(StageFromName("UnInstall Start"), 5);
  EXPECT_EQ(StageFromName("before custom"), 9);

  // Which kind ran shows in the log: only a conditional item writes a result line.
  struct Kind { std::string kind; bool conditional; };
  const Kind kinds[] = {{"Conditional", true}, {"0", true}, {"1", false}, {"unconditional", false}, {"", true},
                        {"bogus", true}};
  for (const auto& k : kinds) {
    Item item;
    item.kind = k.kind;
    item.conditions = {{"Directory Found", dir}};
    item.slots = {{"Wait (MS)", "0"}};
    const ItemRun run = RunItem(item);
    EXPECT_EQ(run.log.find("Result:") != std::string::npos, k.conditional) << k.kind << "\n" << run.log;
  }
}

TEST_F(EngineTest, ResultsOfSlotsAndConditions) {
  const std::string missing = dir + "\\missing";
  // Without conditions the chain is false: the ELSE slots run.
  Item item;
  item.kind = "Conditional";
  item.slots = {{"Create Registry Key", kKey + "\\Then"}, Off(), {"Create Registry Key", kKey + "\\Else"}, Off()};
  ItemRun run = RunItem(item);
  EXPECT_NE(run.log.find("      Result: FALSE\r\n"), std::string::npos);
  EXPECT_TRUE(KeyExists("Engine\\Else"));
  EXPECT_FALSE(KeyExists("Engine\\Then"));

  // The result is the last slot's; a failed slot before it does not count.
  struct Case { std::vector<Slot> slots; bool result; };
  const Case cases[] = {
      {{{"Remove Directory", missing}, Off(), Off(), Off()}, true},
      {{{"Remove Directory", missing}, Off(), Off(), {"Remove Directory", missing}}, false},
      {{Off(), Off(), Off(), {"No Such Operation", "x"}}, true},
      {{{"Remove Directory", missing}, Off(), Off(), {"Wait (MS)", "0"}}, true},
  };
  for (const auto& c : cases) {
    Item u;
    u.slots = c.slots;
    EXPECT_EQ(RunItem(u).result, c.result) << RunItem(u).log;
  }
  // An unknown caption is logged; as a condition it is false.
  Item unknown;
  unknown.slots = {{"No Such Operation", "a", "b", "c"}};
  EXPECT_EQ(RunItem(unknown).log, "  Test Item\r\n    THEN No Such Operation (a,c)  (TRUE)\r\n");
  EXPECT_FALSE(ConditionHolds("No Such Condition", "x"));
}

TEST_F(EngineTest, ExitDoesNotInterruptTheItem) {
  Item item;
  item.slots = {{"Exit"}, {"Create Registry Key", kKey}};
  ItemRun run = RunItem(item);
  EXPECT_TRUE(run.exitRequest);
  EXPECT_TRUE(KeyExists("Engine"));
  item.slots = {{"Wait (MS)", "0"}};
  run = RunItem(item);
  EXPECT_FALSE(run.exitRequest);
}

TEST_F(EngineTest, ChainsJoinLeftToRightAndEvaluateAll) {
  const std::string yes = dir, no = dir + "\\none";
  struct Case { bool c1, c2, c3; std::string j1, j2; bool result; int ifLines; };
  const Case cases[] = {
      {true, false, false, "2", "1", false, 3},  // (T or F) and F
      {false, true, true, "2", "1", true, 3},    // (F or T) and T
      {true, true, false, "3", "2", false, 3},   // (T xor T) or F
      {true, false, true, "1", "3", true, 3},    // (T and F) xor T
      {true, false, false, "", "1", true, 1},    // the chain ends after condition 1
      {false, true, false, "2", "x", true, 2},   // and after condition 2
  };
  for (const auto& c : cases) {
    Item item;
    item.kind = "Conditional";
    item.conditions = {{"Directory Found", c.c1 ? yes : no}, {"Directory Found", c.c2 ? yes : no},
                       {"Directory Found", c.c3 ? yes : no}};
    item.join1 = c.j1;
    item.join2 = c.j2;
    const ItemRun run = RunItem(item);
    size_t lines = 0;
    for (size_t at = run.log.find("    IF "); at != std::string::npos; at = run.log.find("    IF ", at + 1)) ++lines;
    EXPECT_EQ(lines, size_t(c.ifLines)) << run.log;
    EXPECT_NE(run.log.find(std::string("Result: ") + (c.result ? "TRUE" : "FALSE")), std::string::npos) << run.log;
  }
}

TEST_F(EngineTest, ParametersPassThroughFolderTokens) {
  SetInstallFolders(dir, "", "");
  Item item;
  item.slots = {{"Append Text to a File", "<InstallDir>token.txt", "abc"}};
  const ItemRun run = RunItem(item);
  EXPECT_EQ(Content(dir + "\\token.txt"), "abc");
  EXPECT_NE(run.log.find("(" + dir + "\\token.txt)"), std::string::npos) << run.log;
  SetInstallFolders("", "", "");
}

TEST_F(EngineTest, HostCallbacks) {
  EXPECT_TRUE(Perform("Set Folder To", "Application Folder", "C:\\App"));  // no host: true
  EXPECT_EQ(GetHostSetupType(true), "Typical");
  EXPECT_EQ(GetHostSetupType(false), "");
  std::vector<std::string> calls;
  bool answer = true;
  std::map<std::string, std::string> values = {
      {"UserName", "Ann"}, {"CompanyName", "Acme Ltd"}, {"GroupNameString", "|Main|Help Files|"}, {"SetupType", "Custom"}};
  SetEngineCallbacks(
      [&](const std::string& command, const std::string& target, const std::string& value, const std::string& extra) {
        calls.push_back(command + "|" + target + "|" + value + "|" + extra);
        return answer;
      },
      [&](const std::string& name) { return values[name]; });
  EXPECT_TRUE(Perform("Set Folder To", "Application Folder", "C:\\App"));
  EXPECT_TRUE(Perform("Set Setup Type", "Compact", "ignored"));
  answer = false;
  EXPECT_FALSE(Perform("Set Folder To", "Common Folder", "D:\\Common"));
  EXPECT_EQ(calls, (std::vector<std::string>{"SetFolderTo|Application Folder|C:\\App|", "SetStupType|Compact||",
                                             "SetFolderTo|Common Folder|D:\\Common|"}));
  EXPECT_EQ(QueryHostValue("UserName"), "Ann");
  EXPECT_EQ(GetHostSetupType(true), "Custom");
  SetEngineCallbacks(nullptr, nullptr);
  EXPECT_EQ(QueryHostValue("UserName"), "");
}

TEST(ExecLog, StopsGrowingWholeLinesAtItsLimit) {
  ClearExecLog();
  const std::string line(99, 'x');  // 101 characters with the line end
  for (int i = 0; i < 101; ++i) AppendExecLog(line);
  EXPECT_EQ(GetExecLog().size(), 10201u);
  AppendExecLog("next");  // still below the limit
  EXPECT_EQ(GetExecLog().size(), 10207u);
  AppendExecLog(line);
  EXPECT_EQ(GetExecLog().size(), 10308u);
  AppendExecLog("dropped");
  EXPECT_EQ(GetExecLog().size(), 10308u);
  ClearExecLog();
  EXPECT_EQ(GetExecLog(), "");
}

TEST(ExecText, FindTextInString) {
  struct Case { std::string content, search; int pos; };
  const Case cases[] = {
      {"Hello Setup world", "Setup", 7},    {"Hello Setup world", "setup", 0},
      {"Hello Setup world", "!setup", 7},   {"Hello Setup world", "!!setup", 0},
      {"Hello Setup world", "!!Setup", 7},  {"Hello Setup world", "!!!setup", 7},
      {"Hello Setups world", "!!!setup", 0}, {"Hello Setups world", "!setup", 7},
      {"Set", "!!Set", 1},                  {"a\r\nSetup\r\n", "!!Setup", 4},
      {"", "x", 0},                         {"x", "", 0},  {"x", "!!!", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(FindTextInString(c.content, c.search), c.pos) << c.content << " / " << c.search;
}

TEST(ExecText, ScreenSizesDepthsShowCommandsAttributes) {
  struct Size { int w, h; std::string rel, given; bool result; };
  const Size sizes[] = {
      {1024, 768, ">", "1024x768", false}, {1280, 768, ">", "1024x768", true}, {1024, 768, "=", "1024x768", true},
      {1024, 768, "!=", "1024x600", true}, {800, 600, "<", "1024x768", true},   {1024, 600, "<", "1024x768", true},
      {1024, 768, ">=", "1024x768", true}, {1280, 600, ">=", "1024x768", false}, {1024, 768, "<=", "1024x768", true},
      {1024, 768, "=", "bogus", false},    {1024, 768, ">", "", true},          {1024, 768, "~", "1x1", false},
  };
  for (const auto& s : sizes)
    EXPECT_EQ(ScreenSizeMatches(s.w, s.h, s.rel, s.given), s.result) << s.w << "x" << s.h << s.rel << s.given;
  EXPECT_EQ(ColorDepthFromName("256 (8 bit)"), 8);
  EXPECT_EQ(ColorDepthFromName("32K (15 bit)"), 15);
  EXPECT_EQ(ColorDepthFromName("64K (16 bit)"), 16);
  EXPECT_EQ(ColorDepthFromName("16M (24 bit)"), 24);
  EXPECT_EQ(ColorDepthFromName("True Color (32 bit)"), 32);
  EXPECT_EQ(ColorDepthFromName("Millions"), 32);
  EXPECT_EQ(ShowCommandFromName("sw_hide"), 0);
  EXPECT_EQ(ShowCommandFromName("SW_SHOWMAXIMIZED"), 3);
  EXPECT_EQ(ShowCommandFromName("SW_SHOWDEFAULT"), 10);
  EXPECT_EQ(ShowCommandFromName(""), 5);
  EXPECT_EQ(ShowCommandFromName("SW_BOGUS"), 5);
  EXPECT_EQ(FileAttributesFromNames("ReadOnly, hidden"), 3u);
  EXPECT_EQ(FileAttributesFromNames("System|Archive"), 36u);
  EXPECT_EQ(FileAttributesFromNames("Normal"), 128u);
  EXPECT_EQ(FileAttributesFromNames(""), 0u);
}
