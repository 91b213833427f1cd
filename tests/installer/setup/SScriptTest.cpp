#include "SScript.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "UtilPlus.h"

namespace {

// A script object that records its unrecognised lines instead of showing boxes.
struct Recorded {
  TScript script;
  TStringList rejected;
  Recorded() {
    script.OnUnrecognized = [this](const std::string& line) { rejected.push_back(line); };
  }
  Recorded& Read(const std::string& text) {
    script.LoadFromText(text);
    return *this;
  }
};

const char* KindName(TKeywordKind k) {
  switch (k) {
    case TKeywordKind::Text: return "text";
    case TKeywordKind::Flag: return "flag";
    case TKeywordKind::Integer: return "integer";
    case TKeywordKind::List: return "list";
    case TKeywordKind::Bounded: return "bounded";
    case TKeywordKind::Special: return "special";
  }
  return "?";
}

}  // namespace

// The whole vocabulary with its kinds, as the script language defines it.
TEST(ScriptKeywords, EveryKeywordHasItsKind) {
  const std::map<std::string, std::string> kinds = [] {
    const char* groups[][2] = {
        {"text",
         "SET_PROG_NAME SET_PROG_VERSION SET_COMPANY_NAME SET_COMPANY_URL SET_COMPOSER_BUILD SET_PROG_EXE_NAME "
         "SET_PROG_STAMP SET_COPYRIGHT_NOTICE SET_ALLOWED_OS SET_LANG_NAMES SET_TARGET_DIR SET_COMMON_DIR SET_AUX_DIR "
         "SET_SPACE_REQ_ON_DRIVE SET_RUN_TIME_DIR_1 SET_RUN_TIME_DIR_2 SET_RUN_TIME_DIR_3 SET_DELIVERY_FILES "
         "SET_DIALOG_BITMAP_FILE_NAME SET_DIALOG_LOCATION SET_LICENSE_FILE_NAME SET_README_FILE_NAME "
         "SET_README_FILE_NAME_2 SET_START_PROGRAM_LINK_FOLDER SET_START_PROGRAM_LINK_NAME "
         "SET_START_PROGRAM_LINK_PARAM SET_START_PROGRAM_LINK_WORKDIR SET_START_PROGRAM_LINK_RUN "
         "SET_START_PROGRAM_LINK_ICON_FILE SET_START_PROGRAM_LINK_ICON_NUM SET_START_MENU_LINK_NAME "
         "SET_DESKTOP_LINK_NAME SET_SENDTO_LINK_NAME SET_STARTUP_LINK_NAME SET_QUICK_LAUNCH_LINK_NAME "
         "SET_OPEN_WITH_NAME SET_OPEN_WITH_MENU_TEXT SET_OPEN_WITH_EXTENSIONS SET_EXECUTION_DLL_NAME "
         "SET_ORIGINAL_INFO_FILE_NAME SET_AUTO_UPDATE_EXE_FILE_NAME SET_TOP_BG_COLOR SET_BOTTOM_BG_COLOR "
         "SET_BG_BITMAP_FILE_NAME SET_BG_BITMAP_LOCATION SET_TOP_LABEL_TEXT SET_TOP_LABEL_TEXT_2 "
         "SET_BOTTOM_LABEL_TEXT SET_TOP_LABEL_SIDE SET_TOP_LABEL_SIDE_2 SET_BOTTOM_LABEL_SIDE SET_TOP_LABEL_FONT "
         "SET_TOP_LABEL_FONT_2 SET_BOTTOM_LABEL_FONT SET_TOP_LABEL_SIZE SET_TOP_LABEL_STYLE SET_BOTTOM_LABEL_SIZE "
         "SET_BOTTOM_LABEL_STYLE SET_BG_WAVE_FILE_NAME SET_BG_WAVE_LOOP SET_BG_WAVE_DELAY SET_BG_WAVE_SLIDER "
         "SET_BG_WAVE_LOCATION SET_BILLBOARD_DATA"},
        {"flag",
         "SET_SPLIT_SETUP SET_USE_COPY SET_CD_SETUP SET_SHOW_COMPACT_SETUP SET_FORCE_PARTIAL_SETUP SET_SILENT_SETUP "
         "SET_SETUP_BACKGROUND SET_DIALOG_STYLE_MODERN SET_DIALOG_BITMAP_3D_FRAME SET_USE_NOTEPAD "
         "SET_REQUEST_USER_NAME SET_REQUEST_COMPANY_NAME SET_SHOW_CLOSE_RECOMMENDATION SET_SHOW_COPYRIGHT_WARNING "
         "SET_SHOW_ADWARE_DISCLAIMER SET_SHOW_PROG_BAR_2 SET_PROPOSE_README SET_PROPOSE_README_CHECKED "
         "SET_PROPOSE_LAUNCH SET_PROPOSE_LAUNCH_CHECKED SET_PROPOSE_RESTART SET_ALL_USERS "
         "SET_FORCE_REMOVE_SHORTCUT_FOLDER SET_OPEN_WITH SET_REGISTER_AS_APPLICATION SET_TEST_ADMIN_RIGHTS "
         "SET_TEST_FOR_DOT_NET_FRAMEWORK SET_TEST_EXE_BEFORE_INSTALL SET_TEST_ADMIN_RIGHTS_UNINSTALL "
         "SET_TEST_EXE_BEFORE_UNINSTALL SET_CREATE_UNINSTALL SET_SCRAMBLE_UNINSTALL SET_CREATE_SETUP_LOG "
         "SET_RUN_AUTO_UPDATE_AT_STARTUP SET_BOTTOM_BG_COLOR_REQ SET_BG_BITMAP_TRANSPARENT SET_TOP_LABEL_VER "
         "SET_ADD_BILLBOARD"},
        {"integer", "SET_LANG_FLAG SET_DIALOG_DX SET_DIALOG_DY SET_BG_BITMAP_DX SET_BG_BITMAP_DY"},
        {"bounded", "SET_OVERWRITE_FLAG SET_GLOBAL_OVERWRITE_FLAG"},
        {"list",
         "SET_START_PROGRAM_LINK_ITEM SET_WIN_EXEC SET_START_SERVICE SET_STOP_SERVICE SET_PERFORM_REGISTRY_OP "
         "SET_PERFORM_INIFILE_OP SET_PERFORM_ENVIRONMENT_OP SET_ADD_ASSOCIATION_ITEM SET_PERFORM_EXECUTE_OP "
         "SET_BILLBOARD_FILE SET_DIALOG_IMAGE"},
        {"special",
         "SET_GROUP_DATA SET_SUB_DIR SET_COPY_FILES SET_DIALOGS SET_COPY_TO_UNINSTALL SET_REMOVE_REG_KEY "
         "SET_REMOVE_ABSOLUTE_FILE SET_REMOVE_ABSOLUTE_DIR SET_FORCE_REMOVE_ABSOLUTE_DIR "
         "SET_FORCE_REMOVE_TARGET_SUB_DIR SET_FORCE_REMOVE_TARGET_DIR"},
    };
    std::map<std::string, std::string> m;
    for (auto& g : groups) {
      std::istringstream in(g[1]);
      std::string name;
      while (in >> name) m[name] = g[0];
    }
    return m;
  }();
  ASSERT_EQ(kinds.size(), 131u);

  std::map<std::string, std::string> table;
  for (const auto& k : TScript::KeywordTable()) {
    EXPECT_TRUE(table.emplace(k.name, KindName(k.kind)).second) << "twice: " << k.name;
  }
  EXPECT_EQ(table, kinds);

  // Each one is read, in any letter case, without a complaint ("accepted, no effect" ones too).
  Recorded r;
  std::string text;
  for (const auto& k : kinds) {
    std::string lower = k.first;
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (k.first == "SET_COPY_TO_UNINSTALL") continue;
    text += lower + "(1);\n";
  }
  r.Read("SET_GROUP_DATA(g);\n" + text);
  EXPECT_TRUE(r.rejected.empty()) << r.rejected.front();
}

TEST(ScriptKeywords, DefaultsAfterReset) {
  TScript s;
  std::map<std::string, std::string> texts;
#define X_TEXT(kw, name, def) texts[#kw] = s.name();
  SCRIPT_TEXT_SETTINGS(X_TEXT)
#undef X_TEXT
  for (const auto& t : texts) {
    const std::string expected = t.first == "SET_TOP_BG_COLOR" ? "16711680" : t.first == "SET_BOTTOM_BG_COLOR" ? "0" : "";
    EXPECT_EQ(t.second, expected) << t.first;
  }
  int flagsOn = 0, listEntries = 0;
#define X_FLAG(kw, name) flagsOn += s.name();
#define X_LIST(kw, name) listEntries += int(s.name().size());
  SCRIPT_FLAG_SETTINGS(X_FLAG)
  SCRIPT_LIST_SETTINGS(X_LIST)
#undef X_FLAG
#undef X_LIST
  EXPECT_EQ(flagsOn, 0);
  EXPECT_EQ(listEntries, 0);
  EXPECT_EQ(s.LangFlag(), 1);
  EXPECT_EQ(s.GlobalOverwriteFlag(), 1);
  EXPECT_EQ(s.OverwriteFlag(), 0);
  EXPECT_EQ(s.DialogDx() + s.DialogDy() + s.BgBitmapDx() + s.BgBitmapDy(), 0);
  EXPECT_EQ(s.DialogIndex(), 0);
  EXPECT_FALSE(s.CopyToUninstallMode());

  // Load starts over from the defaults, and a missing file leaves them.
  Recorded r;
  r.Read("SET_PROG_NAME(X)\nSET_LANG_FLAG(2)\nSET_SILENT_SETUP\nSET_WIN_EXEC(a)");
  EXPECT_FALSE(r.script.Load("no_such_setup_script.txt"));
  EXPECT_EQ(r.script.ProgName(), "");
  EXPECT_EQ(r.script.LangFlag(), 1);
  EXPECT_FALSE(r.script.SilentSetup());
  EXPECT_TRUE(r.script.WinExecItems().empty());
}

TEST(ScriptKeywords, SettersByKind) {
  struct Case {
    const char* script;
    std::string (*read)(TScript&);
    const char* expected;
  };
  const Case cases[] = {
      {"set_prog_name(Demo)", [](TScript& s) { return s.ProgName(); }, "Demo"},
      {"SET_PROG_NAME(Demo)\nSET_PROG_NAME()", [](TScript& s) { return s.ProgName(); }, ""},
      {"SET_PROG_NAME(Demo)\nSET_PROG_NAME", [](TScript& s) { return s.ProgName(); }, ""},
      {"SET_SILENT_SETUP(no)", [](TScript& s) { return std::to_string(s.SilentSetup()); }, "1"},
      {"SET_SILENT_SETUP", [](TScript& s) { return std::to_string(s.SilentSetup()); }, "1"},
      {"SET_LANG_FLAG(2)", [](TScript& s) { return std::to_string(s.LangFlag()); }, "2"},
      {"SET_LANG_FLAG(two)", [](TScript& s) { return std::to_string(s.LangFlag()); }, "1"},
      {"SET_LANG_FLAG(2)\nSET_LANG_FLAG(x)", [](TScript& s) { return std::to_string(s.LangFlag()); }, "1"},
      {"SET_DIALOG_DX(10)", [](TScript& s) { return std::to_string(s.DialogDx()); }, "10"},
      {"SET_BG_BITMAP_DY(ten)", [](TScript& s) { return std::to_string(s.BgBitmapDy()); }, "0"},
      {"SET_GLOBAL_OVERWRITE_FLAG(0)", [](TScript& s) { return std::to_string(s.GlobalOverwriteFlag()); }, "1"},
      {"SET_GLOBAL_OVERWRITE_FLAG(5)", [](TScript& s) { return std::to_string(s.GlobalOverwriteFlag()); }, "1"},
      {"SET_GLOBAL_OVERWRITE_FLAG(4)", [](TScript& s) { return std::to_string(s.GlobalOverwriteFlag()); }, "4"},
      {"SET_GLOBAL_OVERWRITE_FLAG(3)\nSET_GLOBAL_OVERWRITE_FLAG(x)",
       [](TScript& s) { return std::to_string(s.GlobalOverwriteFlag()); }, "3"},
      {"SET_OVERWRITE_FLAG(3)\nSET_OVERWRITE_FLAG(0)", [](TScript& s) { return std::to_string(s.OverwriteFlag()); }, "0"},
      {"SET_OVERWRITE_FLAG(2)\nSET_OVERWRITE_FLAG(-1)", [](TScript& s) { return std::to_string(s.OverwriteFlag()); }, "2"},
      {"SET_OVERWRITE_FLAG(2)\nSET_OVERWRITE_FLAG(5)", [](TScript& s) { return std::to_string(s.OverwriteFlag()); }, "2"},
      {"SET_PERFORM_REGISTRY_OP(a)\nSET_PERFORM_REGISTRY_OP()\nSET_PERFORM_REGISTRY_OP(b)",
       [](TScript& s) {
         std::string all;
         for (const auto& e : s.RegistryOps()) all += "[" + e + "]";
         return all;
       },
       "[a][][b]"},
      {"SET_DIALOGS(WelcomeDlg,LicenseDlg)", [](TScript& s) { return s.DialogList(); }, ",WelcomeDlg,LicenseDlg,"},
      {"SET_DIALOGS(A)\nSET_DIALOGS(B,C)", [](TScript& s) { return s.DialogList(); }, ",B,C,"},
      {"SET_TOP_BG_COLOR(255)", [](TScript& s) { return s.TopBgColor(); }, "255"},
  };
  for (const auto& c : cases) {
    Recorded r;
    r.Read(c.script);
    EXPECT_EQ(c.read(r.script), c.expected) << c.script;
    EXPECT_TRUE(r.rejected.empty()) << c.script;
  }
}

TEST(ScriptKeywords, UninstallLines) {
  Recorded r;
  r.Read(
      "SET_REMOVE_REG_KEY(HKEY_CURRENT_USER\\Software\\X)\n"
      "SET_REMOVE_ABSOLUTE_FILE(C:\\a.txt)\n"
      "SET_REMOVE_ABSOLUTE_DIR(C:\\D)\n"
      "SET_FORCE_REMOVE_ABSOLUTE_DIR(C:\\E)\n"
      "SET_FORCE_REMOVE_TARGET_SUB_DIR(Data)\n"
      "SET_FORCE_REMOVE_TARGET_DIR\n");
  const TStringList expected = {"REMOVE_REG_KEY(HKEY_CURRENT_USER\\Software\\X)", "REMOVE_FILE(C:\\a.txt)",
                                "REMOVE_DIR(C:\\D)", "FORCE_REMOVE_DIR(C:\\E)",
                                "FORCE_REMOVE_DIR(<TARGET_DIR>\\Data)", "FORCE_REMOVE_DIR(<TARGET_DIR>)"};
  EXPECT_EQ(r.script.UninstallLines(), expected);
}

TEST(ScriptReader, CleaningRules) {
  struct Case {
    const char* text;
    TStringList lines;
  };
  const Case cases[] = {
      {"  A  \r\n\r\n\tB\n\nC\rD", {"A", "B", "C", "D"}},
      {"A /* one\nspanning */ B\nC", {"A  B", "C"}},
      {"A /* x */ B /* y */ C", {"A  B  C"}},
      {"A */ B /* C */ D", {"A */ B /* C */ D"}},       // a close before the first open stops the removal
      {"A /* open\nB /* x */ C", {"A  C"}},            // the first open pairs with the first close
      {"A /* never closed\nB", {"A /* never closed", "B"}},
      {"/*/ X", {"X"}},
      {"SET_COMPANY_URL(http://www.example.com/x)", {"SET_COMPANY_URL(http://www.example.com/x)"}},
      {"a // note", {"a"}},
      {"x ://y // z", {"x ://y"}},
      {"// whole line\nB", {"B"}},
      {"u(ftp://a//b)", {"u(ftp://a"}},
  };
  for (const auto& c : cases) EXPECT_EQ(TScript::CleanScriptText(c.text), c.lines) << c.text;

  // Marks that meet where a comment is cut out count like any other.
  struct Joined {
    const char* text;
    const char* kept;
  };
  const Joined joined[] = {
      {"//*x*/*c*/d", "d"},
      {"/*x*/a*/*y*//b", "a*/*y*//b"},
      {"a/**/*/b", "a*/b"},
      {"*/", "*/"},
  };
  for (const auto& c : joined) EXPECT_EQ(TScript::RemoveBlockComments(c.text), c.kept) << c.text;
}

TEST(ScriptReader, ManyCommentsInALargeScript) {
  std::string text;
  const int lines = 100000;
  for (int i = 0; i < lines; ++i) text += "SET_BILLBOARD_FILE(f" + std::to_string(i) + ".bmp) /* slide " + std::to_string(i) + " */\r\n";
  text += "/* tail\r\nSET_PROG_NAME(hidden)\r\n*/ SET_PROG_NAME(Big)\r\n";
  Recorded r;
  r.Read(text);
  EXPECT_TRUE(r.rejected.empty());
  ASSERT_EQ(r.script.BillboardFiles().size(), size_t(lines));
  EXPECT_EQ(r.script.BillboardFiles().back(), "f99999.bmp");
  EXPECT_EQ(r.script.ProgName(), "Big");
}

TEST(ScriptReader, LineParsing) {
  struct Case {
    const char* line;
    const char* name;      // expected program name
    const char* rejected;  // expected complaint, "" for none
  };
  const Case cases[] = {
      {"SET_PROG_NAME(Demo); comment", "Demo", ""},
      {"SET_PROG_NAME(Demo) // comment", "Demo", ""},
      {"SET_PROG_NAME(A;B)", "", ""},
      {"SET_PROG_NAME(a;b);", "a;b", ""},
      {"SET_PROG_NAME(Demo", "", ""},
      {"SET_PROG_NAME(x(y)z)", "x(y)z", ""},
      {"  set_Prog_Name  (Mixed Case)", "Mixed Case", ""},
      {"SET_PROG_NAME(\"\"\"Q\"\" R\"\"\")", "\"\"Q\" R\"\"", ""},  // only pairs after a non-quote fold
      {"SET_PROG_NAME(\"a\"\"b\")", "a\"b", ""},
      {"SET_PROG_NAME(\"plain\")", "plain", ""},
      {"SET_PROG_NAME(\"x)", "\"x", ""},
      {"SET_PROG_NAME(x\")", "x\"", ""},
      {"SET_PROG_NAME(\")", "\"", ""},
      {"SET_PROG_NAME(x)\nSET_PROG_NAME(\"\")", "", ""},  // an empty quoted text is empty
      {"SET_PROG_NAME(\"\"\"\")", "\"\"\"", ""},
      {"SET_PROG_NAMES(x); tail", "", "SET_PROG_NAMES(x)"},
      {"(SET_PROG_NAME(x))", "", "(SET_PROG_NAME(x))"},
      {"HELLO", "", "HELLO"},
      {";", "", ""},
      {"  (x)", "", "(x)"},
  };
  for (const auto& c : cases) {
    Recorded r;
    r.Read(c.line);
    EXPECT_EQ(r.script.ProgName(), c.name) << c.line;
    const TStringList expected = *c.rejected ? TStringList{c.rejected} : TStringList{};
    EXPECT_EQ(r.rejected, expected) << c.line;
  }
}

TEST(ScriptReader, CopyToUninstallMode) {
  Recorded r;
  r.Read(
      "SET_PROG_NAME(Before)\nSET_REMOVE_ABSOLUTE_FILE(f)\nSET_COPY_TO_UNINSTALL\n"
      "SET_PROG_NAME(X)\n  no keyword here ; at all  \nREMOVE_DIR(C:\\Z);\n/* gone */\n");
  EXPECT_EQ(r.script.ProgName(), "Before");
  EXPECT_TRUE(r.script.CopyToUninstallMode());
  EXPECT_TRUE(r.rejected.empty());
  const TStringList expected = {"REMOVE_FILE(f)", "SET_PROG_NAME(X)", "no keyword here ; at all", "REMOVE_DIR(C:\\Z);"};
  EXPECT_EQ(r.script.UninstallLines(), expected);
}

TEST(ScriptReader, GroupsCopyItemsAndPendingNames) {
  Recorded r;
  r.Read(
      "SET_SUB_DIR(<Common Folder>\\Early)\n"  // no group yet: refused, and nothing changes
      "set_copy_files( lost.txt ); why\n"
      "SET_GROUP_DATA(|Main|1|)\n"
      "SET_OVERWRITE_FLAG(2)\n"
      "SET_SUB_DIR(A)\n"
      "SET_SUB_DIR(<Auxiliary Folder>\\B)\n"
      "SET_COPY_FILES(x.dll|1*y.exe|2*3*z.txt)\n"
      "SET_COPY_FILES()\n"
      "SET_SUB_DIR(C)\n"
      "SET_GROUP_DATA(|Extra|0|)\n"
      "SET_OVERWRITE_FLAG(0)\n"
      "SET_COPY_FILES(x.dll)\n"
      "SET_SUB_DIR()\n"
      "SET_COPY_FILES(w.txt)\n");
  EXPECT_EQ(r.rejected, (TStringList{"SET_SUB_DIR(<Common Folder>\\Early)", "set_copy_files( lost.txt )"}));
  auto& groups = r.script.Groups();
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].line, "|Main|1|");
  EXPECT_EQ(groups[0].items,
            (TStringList{"2|A|", "2|<Auxiliary Folder>\\B|x.dll|1*y.exe|2*3*z.txt", "2|<Auxiliary Folder>\\B|",
                         "2|C|"}));
  EXPECT_EQ(groups[1].line, "|Extra|0|");
  EXPECT_EQ(groups[1].items, (TStringList{"0|C|x.dll", "0|C|w.txt"}));
  EXPECT_EQ(r.script.PendingFileNames(), (TStringList{"x.dll", "y.exe", "3*z.txt", "x.dll", "w.txt"}));
  EXPECT_FALSE(r.script.UsesCommonFolder());  // only the refused line named it
  EXPECT_TRUE(r.script.UsesAuxiliaryFolder());

  // A refused folder is not the folder of the first group's files.
  Recorded early;
  early.Read("SET_SUB_DIR(Early)\nSET_GROUP_DATA(|Main|1|)\nSET_COPY_FILES(a.txt)\n");
  EXPECT_EQ(early.rejected, TStringList{"SET_SUB_DIR(Early)"});
  EXPECT_EQ(early.script.Groups()[0].items, TStringList{"0||a.txt"});

  // Each copy consumes one entry; true while another item still names the file.
  EXPECT_TRUE(r.script.TakePendingFileName("C:\\Target\\X.DLL"));
  EXPECT_FALSE(r.script.TakePendingFileName("D:\\x.dll"));
  EXPECT_FALSE(r.script.TakePendingFileName("x.dll"));
  EXPECT_FALSE(r.script.TakePendingFileName("C:\\none.bin"));
  EXPECT_EQ(r.script.PendingFileNames(), (TStringList{"y.exe", "3*z.txt", "w.txt"}));

  // Blanks around "|" belong to no name: the later item still needs b.txt.
  Recorded blanks;
  blanks.Read("SET_GROUP_DATA(|Main|1|)\nSET_SUB_DIR(A)\nSET_COPY_FILES(a.txt | 1*b.txt )\nSET_COPY_FILES(b.txt)\n");
  EXPECT_TRUE(blanks.script.TakePendingFileName("C:\\Setup\\b.txt"));
  EXPECT_FALSE(blanks.script.TakePendingFileName("C:\\Setup\\ b.txt "));
}

TEST(ScriptReader, DialogCursor) {
  Recorded r;
  r.Read("SET_DIALOGS(WelcomeDlg, LicenseDlg,CopyFilesDlg)");
  TScript& s = r.script;
  EXPECT_EQ(s.CurrentDialog(), "WelcomeDlg");
  s.NextDialog();
  EXPECT_EQ(s.CurrentDialog(), "LicenseDlg");  // items are trimmed when read
  s.SetDialogByName("copyfilesdlg");
  EXPECT_EQ(s.DialogIndex(), 2);
  s.SetDialogByName("LicenseDlg");  // stored with its blank: not found, back to the start
  EXPECT_EQ(s.DialogIndex(), 0);
  s.SetDialogIndex(3);
  EXPECT_EQ(s.CurrentDialog(), "");
  s.PreviousDialog();
  EXPECT_EQ(s.CurrentDialog(), "CopyFilesDlg");
  EXPECT_TRUE(s.ContainsDialog("licensedlg"));
  EXPECT_FALSE(s.ContainsDialog("ReadmeDlg"));
}

TEST(ScriptReader, ScrambledScriptReadsAsPlain) {
  const std::string plain =
      "/* header */\r\nSET_PROG_NAME(\"Demo \"\"One\"\" X\")\r\nSET_COMPANY_URL(http://kelvane.example/x) // c\r\n"
      "SET_GROUP_DATA(|G|)\r\nSET_COPY_FILES(a.txt|b.txt)\r\nSET_LANG_FLAG(2)\r\n";
  const std::string scrambled = ScrambleTextWithKey(plain, 1, 77);
  ASSERT_TRUE(IsScrambledText(scrambled));
  ASSERT_EQ(scrambled.find("SET_PROG_NAME"), std::string::npos);
  Recorded a, b;
  a.Read(plain);
  b.Read(scrambled);
  EXPECT_EQ(b.script.ScriptLines(), a.script.ScriptLines());
  EXPECT_EQ(b.script.ProgName(), "Demo \"One\" X");
  EXPECT_EQ(b.script.CompanyUrl(), "http://kelvane.example/x");
  EXPECT_EQ(b.script.LangFlag(), 2);
  EXPECT_EQ(b.script.PendingFileNames(), (TStringList{"a.txt", "b.txt"}));
  EXPECT_TRUE(b.rejected.empty());

  // The same through a file.
  const std::string path = "kv_scrambled_setup.txt";
  { std::ofstream(path, std::ios::binary) << scrambled; }
  TScript fromFile;
  EXPECT_TRUE(fromFile.Load(path));
  EXPECT_EQ(fromFile.ProgName(), "Demo \"One\" X");
  std::remove(path.c_str());
}
