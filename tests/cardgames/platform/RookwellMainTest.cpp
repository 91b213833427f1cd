// The program's application object, main window and dialogs run in this process as the
// program runs them, with two probe games beside the real ones: the failure box, the
// repaint on choosing a game and the Hall of Fame's drawing area.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "AppFolders.h"
#include "CardImages.h"
#include "HallOfFame.h"
#include "RookwellApp.h"
#include "TestCanvas.h"
#include "TestTool.h"

namespace {

enum Fault { kNoFault, kTimerFault, kClickFault, kPaintFault, kRulesFault };
std::atomic<Fault> fault(kNoFault);  // where the probe game throws

const COLORREF kStripColour = RGB(255, 0, 0);

// Throws where `fault` says; paints a strip past the right edge of its table, as a pile
// laid out toward that edge may, and a card back in the table's corner.
class ProbeGame : public CardGame {
 public:
  ProbeGame(RandomSource& rng, HWND window) : CardGame(window, 1, 0, 0, 0, rng) {}
  ~ProbeGame() override {}
  void OnTimer() override { Raise(kTimerFault, "timer"); }
  void OnLButtonDown(LPARAM) override { Raise(kClickFault, "click"); }
  bool ShowRules(HWND) override {
    Raise(kRulesFault, "rules");
    return false;
  }
  void Paint(HDC hdc) override {
    Raise(kPaintFault, "paint");
    RECT strip = StripRect(tableRect);
    GdiBrush red(kStripColour);
    FillRect(hdc, &strip, red.Handle());
    if (cardImages) cardImages->DrawCard(hdc, BackAt(tableRect).x, BackAt(tableRect).y, CardImages::BackMode, 1);
  }
  static RECT StripRect(const RECT& table) { return {table.right + 2, table.top + 40, table.right + 10, table.top + 80}; }
  static POINT BackAt(const RECT& table) { return {table.left + 5, table.top + 5}; }

 private:
  static void Raise(Fault where, const char* what) {
    if (fault == where) throw std::runtime_error(std::string("probe ") + what);
  }
};

class PlainGame : public CardGame {
 public:
  PlainGame(RandomSource& rng, HWND window) : CardGame(window, 1, 0, 0, 0, rng) {}
  ~PlainGame() override {}
};

std::string ProbeName() { return "Probe Game"; }
std::string PlainName() { return "Plain Game"; }
std::int32_t ProbeId() { return 91001; }
std::int32_t PlainId() { return 91002; }
CardGame* CreateProbe(RandomSource& rng, std::uint32_t, HWND window) { return new ProbeGame(rng, window); }
CardGame* CreatePlain(RandomSource& rng, std::uint32_t, HWND window) { return new PlainGame(rng, window); }

// Runs the program as its entry does, the probe game chosen; drive gets the main window on
// a thread of its own while the message loop runs here. The program's result.
int RunProgram(const std::function<void(HWND)>& drive) {
  // Not a first start: the data files beside the test programs stay where they are.
  RegistryKey maker("Vintrell, LLC");
  std::string moved;
  if (!maker.ReadValue("Rookwell", "Path", moved)) maker.WriteValue("Rookwell", "Path", tt::ProgramDir());
  std::thread driver;
  std::string settings;
  const int code = RunGuarded([&]() {
    std::unique_ptr<RookwellApp> app(new RookwellApp(GetModuleHandleA(nullptr)));
    settings = app->SettingsPath();
    app->CreateMainWindow();
    app->settings.lastGame = ProbeId();
    app->RegisterGame(GameDescriptor{&ProbeName, &GameVersion, &ProbeId, &CreateProbe});
    app->RegisterGame(GameDescriptor{&PlainName, &GameVersion, &PlainId, &CreatePlain});
    ShowWindow(app->window, SW_SHOW);
    app->currentGame->Resume();
    driver = std::thread(drive, app->window);
    return RunMessageLoop();
  });
  if (driver.joinable()) driver.join();
  // A main window left by a failure goes, with the quit message its going posts.
  for (HWND left : tt::FindWindows("Rookwell", GetCurrentProcessId()))
    if (tt::ClassOf(left) == "Rookwell") DestroyWindow(left);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  DeleteFileA(settings.c_str());
  return code;
}

HWND WaitDialog(const std::string& title) { return tt::WaitForWindow("#32770", title, 10000, GetCurrentProcessId()); }

// Selects the line in a list box of a dialog and tells the dialog, as a click does.
void SelectLine(HWND dialog, int listId, const std::string& line) {
  HWND list = GetDlgItem(dialog, listId);
  LRESULT at = SendMessageA(list, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(line.c_str()));
  ASSERT_NE(LB_ERR, at) << line;
  SendMessageA(list, LB_SETCURSEL, WPARAM(at), 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(listId, LBN_SELCHANGE), LPARAM(list));
}

COLORREF PixelOf(HWND window, int x, int y) {
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW);
  HDC dc = GetDC(window);
  COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return c;
}

// Whether every point of a grid over the card back at the corner of the window's table
// shows the design as the card images draw it. (The images live as long as the
// program's: the card library ends for the whole process when one of them goes.)
bool ShowsBack(HWND window, CardImages& images, int design) {
  images.SetBack(design);
  tc::Canvas own(images.CardWidth(), images.CardHeight());
  images.DrawCard(own.dc(), 0, 0, CardImages::BackMode, 1);
  const POINT at = ProbeGame::BackAt(RECT{12, 12, 611, 491});
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW);
  HDC dc = GetDC(window);
  bool same = true;
  for (int y = 4; y < images.CardHeight() - 4; y += 9)
    for (int x = 4; x < images.CardWidth() - 4; x += 9) same = same && GetPixel(dc, at.x + x, at.y + y) == own.At(x, y);
  ReleaseDC(window, dc);
  return same;
}

}  // namespace

// A failure in a game's timer, mouse or paint code or in a dialog shows its box, which
// stays until OK; then the program ends with 1.
TEST(RookwellMainTest, FailureBoxStaysUntilOk) {
  const struct {
    Fault where;
    const char* text;
  } cases[] = {
      {kTimerFault, "Game Failure: Runtime Error(probe timer)"},
      {kClickFault, "Game Failure: Runtime Error(probe click)"},
      {kPaintFault, "Game Failure: Runtime Error(probe paint)"},
      {kRulesFault, "Game Failure: Runtime Error(probe rules)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    fault = kNoFault;
    bool found = false, says = false, stayed = false;
    const int code = RunProgram([&](HWND window) {
      Sleep(300);
      fault = c.where;
      if (c.where == kClickFault) PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
      if (c.where == kPaintFault) InvalidateRect(window, nullptr, FALSE);
      if (c.where == kRulesFault) PostMessageA(window, WM_COMMAND, 1005, 0);
      HWND box = WaitDialog("Rookwell");
      found = box != nullptr;
      if (!box) return;
      for (const std::string& text : tt::ControlTexts(box)) says = says || text == c.text;
      Sleep(1500);
      stayed = IsWindow(box) && IsWindowVisible(box);
      if (stayed) tt::ClickButtonId(box, IDOK);
    });
    fault = kNoFault;
    EXPECT_TRUE(found);
    EXPECT_TRUE(says);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(1, code);
  }
}

// What the previous game drew outside its table goes when another game is chosen.
TEST(RookwellMainTest, ChoosingAGameRepaintsTheWholeWindow) {
  fault = kNoFault;
  COLORREF before = 0, after = 0;
  std::string title;
  const int code = RunProgram([&](HWND window) {
    Sleep(300);
    RECT table = {12, 12, 611, 491};
    RECT strip = ProbeGame::StripRect(table);
    before = PixelOf(window, strip.left + 3, strip.top + 10);
    PostMessageA(window, WM_COMMAND, 1003, 0);
    if (HWND chooser = WaitDialog("New Card Game")) {
      SelectLine(chooser, 4005, PlainName());
      tt::ClickButtonId(chooser, IDOK);
      tt::WaitWindowGone(chooser, 5000);
    }
    tt::WaitUntil([&]() { return tt::WindowText(window) == "Rookwell: Plain Game"; }, 5000);
    title = tt::WindowText(window);
    after = PixelOf(window, strip.left + 3, strip.top + 10);
    PostMessageA(window, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(0, code);
  EXPECT_EQ("Rookwell: Plain Game", title);
  EXPECT_EQ(kStripColour, before);
  EXPECT_NE(kStripColour, after);
}

// A back chosen in Select Card Back shows on the table at once, when Options is then
// left with Cancel as with OK; the choice holds either way.
TEST(RookwellMainTest, AChosenCardBackIsPaintedOnTheTable) {
  fault = kNoFault;
  CardImages images;
  for (int leave : {IDCANCEL, IDOK}) {
    SCOPED_TRACE(leave == IDOK ? "OK" : "Cancel");
    bool before = false, after = false, afterOld = true;
    int chosen = 0, kept = 0;
    const int code = RunProgram([&](HWND window) {
      RookwellApp* app = RookwellApp::FromWindow(window);
      Sleep(300);
      const int old = app->cardImages->Back();
      // The second back of the second row (62), or of the first (55) when 62 is shown.
      chosen = old == 62 ? 55 : 62;
      before = ShowsBack(window, images, old);
      PostMessageA(window, WM_COMMAND, 1004, 0);
      HWND options = WaitDialog("Rookwell Options");
      if (options) {
        PostMessageA(options, WM_COMMAND, 4020, 0);
        if (HWND backs = WaitDialog("Select Card Back")) {
          const int y = chosen == 55 ? 50 : images.CardHeight() + 10 + 40;
          PostMessageA(backs, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5 + images.CardWidth() + 5 + 30, y));
          tt::WaitWindowGone(backs, 5000);
        }
        tt::ClickButtonId(options, leave);
        tt::WaitWindowGone(options, 5000);
      }
      after = ShowsBack(window, images, chosen);
      afterOld = ShowsBack(window, images, old);
      kept = app->settings.cardBack;
      PostMessageA(window, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(0, code);
    EXPECT_TRUE(before);
    EXPECT_TRUE(after);
    EXPECT_FALSE(afterOld);
    EXPECT_EQ(chosen, kept);
  }
}

// A list that cannot be shown is drawn like a full one, headings and all, without rows.
TEST(RookwellMainTest, HallOfFameDrawsHeadingsOverAnEmptyList) {
  fault = kNoFault;
  int headingPixels = -1;
  std::string file;
  const int code = RunProgram([&](HWND window) {
    RookwellApp* app = RookwellApp::FromWindow(window);
    file = app->appInfo.CommonDataFolder() + "Probe Damaged.hof";
    tt::WriteFile(file, "not a list");
    PostMessageA(window, WM_COMMAND, 1002, 0);
    HWND hall = WaitDialog("Rookwell Hall Of Fame");
    if (hall) {
      SelectLine(hall, 4009, "Probe Damaged");
      HWND area = GetDlgItem(hall, 4019);
      RECT client = tt::ClientRectOf(area);
      RedrawWindow(area, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      HDC dc = GetDC(area);
      headingPixels = 0;
      for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x) headingPixels += GetPixel(dc, x, y) == RGB(0, 255, 255);
      ReleaseDC(area, dc);
      tt::ClickButtonId(hall, IDOK);
      tt::WaitWindowGone(hall, 5000);
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
  });
  DeleteFileA(file.c_str());
  EXPECT_EQ(0, code);
  EXPECT_GT(headingPixels, 20);
}

// A name as wide as its column ends clear of a negative score's minus sign: the columns
// where the line of -590 has ink that the line of 590 with the same name has not begin
// well after the name's last ink.
TEST(RookwellMainTest, HallOfFameNamesEndClearOfTheMinusSign) {
  fault = kNoFault;
  int nameRight = -1, minusLeft = -1;
  std::string file;
  const int code = RunProgram([&](HWND window) {
    RookwellApp* app = RookwellApp::FromWindow(window);
    file = app->appInfo.CommonDataFolder() + "Probe Scores.hof";
    const std::string name = "Maximilian Alexander";
    SaveHallOfFame(file, HighScoreList{{name, "01/02/2026", 590}, {name, "01/02/2026", -590}});
    PostMessageA(window, WM_COMMAND, 1002, 0);
    HWND hall = WaitDialog("Rookwell Hall Of Fame");
    if (hall) {
      SelectLine(hall, 4009, "Probe Scores");
      HWND area = GetDlgItem(hall, 4019);
      RedrawWindow(area, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      HDC dc = GetDC(area);
      HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageA(hall, WM_GETFONT, 0, 0)));
      TEXTMETRICA tm;
      GetTextMetricsA(dc, &tm);
      SelectObject(dc, old);
      const int h = tm.tmHeight + tm.tmExternalLeading, a = tm.tmAveCharWidth;
      auto ink = [&](int entry, int x) {
        for (int y = (entry + 1) * h; y < (entry + 2) * h; ++y)
          if (GetPixel(dc, x, y) == RGB(255, 255, 255)) return true;
        return false;
      };
      for (int x = 5 * a; x < 23 * a; ++x) {
        if (ink(1, x)) nameRight = x;
        if (minusLeft < 0 && ink(2, x) && !ink(1, x)) minusLeft = x;
      }
      ReleaseDC(area, dc);
      tt::ClickButtonId(hall, IDOK);
      tt::WaitWindowGone(hall, 5000);
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
  });
  DeleteFileA(file.c_str());
  EXPECT_EQ(0, code);
  ASSERT_GT(nameRight, 0);
  EXPECT_GE(minusLeft - nameRight, 4) << "name to " << nameRight << ", minus from " << minusLeft;
}
