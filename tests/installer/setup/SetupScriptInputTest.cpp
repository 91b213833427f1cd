// Setup.exe on scripts and language files as editors and damage leave them: a leading
// byte-order mark, binary bytes.
#include <gtest/gtest.h>

#include <string>

#include "SetupTestUtil.h"
#include "TestTool.h"
#include "UtilPlus.h"

using setuptest::RunSetup;
using setuptest::SetupCopy;
using setuptest::TitledText;

namespace {

const std::string kBom = "\xEF\xBB\xBF";
// Its first line opens the wizard on a page of its own, so the page shown tells that it was read.
const std::string kScript = "SET_DIALOGS(UserInformationDlg,WelcomeDlg);\r\nSET_PROG_NAME(Demo);\r\n";

std::string Dir(const std::string& exe) { return exe.substr(0, exe.find_last_of('\\') + 1); }

// The key whose scrambled form of `text` holds a NUL byte.
unsigned char KeyMakingNul(const std::string& text) {
  for (int key = 33; key <= 122; ++key)
    if (ScrambleTextWithKey(text, 1, (unsigned char)key).find('\0') != std::string::npos) return (unsigned char)key;
  return 0;
}

}  // namespace

// A byte-order mark before the script, before or inside a scrambled one, or before a
// language file is no part of their first line.
TEST(SetupScriptInput, ByteOrderMarkIsSkipped) {
  const unsigned char key = KeyMakingNul(kScript);
  ASSERT_NE(key, 0);
  struct Case {
    const char* name;
    std::string script;
    std::string lang;  // LANG\Own.lng, chosen by the script when not empty
    const char* page;
  };
  const std::string chooseOwn = "SET_LANG_FLAG(2);\r\nSET_LANG_NAMES(|Own|);\r\n";
  const Case cases[] = {
      {"plain", kBom + kScript, "", "User Information"},
      {"scrambled", ScrambleTextWithKey(kBom + kScript, 1, 50), "", "User Information"},
      {"before scrambled", kBom + ScrambleTextWithKey(kScript, 1, 50), "", "User Information"},
      // A scrambled body may hold any byte.
      {"scrambled with NUL", ScrambleTextWithKey(kScript, 1, key), "", "User Information"},
      {"language", kScript + chooseOwn, kBom + "[UserInfo]\r\nCaption=Wer sind Sie\r\n", "Wer sind Sie"},
      // Chosen by its id among others.
      {"language id", kScript + "SET_LANG_FLAG(2);\r\nSET_LANG_NAMES(|French|Own|);\r\n",
       kBom + "[General]\r\nLangID=9\r\n[UserInfo]\r\nCaption=Wer sind Sie\r\n", "Wer sind Sie"},
  };
  for (const auto& c : cases) {
    const std::string exe = SetupCopy(std::string("setup_bom_") + std::to_string(&c - cases), nullptr);
    tt::WriteFile(Dir(exe) + "Setup.txt", c.script);
    if (!c.lang.empty()) {
      CreateDirectoryA((Dir(exe) + "LANG").c_str(), nullptr);
      tt::WriteFile(Dir(exe) + "LANG\\Own.lng", c.lang);
    }
    const auto r = RunSetup(exe);
    EXPECT_TRUE(r.boxes.empty()) << c.name << ": " << (r.boxes.empty() ? "" : r.boxes[0].text);
    EXPECT_EQ(r.wizards, std::vector<std::string>{c.page}) << c.name;
    EXPECT_EQ(r.exitCode, 0) << c.name;
  }
}

// A script whose text holds NUL bytes is no script: one box says so and Setup ends, plain
// or scrambled.
TEST(SetupScriptInput, BinaryScriptGivesOneBoxAndEnds) {
  std::string junk(20 * 1024, '\0');
  unsigned seed = 43;
  for (char& c : junk) c = char((seed = seed * 1103515245 + 12345) >> 16);
  ASSERT_NE(junk.find('\0'), std::string::npos);
  const char version[] = "SET_PROG_VERSION(1\0.0);\r\n";
  const std::string withNul = kScript + std::string(version, sizeof version - 1);
  const struct {
    const char* name;
    std::string script;
  } cases[] = {{"random", junk}, {"scrambled", ScrambleTextWithKey(withNul, 1, 60)}};
  for (const auto& c : cases) {
    const std::string exe = SetupCopy(std::string("setup_binary_") + c.name, nullptr);
    tt::WriteFile(Dir(exe) + "Setup.txt", c.script);
    const auto r = RunSetup(exe);
    ASSERT_EQ(r.boxes.size(), 1u) << c.name;
    EXPECT_EQ(r.boxes[0].caption, "Error");
    EXPECT_EQ(r.boxes[0].text,
              TitledText("Error", Dir(exe) + "Setup.txt\r\nScript file holds binary data.\r\n\r\nSetup Aborted!"));
    EXPECT_TRUE(r.wizards.empty()) << c.name;
    EXPECT_EQ(r.exitCode, 0) << c.name;
  }
}
