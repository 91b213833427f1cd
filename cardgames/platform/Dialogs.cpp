// The program's dialogs: About, New Card Game, Options, Select Card Back, Rules and the
// Hall of Fame.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <vector>

#include "HallOfFame.h"
#include "RookwellApp.h"
#include "Window.h"
#include "resource.h"

namespace {

RookwellApp* AppOf(HWND dialog) { return reinterpret_cast<RookwellApp*>(GetWindowLongPtrA(dialog, GWLP_USERDATA)); }

// Over the main window, else over the parent or on the screen.
void CenterDialog(HWND dialog, RookwellApp* app) {
  if (app && app->window && IsWindow(app->window))
    CenterWindowOver(dialog, app->window);
  else
    CenterOverParentOrScreen(dialog);
}

RookwellApp* StoreApp(HWND dialog, LPARAM lParam) {
  RookwellApp* app = reinterpret_cast<RookwellApp*>(lParam);
  SetWindowLongPtrA(dialog, GWLP_USERDATA, LONG_PTR(app));
  return app;
}

LRESULT OnCancel(HWND hwnd, WPARAM, LPARAM) {
  EndDialog(hwnd, 0);
  return TRUE;
}

INT_PTR Guarded(const MessageMap& map, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    return DispatchMessageMap(map, hwnd, msg, wParam, lParam);
  } catch (...) {
    RookwellApp::NoteFailure();
    return FALSE;
  }
}

// Ends a dialog with 1 and frees the state record kept in its user data.
template <class State>
LRESULT EndWithState(HWND dialog) {
  State* state = reinterpret_cast<State*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
  EndDialog(dialog, 1);
  SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);
  delete state;
  return TRUE;
}

std::string ItemText(HWND dialog, int id) {
  char buffer[1025] = {};
  GetDlgItemTextA(dialog, id, buffer, sizeof(buffer));
  return buffer;
}

// ---- About

struct AboutState {
  RookwellApp* app;
  GdiFont boldFont;
};

AboutState* AboutOf(HWND dialog) { return reinterpret_cast<AboutState*>(GetWindowLongPtrA(dialog, GWLP_USERDATA)); }

std::string VersionValue(HINSTANCE module, const std::string& query) {
  char path[MAX_PATH + 1];
  DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::string();
  path[n] = '\0';
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(path, &handle);
  if (!size) return std::string();
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(path, 0, size, block.data())) return std::string();
  char* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
    return std::string();
  return std::string(value, strnlen(value, length));
}

LRESULT AboutInit(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
  RookwellApp* app = reinterpret_cast<RookwellApp*>(lParam);
  AboutState* state = new AboutState{app, {}};
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, LONG_PTR(state));
  CenterDialog(hwnd, app);
  HWND list = GetDlgItem(hwnd, IDC_LIST);
  for (const GameDescriptor& game : app->gameList)
    SendMessageA(list, LB_ADDSTRING, 0, LPARAM((game.name() + " " + game.version()).c_str()));
  if (app->gameList.empty())
    SendMessageA(list, LB_ADDSTRING, 0, LPARAM(LoadResourceString(app->instance, IDS_NO_GAMES).c_str()));
  std::string prefix = LoadResourceString(app->instance, IDS_VERSION_QUERY);
  for (int id = IDC_VERSION_DESCRIPTION; id <= IDC_VERSION_LEGAL; ++id)
    SetDlgItemTextA(hwnd, id, VersionValue(app->instance, prefix + ItemText(hwnd, id)).c_str());
  HDC dc = GetDC(hwnd);
  int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(hwnd, dc);
  state->boldFont.Create("Arial", -(dpi / 9), FW_BOLD);
  SendDlgItemMessageA(hwnd, IDC_VERSION_LEGAL, WM_SETFONT, WPARAM(state->boldFont.Handle()), TRUE);
  return TRUE;
}

LRESULT AboutDone(HWND hwnd, WPARAM, LPARAM) { return EndWithState<AboutState>(hwnd); }

LRESULT AboutHelp(HWND hwnd, WPARAM, LPARAM) {
  RookwellApp* app = AboutOf(hwnd)->app;
  if (app->currentGame) app->currentGame->Pause();
  app->showHelp = true;
  RunDialog(app, hwnd, IDD_RULES, RulesDialogProc);
  app->showHelp = false;
  if (app->currentGame) app->currentGame->Resume();
  return TRUE;
}

LRESULT AboutWebSite(HWND hwnd, WPARAM, LPARAM) {
  RookwellApp* app = AboutOf(hwnd)->app;
  ShellExecuteA(hwnd, "open", LoadResourceString(app->instance, IDS_WEB_SITE).c_str(), nullptr, nullptr, SW_SHOW);
  return TRUE;
}

LRESULT AboutUpdate(HWND hwnd, WPARAM, LPARAM) {
  RookwellApp* app = AboutOf(hwnd)->app;
  // Quoted: the program folder may hold spaces.
  std::string command = "\"" + app->appInfo.ProgramFolder() + "rwupdate.exe\" /TEST=2";
  try {
    RunProgram(command, SW_SHOWNORMAL, true);
  } catch (const std::runtime_error&) {
    ShowInfo(hwnd, IDS_NO_UPDATES);
  }
  return TRUE;
}

const MessageMapEntry kAboutMessages[] = {{WM_INITDIALOG, &AboutInit}, {}};
const MessageMapEntry kAboutCommands[] = {
    {IDOK, &AboutDone}, {IDC_ABOUT_HELP, &AboutHelp}, {IDC_WEB_SITE, &AboutWebSite}, {IDC_UPDATE, &AboutUpdate}, {}};
const MessageMap kAboutMap = {kAboutMessages, kAboutCommands};

// ---- Hall of Fame

struct HallOfFameState {
  RookwellApp* app;
  std::string title;
};

HallOfFameState* HallOfFameOf(HWND dialog) {
  return reinterpret_cast<HallOfFameState*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

void PaintScores(HWND area, HallOfFameState* state) {
  SetWindowTextA(area, (state->title + " High Scores").c_str());
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(area, &ps);
  RECT client;
  if (GetClientRect(area, &client)) {
    MemoryBitmap offScreen(hdc, client);
    HDC dc = offScreen.Dc();
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    // No list (none chosen, or its file is missing or damaged) is drawn as an empty one.
    HighScoreList list;
    if (!state->title.empty()) LoadHallOfFame(GetHallOfFamePath(state->app->appInfo, state->title), list);
    {
      HGDIOBJ oldFont = SelectObject(dc, HGDIOBJ(SendMessageA(GetParent(area), WM_GETFONT, 0, 0)));
      TEXTMETRICA tm;
      GetTextMetricsA(dc, &tm);
      int h = tm.tmHeight + tm.tmExternalLeading, a = tm.tmAveCharWidth;
      int oldMode = SetBkMode(dc, TRANSPARENT);
      COLORREF oldColour = SetTextColor(dc, 0xFFFF00);
      TextOutA(dc, 5 * a, h, "Name", 4);
      TextOutA(dc, 23 * a, h, "Score", 5);
      TextOutA(dc, 31 * a, h, "Date", 4);
      SetTextColor(dc, 0xFFFFFF);
      // A minus sign stands against the digits; names end 2 pixels before it, cut short
      // with an ellipsis where they are longer.
      SIZE minus = {};
      GetTextExtentPoint32A(dc, "-", 1, &minus);
      for (size_t k = 1; k <= list.size(); ++k) {
        const HighScoreEntry& entry = list[k - 1];
        int y = int(k + 1) * h;
        std::string place = " " + std::to_string(k) + ")";
        TextOutA(dc, a, y, place.c_str(), int(place.size()));
        RECT name = {5 * a, y, 23 * a - minus.cx - 2, y + h};
        DrawTextA(dc, entry.name.c_str(), int(entry.name.size()), &name, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        if (entry.score < 0) TextOutA(dc, 23 * a - minus.cx, y, "-", 1);
        char digits[16];
        snprintf(digits, sizeof(digits), "%05lld", std::llabs(static_cast<long long>(entry.score)));
        TextOutA(dc, 23 * a, y, digits, int(strlen(digits)));
        TextOutA(dc, 31 * a, y, entry.date.c_str(), int(entry.date.size()));
      }
      SetTextColor(dc, oldColour);
      SetBkMode(dc, oldMode);
      SelectObject(dc, oldFont);
    }
  }
  EndPaint(area, &ps);
}

LRESULT CALLBACK ScoresAreaProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    HallOfFameState* state = HallOfFameOf(GetParent(hwnd));
    if (state) {
      PaintScores(hwnd, state);
      return 0;
    }
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT HallOfFameInit(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
  RookwellApp* app = reinterpret_cast<RookwellApp*>(lParam);
  HallOfFameState* state = new HallOfFameState{app, std::string()};
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, LONG_PTR(state));
  SetWindowLongPtrA(GetDlgItem(hwnd, IDC_SCORES), GWLP_WNDPROC, LONG_PTR(&ScoresAreaProc));
  HWND list = GetDlgItem(hwnd, IDC_LIST);
  int count = 0;
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((app->appInfo.CommonDataFolder() + "*.hof").c_str(), &found);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      SendMessageA(list, LB_ADDSTRING, 0, LPARAM(name.substr(0, name.find('.')).c_str()));
      ++count;
    } while (FindNextFileA(h, &found));
    FindClose(h);
  }
  if (!count) SendMessageA(list, LB_ADDSTRING, 0, LPARAM("No High Scores"));
  // Opens on the current game's list, else on the first one there is.
  if (count) {
    LRESULT sel = SendMessageA(list, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(app->CurrentTitle().c_str()));
    if (app->CurrentTitle().empty() || sel == LB_ERR) sel = 0;
    SendMessageA(list, LB_SETCURSEL, WPARAM(sel), 0);
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_LIST, LBN_SELCHANGE), LPARAM(list));
  }
  CenterOverParentOrScreen(hwnd);
  return TRUE;
}

LRESULT HallOfFameList(HWND hwnd, WPARAM wParam, LPARAM) {
  if (HIWORD(wParam) != LBN_SELCHANGE) return FALSE;
  HallOfFameState* state = HallOfFameOf(hwnd);
  HWND list = GetDlgItem(hwnd, IDC_LIST);
  LRESULT sel = SendMessageA(list, LB_GETCURSEL, 0, 0);
  if (sel == LB_ERR) return FALSE;
  LRESULT length = SendMessageA(list, LB_GETTEXTLEN, WPARAM(sel), 0);
  std::vector<char> text(size_t(length > 0 ? length : 0) + 1);
  SendMessageA(list, LB_GETTEXT, WPARAM(sel), LPARAM(text.data()));
  state->title = text.data();
  InvalidateRect(GetDlgItem(hwnd, IDC_SCORES), nullptr, FALSE);
  return TRUE;
}

LRESULT HallOfFameOk(HWND hwnd, WPARAM, LPARAM) { return EndWithState<HallOfFameState>(hwnd); }

const MessageMapEntry kHallOfFameMessages[] = {{WM_INITDIALOG, &HallOfFameInit}, {}};
const MessageMapEntry kHallOfFameCommands[] = {{IDOK, &HallOfFameOk}, {IDC_LIST, &HallOfFameList}, {}};
const MessageMap kHallOfFameMap = {kHallOfFameMessages, kHallOfFameCommands};

// ---- New Card Game

LRESULT NewGameInit(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
  RookwellApp* app = StoreApp(hwnd, lParam);
  HWND list = GetDlgItem(hwnd, IDC_GAME_LIST);
  for (const GameDescriptor& game : app->gameList) {
    LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, LPARAM(game.name().c_str()));
    SendMessageA(list, LB_SETITEMDATA, WPARAM(index), LPARAM(game.idValue));
    if (game.idValue == app->settings.lastGame) SendMessageA(list, LB_SETCURSEL, WPARAM(index), 0);
  }
  if (app->gameList.empty())
    SendMessageA(list, LB_ADDSTRING, 0, LPARAM(LoadResourceString(app->instance, IDS_NO_GAMES).c_str()));
  // No game played before: the first one, so that OK always starts a game.
  else if (SendMessageA(list, LB_GETCURSEL, 0, 0) == LB_ERR)
    SendMessageA(list, LB_SETCURSEL, 0, 0);
  CenterDialog(hwnd, app);
  return TRUE;
}

LRESULT NewGameOk(HWND hwnd, WPARAM, LPARAM) {
  RookwellApp* app = AppOf(hwnd);
  HWND list = GetDlgItem(hwnd, IDC_GAME_LIST);
  LRESULT sel = SendMessageA(list, LB_GETCURSEL, 0, 0);
  INT_PTR result = -1;
  if (sel != LB_ERR && !app->gameList.empty()) result = INT_PTR(SendMessageA(list, LB_GETITEMDATA, WPARAM(sel), 0));
  EndDialog(hwnd, result);
  return TRUE;
}

LRESULT NewGameList(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == LBN_DBLCLK) return NewGameOk(hwnd, wParam, lParam);
  return FALSE;
}

LRESULT NewGameCancel(HWND hwnd, WPARAM, LPARAM) {
  EndDialog(hwnd, -1);
  return TRUE;
}

const MessageMapEntry kNewGameMessages[] = {{WM_INITDIALOG, &NewGameInit}, {}};
const MessageMapEntry kNewGameCommands[] = {
    {IDC_GAME_LIST, &NewGameList}, {IDOK, &NewGameOk}, {IDCANCEL, &NewGameCancel}, {}};
const MessageMap kNewGameMap = {kNewGameMessages, kNewGameCommands};

// ---- Select Card Back

const int kBackRows[2][6] = {{54, 55, 56, 58, 59, 60}, {61, 62, 63, 64, 65, 67}};

// The dialog's size comes from its font: it grows until both rows show whole, with Cancel
// below them at its margins from the corner.
void FitCardBacks(HWND dialog, const CardImages& images) {
  HWND cancel = GetDlgItem(dialog, IDCANCEL);
  RECT client, button, frame;
  if (!cancel || !GetClientRect(dialog, &client) || !GetWindowRect(cancel, &button) ||
      !GetWindowRect(dialog, &frame))
    return;
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&button), 2);
  const int right = client.right - button.right, bottom = client.bottom - button.bottom;
  const int buttonWidth = button.right - button.left, buttonHeight = button.bottom - button.top;
  const int w = images.CardWidth(), h = images.CardHeight();
  const int width = std::max<int>(client.right, 5 + 6 * (w + 5));
  const int height = std::max<int>(client.bottom, 2 * h + 10 + 2 * bottom + buttonHeight);
  SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left + width - client.right,
               frame.bottom - frame.top + height - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(cancel, nullptr, width - right - buttonWidth, height - bottom - buttonHeight, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CardBackInit(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
  RookwellApp* app = StoreApp(hwnd, lParam);
  if (app && app->cardImages) FitCardBacks(hwnd, *app->cardImages);
  CenterDialog(hwnd, app);
  return TRUE;
}

LRESULT CardBackPaint(HWND hwnd, UINT, WPARAM, LPARAM) {
  RookwellApp* app = AppOf(hwnd);
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  RECT client;
  if (app && GetClientRect(hwnd, &client)) {
    MemoryBitmap offScreen(hdc, client);
    GdiBrush grey(0xC0C0C0);
    FillRect(offScreen.Dc(), &client, grey.Handle());
    const CardImages& images = *app->cardImages;
    int w = images.CardWidth(), h = images.CardHeight();
    for (int row = 0; row < 2; ++row)
      for (int i = 0; i < 6; ++i)
        images.DrawCard(offScreen.Dc(), 5 + i * (w + 5), row ? h + 10 : 5, CardImages::BackMode, kBackRows[row][i]);
  }
  EndPaint(hwnd, &ps);
  return 0;
}

LRESULT CardBackClick(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
  RookwellApp* app = AppOf(hwnd);
  int x = short(LOWORD(lParam)), y = short(HIWORD(lParam));
  int w = app->cardImages->CardWidth(), h = app->cardImages->CardHeight();
  int row = -1;
  if (5 < y && y < h + 5) row = 0;
  if (h + 10 < y && y < 2 * h + 10) row = 1;
  if (row < 0) return 0;
  for (int i = 0; i < 6; ++i) {
    int left = 5 + i * (w + 5);
    if (left < x && x < left + w) {
      app->settings.cardBack = kBackRows[row][i];
      app->cardImages->SetBack(kBackRows[row][i]);
      // The backs on the table change with it, however the dialogs above are left.
      if (app->window) InvalidateRect(app->window, &app->tableRect, FALSE);
      EndDialog(hwnd, 0);
      return 0;
    }
  }
  return 0;
}

const MessageMapEntry kCardBackMessages[] = {
    {WM_INITDIALOG, &CardBackInit}, {WM_LBUTTONDOWN, &CardBackClick}, {WM_PAINT, &CardBackPaint}, {}};
const MessageMapEntry kCardBackCommands[] = {{IDCANCEL, &OnCancel}, {}};
const MessageMap kCardBackMap = {kCardBackMessages, kCardBackCommands};

// ---- Options

LRESULT OptionsInit(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
  RookwellApp* app = StoreApp(hwnd, lParam);
  const AppSettings& s = app->settings;
  EnableWindow(GetDlgItem(hwnd, IDC_GAME_OPTIONS), app->currentGame && app->currentGame->HasOptions());
  HWND name = GetDlgItem(hwnd, IDC_PLAYER_NAME);
  SetWindowTextA(name, s.playerName.c_str());
  SendMessageA(name, EM_SETSEL, 0, -1);
  SetFocus(name);
  CheckDlgButton(hwnd, s.fastSpeed ? IDC_SPEED_FAST : IDC_SPEED_SLOW, BST_CHECKED);
  CheckDlgButton(hwnd, s.soundOn ? IDC_SOUND_ON : IDC_SOUND_OFF, BST_CHECKED);
  CheckDlgButton(hwnd, s.showStatus ? IDC_STATUS_SHOW : IDC_STATUS_HIDE, BST_CHECKED);
  int sort = s.sortMode == 1 ? IDC_SORT_SHCD : s.sortMode == 2 ? IDC_SORT_RANK : IDC_SORT_CDSH;
  CheckDlgButton(hwnd, sort, BST_CHECKED);
  CenterDialog(hwnd, app);
  return FALSE;  // the focus is set
}

LRESULT OptionsOk(HWND hwnd, WPARAM, LPARAM) {
  RookwellApp* app = AppOf(hwnd);
  AppSettings& s = app->settings;
  s.playerName = ItemText(hwnd, IDC_PLAYER_NAME);
  if (s.playerName.empty()) s.playerName = kDefaultPlayerName;
  s.fastSpeed = IsDlgButtonChecked(hwnd, IDC_SPEED_FAST) == BST_CHECKED;
  s.soundOn = IsDlgButtonChecked(hwnd, IDC_SOUND_ON) == BST_CHECKED;
  s.showStatus = IsDlgButtonChecked(hwnd, IDC_STATUS_SHOW) == BST_CHECKED;
  s.sortMode = IsDlgButtonChecked(hwnd, IDC_SORT_CDSH) == BST_CHECKED   ? 0
               : IsDlgButtonChecked(hwnd, IDC_SORT_SHCD) == BST_CHECKED ? 1
                                                                          : 2;
  if (CardGame* game = app->currentGame.get()) {
    game->soundOn = s.soundOn;
    game->fastSpeed = s.fastSpeed;
    game->showStatusLines = s.showStatus;
    game->SetSortMode(s.sortMode);
  }
  app->SaveSettings();
  EndDialog(hwnd, 1);
  return TRUE;
}

LRESULT OptionsGame(HWND hwnd, WPARAM, LPARAM) {
  RookwellApp* app = AppOf(hwnd);
  if (app->currentGame) app->currentGame->ShowOptions(hwnd);
  return TRUE;
}

LRESULT OptionsCardBacks(HWND hwnd, WPARAM, LPARAM) {
  RunDialog(AppOf(hwnd), hwnd, IDD_CARD_BACK, CardBackDialogProc);
  return TRUE;
}

const MessageMapEntry kOptionsMessages[] = {{WM_INITDIALOG, &OptionsInit}, {}};
const MessageMapEntry kOptionsCommands[] = {{IDOK, &OptionsOk},
                                            {IDCANCEL, &OnCancel},
                                            {IDC_CARD_BACKS, &OptionsCardBacks},
                                            {IDC_GAME_OPTIONS, &OptionsGame},
                                            {}};
const MessageMap kOptionsMap = {kOptionsMessages, kOptionsCommands};

// ---- Rules

const char kPreviousProc[] = "RwPreviousProc";

LRESULT Swallow(HWND, UINT, WPARAM, LPARAM) { return 1; }
LRESULT NoDialogCodes(HWND, UINT, WPARAM, LPARAM) { return 0; }

const MessageMapEntry kRulesTextMessages[] = {
    {WM_GETDLGCODE, &NoDialogCodes}, {WM_KEYDOWN, &Swallow},     {WM_KEYUP, &Swallow},       {WM_CHAR, &Swallow},
    {WM_LBUTTONDOWN, &Swallow},      {WM_LBUTTONUP, &Swallow},   {WM_LBUTTONDBLCLK, &Swallow}, {WM_CUT, &Swallow},
    {WM_COPY, &Swallow},             {WM_PASTE, &Swallow},       {}};
const MessageMap kRulesTextMap = {kRulesTextMessages, nullptr};

LRESULT CALLBACK RulesTextProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = reinterpret_cast<WNDPROC>(GetPropA(hwnd, kPreviousProc));
  if (msg == WM_NCDESTROY) {
    RemovePropA(hwnd, kPreviousProc);
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, LONG_PTR(previous));
    return CallWindowProcA(previous, hwnd, msg, wParam, lParam);
  }
  return DispatchSubclassMessageMap(kRulesTextMap, previous, hwnd, msg, wParam, lParam);
}

LRESULT RulesInit(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
  RookwellApp* app = StoreApp(hwnd, lParam);
  std::string title = app->showHelp ? std::string() : app->CurrentTitle();
  if (title.empty()) title = LoadResourceString(app->instance, IDS_DISPLAY_NAME);
  SetWindowTextA(hwnd, (title + app->rulesSuffix).c_str());
  HWND box = GetDlgItem(hwnd, IDC_RULES_TEXT);
  bool filled = !app->showHelp && app->currentGame && app->currentGame->ShowRules(box);
  if (!filled) ShowRulesText(app->window, IDT_HELP, box);
  SetPropA(box, kPreviousProc, HANDLE(GetWindowLongPtrA(box, GWLP_WNDPROC)));
  SetWindowLongPtrA(box, GWLP_WNDPROC, LONG_PTR(&RulesTextProc));
  CenterDialog(hwnd, app);
  return TRUE;
}

LRESULT RulesOk(HWND hwnd, WPARAM, LPARAM) {
  EndDialog(hwnd, 1);
  return TRUE;
}

const MessageMapEntry kRulesMessages[] = {{WM_INITDIALOG, &RulesInit}, {}};
const MessageMapEntry kRulesCommands[] = {{IDOK, &RulesOk}, {}};
const MessageMap kRulesMap = {kRulesMessages, kRulesCommands};

}  // namespace

INT_PTR CALLBACK AboutDialogProc(HWND h, UINT m, WPARAM w, LPARAM l) { return Guarded(kAboutMap, h, m, w, l); }
INT_PTR CALLBACK HallOfFameDialogProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  return Guarded(kHallOfFameMap, h, m, w, l);
}
INT_PTR CALLBACK NewGameDialogProc(HWND h, UINT m, WPARAM w, LPARAM l) { return Guarded(kNewGameMap, h, m, w, l); }
INT_PTR CALLBACK CardBackDialogProc(HWND h, UINT m, WPARAM w, LPARAM l) { return Guarded(kCardBackMap, h, m, w, l); }
INT_PTR CALLBACK OptionsDialogProc(HWND h, UINT m, WPARAM w, LPARAM l) { return Guarded(kOptionsMap, h, m, w, l); }
INT_PTR CALLBACK RulesDialogProc(HWND h, UINT m, WPARAM w, LPARAM l) { return Guarded(kRulesMap, h, m, w, l); }
