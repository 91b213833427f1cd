// The plug-in road: names collected from a real DLL, conditions and executions called by
// alias through the engine, and the boxes for a missing DLL or export.
#include <gtest/gtest.h>

#include "ExecDll.h"
#include "ExecOp.h"
#include "ExecTestUtil.h"
#include "TestTool.h"

using namespace exectest;

namespace {

std::string Plugin() { return BinDir() + "kv_execplugin.dll"; }
std::string PluginNoExec() { return BinDir() + "kv_execplugin_noexec.dll"; }

// A box's text with its line ends as single "\n" (the control may keep CR only).
std::string Lines(std::string text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

TEST(ExecDll, CollectsNamesAndAliasLines) {
  TExecDll dll(nullptr);
  EXPECT_FALSE(HasExecDllAliases(&dll));
  EXPECT_FALSE(HasExecDllAliases(nullptr));
  LoadExecDll(dll, Plugin(), true, true);
  ASSERT_TRUE(HasExecDllAliases(&dll));
  ASSERT_EQ(dll.ConditionNames().size(), 3u);
  EXPECT_EQ(dll.ConditionNames()[0], "Kv Stage Is");
  EXPECT_EQ(dll.ConditionNames()[1], "Kv Texts Equal");
  EXPECT_EQ(dll.ConditionNames()[2].size(), 255u);  // a longer name is cut
  EXPECT_EQ(dll.ConditionNames()[2].substr(0, 13), "Kv Long Name ");
  EXPECT_EQ(dll.ExecutionNames(), (std::vector<std::string>{"Kv Write File", "Kv Answer Two", "Kv Missing Export"}));
  ASSERT_EQ(dll.AliasMap().size(), 6u);
  EXPECT_EQ(dll.AliasMap()[0].first, "Kv Stage Is");
  EXPECT_EQ(dll.AliasMap()[0].second, "|" + Plugin() + "|GetCondition_0|");
  EXPECT_EQ(dll.AliasMap()[1].second, "|" + Plugin() + "|GetCondition_2|");
  EXPECT_EQ(dll.AliasMap()[2].second, "|" + Plugin() + "|GetCondition_9|");
  EXPECT_EQ(dll.AliasMap()[5].second, "|" + Plugin() + "|SetExecution_2|");
  EXPECT_EQ(dll.AliasValue("kv write file"), "|" + Plugin() + "|SetExecution_0|");
  // A second load adds; clearFirst starts over.
  LoadExecDll(dll, Plugin(), false, false);
  EXPECT_EQ(dll.AliasMap().size(), 12u);
  LoadExecDll(dll, Plugin(), true, false);
  EXPECT_EQ(dll.AliasMap().size(), 6u);
}

TEST(ExecDll, CallsByAliasThroughTheEngine) {
  const std::string dir = tt::ScratchDir("exec_dll");
  TExecDll dll(nullptr);
  LoadExecDll(dll, Plugin(), true, false);
  const std::string out = dir + "\\written.txt";
  Item item;
  item.kind = "Conditional";
  item.stage = "Before Custom";
  item.conditions = {{"kv stage is", "9"}, {"Kv Texts Equal", "a", "=", "b", true}};
  item.join1 = "1";
  item.slots = {{"KV WRITE FILE", out, "hello", "ignored"}, {"Kv Answer Two", "x"}};
  ItemRun run = RunItem(item, 9, &dll);
  EXPECT_EQ(Content(out), "stage=9 text=hello");
  EXPECT_FALSE(run.result);  // the export answered 2
  EXPECT_EQ(run.log, "  Test Item\r\n"
                     "    IF kv stage is  9  (TRUE)\r\n"
                     "    and\r\n"
                     "    IF NOT Kv Texts Equal  a  (TRUE)\r\n"
                     "      Result: TRUE\r\n"
                     "\r\n"
                     "    THEN KV WRITE FILE (" + out + ",ignored)  (TRUE)\r\n"
                     "    THEN Kv Answer Two (x)  (FALSE)\r\n");
  // Texts equal answers 1; unequal answers 2, which is not true.
  EXPECT_TRUE(CallExecDll(&dll, 3, "Kv Texts Equal", "a", "=", "a"));
  EXPECT_FALSE(CallExecDll(&dll, 3, "Kv Texts Equal", "a", "=", "b"));
  EXPECT_FALSE(CallExecDll(&dll, 3, "Kv Unknown", "a", "=", "a"));
  // Without the plug-in the captions are unknown: a false condition, a true operation.
  DeleteFileA(out.c_str());
  run = RunItem(item, 9, nullptr);
  EXPECT_NE(run.log.find("    IF kv stage is  9  (FALSE)\r\n"), std::string::npos) << run.log;
  EXPECT_TRUE(RunItem(item, 9, nullptr).result);
  EXPECT_FALSE(Exists(out));
}

TEST(ExecDll, MissingExportsAndLibrariesShowBoxes) {
  TExecDll dll(nullptr);
  LoadExecDll(dll, Plugin(), true, false);
  bool result = true;
  std::string shown;
  WithBox([&] { result = CallExecDll(&dll, 3, "Kv Missing Export", "a", "b", ""); },
          [](HWND box) {
            EXPECT_EQ(tt::WindowText(box), "Error");
            EXPECT_TRUE(tt::ClickButton(box, "OK"));
          },
          &shown);
  EXPECT_FALSE(result);
  EXPECT_NE(Lines(shown).find("Function: \"SetExecution_2\"\n\nNot Found in Library: \"" + Plugin() + "\""),
            std::string::npos)
      << shown;

  // A DLL without the execution names still gives its conditions; one box names the export.
  shown.clear();
  TExecDll partial(nullptr);
  WithBox([&] { LoadExecDll(partial, PluginNoExec(), true, true); },
          [](HWND box) { EXPECT_TRUE(tt::ClickButton(box, "OK")); }, &shown);
  EXPECT_NE(shown.find("Function: \"GetExecutionAlias\""), std::string::npos) << shown;
  EXPECT_EQ(partial.ConditionNames().size(), 3u);
  EXPECT_TRUE(partial.ExecutionNames().empty());
  // Without showErrors nothing appears.
  LoadExecDll(partial, PluginNoExec(), true, false);
  EXPECT_EQ(partial.AliasMap().size(), 3u);

  const std::string missing = BinDir() + "kv_no_such_plugin.dll";
  TExecDll none(nullptr);
  LoadExecDll(none, missing, true, false);
  EXPECT_FALSE(HasExecDllAliases(&none));
  // Each of the two name collections tries the library and says so.
  shown.clear();
  WithBox([&] { LoadExecDll(none, missing, true, true); },
          [](HWND box) { EXPECT_TRUE(tt::ClickButton(box, "OK")); }, &shown, 2);
  const std::string box = missing + "\n\nDLL File Not Found!";
  const size_t first = Lines(shown).find(box), second = Lines(shown).find("---\nERROR\n\n" + box);
  EXPECT_NE(first, std::string::npos) << shown;
  EXPECT_NE(second, std::string::npos) << shown;
  EXPECT_LT(first, second);
}
