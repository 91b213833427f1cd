// The wizard walked by clicks: page captions and contents, button places and states, the
// licence gate, the user fields, the space texts, components, summary, the exit box, the
// execute stages on entering and leaving pages, and right-to-left placement.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Common.h"
#include "ExecTestUtil.h"
#include "RegOp.h"
#include "SetupTestUtil.h"
#include "TestTool.h"
#include "Utils.h"

using setuptest::Box;
using setuptest::Wizard;

namespace {

const std::string kPid = std::to_string(GetCurrentProcessId());

struct Package {
  std::string dir;     // with trailing backslash
  std::string exe;
  std::string target;  // without trailing backslash
  std::string prog;
};

// A setup folder: Setup.exe, UnInstall.exe, the files, and Setup.txt in which "%T" stands
// for the target folder, "%N" for the program name and "%D" for the setup folder.
Package MakeWizardPackage(const std::string& name, const std::string& script,
                          const std::vector<std::pair<std::string, std::string>>& files = {}) {
  Package p;
  p.exe = setuptest::SetupCopy("wizard_" + name, nullptr);
  p.dir = p.exe.substr(0, p.exe.find_last_of('\\') + 1);
  p.target = p.dir + "target";
  p.prog = "Kv Wizard " + name + " " + kPid;
  tt::CopyFileTo(tt::ProgramDir() + "UnInstall.exe", p.dir + "UnInstall.exe");
  std::string text = script;
  for (const auto& r : std::vector<std::pair<std::string, std::string>>{{"%T", p.target}, {"%N", p.prog}, {"%D", p.dir}})
    for (size_t at; (at = text.find(r.first)) != std::string::npos;) text.replace(at, 2, r.second);
  tt::WriteFile(p.dir + "Setup.txt", text);
  for (const auto& f : files) tt::WriteFile(p.dir + f.first, f.second);
  return p;
}

void CleanRegistry(const Package& p) {
  const std::string base = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\";
  DeleteRegKey(base + "UnInstall\\" + p.prog);
  DeleteRegKey(base + "App Management\\ARPCache\\" + p.prog);
  setuptest::RemoveEmptyProgramsCacheKeys();
}

std::string Read(const std::string& path) {
  std::string s;
  return tt::ReadFile(path, s) ? s : "<missing>";
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Toggles line i of the nth visible check list with the space bar.
void ToggleLine(Wizard& w, size_t list, int line) {
  HWND box = w.Visible("ListBox").at(list);
  SendMessageA(box, LB_SETCURSEL, WPARAM(line), 0);
  DWORD_PTR r = 0;
  SendMessageTimeoutA(box, WM_CHAR, ' ', 0, SMTO_NORMAL, 2000, &r);
}

// An execute item of a stage: conditions (all must hold), then one operation.
std::string Item(const std::string& stage, const exectest::Slot& slot, const std::vector<exectest::Condition>& ifs = {}) {
  exectest::Item item;
  item.stage = stage;
  item.kind = ifs.empty() ? "UnConditional" : "Conditional";
  item.conditions = ifs;
  // "and" between the conditions given; none after the last.
  item.join1 = ifs.size() > 1 ? "1" : "";
  item.join2 = ifs.size() > 2 ? "1" : "";
  item.slots = {slot};
  return "SET_PERFORM_EXECUTE_OP(" + exectest::MakeItem(item) + ");\r\n";
}

std::string Basic(const std::string& pages) {
  return "SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(%T);\r\nSET_DIALOGS(" + pages + ");\r\n";
}

// Closes the wizard and leaves through the exit box.
void Leave(Wizard& w) {
  tt::CloseWindowNow(w.wnd);
  ASSERT_TRUE(w.AnswerExit("E&xit Setup"));
  EXPECT_EQ(w.WaitEnd(), 0);
}

const char kLicense[] = "KV LICENSE TERMS\r\nUse it kindly.\r\n";
const char kReadme[] = "KV README\r\nRead me first.\r\n";

const std::string kFullScript =
    "SET_PROG_NAME(%N);\r\n"
    "SET_COMPANY_NAME(Kv Tests);\r\n"
    "SET_TARGET_DIR(%T);\r\n"
    "SET_DIALOGS(WelcomeDlg,LicenseDlg,ReadmeDlg,UserInformationDlg,DestinationDlg,SetupTypeDlg,CustomDlg,"
    "AssociateDlg,ShortcutsDlg,ConfirmSetupDlg,CopyFilesDlg,CompleteDlg);\r\n"
    "SET_LICENSE_FILE_NAME(License.txt);\r\n"
    "SET_README_FILE_NAME(Readme.txt);\r\n"
    "SET_REQUEST_USER_NAME;\r\n"
    "SET_REQUEST_COMPANY_NAME;\r\n"
    "SET_CREATE_UNINSTALL;\r\n"
    "SET_START_PROGRAM_LINK_FOLDER(Kv Menu %N);\r\n"
    "SET_DESKTOP_LINK_NAME(^Kv Desk %N);\r\n"
    "SET_ADD_ASSOCIATION_ITEM(KvWords|Kv Words|.kvw||%T\\a.txt||||);\r\n"
    "SET_ADD_ASSOCIATION_ITEM(KvPics|Kv Pictures|.kvp||%T\\a.txt||||);\r\n"
    "SET_GROUP_DATA(|Program|The program\\\\nitself|2048|1|1||1|1|0|1|);\r\n"
    "SET_SUB_DIR(<InstallDir>);\r\n"
    "SET_COPY_FILES(a.txt);\r\n"
    "SET_GROUP_DATA(|Extras|More things|512|1|0||1|0|1|0|);\r\n"
    "SET_SUB_DIR(<InstallDir>);\r\n"
    "SET_COPY_FILES(b.txt);\r\n"
    "SET_GROUP_DATA(|Docs|Manuals|100|1|0||0|0|0|0|);\r\n"
    "SET_SUB_DIR(<InstallDir>);\r\n"
    "SET_COPY_FILES(c.txt);\r\n";

// One step of a walk: the page it expects, the states of Back and Next there, what the user
// checks and does there, and the button that leaves it.
struct Step {
  const char* caption;
  bool back, next;
  std::function<void(Wizard&)> check;
  const char* leave;
};

TEST(SetupWizard, WalkOfEveryPageByClicks) {
  const std::string key = "HKEY_CURRENT_USER\\Software\\KvWizardWalk" + kPid;
  DeleteRegKey(key);
  // Leaving the component page, an item asks for the user's name, company, groups and type.
  const std::string hostItem = Item("After Custom", {"Create Registry Value (String)", key, "Host", "seen"},
                                    {{"User Name is", "Ann"}, {"Company Name is", "Acme"}, {"Group Selected", "Docs"}}) +
                                Item("After Custom", {"Create Registry Value (String)", key, "Type", "seen"},
                                     {{"Setup Type is", "Custom"}});
  const Package p = MakeWizardPackage(
      "walk", kFullScript + hostItem,
      {{"License.txt", kLicense}, {"Readme.txt", kReadme}, {"a.txt", "A"}, {"b.txt", "B"}, {"c.txt", "C"}});
  CleanRegistry(p);
  Wizard w(p.exe);
  ASSERT_TRUE(w.wnd);
  const RECT client = tt::ClientRectOf(w.wnd);
  EXPECT_EQ(client.right, 515);
  EXPECT_EQ(client.bottom, 351);

  const std::vector<Step> steps = {
      {"Welcome", false, true,
       [&](Wizard& w) {
         // The button row.
         const struct {
           const char* caption;
           int left;
         } row[] = {{"< &Back", 258}, {"&Next >", 336}, {"&Cancel", 428}};
         for (const auto& b : row) {
           const RECT rc = w.Place(b.caption);
           EXPECT_EQ(rc.left, b.left) << b.caption;
           EXPECT_EQ(rc.top, 318) << b.caption;
           EXPECT_EQ(rc.right - rc.left, 78) << b.caption;
         }
         EXPECT_TRUE(Has(w.TextOf("RICHEDIT", 0), "install " + p.prog + " on your")) << w.TextOf("RICHEDIT", 0);
       },
       "&Next >"},
      {"License Agreement", true, false,
       [&](Wizard& w) {
         EXPECT_TRUE(Has(w.TextOf("RICHEDIT", 1), "KV LICENSE TERMS"));
         // The gate: Next only while Yes is chosen.
         w.Click("YES - I Accept the terms of the License Agreement!");
         EXPECT_TRUE(w.Enabled("&Next >"));
         w.Click("NO - I DO NOT Accept the terms of the License Agreement!");
         EXPECT_FALSE(w.Enabled("&Next >"));
         w.Click("YES - I Accept the terms of the License Agreement!");
       },
       "&Next >"},
      {"Readme", true, true, [&](Wizard& w) { EXPECT_TRUE(Has(w.TextOf("RICHEDIT", 1), "KV README")); }, "&Next >"},
      {"User Information", true, true,
       [&](Wizard& w) {
         const std::vector<HWND> edits = w.Visible("Edit");
         ASSERT_EQ(edits.size(), 2u);
         // An empty name (blanks count as empty), then an empty company: one box each, the page stays.
         const struct {
           const char *name, *company, *box;
         } checks[] = {{"  ", "Acme", "Please enter User Name!"}, {"Ann", "", "Please enter Company Name!"}};
         for (const auto& c : checks) {
           w.SetText(edits[0], c.name);
           w.SetText(edits[1], c.company);
           PostMessageA(w.wnd, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(w.Control("Button", "&Next >")), BN_CLICKED),
                        LPARAM(w.Control("Button", "&Next >")));
           Box box;
           ASSERT_TRUE(w.AnswerBox(box));
           EXPECT_EQ(box.caption, "Error");
           EXPECT_TRUE(Has(box.text, c.box)) << box.text;
           EXPECT_EQ(w.Caption(), "User Information");
         }
         w.SetText(edits[1], "Acme");
       },
       "&Next >"},
      {"Choose Destination Location", true, true,
       [&](Wizard& w) {
         EXPECT_EQ(w.TextOf("Edit", 0), p.target);
         // Typical: Program and Extras, 2.5 MB.
         EXPECT_TRUE(w.Shown("2.50 MB"));
         EXPECT_TRUE(w.Shown("Space required on drive:"));
         EXPECT_TRUE(w.Shown("&Browse..."));
       },
       "&Next >"},
      {"Setup Type", true, true,
       [&](Wizard& w) {
         EXPECT_TRUE(w.Checked("Typical"));
         EXPECT_FALSE(w.Shown("Compact"));
         w.Click("Custom");
       },
       "&Next >"},
      {"Select Components", true, true,
       [&](Wizard& w) {
         // Locked lines are checked and cannot change; the others start from their defaults.
         EXPECT_EQ(w.ListLines(0),
                   (std::vector<std::string>{"(x) Program\t2048 KB", "[x] Extras\t512 KB", "[ ] Docs\t100 KB"}));
         EXPECT_TRUE(w.Shown("The program\r\nitself"));
         for (int line : {0, 1, 2}) ToggleLine(w, 0, line);
         EXPECT_EQ(w.ListLines(0),
                   (std::vector<std::string>{"(x) Program\t2048 KB", "[ ] Extras\t512 KB", "[x] Docs\t100 KB"}));
       },
       "&Next >"},
      {"Set File Association", true, true,
       [&](Wizard& w) {
         EXPECT_EQ(w.ListLines(0), (std::vector<std::string>{"[x] .kvw\tKv Words", "[x] .kvp\tKv Pictures"}));
         ToggleLine(w, 0, 1);
       },
       "&Next >"},
      {"Set Program Shortcuts", true, true,
       [&](Wizard& w) {
         EXPECT_EQ(w.TextOf("Edit", 0), "Kv Menu " + p.prog);
         // A named shortcut adds the line about the other shortcuts.
         EXPECT_TRUE(Has(w.TextOf("RICHEDIT", 0), "You may also add other Shortcuts")) << w.TextOf("RICHEDIT", 0);
         // Only the named shortcut is offered, in the first box's place.
         EXPECT_FALSE(w.Shown("Add Shortcut to the Start Menu"));
         EXPECT_FALSE(w.Shown("Add Shortcut to the Quick Launch bar"));
         EXPECT_TRUE(w.Checked("Create Shortcut on the Desktop"));
         EXPECT_EQ(w.Place("Create Shortcut on the Desktop").top - tt::ChildRect(w.wnd, w.Visible("Edit")[0]).top, 30);
       },
       "&Next >"},
      {"Confirm Setup Settings", true, true,
       [&](Wizard& w) {
         EXPECT_EQ(w.TextOf("Edit", 0), "Target Directory:\r\n   " + p.target + "\r\n\r\nStart/Program Menu Entry:\r\n   Kv Menu " +
                                            p.prog + "\r\n\r\nDesktop Shortcut:\r\n   Kv Desk " + p.prog +
                                            "\r\n\r\nUser Information:\r\n   Name:     \tAnn\r\n   Company:  \tAcme\r\n");
         EXPECT_TRUE(w.Shown("Click NEXT to begin copying files... "));
       },
       "&Next >"},
      {"Setup Complete", false, true,
       [&](Wizard& w) {
         EXPECT_FALSE(w.Shown("&Cancel"));
         EXPECT_TRUE(w.Shown("&Finish"));
       },
       "&Finish"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.caption);
    ASSERT_TRUE(w.WaitCaption(step.caption, 20000)) << w.Caption();
    const char* next = std::string(step.caption) == "Setup Complete" ? "&Finish" : "&Next >";
    EXPECT_EQ(w.Enabled("< &Back"), step.back);
    EXPECT_EQ(w.Enabled(next), step.next);
    if (step.check) step.check(w);
    ASSERT_TRUE(w.Click(step.leave)) << step.leave;
  }
  EXPECT_EQ(w.WaitEnd(), 0);
  // The components chosen on the list, and the one association left checked.
  EXPECT_EQ(Read(p.target + "\\a.txt"), "A");
  EXPECT_FALSE(Exists(p.target + "\\b.txt"));
  EXPECT_EQ(Read(p.target + "\\c.txt"), "C");
  const std::string uninstall = Read(p.target + "\\UnInstall.txt");
  EXPECT_TRUE(Has(uninstall, "SetupType=Custom")) << uninstall;
  EXPECT_TRUE(Has(uninstall, "GroupNames=|Program|Docs|"));
  EXPECT_TRUE(Has(uninstall, "UserData=|Ann|Acme|"));
  EXPECT_TRUE(Has(uninstall, "SET_ADD_ASSOCIATION_ITEM(|KvWords|"));
  EXPECT_FALSE(Has(uninstall, "SET_ADD_ASSOCIATION_ITEM(|KvPics|"));
  // The checked desktop shortcut.
  char desktop[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop);
  const std::string link = std::string(desktop) + "\\Kv Desk " + p.prog + ".lnk";
  EXPECT_TRUE(Exists(link));
  DeleteFileA(link.c_str());
  EXPECT_EQ(ReadRegValue(key, "Host", "<none>"), "seen");
  EXPECT_EQ(ReadRegValue(key, "Type", "<none>"), "seen");
  DeleteRegKey(key);
  CleanRegistry(p);
}

// The page flow and its stages, marked in a file: Setup Start once, the page stages on every
// visit (Back included; Back runs no leaving stage), Setup End on Finish. Typical skips the
// component page both ways; Back that finds no page below keeps the page; page names match
// ignoring case and blanks; Setup Start items may already set the folder and the setup type.
TEST(SetupWizard, PageFlowAndStages) {
  const char* kDest = "Choose Destination Location";
  const struct {
    const char* list;
    std::vector<std::pair<const char*, const char*>> presses;  // button, caption then (null: the end)
    const char* marks;
    const char* startType;
    bool typeFolder = false;  // the user types another folder over the one Setup Start set
  } cases[] = {
      {"WelcomeDlg,DestinationDlg,ConfirmSetupDlg,CopyFilesDlg,CompleteDlg",
       {{"&Next >", kDest}, {"&Next >", "Confirm Setup Settings"}, {"< &Back", kDest}, {"< &Back", "Welcome"},
        {"&Next >", kDest}},
       "1;11;12;11;11;", nullptr},
      {"WelcomeDlg, destinationdlg ,ConfirmSetupDlg,CopyFilesDlg,CompleteDlg",
       {{"&Next >", kDest}, {"&Next >", "Confirm Setup Settings"}, {"&Next >", "Setup Complete"}, {"&Finish", nullptr}},
       "1;11;12;2;3;4;", nullptr, true},
      {"WelcomeDlg,SetupTypeDlg,CustomDlg,DestinationDlg,CopyFilesDlg",
       {{"&Next >", "Setup Type"}, {"&Next >", kDest}, {"< &Back", "Setup Type"}}, "1;7;8;11;7;", nullptr},
      {"WelcomeDlg,SetupTypeDlg,CustomDlg,DestinationDlg,CopyFilesDlg",
       {{"&Next >", "Setup Type"}, {"Custom", "Setup Type"}, {"&Next >", "Select Components"}, {"&Next >", kDest},
        {"< &Back", "Select Components"}, {"< &Back", "Setup Type"}},
       "1;7;8;9;10;11;9;7;", nullptr},
      {"CustomDlg,SetupTypeDlg,DestinationDlg,CopyFilesDlg",
       {{"&Next >", "Setup Type"}, {"< &Back", "Setup Type"}, {"&Next >", kDest}}, "1;10;7;8;11;", nullptr},
      {"WelcomeDlg,SetupTypeDlg,CustomDlg,DestinationDlg,CopyFilesDlg",
       {{"&Next >", "Setup Type"}, {"&Next >", "Select Components"}}, "1;7;8;9;", "Custom"},
  };
  const char* stages[] = {"Setup Start",       "Before Copy",      "After Copy",    "Setup End",
                          "UnInstall Start",   "UnInstall End",    "Before Setup Type", "After Setup Type",
                          "Before Custom",     "After Custom",     "Before Destination", "After Destination"};
  int row = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(row);
    const std::string dir = tt::ScratchDir("wizard_flow_marks" + std::to_string(row)) + "\\";
    const std::string marks = dir + "marks.txt", moved = dir + "moved";
    std::string items = Item("Setup Start", {"Set Folder To", "Application Folder", moved});
    if (c.startType) items += Item("Setup Start", {"Set Setup Type", c.startType});
    for (int stage = 1; stage <= 12; ++stage)
      items += Item(stages[stage - 1], {"Append Text to a File", marks, std::to_string(stage) + ";"});
    const Package p = MakeWizardPackage("flow" + std::to_string(row++), Basic(c.list) +
                                            "SET_GROUP_DATA(|P|x|1|1|1||1|1|1|0|);\r\nSET_SUB_DIR(<InstallDir>);\r\n"
                                            "SET_COPY_FILES(a.txt);\r\n" + items,
                                        {{"a.txt", "A"}});
    Wizard w(p.exe);
    ASSERT_TRUE(w.wnd);
    for (const auto& press : c.presses) {
      ASSERT_TRUE(w.Click(press.first)) << press.first;
      if (!press.second) break;
      ASSERT_TRUE(w.WaitCaption(press.second, 20000)) << press.first << " -> " << w.Caption();
      if (w.Caption() == kDest) {
        EXPECT_EQ(w.TextOf("Edit", 0), moved);
        if (c.typeFolder) w.SetText(w.Visible("Edit").at(0), dir + "typed");
      }
    }
    if (c.presses.back().second) {
      Sleep(300);
      EXPECT_EQ(w.Caption(), c.presses.back().second);
      Leave(w);
    } else {
      EXPECT_EQ(w.WaitEnd(), 0);
      EXPECT_EQ(Read((c.typeFolder ? dir + "typed" : moved) + "\\a.txt"), "A");
    }
    EXPECT_EQ(Read(marks), c.marks);
    CleanRegistry(p);
  }
}

// A folder typed on the Destination page is the one every later step sees: the stages after
// the page, a common folder built on it, the copy; the default destination is never made.
TEST(SetupWizard, TypedFolderIsTheOneEveryLaterStepUses) {
  const std::string marks = tt::ScratchDir("wizard_typed_marks") + "\\marks.txt";
  const Package p = MakeWizardPackage(
      "typed", Basic("WelcomeDlg,DestinationDlg,CopyFilesDlg,CompleteDlg") +
                   "SET_COMMON_DIR(<InstallDir>Shared);\r\nSET_GROUP_DATA(|P|x|1|2|1||1|1|1|0|);\r\n"
                   "SET_SUB_DIR(<InstallDir>);\r\nSET_COPY_FILES(a.txt);\r\nSET_SUB_DIR(<Common Folder>);\r\n"
                   "SET_COPY_FILES(s.txt);\r\n" +
                   Item("After Destination", {"Append Text to a File", marks, "<InstallDir>;"}) +
                   Item("Before Copy", {"Append Text to a File", marks, "<Common Folder>;"}),
      {{"a.txt", "A"}, {"s.txt", "S"}});
  const std::string typed = p.dir + "typed";
  Wizard w(p.exe);
  ASSERT_TRUE(w.WaitCaption("Welcome"));
  ASSERT_TRUE(w.Click("&Next >"));
  ASSERT_TRUE(w.WaitCaption("Choose Destination Location"));
  w.SetText(w.Visible("Edit").at(0), typed);
  ASSERT_TRUE(w.Click("&Next >"));
  ASSERT_TRUE(w.WaitCaption("Setup Complete", 20000));
  ASSERT_TRUE(w.Click("&Finish"));
  EXPECT_EQ(w.WaitEnd(), 0);
  EXPECT_EQ(Read(marks), typed + "\\;" + typed + "\\Shared\\;");
  EXPECT_EQ(Read(typed + "\\a.txt"), "A");
  EXPECT_EQ(Read(typed + "\\Shared\\s.txt"), "S");
  EXPECT_FALSE(Exists(p.target));
  CleanRegistry(p);
}

// A source that a Before Copy item makes is there when the copy needs it.
TEST(SetupWizard, SourceMadeBeforeCopyIsInstalled) {
  const Package p = MakeWizardPackage(
      "madesource", Basic("WelcomeDlg,CopyFilesDlg,CompleteDlg") + "SET_GROUP_DATA(|P|x|1|2|1||1|1|1|0|);\r\n"
                        "SET_SUB_DIR(<InstallDir>);\r\nSET_COPY_FILES(a.txt|gen.txt);\r\n" +
                        Item("Before Copy", {"Append Text to a File", "%Dgen.txt", "generated"}),
      {{"a.txt", "A"}});
  Wizard w(p.exe);
  ASSERT_TRUE(w.WaitCaption("Welcome"));
  ASSERT_TRUE(w.Click("&Next >"));
  ASSERT_TRUE(w.WaitCaption("Setup Complete", 20000)) << w.Caption();  // no "File not found!" box
  ASSERT_TRUE(w.Click("&Finish"));
  EXPECT_EQ(w.WaitEnd(), 0);
  EXPECT_EQ(Read(p.target + "\\a.txt"), "A");
  EXPECT_EQ(Read(p.target + "\\gen.txt"), "generated");
}

// A folder that a Before Copy item makes was not there when the run began: it is the run's,
// recorded for removal like the folders the copy makes, and the uninstall leaves nothing.
TEST(SetupWizard, FolderMadeBeforeCopyIsTheRuns) {
  Package p = MakeWizardPackage(
      "madefolder", Basic("WelcomeDlg,CopyFilesDlg,CompleteDlg") + "SET_CREATE_UNINSTALL;\r\n"
                        "SET_GROUP_DATA(|P|x|1|2|1||1|1|1|0|);\r\nSET_SUB_DIR(<InstallDir>Data);\r\nSET_COPY_FILES(d.txt);\r\n" +
                        Item("Before Copy", {"Copy Directory Tree", "%Dtree", "<InstallDir>Data"}),
      {{"d.txt", "package"}});
  ASSERT_TRUE(CreateDirectoryA((p.dir + "tree").c_str(), nullptr));
  tt::WriteFile(p.dir + "tree\\d.txt", "tree");
  Wizard w(p.exe);
  ASSERT_TRUE(w.WaitCaption("Welcome"));
  ASSERT_TRUE(w.Click("&Next >"));
  ASSERT_TRUE(w.WaitCaption("Setup Complete", 20000)) << w.Caption();
  ASSERT_TRUE(w.Click("&Finish"));
  EXPECT_EQ(w.WaitEnd(), 0);
  ASSERT_EQ(Read(p.target + "\\Data\\d.txt"), "package");
  EXPECT_TRUE(Has(Read(p.target + "\\UnInstall.txt"), "REMOVE_DIR(" + p.target + "\\Data);"));
  EXPECT_TRUE(tt::RunUninstaller("\"" + p.target + "\\UnInstall.exe\"").closed);
  EXPECT_TRUE(tt::GoneWithin(p.target, 15000));
  CleanRegistry(p);
}

// The three layouts move the page contents: classic beside the picture, modern below the
// header band, image-left (modern Welcome) right of the picture column. SET_DIALOG_LOCATION
// places the wizard in the work area; the company link sits 3 pixels below Back's top.
TEST(SetupWizard, LayoutsAndPlacement) {
  RECT area;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  const int spareW = area.right - area.left, spareH = area.bottom - area.top;
  const struct {
    bool modern, destination;
    int left, top;  // of Browse on the Destination page, or of the Welcome text
    bool header, product;
    const char* location;
    int (*x)(const RECT& area, int spare);
    int (*y)(const RECT& area, int spare);
  } cases[] = {
      {false, true, 141 - 4 + 10 + 266, 6 - 4 + 122 + 19, false, true, "Top/Left|10|20",
       [](const RECT& a, int) { return int(a.left) + 10; }, [](const RECT& a, int) { return int(a.top) + 20; }},
      {true, true, 50 - 4 + 10 + 266, 60 - 4 + 122 + 19, true, true, "Bottom/Right",
       [](const RECT& a, int s) { return int(a.left) + s; }, [](const RECT& a, int s) { return int(a.top) + s; }},
      {false, false, 141 - 4 + 10, 6 - 4 + 8, false, true, "Top/Center|0|5",
       [](const RECT& a, int s) { return int(a.left) + s / 2; }, [](const RECT& a, int) { return int(a.top) + 5; }},
      {true, false, 120 - 4 + 10, 0 - 4 + 8, false, false, "",
       [](const RECT& a, int s) { return int(a.left) + s / 2; }, [](const RECT& a, int s) { return int(a.top) + s / 2; }},
  };
  int row = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(row);
    const Package p = MakeWizardPackage("layout" + std::to_string(row++),
                                        Basic("WelcomeDlg,DestinationDlg,CopyFilesDlg") +
                                            (c.modern ? "SET_DIALOG_STYLE_MODERN;\r\n" : "") +
                                            "SET_COMPANY_URL(About Kelvane);\r\nSET_DIALOG_LOCATION(" + c.location + ");\r\n");
    Wizard w(p.exe);
    ASSERT_TRUE(w.WaitCaption("Welcome"));
    RECT win;
    GetWindowRect(w.wnd, &win);
    EXPECT_EQ(win.left, c.x(area, spareW - (win.right - win.left)));
    EXPECT_EQ(win.top, c.y(area, spareH - (win.bottom - win.top)));
    EXPECT_TRUE(w.Shown("About Kelvane"));
    EXPECT_EQ(w.Place("About Kelvane").top, w.Place("< &Back").top + 3);
    if (c.destination) {
      ASSERT_TRUE(w.Click("&Next >"));
      ASSERT_TRUE(w.WaitCaption("Choose Destination Location"));
    }
    const RECT rc = c.destination ? w.Place("&Browse...") : tt::ChildRect(w.wnd, w.Visible("RICHEDIT").at(0));
    EXPECT_EQ(rc.left, c.left);
    EXPECT_EQ(rc.top, c.top);
    HWND header = w.Control("Static", w.Caption()), product = w.Control("Static", " Kelvane ");
    EXPECT_EQ(header && IsWindowVisible(header), c.header);
    EXPECT_EQ(product && IsWindowVisible(product), c.product);
    Leave(w);
  }
}

// The readme at the end comes from the installed copy when the package's copy is gone.
TEST(SetupWizard, EndReadmeFallsBackToTheInstalledCopy) {
  const Package p = MakeWizardPackage("readme",
                                      Basic("CopyFilesDlg,CompleteDlg") +
                                          "SET_README_FILE_NAME_2(Notes.txt);\r\nSET_PROPOSE_README;\r\n"
                                          "SET_PROPOSE_README_CHECKED;\r\nSET_GROUP_DATA(|P|x|1|1|1||1|1|1|0|);\r\n"
                                          "SET_SUB_DIR(<InstallDir>);\r\nSET_COPY_FILES(Notes.txt);\r\n",
                                      {{"Notes.txt", "KV NOTES\r\n"}});
  Wizard w(p.exe);
  ASSERT_TRUE(w.WaitCaption("Setup Complete", 20000));
  EXPECT_TRUE(w.Checked("Display the Readme file."));
  // The copy may have taken the package's file along; it is gone now either way.
  DeleteFileA((p.dir + "Notes.txt").c_str());
  ASSERT_FALSE(Exists(p.dir + "Notes.txt"));
  HWND finish = w.Control("Button", "&Finish");
  PostMessageA(w.wnd, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(finish), BN_CLICKED), LPARAM(finish));
  HWND readme = tt::WaitForWindow("TReadmeForm", "", 10000);
  ASSERT_TRUE(readme);
  EXPECT_EQ(tt::WindowText(readme), "Readme");
  EXPECT_TRUE(Has(tt::RichText(readme), "KV NOTES"));
  tt::CloseWindowNow(readme);
  EXPECT_EQ(w.WaitEnd(), 0);
  CleanRegistry(p);
}

// Cancel asks: Resume keeps the page, the next Cancel asks again, Exit ends without installing.
TEST(SetupWizard, CancelWithResumeAndExit) {
  const Package p = MakeWizardPackage("cancel", Basic("WelcomeDlg,DestinationDlg,CopyFilesDlg,CompleteDlg"));
  Wizard w(p.exe);
  ASSERT_TRUE(w.WaitCaption("Welcome"));
  ASSERT_TRUE(w.Click("&Next >"));
  ASSERT_TRUE(w.WaitCaption("Choose Destination Location"));
  for (const char* answer : {"&Resume", "&Resume", "E&xit Setup"}) {
    ASSERT_TRUE(w.Click("&Cancel"));
    HWND box = tt::WaitForWindow("TExitSetupForm", "", 10000);
    ASSERT_TRUE(box);
    EXPECT_EQ(tt::WindowText(box), "Exit Setup");
    ASSERT_TRUE(w.AnswerExit(answer));
    if (std::string(answer) == "&Resume") {
      Sleep(200);
      EXPECT_EQ(w.Caption(), "Choose Destination Location");
    }
  }
  EXPECT_EQ(w.WaitEnd(), 0);
  EXPECT_FALSE(Exists(p.target));
}

// Exit confirmed while the run waits in an After Copy item: no later step starts, and the
// run is undone as the exit box says: nothing is installed, the package is whole again.
TEST(SetupWizard, ExitDuringTheRunEndsItThere) {
  // The helper marks the start of a ten-second wait that pumps messages.
  exectest::Item wait;
  wait.slots = {{"Run Executable", "%DSetupHelper.exe", "stay %Dwaiting.txt 1", "SW_HIDE"}, {"Wait (MS)", "10000"}};
  const std::string afterCopyWait = "SET_PERFORM_EXECUTE_OP(" + exectest::MakeItem(wait) + ");\r\n";
  const std::string key = "HKEY_CURRENT_USER\\Software\\KvWizardExit" + kPid;
  const Package p = MakeWizardPackage(
      "exitrun",
      Basic("WelcomeDlg,CopyFilesDlg,CompleteDlg") + "SET_CREATE_UNINSTALL;\r\nSET_CREATE_SETUP_LOG;\r\n"
          "SET_START_PROGRAM_LINK_NAME(Kv Exit %N);\r\nSET_PROG_EXE_NAME(<InstallDir>a.txt);\r\n"
          "SET_PERFORM_REGISTRY_OP(" + key + "|Where|<InstallDir>|Create|Remove Key|String);\r\n"
          "SET_GROUP_DATA(|Main|x|1|1||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\nSET_COPY_FILES(a.txt);\r\n" +
          afterCopyWait,
      {{"a.txt", "a"}});
  tt::CopyFileTo(tt::ProgramDir() + "SetupHelper.exe", p.dir + "SetupHelper.exe");
  Wizard w(p.exe);
  ASSERT_TRUE(w.WaitCaption("Welcome"));
  ASSERT_TRUE(w.Click("&Next >"));
  ASSERT_TRUE(tt::WaitUntil([&] { return Exists(p.dir + "waiting.txt"); }, 20000));
  tt::CloseWindowNow(w.wnd);
  ASSERT_TRUE(w.AnswerExit("E&xit Setup"));
  tt::WriteFile(p.dir + "waiting.txt.stop", "");
  EXPECT_EQ(w.WaitEnd(), 2);
  EXPECT_FALSE(RegKeyExists(key));
  EXPECT_FALSE(Exists(p.target));
  EXPECT_EQ(Read(p.dir + "a.txt"), "a");
  EXPECT_TRUE(Exists(p.dir + "UnInstall.exe"));
  const std::string arp = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\UnInstall\\" + p.prog;
  EXPECT_FALSE(RegKeyExists(arp));
  DeleteRegKey(key);
  CleanRegistry(p);
}

// The Complete page: Finish launches and runs Setup End; closing it by its title bar runs
// Setup End too but launches nothing. A restart offer takes the launch box's place; declined
// (no test ever restarts), the program is launched as its hidden box still says.
TEST(SetupWizard, CompletePageFinishAndTitleBar) {
  const struct {
    bool finish, restart, launched;
  } cases[] = {{true, false, true}, {false, false, false}, {true, true, true}};
  int row = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(row);
    const std::string marks = tt::ScratchDir("wizard_complete_marks" + std::to_string(row)) + "\\marks.txt";
    const Package p = MakeWizardPackage(
        "complete" + std::to_string(row++),
        Basic("CopyFilesDlg,CompleteDlg") +
            "SET_PROG_EXE_NAME(%DSetupHelper.exe);\r\nSET_PROPOSE_LAUNCH;\r\nSET_PROPOSE_LAUNCH_CHECKED;\r\n"
            "SET_PROPOSE_README;\r\n" + (c.restart ? "SET_PROPOSE_RESTART;\r\n" : "") +
            Item("Setup End", {"Append Text to a File", marks, "E;"}));
    tt::CopyFileTo(tt::ProgramDir() + "SetupHelper.exe", p.dir + "SetupHelper.exe");
    Wizard w(p.exe);
    ASSERT_TRUE(w.WaitCaption("Setup Complete", 20000));
    // A choice of another page pressed meanwhile (as the demo's walker does) keeps Finish.
    HWND yes = w.Control("Button", "YES - I Accept the terms of the License Agreement!");
    DWORD_PTR r = 0;
    SendMessageTimeoutA(GetParent(yes), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(yes), BN_CLICKED), LPARAM(yes), SMTO_NORMAL,
                        2000, &r);
    EXPECT_TRUE(w.Shown("&Finish"));
    EXPECT_FALSE(w.Shown("&Cancel"));
    EXPECT_EQ(w.Shown("Yes, Launch the program file."), !c.restart);
    EXPECT_EQ(w.Shown("Yes, I want to restart my computer now."), c.restart);
    if (c.restart) {
      EXPECT_TRUE(w.Checked("Yes, I want to restart my computer now."));
      EXPECT_EQ(w.Place(" Restart ").top - w.Place("Display the Readme file.").top, 30);
      w.Click("No, I will restart my computer later.");
    }
    if (c.finish) {
      ASSERT_TRUE(w.Click("&Finish"));
    } else {
      tt::CloseWindowNow(w.wnd);
    }
    EXPECT_EQ(w.WaitEnd(), 0);
    EXPECT_EQ(Read(marks), "E;");
    // The launched helper writes a file beside itself.
    const DWORD start = GetTickCount();
    while (!Exists(p.dir + "SetupHelper.exe.txt") && GetTickCount() - start < (c.launched ? 10000u : 1500u)) Sleep(50);
    EXPECT_EQ(Exists(p.dir + "SetupHelper.exe.txt"), c.launched);
    CleanRegistry(p);
  }
}

// The space texts of the Destination page: one decimal above 10 MB, two from 1 to 10, three
// below 1; a drive that is not there has nothing available.
TEST(SetupWizard, DestinationSpaceTexts) {
  const struct {
    const char *setting, *target, *required, *available;
  } cases[] = {{"SET_SPACE_REQ_ON_DRIVE(12.345);", "%T", "12.3 MB", nullptr},
               {"SET_SPACE_REQ_ON_DRIVE(0.5);", "%T", "0.500 MB", nullptr},
               {"SET_SPACE_REQ_ON_DRIVE(5);", "Q:\\Nowhere", "5.00 MB", "0.000 MB"},
               {"", "Q:\\Nowhere", "1.00 MB", "0.000 MB"}};
  int row = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.setting);
    const Package p = MakeWizardPackage("space" + std::to_string(row++),
                                        std::string("SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(") + c.target +
                                            ");\r\nSET_DIALOGS(DestinationDlg,CopyFilesDlg);\r\n" + c.setting +
                                            "\r\nSET_GROUP_DATA(|P|x|1024|1|1||1|1|1|0|);\r\n");
    Wizard w(p.exe);
    ASSERT_TRUE(w.WaitCaption("Choose Destination Location"));
    EXPECT_TRUE(w.Shown(c.required)) << c.required;
    EXPECT_TRUE(!c.available || w.Shown(c.available));
    Leave(w);
  }
}

// Hebrew: the user page's labels stand right of their fields, the setup types are mirrored.
TEST(SetupWizard, RightToLeftPlacement) {
  int row = 0;
  for (const bool rtl : {true, false}) {
    SCOPED_TRACE(rtl);
    const Package p = MakeWizardPackage(
        "rtl" + std::to_string(row++),
        Basic("UserInformationDlg,SetupTypeDlg,CustomDlg,CopyFilesDlg") +
            "SET_LANG_FLAG(2);\r\nSET_LANG_NAMES(|Hebrew|);\r\nSET_REQUEST_USER_NAME;\r\n",
        {{"Hebrew.lng", std::string("[General]\r\nLangID=13\r\nCharset=") + (rtl ? "177" : "0") +
                            "\r\n[UserInfo]\r\nCaption=U\r\ns11=Shem:\r\n[SetupType]\r\nCaption=T\r\ns11=Ragil\r\n"}});
    Wizard w(p.exe);
    ASSERT_TRUE(w.WaitCaption("U"));
    const RECT label = w.Place("Shem:"), field = tt::ChildRect(w.wnd, w.Visible("Edit").at(0));
    EXPECT_EQ(label.left >= field.right, rtl);
    EXPECT_EQ(label.right <= field.left, !rtl);
    w.SetText(w.Visible("Edit").at(0), "Ann");
    ASSERT_TRUE(w.Click("&Next >"));
    ASSERT_TRUE(w.WaitCaption("T"));
    const RECT typical = w.Place("Ragil");
    const RECT panel = tt::ChildRect(w.wnd, GetParent(w.Control("Button", "Ragil")));
    EXPECT_EQ(typical.left - panel.left > panel.right - typical.right, rtl);
    Leave(w);
  }
}

}  // namespace
