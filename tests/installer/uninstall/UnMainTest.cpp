// The uninstaller's script reader, removal order, texts and entry handlers, in process.
#include <gtest/gtest.h>
#include <windows.h>

#include "Common.h"
#include "Files.h"
#include "RegOp.h"
#include "RunTimeDir.h"
#include "TestTool.h"
#include "UnMain.h"
#include "Utils.h"

namespace {

TEST(UnScript, LineEndsOfEveryKind) {
  struct Case {
    const char* text;
    TLines lines;
  } cases[] = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\r\rb\n\nc", {"a", "", "b", "", "c"}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitScriptLines(c.text), c.lines) << c.text;
}

TEST(UnScript, HeaderValuesAndQueries) {
  const TLines lines = SplitScriptLines(
      "SetupType=Typical\r\nGroupNames=|Main|Help|\r\nUserData=|Ann|ACME|\r\nprog_name=Demo = One\r\n"
      "REMOVE_FILE(C:\\a=b.txt);\r\n");
  EXPECT_EQ(ScriptValue(lines, "PROG_NAME"), "Demo = One");
  EXPECT_EQ(ScriptValue(lines, "Missing"), "");
  EXPECT_EQ(ScriptQueryValue(lines, "username"), "Ann");
  EXPECT_EQ(ScriptQueryValue(lines, "CompanyName"), "ACME");
  EXPECT_EQ(ScriptQueryValue(lines, "GroupNameString"), "|Main|Help|");
  EXPECT_EQ(ScriptQueryValue(lines, "SETUPTYPE"), "Typical");
  EXPECT_EQ(ScriptQueryValue(lines, "Other"), "");
}

TEST(UnScript, KeywordLinesGoToTheirLists) {
  std::string loaded;
  TUninstallLists l;
  ParseUninstallScript(SplitScriptLines("PROG_NAME=REMOVE_FILE(x)\r\n"
                                        "   REMOVE_FILE(C:\\App\\a.txt);\r\n"
                                        "remove_file(C:\\App\\lower.txt);\r\n"
                                        "REMOVE_FILE(C:\\App\\(1).txt);\r\n"
                                        "REMOVE_FILE(C:\\App\\open.txt;\r\n"
                                        "REMOVE_READONLY_FILE(C:\\App\\r.txt);\r\n"
                                        "REMOVE_SHARED_FILE(C:\\Sys\\s.dll);\r\n"
                                        "REMOVE_SERVICE_FILE(C:\\App\\svc.exe);\r\n"
                                        "REMOVE_DIR(C:\\App);\r\n"
                                        "REMOVE_DIR(C:\\Keep);\r\n"
                                        "FORCE_REMOVE_DIR(c:\\app);\r\n"
                                        "DONT_REMOVE_DIR(C:\\Shared);\r\n"
                                        "DONT_REMOVE_JUST_DIR(C:\\Just);\r\n"
                                        "AVOID_ERR_REMOVE_DIR(C:\\App\\Data);\r\n"
                                        "REMOVE_FOLDER(C:\\Menu\\App);\r\n"
                                        "FORCE_REMOVE_FOLDER(C:\\Menu\\Forced);\r\n"
                                        "REMOVE_REG_KEY(HKEY_LOCAL_MACHINE\\Software\\A\\B);\r\n"
                                        "SET_PERFORM_REGISTRY_OP(|k|v|d|Create|Remove|String|);\r\n"
                                        "SET_PERFORM_INIFILE_OP(|f|s|k|v|Create|Remove|);\r\n"
                                        "SET_PERFORM_ENVIRONMENT_OP(|V|x|Create|Remove|User|);\r\n"
                                        "SET_ADD_ASSOCIATION_ITEM(|t|d|.x|||||Create|Remove|);\r\n"
                                        "SET_ADD_OPEN_WITH_ITEM(|Verb|.txt;.log|);\r\n"
                                        "SET_PERFORM_EXECUTE_OP(#|a|b#|c|#);\r\n"
                                        "UN_REG_OCX_FILE(C:\\App\\c.ocx);\r\n"
                                        "UN_REG_FONT_FILE(C:\\Fonts\\f.ttf);\r\n"
                                        "SET_EXECUTION_DLL_NAME(Plug.dll);\r\n"),
                       l, [&](const std::string& name) { loaded = name; });
  EXPECT_EQ(l.files, (TLines{"C:\\App\\a.txt", "C:\\App\\(1).txt", ""}));
  EXPECT_EQ(l.readOnlyFiles, TLines{"C:\\App\\r.txt"});
  EXPECT_EQ(l.sharedFiles, TLines{"C:\\Sys\\s.dll"});
  EXPECT_EQ(l.serviceFiles, TLines{"C:\\App\\svc.exe"});
  EXPECT_EQ(l.dirs, TLines{"C:\\Keep"});  // the forced one is handled only as forced
  EXPECT_EQ(l.forcedDirs, TLines{"c:\\app"});
  EXPECT_EQ(l.keepBelow, TLines{"C:\\Shared"});
  EXPECT_EQ(l.keepExactly, TLines{"C:\\Just"});
  EXPECT_EQ(l.avoidErr, TLines{"C:\\App\\Data"});
  EXPECT_EQ(l.folders, TLines{"C:\\Menu\\App"});
  EXPECT_EQ(l.forcedFolders, TLines{"C:\\Menu\\Forced"});
  EXPECT_EQ(l.regKeys, TLines{"HKEY_LOCAL_MACHINE\\Software\\A\\B"});
  EXPECT_EQ(l.regOps, TLines{"|k|v|d|Create|Remove|String|"});
  EXPECT_EQ(l.iniOps.size(), 1u);
  EXPECT_EQ(l.envOps.size(), 1u);
  EXPECT_EQ(l.associations.size(), 1u);
  EXPECT_EQ(l.openWith, TLines{"|Verb|.txt;.log|"});
  EXPECT_EQ(l.executeItems, TLines{"#|a|b#|c|#"});
  EXPECT_EQ(l.ocxFiles, TLines{"C:\\App\\c.ocx"});
  EXPECT_EQ(l.fontFiles, TLines{"C:\\Fonts\\f.ttf"});
  EXPECT_EQ(l.dllName, "Plug.dll");
  EXPECT_EQ(loaded, "Plug.dll");
}

TEST(UnScript, LongestPathsFirst) {
  EXPECT_EQ(LengthOrder({"C:\\App\\a.txt", "C:\\App\\Sub\\b.txt"}), (TLines{"C:\\App\\Sub\\b.txt", "C:\\App\\a.txt"}));
  EXPECT_EQ(LengthOrder({"C:\\A\\b", "C:\\A\\C", "C:\\A\\a", "C:\\A"}), (TLines{"C:\\A\\C", "C:\\A\\b", "C:\\A\\a", "C:\\A"}));
  // Lengths past four digits still order by length.
  const std::string longPath(10000, 'x');
  EXPECT_EQ(LengthOrder({longPath, "C:\\A\\B"}).front(), longPath);
  EXPECT_EQ(IntToStrZeroPad(7, 4), "0007");
  EXPECT_EQ(IntToStrZeroPad(12345, 4), "12345");
}

TEST(UnTexts, SummaryGroups) {
  TFailureCounts none;
  EXPECT_EQ(SummaryText(none), "");
  TFailureCounts c;
  c.registry = 1;
  c.association = 2;
  c.files = 1;
  c.operations = 1;
  EXPECT_EQ(SummaryText(c),
            "UnInstall was unable to handle one or more Registry keys\\\\n"
            "UnInstall was unable to handle one or more File Association entries\\\\n"
            "\\\\nTo complete the UnInstall operation, Please handle them manually.\\\\n\\\\n"
            "UnInstall was unable to remove one or more Files\\\\n"
            "\\\\nTo complete the UnInstall operation, Please remove them manually.\\\\n\\\\n"
            "UnInstall was unable to execute one or more operations\\\\n"
            "\\\\nTo complete the UnInstall operation, Please perform them manually.");
  TFailureCounts d;
  d.directories = 1;
  EXPECT_EQ(SummaryText(d),
            "UnInstall was unable to remove one or more Directories\\\\n"
            "\\\\nTo complete the UnInstall operation, Please remove them manually.");
}

TEST(UnTexts, ConfirmationAndButtons) {
  EXPECT_EQ(ConfirmationText("Remove PROG_NAME and PROG_NAME data?", "Demo"), "Remove Demo and Demo data?");
  EXPECT_EQ(ConfirmationText("Are you sure", "Demo"), "Are you sure <b>Demo?</b>");
  EXPECT_EQ(ButtonCaptions(""), "|OK|Cancel|Yes|No|Abort|Retry|Ignore|");
  EXPECT_EQ(ButtonCaptions("|"), "|OK|Cancel|Yes|No|Abort|Retry|Ignore|");
  EXPECT_EQ(ButtonCaptions("|OK|Cancel|"), "|OK|Cancel|Yes|No|Abort|Retry|Ignore|");
  EXPECT_EQ(ButtonCaptions("|O|A|J|N|A|W|I|"), "|O|A|J|N|A|W|I|");
}

TEST(UnSelfDelete, BatchLoopsWhileTheProgramIsThere) {
  const std::string t =
      SelfDeleteBatchText("C:\\My App\\UnInstall.exe", "C:\\My App", "C:\\Temp\\_DEL_ME_.BAT", true, "\"");
  EXPECT_EQ(t.rfind("@ECHO OFF\r\n", 0), 0u);
  EXPECT_NE(t.find("DEL \"C:\\My App\\UnInstall.exe\""), std::string::npos);
  EXPECT_NE(t.find("IF NOT EXIST \"C:\\My App\\UnInstall.exe\" GOTO GONE"), std::string::npos);
  EXPECT_NE(t.find("GEQ 120 GOTO GONE"), std::string::npos);
  EXPECT_NE(t.find("RD \"C:\\My App\""), std::string::npos);
  EXPECT_LT(t.find("RD \""), t.rfind("DEL \"C:\\Temp\\_DEL_ME_.BAT\""));
  EXPECT_EQ(t.find("errorlevel"), std::string::npos);
  // Folders above the own folder go after it, in the order given.
  const std::string parents = SelfDeleteBatchText("C:\\A\\B\\C\\U.exe", "C:\\A\\B\\C", "C:\\T\\_DEL_ME_.BAT", true,
                                                  "\"", {"C:\\A\\B", "C:\\A"});
  EXPECT_NE(parents.find("RD \"C:\\A\\B\\C\" >NUL 2>NUL\r\nRD \"C:\\A\\B\" >NUL 2>NUL\r\nRD \"C:\\A\" >NUL 2>NUL\r\nDEL"),
            std::string::npos) << parents;
  const std::string noFolder = SelfDeleteBatchText("C:\\A\\U.exe", "C:\\A", "C:\\T\\_DEL_ME_.BAT", false, "");
  EXPECT_EQ(noFolder.find("RD "), std::string::npos);
  EXPECT_NE(noFolder.find("DEL C:\\A\\U.exe"), std::string::npos);
}

TEST(UnSelfDelete, EachBatchGetsANameOfItsOwn) {
  // Two uninstallers ending together (here two calls of one) never share a batch file.
  const std::string first = NewSelfDeleteBatch(), second = NewSelfDeleteBatch();
  EXPECT_NE(first, second);
  for (const auto& batch : {first, second}) {
    EXPECT_EQ(batch.rfind(GetTempDir(true) + "_DEL_ME_", 0), 0u) << batch;
    EXPECT_TRUE(FileExists(batch)) << batch;
    DeleteFileA(batch.c_str());
  }
}

TEST(UnFolders, SystemFolders) {
  EXPECT_TRUE(IsSystemFolder(GetWindowsDir(true)));
  EXPECT_TRUE(IsSystemFolder(UpperCase(GetSystemDir(false))));
  EXPECT_TRUE(IsSystemFolder(GetTempDir(true)));
  EXPECT_TRUE(IsSystemFolder(GetProgramFilesDir()));
  EXPECT_FALSE(IsSystemFolder(GetProgramFilesDir() + "\\Demo"));
  EXPECT_FALSE(IsSystemFolder(tt::ScratchDir("un_sys")));
}

TEST(UnRegistry, KeysOfTheScript) {
  const std::string base = "HKEY_CURRENT_USER\\Software\\KvUnTest";
  ASSERT_TRUE(WriteRegValueSimple(base + "\\App\\1.0", "V", "x", false));
  ASSERT_TRUE(WriteRegValueSimple(base + "\\Other", "V", "x", false));
  EXPECT_TRUE(RemoveScriptRegKey(base + "\\App"));
  EXPECT_FALSE(RegKeyExists(base + "\\App"));
  EXPECT_TRUE(RegKeyExists(base));  // still holds another key
  // The last key of a company takes the emptied company key along, never Software.
  EXPECT_TRUE(RemoveScriptRegKey(base + "\\Other"));
  EXPECT_FALSE(RegKeyExists(base));
  // No key part: nothing happens, and that is no failure; one level is refused.
  EXPECT_TRUE(RemoveScriptRegKey("HKEY_CURRENT_USER\\"));
  EXPECT_TRUE(RemoveScriptRegKey("HKEY_CURRENT_USER"));
  EXPECT_FALSE(RemoveScriptRegKey("HKEY_CURRENT_USER\\Software"));
  EXPECT_FALSE(RemoveScriptRegKey("HKEY_CURRENT_USER\\\\Software\\"));
  EXPECT_TRUE(RegKeyExists("HKEY_CURRENT_USER\\Software"));
  // A key that was not there removes no parent, however empty.
  ASSERT_TRUE(WriteRegValueSimple(base + "\\Empty", "V", "x", false));
  ASSERT_TRUE(DeleteRegValueText(base + "\\Empty", "V"));
  EXPECT_TRUE(RemoveScriptRegKey(base + "\\Empty\\Absent"));
  EXPECT_TRUE(RegKeyExists(base + "\\Empty"));
  DeleteRegKey(base);
}

TEST(UnRegistry, EmptiedParentsGoInnermostFirst) {
  const std::string base = "HKEY_CURRENT_USER\\Software\\KvUnParents";
  struct Case {
    const char* setup;    // keys made below the base, ";" between them; "=" marks one with a value
    const char* removed;  // the key then deleted below the base
    int parentsGone;
    const char* stays;    // below the base, "" for the base itself, nullptr when nothing stays
  } cases[] = {
      {"A\\B\\C", "A\\B\\C", 3, nullptr},      // B, A and the base itself
      {"A\\B\\C;A\\D", "A\\B\\C", 1, "A\\D"},  // A still holds D
      {"A=\\B", "A\\B", 0, "A"},              // A holds a value
      {"A\\B", "A\\B", 2, nullptr},
  };
  for (const Case& c : cases) {
    DeleteRegKey(base);
    std::string list = std::string(";") + c.setup + ";";
    for (size_t at = 1, next; (next = list.find(';', at)) != std::string::npos; at = next + 1) {
      std::string key = list.substr(at, next - at);
      const size_t eq = key.find('=');
      if (eq != std::string::npos) {
        ASSERT_TRUE(WriteRegValueSimple(base + "\\" + key.substr(0, eq), "V", "x", false));
        key.erase(eq, 1);
      }
      ASSERT_TRUE(WriteRegValueSimple(base + "\\" + key, "", "", false));
      ASSERT_TRUE(DeleteRegValueText(base + "\\" + key, ""));
    }
    const std::string removed = base + "\\" + c.removed;
    ASSERT_TRUE(DeleteRegKey(removed));
    EXPECT_EQ(RemoveEmptyParentKeys(removed), c.parentsGone) << c.setup;
    if (c.stays)
      EXPECT_TRUE(RegKeyExists(base + (*c.stays ? "\\" + std::string(c.stays) : std::string()))) << c.setup;
    else
      EXPECT_FALSE(RegKeyExists(base)) << c.setup;
  }
  EXPECT_TRUE(RegKeyExists("HKEY_CURRENT_USER\\Software"));
  // Keys that Windows owns stay, empty or not.
  for (const char* owned : {"HKEY_CURRENT_USER\\Software\\Microsoft\\KvUnParents\\App",
                            "HKEY_CURRENT_USER\\Software\\Classes\\KvUnParents\\App",
                            "HKEY_CURRENT_USER\\KvUnParents\\App"}) {
    const std::string key = owned, parent = key.substr(0, key.rfind('\\'));
    ASSERT_TRUE(WriteRegValueSimple(key, "V", "x", false));
    ASSERT_TRUE(DeleteRegKey(key));
    EXPECT_EQ(RemoveEmptyParentKeys(key), 0) << key;
    EXPECT_TRUE(RegKeyExists(parent)) << key;
    DeleteRegKey(parent);
  }
  // The size cache of Add/Remove Programs goes once its last entry went; CurrentVersion stays.
  const std::string cache = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Management";
  DeleteRegKey(cache);
  for (const char* other : {"Kv Other", ""}) {
    if (*other) {
      ASSERT_TRUE(WriteRegValueSimple(cache + "\\ARPCache\\" + other, "Changed", "0", true));
    }
    const std::string entry = cache + "\\ARPCache\\Kv Entry";
    ASSERT_TRUE(WriteRegValueSimple(entry, "Changed", "0", true));
    ASSERT_TRUE(DeleteRegKey(entry));
    EXPECT_EQ(RemoveEmptyParentKeys(entry), *other ? 0 : 2) << other;
    EXPECT_EQ(RegKeyExists(cache), *other != 0) << other;
    DeleteRegKey(cache);
  }
  EXPECT_TRUE(RegKeyExists("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion"));
  // A registry operation that removes its key takes the emptied parents along; one that
  // removes a value leaves its key, empty or not.
  const std::string op = "|" + base + "\\Op\\Deep|V|1|Create|Remove Key|String|";
  const std::string valueOp = "|" + base + "\\Val\\Deep|V|1|Create|Remove Value|String|";
  ASSERT_TRUE(UndoRegistryOp(op, true));
  ASSERT_TRUE(UndoRegistryOp(valueOp, true));
  EXPECT_TRUE(UndoRegistryOp(op, false));
  EXPECT_FALSE(RegKeyExists(base + "\\Op"));
  EXPECT_TRUE(UndoRegistryOp(valueOp, false));
  EXPECT_FALSE(RegValueExists(base + "\\Val\\Deep", "V"));
  EXPECT_TRUE(RegKeyExists(base + "\\Val\\Deep"));
  DeleteRegKey(base);
}

struct FolderFixture {
  std::string root;
  explicit FolderFixture(const char* name) : root(tt::ScratchDir(name)) {}
  std::string Make(const std::string& rel, bool withFile = false) {
    const std::string dir = root + "\\" + rel;
    ForceDirectories(dir);
    if (withFile) tt::WriteFile(dir + "\\f.txt", "x");
    return dir;
  }
};

TEST(UnFolders, PlainRemovalRules) {
  FolderFixture fx("un_plain");
  const std::string empty = fx.Make("Empty"), full = fx.Make("Full", true), shared = fx.Make("Shared"),
                    sharedSub = fx.Make("Shared\\Sub"), sharedData = fx.Make("SharedData"), just = fx.Make("Just"),
                    app = fx.Make("App", true), own = fx.Make("Above\\Own", true), above = fx.root + "\\Above";
  const TLines keepBelow = {shared}, keepExactly = {just}, avoidErr = {app + "\\Data"};
  TFolderRules rules;
  rules.keepBelow = &keepBelow;
  rules.keepExactly = &keepExactly;
  rules.avoidErr = &avoidErr;
  rules.ownFolder = own;
  TLines aboveOwn;
  rules.aboveOwnFolder = &aboveOwn;
  struct Case {
    std::string folder;
    TEntryResult result;
    bool stays;
  } cases[] = {
      {empty, TEntryResult::Done, false},
      {full, TEntryResult::Failed, true},
      {sharedSub, TEntryResult::Skipped, true},
      {sharedData, TEntryResult::Skipped, true},  // a plain text prefix
      {fx.root, TEntryResult::Skipped, true},     // holds a kept folder
      {just, TEntryResult::Skipped, true},
      {app, TEntryResult::Done, true},  // forgiven: a tolerant entry lies below it
      {own, TEntryResult::Done, true},
      {above, TEntryResult::Done, true},  // left to the self-delete batch
      {fx.root + "\\Missing", TEntryResult::Done, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RemoveFolderEntry(c.folder, false, rules), c.result) << c.folder;
    EXPECT_EQ(DirectoryExists(c.folder), c.stays) << c.folder;
  }
  EXPECT_EQ(aboveOwn, TLines{above});
}

TEST(UnFolders, ForcedRemovalKeepsWhatTheEndNeeds) {
  FolderFixture fx("un_forced");
  const std::string tree = fx.Make("Tree\\Deep", true), other = fx.Make("Other\\Sub", true), own = fx.Make("Own", true);
  tt::WriteFile(fx.root + "\\Tree\\ro.txt", "x");
  SetFileAttributesA((fx.root + "\\Tree\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  tt::WriteFile(fx.root + "\\Other\\svc.exe", "x");
  const TLines keepBelow = {fx.root + "\\Tree"}, keepFiles = {fx.root + "\\Other\\svc.exe"};
  TFolderRules rules;
  rules.keepBelow = &keepBelow;  // does not protect forced entries
  rules.keepFiles = &keepFiles;
  rules.ownFolder = own;
  EXPECT_EQ(RemoveFolderEntry(fx.root + "\\Tree", true, rules), TEntryResult::Done);
  EXPECT_FALSE(DirectoryExists(fx.root + "\\Tree"));
  EXPECT_EQ(RemoveFolderEntry(fx.root + "\\Other", true, rules), TEntryResult::Deferred);
  EXPECT_TRUE(FileExists(fx.root + "\\Other\\svc.exe"));
  EXPECT_FALSE(DirectoryExists(other));
  EXPECT_EQ(RemoveFolderEntry(own, true, rules), TEntryResult::Done);
  EXPECT_TRUE(DirectoryExists(own));
}

TEST(UnFolders, ForcedRemovalNeverTouchesProtectedFolders) {
  TFolderRules rules;
  const std::string profile = GetUserDir();
  ASSERT_FALSE(profile.empty());
  const std::string sentinel = profile + "\\kv_untest.txt";
  ASSERT_TRUE(tt::WriteFile(sentinel, "x"));
  const std::string winSentinel = GetWindowsDir(true) + "kv_untest.txt";
  ASSERT_TRUE(tt::WriteFile(winSentinel, "x"));
  for (const std::string& folder : {profile, GetWindowsDir(false), std::string("kv_relative"), std::string()})
    EXPECT_EQ(RemoveFolderEntry(folder, true, rules), TEntryResult::Done) << folder;
  EXPECT_TRUE(FileExists(sentinel));
  EXPECT_TRUE(FileExists(winSentinel));
  DeleteFileA(sentinel.c_str());
  DeleteFileA(winSentinel.c_str());
}

}  // namespace

TEST(UnIniFile, RemovalTakesEmptiedSectionsAndFilesAlong) {
  const std::string dir = tt::ScratchDir("un_ini");
  const std::string file = dir + "\\app.ini";
  struct Case {
    const char* before;  // nullptr: no file
    const char* item;    // with FILE for the file
    bool ok;
    const char* after;   // nullptr: the file is gone
  } cases[] = {
      {"[Main]\r\nKeep=1\r\n[Ours]\r\nKey=3\r\n", "|FILE|Ours|Key|3|Create|Remove|", true, "[Main]\r\nKeep=1\r\n"},
      {"[Main]\r\nKeep=1\r\nKey=3\r\n", "|FILE|Main|Key|3|Create|Remove|", true, "[Main]\r\nKeep=1\r\n"},
      {"[Ours]\r\nKey=3\r\n", "|FILE|Ours|Key|3|Create|Remove|", true, nullptr},
      {nullptr, "|FILE|Ours|Key|3|Create|Remove|", true, nullptr},
      // No removal on uninstall: the value and its section stay.
      {"[Ours]\r\nKey=3\r\n", "|FILE|Ours|Key|3|Create||", true, "[Ours]\r\nKey=3\r\n"},
  };
  for (const Case& c : cases) {
    DeleteFileA(file.c_str());
    if (c.before) tt::WriteFile(file, c.before);
    EXPECT_EQ(UndoIniFileOp(ReplaceAll(c.item, "FILE", file), false), c.ok) << c.item;
    std::string after;
    if (c.after) {
      ASSERT_TRUE(tt::ReadFile(file, after)) << c.item;
      EXPECT_EQ(after, c.after) << c.item;
    } else {
      EXPECT_FALSE(FileExists(file)) << c.item;
    }
  }
  // The install direction is the plain operation.
  DeleteFileA(file.c_str());
  EXPECT_TRUE(UndoIniFileOp("|" + file + "|Ours|Key|3|Create|Remove|", true));
  EXPECT_EQ(ReadIniValue(file, "Ours", "Key", ""), "3");
}
