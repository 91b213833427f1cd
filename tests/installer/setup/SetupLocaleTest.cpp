// Run with LC_ALL=de_DE.UTF-8: Wine then reports a German user, to this program and to the
// programs it starts.
#include <gtest/gtest.h>

#include <string>

#include "SetupTestUtil.h"
#include "TestTool.h"

using setuptest::RunSetup;
using setuptest::SetupCopy;

TEST(SetupLocale, GermanUserGetsGermanFile) {
  ASSERT_EQ(GetUserDefaultLCID() & 0x3FF, 7u) << "the locale did not reach Wine";
  struct Case {
    const char* names;
    const char* expected;
  };
  const Case cases[] = {
      {"|French|German|", "Willkommen"},
      {"|French|Spanish|", "Welcome"},   // none matches, no English.lng: the built-in table
      {"|French|", "Bienvenue"},         // a single name is always taken
      {"|Missing|German|", "Willkommen"},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string script =
        "SET_PROG_NAME(Demo)\r\nSET_LANG_FLAG(2)\r\nSET_LANG_NAMES(" + std::string(c.names) + ")\r\n";
    const std::string exe = SetupCopy("setup_lang_de" + std::to_string(n++), script.c_str());
    const std::string lang = exe.substr(0, exe.find_last_of('\\') + 1) + "LANG\\";
    CreateDirectoryA(lang.c_str(), nullptr);
    tt::WriteFile(lang + "German.lng", "[General]\r\nLangID=7\r\n[Welcome]\r\nCaption=Willkommen\r\n");
    tt::WriteFile(lang + "French.lng", "[General]\r\nLangID=12\r\n[Welcome]\r\nCaption=Bienvenue\r\n");
    tt::WriteFile(lang + "Spanish.lng", "[General]\r\nLangID=10\r\n[Welcome]\r\nCaption=Bienvenido\r\n");
    const auto r = RunSetup(exe);
    EXPECT_EQ(r.wizards, std::vector<std::string>{c.expected}) << c.names;
    EXPECT_TRUE(r.boxes.empty());
  }
}
