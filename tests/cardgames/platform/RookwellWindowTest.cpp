// The real Rookwell program under the test screen: its window, buttons and dialogs,
// the first-start move of old data files, the updater start and a start-up failure.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AppFolders.h"
#include "AppSettings.h"
#include "CardImages.h"
#include "GameRegistry.h"
#include "HallOfFame.h"
#include "TestTool.h"

namespace {

const char kMakerKey[] = "Vintrell, LLC";

struct Running {
  tt::Process process;
  HWND window = nullptr;
};

std::string PerUserFolder();

// A copy of the program in its own folder, so that files beside it are the test's;
// it starts with no settings (no game chosen before).
std::string ProgramCopy(const std::string& name) {
  DeleteFileA((PerUserFolder() + "Rookwell.cfg").c_str());
  std::string dir = tt::ScratchDir(name);
  EXPECT_TRUE(tt::CopyFileTo(tt::ProgramDir() + "Rookwell.exe", dir + "\\Rookwell.exe"));
  return dir + "\\";
}

Running StartRookwell(const std::string& folder) {
  Running r;
  r.process = tt::Start("\"" + folder + "Rookwell.exe\"", folder);
  EXPECT_TRUE(r.process.ok());
  if (r.process.ok()) r.window = tt::WaitForWindow("Rookwell", "", 20000, r.process.pid);
  return r;
}

void Exit(Running& r) {
  PostMessageA(r.window, WM_COMMAND, 1001, 0);  // the Exit button's command
  EXPECT_EQ(0, tt::WaitExit(r.process, 15000));
}

bool BoxSays(HWND box, const std::string& text) {
  for (const std::string& t : tt::ControlTexts(box))
    if (t == text) return true;
  return false;
}

HWND WaitDialog(const std::string& title, DWORD pid) { return tt::WaitForWindow("#32770", title, 10000, pid); }

// Sends a main-window command and waits for the dialog it opens.
HWND OpenDialog(const Running& r, int command, const std::string& title) {
  PostMessageA(r.window, WM_COMMAND, WPARAM(command), 0);
  return WaitDialog(title, r.process.pid);
}

// Waits a while for the main window's title to read the text; the title as it is then.
std::string WaitTitle(const Running& r, const std::string& title) {
  for (int i = 0; i < 50 && tt::WindowText(r.window) != title; ++i) Sleep(100);
  return tt::WindowText(r.window);
}

// Presses a dialog's button and waits until the dialog is gone.
void CloseDialog(HWND dialog, int button) {
  tt::ClickButtonId(dialog, button);
  EXPECT_TRUE(tt::WaitWindowGone(dialog, 5000));
}

std::vector<std::string> ListItems(HWND list) {
  std::vector<std::string> items;
  LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    // Another process's list box answers in UTF-16.
    wchar_t wide[256] = {};
    SendMessageW(list, LB_GETTEXT, WPARAM(i), LPARAM(wide));
    char text[512] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
    items.push_back(text);
  }
  return items;
}

std::string PerUserFolder() {
  char base[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, base);
  return std::string(base) + "\\Vintrell, LLC\\Rookwell\\";
}

// The all-users data folder, made when missing.
std::string CommonFolder() {
  char base[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, base);
  CreateDirectoryA((std::string(base) + "\\Vintrell, LLC").c_str(), nullptr);
  CreateDirectoryA((std::string(base) + "\\Vintrell, LLC\\Rookwell").c_str(), nullptr);
  return std::string(base) + "\\Vintrell, LLC\\Rookwell\\";
}

std::string SelectedItem(HWND list) {
  LRESULT sel = SendMessageA(list, LB_GETCURSEL, 0, 0);
  if (sel == LB_ERR) return std::string();
  std::vector<std::string> items = ListItems(list);
  return size_t(sel) < items.size() ? items[size_t(sel)] : std::string();
}

std::vector<std::string> RegisteredTitles() {
  std::vector<std::string> titles;
  for (const GameDescriptor& d : OrderedGameModules(GameModules())) titles.push_back(d.name());
  return titles;
}

}  // namespace

TEST(RookwellWindowTest, TableButtonsAndDialogs) {
  std::string folder = ProgramCopy("rookwell_window");
  Running r = StartRookwell(folder);
  ASSERT_NE(nullptr, r.window);
  EXPECT_EQ("Rookwell", tt::ClassOf(r.window));
  EXPECT_EQ("Rookwell", tt::WindowText(r.window));
  RECT client = tt::ClientRectOf(r.window);
  EXPECT_EQ(790, client.right - client.left);
  EXPECT_EQ(560, client.bottom - client.top);

  struct Button {
    const char* text;
    int id;
    int x;
  } buttons[] = {{"New Game", 1003, 25}, {"Hall of Fame", 1002, 155}, {"Options", 1004, 285},
                 {"Rules", 1005, 415},   {"About...", 1000, 545},     {"Exit", 1001, 675}};
  std::vector<HWND> children = tt::Children(r.window);
  ASSERT_EQ(6u, children.size());
  for (size_t i = 0; i < 6; ++i) {
    SCOPED_TRACE(buttons[i].text);
    EXPECT_EQ("RwButtonClass", tt::ClassOf(children[i]));
    EXPECT_EQ(buttons[i].text, tt::WindowText(children[i]));
    EXPECT_EQ(buttons[i].id, GetDlgCtrlID(children[i]));
    RECT at = tt::ChildRect(r.window, children[i]);
    EXPECT_EQ(buttons[i].x, at.left);
    EXPECT_EQ(511, at.top);
    EXPECT_EQ(90, at.right - at.left);
    EXPECT_EQ(30, at.bottom - at.top);
  }

  // New Game through a click on its button: the registered games, in order.
  PostMessageA(children[0], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  PostMessageA(children[0], WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  HWND newGame = WaitDialog("New Card Game", r.process.pid);
  ASSERT_NE(nullptr, newGame);
  std::vector<std::string> expected = RegisteredTitles();
  if (expected.empty()) expected.push_back("No Game Modules Loaded");
  EXPECT_EQ(expected, ListItems(GetDlgItem(newGame, 4005)));
  CloseDialog(newGame, IDCANCEL);

  // Rules without a game: the general help.
  HWND rules = OpenDialog(r, 1005, "Rookwell Instructions");
  ASSERT_NE(nullptr, rules);
  std::string help = tt::WindowText(GetDlgItem(rules, 4018));
  EXPECT_EQ(0u, help.find("Rookwell is a collection of card games")) << help;
  EXPECT_NE(std::string::npos, help.find("\r\n"));
  CloseDialog(rules, IDOK);

  // About: the games and the program's own version block.
  HWND about = OpenDialog(r, 1000, "About Rookwell");
  ASSERT_NE(nullptr, about);
  std::vector<std::string> games;
  for (const std::string& title : RegisteredTitles()) games.push_back(title + " 8.2.5.2");
  if (games.empty()) games.push_back("No Game Modules Loaded");
  EXPECT_EQ(games, ListItems(GetDlgItem(about, 4009)));
  EXPECT_EQ("Card games", tt::WindowText(GetDlgItem(about, 4100)));
  EXPECT_EQ("1.0.0.0", tt::WindowText(GetDlgItem(about, 4101)));
  EXPECT_EQ("Kelvane", tt::WindowText(GetDlgItem(about, 4102)));
  EXPECT_NE("LegalCopyright", tt::WindowText(GetDlgItem(about, 4103)));

  // Help from the About box shows the general help over it.
  tt::ClickButtonId(about, 4006);
  HWND help2 = WaitDialog("Rookwell Instructions", r.process.pid);
  ASSERT_NE(nullptr, help2);
  CloseDialog(help2, IDOK);
  CloseDialog(about, IDOK);

  // Hall of Fame opens and closes.
  HWND hall = OpenDialog(r, 1002, "Rookwell Hall Of Fame");
  ASSERT_NE(nullptr, hall);
  EXPECT_FALSE(ListItems(GetDlgItem(hall, 4009)).empty());
  CloseDialog(hall, IDOK);
  Exit(r);
}

TEST(RookwellWindowTest, CheckForUpdateStartsTheUpdaterBesideTheProgram) {
  // A folder name with a space: the updater's path must be quoted.
  std::string base = tt::ScratchDir("rookwell update");
  std::string folder = base + "\\";
  ASSERT_TRUE(tt::CopyFileTo(tt::ProgramDir() + "Rookwell.exe", folder + "Rookwell.exe"));

  // Without the updater: the information box.
  Running r = StartRookwell(folder);
  ASSERT_NE(nullptr, r.window);
  HWND about = OpenDialog(r, 1000, "About Rookwell");
  ASSERT_NE(nullptr, about);
  tt::ClickButtonId(about, 4026);
  HWND box = WaitDialog("Rookwell", r.process.pid);
  ASSERT_NE(nullptr, box);
  EXPECT_TRUE(BoxSays(box, "There are no updates available at this time."));
  CloseDialog(box, IDOK);

  // With it: started from the program folder with /TEST=2, waited for.
  ASSERT_TRUE(tt::CopyFileTo(tt::ProgramDir() + "update_recorder.exe", folder + "rwupdate.exe"));
  tt::ClickButtonId(about, 4026);
  std::string recorded;
  for (int i = 0; i < 100 && !tt::ReadFile(folder + "recorded.txt", recorded); ++i) Sleep(100);
  EXPECT_EQ(folder + "rwupdate.exe\n\"" + folder + "rwupdate.exe\" /TEST=2\n", recorded);
  Sleep(500);
  EXPECT_TRUE(tt::FindWindows("#32770", r.process.pid).size() == 1u);  // only the About box
  CloseDialog(about, IDOK);
  Exit(r);
}

TEST(RookwellWindowTest, FirstStartMovesOldDataFilesOnce) {
  RegistryKey key(kMakerKey);
  key.DeleteValue("Rookwell", "Path");
  std::string folder = ProgramCopy("rookwell_first");
  std::string target = PerUserFolder() + "Canasta.cfg";
  DeleteFileA(target.c_str());
  ASSERT_TRUE(tt::WriteFile(folder + "Canasta.cfg", "old options"));

  Running r = StartRookwell(folder);
  ASSERT_NE(nullptr, r.window);
  std::string bytes;
  EXPECT_TRUE(tt::ReadFile(target, bytes));
  EXPECT_EQ("old options", bytes);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder + "Canasta.cfg").c_str()));
  std::string path;
  EXPECT_TRUE(key.ReadValue("Rookwell", "Path", path));
  EXPECT_EQ(folder, path);
  Exit(r);

  // The second start does not look again.
  ASSERT_TRUE(tt::WriteFile(folder + "Canasta.cfg", "newer"));
  r = StartRookwell(folder);
  ASSERT_NE(nullptr, r.window);
  EXPECT_TRUE(tt::ReadFile(folder + "Canasta.cfg", bytes));
  EXPECT_EQ("newer", bytes);
  EXPECT_TRUE(tt::ReadFile(target, bytes));
  EXPECT_EQ("old options", bytes);
  Exit(r);
  DeleteFileA(target.c_str());
}

TEST(RookwellWindowTest, MissingCardLibraryEndsWithTheFailureBox) {
  std::string folder = ProgramCopy("rookwell_nocards");
  ASSERT_TRUE(tt::SetProgramDllDisabled("Rookwell.exe", "cards", true));
  tt::Process p = tt::Start("\"" + folder + "Rookwell.exe\"", folder);
  ASSERT_TRUE(p.ok());
  HWND box = WaitDialog("Rookwell", p.pid);
  tt::SetProgramDllDisabled("Rookwell.exe", "cards", false);
  ASSERT_NE(nullptr, box);
  EXPECT_TRUE(BoxSays(box, "Game Failure: Runtime Error(Cannot Load Card DLL)"));
  tt::ClickButtonId(box, IDOK);
  EXPECT_EQ(1, tt::WaitExit(p, 10000));
}

TEST(RookwellWindowTest, GameChosenInNewGameIsDealtAndRemembered) {
  std::string settingsPath = PerUserFolder() + "Rookwell.cfg";
  DeleteFileA(settingsPath.c_str());
  std::vector<std::string> titles = RegisteredTitles();
  if (titles.empty()) GTEST_SKIP() << "no game modules built";
  const std::string game = titles.back();
  std::string folder = ProgramCopy("rookwell_choose");
  Running r = StartRookwell(folder);
  ASSERT_NE(nullptr, r.window);
  HWND newGame = OpenDialog(r, 1003, "New Card Game");
  ASSERT_NE(nullptr, newGame);
  SendMessageA(GetDlgItem(newGame, 4005), LB_SETCURSEL, titles.size() - 1, 0);
  CloseDialog(newGame, IDOK);
  EXPECT_EQ("Rookwell: " + game, WaitTitle(r, "Rookwell: " + game));
  AppSettings settings;
  EXPECT_TRUE(LoadAppSettings(settingsPath, settings));
  EXPECT_EQ(OrderedGameModules(GameModules()).back().idValue, settings.lastGame);

  // The game's own rules text under its title.
  HWND rules = OpenDialog(r, 1005, game + " Instructions");
  ASSERT_NE(nullptr, rules);
  EXPECT_EQ(std::string::npos, tt::WindowText(GetDlgItem(rules, 4018)).find("Rookwell is a collection"));
  CloseDialog(rules, IDOK);
  Exit(r);

  // The next start begins with that game selected.
  r = StartRookwell(folder);
  ASSERT_NE(nullptr, r.window);
  EXPECT_EQ("Rookwell: " + game, WaitTitle(r, "Rookwell: " + game));
  Exit(r);
}

TEST(RookwellWindowTest, OptionsAndCardBackAreSaved) {
  std::string settingsPath = PerUserFolder() + "Rookwell.cfg";
  std::string folder = ProgramCopy("rookwell_options");
  Running r = StartRookwell(folder);
  ASSERT_NE(nullptr, r.window);
  HWND options = OpenDialog(r, 1004, "Rookwell Options");
  ASSERT_NE(nullptr, options);
  EXPECT_EQ("Card Shark", tt::WindowText(GetDlgItem(options, 4010)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(options, 4003)));  // no game, no game options
  struct Radio {
    int id;
    bool checked;
  } initial[] = {{4021, true}, {4002, false}, {4022, true}, {4013, false}, {4027, true}, {4012, true}, {4023, false}};
  for (const Radio& radio : initial)
    EXPECT_EQ(radio.checked, SendMessageA(GetDlgItem(options, radio.id), BM_GETCHECK, 0, 0) == BST_CHECKED) << radio.id;
  SendMessageA(GetDlgItem(options, 4010), WM_SETTEXT, 0, LPARAM(""));
  for (int id : {4002, 4013, 4025, 4023}) SendMessageA(GetDlgItem(options, id), BM_CLICK, 0, 0);

  PostMessageA(options, WM_COMMAND, 4020, 0);
  HWND backs = WaitDialog("Select Card Back", r.process.pid);
  ASSERT_NE(nullptr, backs);
  {
    // With the prefix's dialog font every back of both rows shows whole, Cancel below them.
    CardImages images;
    const int w = images.CardWidth(), h = images.CardHeight();
    RECT client = tt::ClientRectOf(backs);
    EXPECT_GE(client.right - client.left, 5 + 6 * (w + 5));
    RECT cancel = tt::ChildRect(backs, GetDlgItem(backs, IDCANCEL));
    EXPECT_GE(cancel.top, 2 * h + 10);
    EXPECT_LE(cancel.bottom, client.bottom - client.top);
    EXPECT_LE(cancel.right, client.right - client.left);
  }
  // Cards are 71 x 96: the gap between the first two backs chooses nothing.
  PostMessageA(backs, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(78, 50));
  Sleep(300);
  EXPECT_TRUE(IsWindow(backs));
  // The second back of the second row is design 62.
  PostMessageA(backs, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5 + 76 + 30, 96 + 10 + 40));
  EXPECT_TRUE(tt::WaitWindowGone(backs, 5000));
  CloseDialog(options, IDOK);

  AppSettings s;
  ASSERT_TRUE(LoadAppSettings(settingsPath, s));
  EXPECT_EQ("Card Shark", s.playerName);
  EXPECT_TRUE(s.fastSpeed);
  EXPECT_FALSE(s.soundOn);
  EXPECT_FALSE(s.showStatus);
  EXPECT_EQ(2, s.sortMode);
  EXPECT_EQ(62, s.cardBack);
  EXPECT_EQ(-1, s.lastGame);
  Exit(r);
}

// New Card Game opens on the game being played (the first game before any), so OK starts
// a game; the Hall of Fame opens on the current game's list and shows it.
TEST(RookwellWindowTest, DialogsOpenOnTheCurrentGame) {
  std::vector<std::string> titles = RegisteredTitles();
  if (titles.empty()) GTEST_SKIP() << "no game modules built";
  const std::string game = titles.back();
  const std::string hof = CommonFolder() + game + ".hof";
  ASSERT_TRUE(SaveHallOfFame(hof, HighScoreList{HighScoreEntry{"Persephone", "01/02/2026", 7}}));
  const std::string other = CommonFolder() + "Aaa Other Game.hof";
  ASSERT_TRUE(SaveHallOfFame(other, HighScoreList{HighScoreEntry{"Zeke", "01/02/2026", 3}}));

  std::string folder = ProgramCopy("rookwell_selected");
  Running r = StartRookwell(folder);
  ASSERT_NE(nullptr, r.window);
  HWND newGame = OpenDialog(r, 1003, "New Card Game");
  ASSERT_NE(nullptr, newGame);
  EXPECT_EQ(titles.front(), SelectedItem(GetDlgItem(newGame, 4005)));
  SendMessageA(GetDlgItem(newGame, 4005), LB_SETCURSEL, titles.size() - 1, 0);
  CloseDialog(newGame, IDOK);
  EXPECT_EQ("Rookwell: " + game, WaitTitle(r, "Rookwell: " + game));

  newGame = OpenDialog(r, 1003, "New Card Game");
  ASSERT_NE(nullptr, newGame);
  EXPECT_EQ(game, SelectedItem(GetDlgItem(newGame, 4005)));
  CloseDialog(newGame, IDCANCEL);

  HWND hall = OpenDialog(r, 1002, "Rookwell Hall Of Fame");
  ASSERT_NE(nullptr, hall);
  EXPECT_EQ(game, SelectedItem(GetDlgItem(hall, 4009)));
  // The painted area names the list it shows.
  HWND area = GetDlgItem(hall, 4019);
  for (int i = 0; i < 50 && tt::WindowText(area) != game + " High Scores"; ++i) Sleep(100);
  EXPECT_EQ(game + " High Scores", tt::WindowText(area));
  CloseDialog(hall, IDOK);
  Exit(r);
  DeleteFileA(hof.c_str());
  DeleteFileA(other.c_str());
}

// The games with their own bidding are listed, and each chosen in the real program deals
// and runs on.
TEST(RookwellWindowTest, BiddingGamesAreListedAndDeal) {
  if (RegisteredTitles().empty()) GTEST_SKIP() << "no game modules built";
  const std::string folder = ProgramCopy("rookwell_bidding");
  for (const char* game : {"Funny Game", "Klabberjass", "Euchre", "Rauber Skat"}) {
    SCOPED_TRACE(game);
    // No game chosen before: the program starts without a deal of its own.
    DeleteFileA((PerUserFolder() + "Rookwell.cfg").c_str());
    Running r = StartRookwell(folder);
    ASSERT_NE(nullptr, r.window);
    HWND newGame = OpenDialog(r, 1003, "New Card Game");
    ASSERT_NE(nullptr, newGame);
    const std::vector<std::string> items = ListItems(GetDlgItem(newGame, 4005));
    const auto at = std::find(items.begin(), items.end(), game);
    ASSERT_NE(items.end(), at);
    SendMessageA(GetDlgItem(newGame, 4005), LB_SETCURSEL, WPARAM(at - items.begin()), 0);
    CloseDialog(newGame, IDOK);
    EXPECT_EQ(std::string("Rookwell: ") + game, WaitTitle(r, std::string("Rookwell: ") + game));
    // Dealing and the first bids run on timers: the program is still there after them.
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(r.process.handle, 2000));
    tt::WaitExit(r.process, 0);
  }
  DeleteFileA((PerUserFolder() + "Rookwell.cfg").c_str());
}
