#include "SLang.h"

#include <gtest/gtest.h>

#include <string>

#include "SScript.h"
#include "TestTool.h"

namespace {

struct LangFile {
  const char* name;
  const char* text;
};

TScript ScriptFor(const std::string& lines) {
  TScript s;
  s.OnUnrecognized = nullptr;
  s.LoadFromText(lines);
  return s;
}

// Puts the built-in table back in charge.
void ResetLanguage() { SelectLanguageIn(ScriptFor(""), "", 9); }

}  // namespace

TEST(LangTable, BuiltInEnglish) {
  ResetLanguage();
  struct Case {
    const char *section, *key, *text;
  };
  const Case cases[] = {
      {"General", "LangID", "9"},
      {"MsgBox", "BtnText", "|OK|Cancel|Yes|No|Abort|Retry|Ignore|"},
      {"Buttons", "Next", "&Next >"},
      {"buttons", "BACK", "< &Back"},  // sections and keys ignore case
      {"BeforeInstall", "IsRunningText",
       "<b>PROG_NAME</b> --- is running!<p><p>Please close the program and then click OK to continue with Installation."},
      {"Confirm", "s2", "Click NEXT to begin copying files... "},  // trailing blanks are part of the text
      {"Confirm", "s32", "Company:  "},
      {"Messages", "s1", "%s<p>File not found!<p><p>Correct the problem and run Setup once again!"},
      {"UnInstall", "s2", "UnInstall completed successfully !"},
      {"AutoUpdate", "s24", "<p>Do you want to check and install the new Update?"},
  };
  for (const auto& c : cases) EXPECT_EQ(GetLangText(c.section, c.key, "?"), c.text) << c.section << " " << c.key;
  EXPECT_EQ(GetLangText("Buttons", "NoSuchKey", "dflt"), "dflt");
  EXPECT_EQ(GetLangText("NoSection", "Next", ""), "");
  EXPECT_EQ(GetLangCharset(), 0);
  EXPECT_FALSE(IsLangRightToLeft());
}

TEST(LangTable, IniTextReading) {
  TLangTable t;
  t.LoadFromText(
      "orphan=before any section\r\n; comment=no\r\n[ One ]\r\nA=1\r\n  b = two  \r\nno equals sign\r\nA=again\r\n"
      "=empty key\r\nEmpty=\r\n[two\nC=x=y\n[One]\nD=later\rE=cr only");
  std::string v;
  EXPECT_FALSE(t.Find("", "orphan", v));
  EXPECT_FALSE(t.Find("One", "; comment", v));
  EXPECT_EQ(t.ReadString("one", "a", "-"), "1");  // the first of two wins
  EXPECT_EQ(t.ReadString("One", "B", "-"), " two  ");
  EXPECT_TRUE(t.Find("One", "Empty", v));
  EXPECT_EQ(v, "");
  EXPECT_EQ(t.ReadString("two", "C", "-"), "x=y");  // a section without its bracket still opens
  EXPECT_EQ(t.ReadString("One", "D", "-"), "later");
  EXPECT_EQ(t.ReadString("One", "E", "-"), "cr only");
  EXPECT_EQ(t.ReadString("One", "", "-"), "-");
}

TEST(LangSelection, ChoiceFallbackAndCharset) {
  struct Case {
    const char* script;
    std::vector<LangFile> files;
    int userLang;
    const char* chosen;   // file name chosen, "" for the built-in table
    int charset;
    const char* caption;  // [Welcome] Caption then
  };
  const std::string de = "[General]\r\nLangID=7\r\n[Welcome]\r\nCaption=Willkommen\r\n";
  const std::string fr = "[General]\r\nLangID=12\r\nCharset=0\r\n[Welcome]\r\nCaption=Bienvenue\r\n";
  const std::string en = "[General]\r\nLangID=9\r\n[Welcome]\r\nCaption=Hi\r\n";
  const std::string he = "[General]\r\nLangID=13\r\nCharset=177\r\n[Welcome]\r\nCaption=Shalom\r\n";
  const std::string ar = "[General]\r\nLangID=1\r\nCharset=178\r\n";
  const std::string bad = "[General]\r\nLangID=seven\r\n[Welcome]\r\nCaption=Bad\r\n";
  const char* both = "SET_LANG_FLAG(2)\nSET_LANG_NAMES(|German|French|)";
  const Case cases[] = {
      {both, {{"German", de.c_str()}, {"French", fr.c_str()}}, 7, "German", 0, "Willkommen"},
      {both, {{"German", de.c_str()}, {"French", fr.c_str()}}, 12, "French", 0, "Bienvenue"},
      {both, {{"German", de.c_str()}, {"French", fr.c_str()}}, 9, "", 0, "Welcome"},
      {both, {{"German", de.c_str()}, {"French", fr.c_str()}, {"English", en.c_str()}}, 9, "English", 0, "Hi"},
      {both, {{"German", bad.c_str()}, {"French", fr.c_str()}}, 7, "", 0, "Welcome"},  // "seven" reads -1
      {both, {{"French", fr.c_str()}}, 7, "", 0, "Welcome"},  // German.lng missing: id -1
      // Without flag 2 the names do not count, nor does English.lng.
      {"SET_LANG_NAMES(|German|)", {{"German", de.c_str()}, {"English", en.c_str()}}, 7, "", 0, "Welcome"},
      {"SET_LANG_FLAG(3)\nSET_LANG_NAMES(|German|)", {{"German", de.c_str()}}, 7, "", 0, "Welcome"},
      // A single name is taken whatever its id, even when its file is missing.
      {"SET_LANG_FLAG(2)\nSET_LANG_NAMES(|Hebrew|)", {{"Hebrew", he.c_str()}}, 9, "Hebrew", 177, "Shalom"},
      {"SET_LANG_FLAG(2)\nSET_LANG_NAMES(|Arabic|)", {{"Arabic", ar.c_str()}}, 9, "Arabic", 178, "Welcome"},
      {"SET_LANG_FLAG(2)\nSET_LANG_NAMES(|Klingon|)", {}, 9, "Klingon", 0, "Welcome"},
      {"SET_LANG_FLAG(2)\nSET_LANG_NAMES()", {{"English", en.c_str()}}, 9, "English", 0, "Hi"},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string dir = tt::ScratchDir("lang_sel" + std::to_string(n++)) + "\\";
    for (const auto& f : c.files) tt::WriteFile(dir + f.name + ".lng", f.text);
    const std::string chosen = SelectLanguageIn(ScriptFor(c.script), dir, c.userLang);
    EXPECT_EQ(chosen, *c.chosen ? dir + c.chosen + ".lng" : "") << c.script << " " << c.userLang;
    EXPECT_EQ(GetLangCharset(), c.charset) << c.script;
    EXPECT_EQ(IsLangRightToLeft(), c.charset == 177 || c.charset == 178) << c.script;
    EXPECT_EQ(GetLangText("Welcome", "Caption", ""), c.caption) << c.script;
  }
  ResetLanguage();
}

TEST(LangSelection, KeyByKeyFallback) {
  const std::string dir = tt::ScratchDir("lang_keys") + "\\";
  tt::WriteFile(dir + "German.lng",
                "[General]\r\nLangID=7\r\n[Buttons]\r\nBack=< &Zurueck\r\nCancel=\r\n[Extra]\r\nOwn=Eigen\r\n");
  SelectLanguageIn(ScriptFor("SET_LANG_FLAG(2)\nSET_LANG_NAMES(|German|)"), dir, 7);
  EXPECT_EQ(GetLangText("Buttons", "Back", ""), "< &Zurueck");
  EXPECT_EQ(GetLangText("Buttons", "Next", ""), "&Next >");      // not translated: built-in
  EXPECT_EQ(GetLangText("Buttons", "Next", "Vor"), "Vor");        // a given default wins over built-in
  EXPECT_EQ(GetLangText("Buttons", "Cancel", "x"), "");           // present but empty
  EXPECT_EQ(GetLangText("Extra", "Own", ""), "Eigen");
  EXPECT_EQ(GetLangText("Extra", "None", "d"), "d");
  EXPECT_EQ(GetLangBtnText(), "|OK|Cancel|Yes|No|Abort|Retry|Ignore|");
  // Choosing again drops the file.
  ResetLanguage();
  EXPECT_EQ(GetLangText("Buttons", "Back", ""), "< &Back");
  EXPECT_EQ(GetLangText("Extra", "Own", "d"), "d");
}
