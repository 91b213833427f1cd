#include "SRecord.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "UtilPlus.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::string text;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return "<missing>";
  char buf[4096];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, got);
  std::fclose(f);
  return text;
}

void WriteAll(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

// A file name in the working folder, removed before and after each test.
struct TempFile {
  std::string path;
  explicit TempFile(const std::string& name) : path("srecord_" + name + ".txt") { std::remove(path.c_str()); }
  ~TempFile() { std::remove(path.c_str()); }
};

}  // namespace

TEST(UninstallScriptWriter, LinesFollowTheWriterRules) {
  struct Step {
    const char* line;
    bool force;
    bool added;
  };
  const Step steps[] = {
      {"SetupType=Typical", false, true},
      {"GroupNames=|Program|", false, true},
      {"", true, true},
      {"", true, false},                          // never two empty lines in a row
      {"REMOVE_FILE(C:\\App\\a.txt)", false, true},
      {"remove_file(c:\\app\\A.TXT)", false, false},  // duplicates ignore case
      {"REMOVE_FILE(C:\\App\\a.txt);", false, false},
      {"SET_PERFORM_REGISTRY_OP(|HKEY_CURRENT_USER\\X|V|a=b|)", false, true},
      {"", false, false},                         // an unforced empty line is one more duplicate
      {"REMOVE_DIR(C:\\App)", false, true},
      {"", true, true},
  };
  TempFile f("rules");
  TUninstallScript s(f.path, true, false, 0);
  for (const auto& st : steps) EXPECT_EQ(s.AddUninstallLine(st.line, st.force), st.added) << st.line;
  const std::string expected =
      "SetupType=Typical\r\nGroupNames=|Program|\r\n\r\nREMOVE_FILE(C:\\App\\a.txt);\r\n"
      "SET_PERFORM_REGISTRY_OP(|HKEY_CURRENT_USER\\X|V|a=b|)\r\nREMOVE_DIR(C:\\App);\r\n\r\n";
  EXPECT_EQ(s.Text(), expected);
  EXPECT_EQ(ReadAll(f.path), expected);
}

TEST(UninstallScriptWriter, AppendedFileMatchesWholeTextPlainAndScrambled) {
  for (bool scramble : {false, true}) {
    TempFile f(scramble ? "append_s" : "append_p");
    TUninstallScript s(f.path, true, scramble, 'K');
    for (int i = 0; i < 257; ++i) s.AddUninstallLine("REMOVE_FILE(C:\\App\\file" + std::to_string(i) + ".bin)", false);
    s.AddUninstallLine("", true);
    const std::string plain = s.Text();
    const std::string onDisk = ReadAll(f.path);
    if (scramble) {
      EXPECT_EQ(onDisk, ScrambleTextWithKey(plain, 1, 'K'));
      EXPECT_EQ(ScrambleTextWithKey(onDisk, 0, 0), plain);
    } else {
      EXPECT_EQ(onDisk, plain);
    }
  }
}

TEST(UninstallScriptWriter, ReinstallKeepsEarlierLinesAndReplacesHeaderValues) {
  TempFile f("reinstall");
  // The earlier run's script was scrambled with another key.
  WriteAll(f.path, ScrambleTextWithKey("TargetDir=C:\\Old\r\nREMOVE_FILE(C:\\Old\\a.txt);\r\n\r\n", 1, '!'));
  TUninstallScript s(f.path, true, true, 'z');
  EXPECT_FALSE(s.AddUninstallLine("REMOVE_FILE(C:\\OLD\\A.TXT)", false));
  EXPECT_TRUE(s.AddUninstallLine("TargetDir=C:\\New", false));
  EXPECT_FALSE(s.AddUninstallLine("targetdir=c:\\new", false));
  EXPECT_TRUE(s.AddUninstallLine("REMOVE_FILE(C:\\New\\b.txt)", false));
  const std::string expected = "TargetDir=C:\\New\r\nREMOVE_FILE(C:\\Old\\a.txt);\r\n\r\nREMOVE_FILE(C:\\New\\b.txt);\r\n";
  EXPECT_EQ(s.Text(), expected);
  EXPECT_EQ(ReadAll(f.path), ScrambleTextWithKey(expected, 1, 'z'));
}

TEST(UninstallScriptWriter, DisabledWriterLeavesNoFile) {
  TempFile f("disabled");
  TUninstallScript s(f.path, false, false, 0);
  EXPECT_TRUE(s.AddUninstallLine("REMOVE_FILE(x)", false));
  EXPECT_EQ(ReadAll(f.path), "<missing>");
}

TEST(UninstallScriptWriter, PathsAndHeaderLines) {
  EXPECT_EQ(UninstallScriptPathFor("C:\\App", ""), "C:\\App\\UnInstall.txt");
  EXPECT_EQ(UninstallScriptPathFor("C:\\App\\", "2"), "C:\\App\\UnInstall_2.txt");
  EXPECT_EQ(UninstallerPathFor("C:\\App\\UnInstall_2.txt"), "C:\\App\\UnInstall_2.exe");
  const struct {
    const char* line;
    bool header;
  } rows[] = {{"PROG_NAME=x", true},  {"LABEL1=", true},         {"REMOVE_FILE(a=b);", false},
              {"=x", false},          {"No Key=x", false},       {"REMOVE_DIR(C:\\A);", false}};
  for (const auto& r : rows) EXPECT_EQ(IsHeaderLine(r.line), r.header) << r.line;
}

TEST(SetupLogWriter, LinesWaitForTheFileAndJoinResults) {
  TempFile f("log");
  WriteAll(f.path, "earlier install\r\n");
  TSetupLog log(true);
  log.AddSetupLogLine("Setup Log of: Demo");
  log.AddSetupLogLine("  Copy File: C:\\App\\a.txt");
  log.AddSetupLogLine("\\\\x ... OK");
  EXPECT_EQ(ReadAll(f.path), "earlier install\r\n");  // untouched until the run names the file
  log.SetFile(f.path);
  log.AddSetupLogLine("col\\\\tvalue");
  log.AddSetupLogLine("  Copy File: C:\\App\\b.txt");
  log.AddSetupLogLine("\\\\x ... OK Delayed");
  EXPECT_EQ(ReadAll(f.path), "Setup Log of: Demo\r\n  Copy File: C:\\App\\a.txt ... OK\r\ncol\tvalue\r\n");
  log.Flush();
  log.AddSetupLogLine("\\\\x!");  // joins a line that is already in the file
  log.Flush();
  EXPECT_EQ(ReadAll(f.path),
            "Setup Log of: Demo\r\n  Copy File: C:\\App\\a.txt ... OK\r\ncol\tvalue\r\n"
            "  Copy File: C:\\App\\b.txt ... OK Delayed!\r\n");
}

TEST(SetupLogWriter, DisabledLogWritesNothing) {
  TempFile f("nolog");
  TSetupLog log(false);
  log.SetFile(f.path);
  log.AddSetupLogLine("x");
  log.Flush();
  EXPECT_EQ(ReadAll(f.path), "<missing>");
}

TEST(OverwriteRule, ModesVersionsAndDates) {
  const struct {
    int mode;
    uint32_t flags;
    bool srcExists, dstExists;
    const char *srcVer, *dstVer;
    uint32_t srcDate, dstDate;
    bool overwrite;
  } rows[] = {
      {1, 0, true, true, "", "", 5, 9, true},
      {0, 0, true, true, "", "", 5, 9, true},
      {4, 0, true, true, "", "", 0, 0, false},
      {4, 0, true, false, "", "", 0, 0, true},
      {2, 0, true, true, "0001.0002.0000.0000", "0001.0010.0000.0000", 9, 1, false},
      {2, 0, true, true, "0001.0010.0000.0000", "0001.0010.0000.0000", 0, 0, true},
      {3, 0, true, true, "0001.0010.0000.0000", "0001.0010.0000.0000", 0, 0, false},
      {3, 0, true, true, "0002.0000.0000.0000", "0001.0010.0000.0000", 0, 0, true},
      {2, 0, true, true, "", "0001.0000.0000.0000", 7, 7, true},    // one version missing: dates
      {3, 0, true, true, "", "", 7, 7, false},
      {3, 0, true, true, "", "", 8, 7, true},
      {2, 0, true, true, "", "", 6, 7, false},
      {2, 0, true, true, "", "", 0, 7, true},                       // no date: overwrite
      {3, 0, true, false, "", "", 1, 9, true},                      // absent destination
      {3, 16777216, true, true, "", "", 1, 9, true},                // flag mode 1 wins
      {1, 67108864, true, true, "", "", 9, 1, false},               // flag mode 4 wins
  };
  for (const auto& r : rows) {
    TOverwriteFacts f;
    f.sourceExists = r.srcExists;
    f.destExists = r.dstExists;
    f.sourceVersion = r.srcVer;
    f.destVersion = r.dstVer;
    f.sourceDate = r.srcDate;
    f.destDate = r.dstDate;
    EXPECT_EQ(DecideOverwrite(r.mode, r.flags, f), r.overwrite)
        << "mode " << r.mode << " flags " << r.flags << " " << r.srcVer << " / " << r.dstVer;
  }
}

TEST(CopyLists, EntriesAndItems) {
  const struct {
    const char* entry;
    uint32_t flags;
    const char* name;
  } rows[] = {{"a.txt", 0, "a.txt"},          {"*a.txt", 1, "a.txt"},      {"3*lib.dll", 3, "lib.dll"},
              {"12x*b.txt", 0, "12x*b.txt"},  {"1073741824*f.ttf", 1073741824u, "f.ttf"},
              {"99999999999*c", 0, "99999999999*c"}, {"00012#readme.txt", 0, "00012#readme.txt"}};
  for (const auto& r : rows) {
    uint32_t flags = 7;
    std::string name;
    ParseFileEntry(r.entry, flags, name);
    EXPECT_EQ(flags, r.flags) << r.entry;
    EXPECT_EQ(name, r.name) << r.entry;
  }
  TCopyItem c = ParseCopyItem("3|*2<Application Folder>\\Data|a.txt|b.txt");
  EXPECT_EQ(c.overwrite, 3);
  EXPECT_EQ(c.subFolder, "*2<Application Folder>\\Data");
  EXPECT_EQ(c.fileList, "a.txt|b.txt");
  c = ParseCopyItem("x|Sub|");
  EXPECT_EQ(c.overwrite, 0);
  EXPECT_EQ(c.subFolder, "Sub");
  EXPECT_EQ(c.fileList, "");
}

