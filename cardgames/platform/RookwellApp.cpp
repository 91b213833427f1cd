#include "RookwellApp.h"

#include <new>
#include <stdexcept>

#include "HallOfFame.h"
#include "Window.h"
#include "resource.h"

std::exception_ptr RookwellApp::failure_;

namespace {

const char kMaker[] = "Vintrell, LLC";

struct ButtonPlace {
  const char* text;
  int command;
  int x;
};
// Created in this order; all at y 511, 90 x 30.
const ButtonPlace kButtons[RookwellApp::kButtonCount] = {
    {"New Game", 1003, 25}, {"Hall of Fame", 1002, 155}, {"Options", 1004, 285},
    {"Rules", 1005, 415},   {"About...", 1000, 545},     {"Exit", 1001, 675},
};
enum Command { kAbout = 1000, kExit = 1001, kHallOfFame = 1002, kNewGame = 1003, kOptions = 1004, kRules = 1005 };

std::uint32_t RecordScore(HWND window, const std::string& gameName, std::int32_t score, const std::string& playerName,
                          bool lowerIsBetter) {
  return std::uint32_t(RecordHighScore(GetHallOfFamePath(window, gameName), score, playerName, lowerIsBetter));
}

LRESULT OnCreate(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
  RookwellApp* app = static_cast<RookwellApp*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, LONG_PTR(app));
  app->window = hwnd;
  CardGame* game = nullptr;
  try {
    game = app->SelectGame(nullptr);
  } catch (const std::bad_alloc&) {
  }
  if (!game) {
    ShowError(hwnd, IDS_NO_MEMORY);
    return -1;
  }
  app->currentGame.reset(game);
  for (int i = 0; i < RookwellApp::kButtonCount; ++i) {
    BitmapButton& button = *app->buttons[i];
    button.SetFont("Arial", 14, FW_BOLD);
    button.SetColours(0x800000, 0xFFFFFF, 0x808080);
    button.SetFrame(2, 1, 2);
    button.SetBehaviour(BitmapButton::Push);
    button.Create(hwnd, kButtons[i].x, 511, 90, 30);
  }
  RECT client;
  GetClientRect(hwnd, &client);
  SetWindowPos(hwnd, nullptr, 0, 0, 2 * RookwellApp::kWidth - client.right, 2 * RookwellApp::kHeight - client.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CenterOverParentOrScreen(hwnd);
  if (!SetTimer(hwnd, RookwellApp::kTimerId, 100, nullptr)) {
    ShowError(hwnd, IDS_NO_TIMER);
    return -1;
  }
  return 0;
}

CardGame* GameOf(HWND hwnd) {
  RookwellApp* app = RookwellApp::FromWindow(hwnd);
  return app ? app->currentGame.get() : nullptr;
}

LRESULT OnClose(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CardGame* game = GameOf(hwnd);
  if (!game || game->ConfirmQuit()) return DefWindowProcA(hwnd, msg, wParam, lParam);
  return 0;
}

LRESULT OnDestroy(HWND hwnd, UINT, WPARAM, LPARAM) {
  KillTimer(hwnd, RookwellApp::kTimerId);
  PostQuitMessage(0);
  return 0;
}

LRESULT OnMouse(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CardGame* game = GameOf(hwnd);
  if (!game) return 0;
  switch (msg) {
    case WM_LBUTTONDOWN: game->OnLButtonDown(lParam); break;
    case WM_LBUTTONUP: game->OnLButtonUp(lParam); break;
    case WM_RBUTTONDOWN: game->OnRButtonDown(lParam); break;
    case WM_RBUTTONUP: game->OnRButtonUp(lParam); break;
    case WM_MOUSEMOVE:
      game->OnMouseMove(wParam, lParam);
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
  return 0;
}

LRESULT OnPaint(HWND hwnd, UINT, WPARAM, LPARAM) {
  RookwellApp* app = RookwellApp::FromWindow(hwnd);
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  RECT client;
  if (app && GetClientRect(hwnd, &client)) {
    MemoryBitmap offScreen(hdc, client);
    app->background.Draw(offScreen.Dc(), 0, 0);
    if (app->currentGame) {
      app->currentGame->Paint(offScreen.Dc());
      // Before the first deal a game draws nothing: the table says what it waits for.
      if (app->currentGame->GetState() == Dealing) app->currentGame->PaintTablePrompt(offScreen.Dc());
    }
  }
  EndPaint(hwnd, &ps);
  return 0;
}

LRESULT OnTimer(HWND hwnd, UINT, WPARAM, LPARAM) {
  CardGame* game = GameOf(hwnd);
  if (game && game->state != Paused) game->OnTimer();
  return 0;
}

LRESULT OnSize(HWND hwnd, UINT, WPARAM wParam, LPARAM) {
  CardGame* game = GameOf(hwnd);
  if (!game) return 0;
  if (wParam == SIZE_MINIMIZED)
    game->Pause();
  else
    game->Resume();
  return 0;
}

void NewGame(RookwellApp* app) {
  HWND hwnd = app->window;
  INT_PTR chosen = RunDialog(app, hwnd, IDD_NEW_GAME, NewGameDialogProc);
  if (chosen == -1 || !app->currentGame->ConfirmQuit()) return;
  // A game may have drawn past its table and panel: the whole window is drawn afresh.
  InvalidateRect(hwnd, nullptr, FALSE);
  std::int32_t id = std::int32_t(chosen);
  if (id == app->settings.lastGame) {
    app->currentGame->NewDeal(true, false);
    return;
  }
  for (size_t i = 0; i < app->gameList.size(); ++i) {
    if (app->gameList[i].idValue != id) continue;
    CardGame* game = app->SelectGame(&app->gameList[i]);
    if (!game) return;
    app->currentIndex = int(i);
    app->settings.lastGame = id;
    app->SaveSettings();
    app->currentGame.reset(game);
    game->NewDeal(true, true);
    return;
  }
}

LRESULT OnCommandId(HWND hwnd, WPARAM wParam, LPARAM) {
  RookwellApp* app = RookwellApp::FromWindow(hwnd);
  if (!app || !app->currentGame) return 0;
  int id = LOWORD(wParam);
  if (id == kExit) {
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    return 0;
  }
  app->currentGame->Pause();
  switch (id) {
    case kAbout: RunDialog(app, hwnd, IDD_ABOUT, AboutDialogProc); break;
    case kHallOfFame: RunDialog(app, hwnd, IDD_HALL_OF_FAME, HallOfFameDialogProc); break;
    case kNewGame: NewGame(app); break;
    case kOptions:
      // A game without a window (NoGame) has no seat to rename.
      if (RunDialog(app, hwnd, IDD_OPTIONS, OptionsDialogProc) && app->currentGame->GetWindowHandle())
        app->currentGame->SetSeatName(app->settings.playerName, app->humanSeat);
      break;
    case kRules: RunDialog(app, hwnd, IDD_RULES, RulesDialogProc); break;
  }
  app->currentGame->Resume();
  return 0;
}

const MessageMapEntry kMessages[] = {
    {WM_CREATE, &OnCreate},        {WM_CLOSE, &OnClose},         {WM_DESTROY, &OnDestroy},
    {WM_LBUTTONDOWN, &OnMouse},    {WM_LBUTTONUP, &OnMouse},     {WM_MOUSEMOVE, &OnMouse},
    {WM_RBUTTONDOWN, &OnMouse},    {WM_RBUTTONUP, &OnMouse},     {WM_PAINT, &OnPaint},
    {WM_TIMER, &OnTimer},          {WM_SIZE, &OnSize},           {},
};
const MessageMapEntry kCommands[] = {
    {kAbout, &OnCommandId},   {kExit, &OnCommandId},  {kHallOfFame, &OnCommandId},
    {kNewGame, &OnCommandId}, {kOptions, &OnCommandId}, {kRules, &OnCommandId}, {},
};
const MessageMap kMainMap = {kMessages, kCommands};

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    return DispatchWindowMessageMap(kMainMap, hwnd, msg, wParam, lParam);
  } catch (...) {
    RookwellApp::NoteFailure();
    return msg == WM_CREATE ? -1 : 0;
  }
}

}  // namespace

RookwellApp::RookwellApp(HINSTANCE instance)
    : instance(instance), appInfo(instance, kMaker, LoadResourceString(instance, IDS_PRODUCT)) {
  for (int i = 0; i < kButtonCount; ++i) buttons[i].reset(new BitmapButton(kButtons[i].text, kButtons[i].command));
  rulesSuffix = LoadResourceString(instance, IDS_RULES_SUFFIX);
  cardImages.reset(new CardImages());
  appInfo.SetDisplayName(LoadResourceString(instance, IDS_DISPLAY_NAME));
  SetProgramLocator(&appInfo);
  SetHighScoreRecorder(&RecordScore);
  appInfo.SetUpDataFolder();
}

RookwellApp::~RookwellApp() {
  // A window that outlives the application (a failure box is open) finds nothing.
  if (window && IsWindow(window)) {
    KillTimer(window, kTimerId);
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  }
  window = nullptr;
  currentGame.reset();
  SetHighScoreRecorder(nullptr);
  SetProgramLocator(nullptr);
}

RookwellApp* RookwellApp::FromWindow(HWND window) {
  return reinterpret_cast<RookwellApp*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void RookwellApp::NoteFailure() {
  if (!failure_) failure_ = std::current_exception();
  PostQuitMessage(1);
}

void RookwellApp::RethrowFailure() {
  if (!failure_) return;
  std::exception_ptr failure = failure_;
  failure_ = nullptr;
  std::rethrow_exception(failure);
}

std::string RookwellApp::SettingsPath() const { return appInfo.PerUserDataFolder() + appInfo.Product() + ".cfg"; }

void RookwellApp::SaveSettings() const { SaveAppSettings(SettingsPath(), settings); }

std::string RookwellApp::CurrentTitle() const {
  if (currentIndex < 0 || size_t(currentIndex) >= gameList.size()) return std::string();
  return gameList[currentIndex].name();
}

void RookwellApp::CreateMainWindow() {
  rulesSuffix = LoadResourceString(instance, IDS_RULES_SUFFIX);
  LoadAppSettings(SettingsPath(), settings);
  cardImages->SetBack(settings.cardBack);
  BitmapButton::RegisterButtonClass(instance);
  background.LoadPng(instance, IDR_BACKGROUND);

  std::string product = LoadResourceString(instance, IDS_PRODUCT);
  std::string failure = LoadResourceString(instance, IDS_NO_WINDOW);
  WNDCLASSA wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, "ROOKWELL");
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszMenuName = product.c_str();
  wc.lpszClassName = product.c_str();
  WNDCLASSA known;
  if (!GetClassInfoA(instance, product.c_str(), &known) && !RegisterClassA(&wc)) throw std::runtime_error(failure);
  HWND created = CreateWindowExA(0, product.c_str(), LoadResourceString(instance, IDS_DISPLAY_NAME).c_str(),
                                 WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT, CW_USEDEFAULT, kWidth,
                                 kHeight, nullptr, nullptr, instance, this);
  RethrowFailure();
  if (!created) throw std::runtime_error(failure);
  BuildGameRegistry();
}

void RookwellApp::BuildGameRegistry() {
  gameList.clear();
  for (const GameDescriptor& descriptor : OrderedGameModules(GameModules())) RegisterGame(descriptor);
}

void RookwellApp::RegisterGame(const GameDescriptor& descriptor) {
  GameDescriptor entry = descriptor;
  entry.idValue = entry.id();
  gameList.push_back(entry);
  if (entry.idValue != settings.lastGame) return;
  currentIndex = int(gameList.size() - 1);
  CardGame* game = SelectGame(&gameList.back());
  if (game) currentGame.reset(game);
}

CardGame* RookwellApp::SelectGame(const GameDescriptor* descriptor) {
  CardGame* game = descriptor ? descriptor->create(rng, humanSeat, window) : new NoGame(rng);
  if (!game) return nullptr;
  std::string title = descriptor ? descriptor->name() : std::string();
  std::string product = LoadResourceString(instance, IDS_PRODUCT);
  if (window) SetWindowTextA(window, (title.empty() ? product : product + ": " + title).c_str());
  game->cardImages = cardImages.get();
  const std::uint32_t computers = game->seats - (humanSeat < game->seats ? 1 : 0);
  const std::vector<std::string> names = DrawComputerNames(rng, computers, settings.playerName);
  for (std::uint32_t seat = 0, drawn = 0; seat < game->seats; ++seat) {
    if (seat == humanSeat) {
      game->SetSeatName(settings.playerName, seat);
      game->SetSeatComputer(false, seat);
    } else {
      game->SetSeatName(drawn < names.size() ? names[drawn++] : std::string(), seat);
      game->SetSeatComputer(true, seat);
    }
  }
  game->soundOn = settings.soundOn;
  game->SetSortMode(settings.sortMode);
  game->fastSpeed = settings.fastSpeed;
  game->showStatusLines = settings.showStatus;
  game->SetAreas(tableRect, statusRect);
  return game;
}

int RunMessageLoop() {
  MSG msg = {};
  while (GetMessageA(&msg, nullptr, 0, 0) != 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    RookwellApp::RethrowFailure();
  }
  RookwellApp::RethrowFailure();
  return int(msg.wParam);
}

namespace {

void FailureBox(const std::string& text) {
  // A failure posts the quit message to leave nested loops (and a window that goes posts
  // one too); left pending, it would end the box's own loop at once.
  MSG quit;
  while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  MessageBoxA(nullptr, text.c_str(), "Rookwell", MB_ICONHAND);
}

}  // namespace

int RunGuarded(const std::function<int()>& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    FailureBox("Game Failure: Out of memory");
  } catch (const std::invalid_argument& e) {
    FailureBox(std::string("Game Failure: Invalid Argument(") + e.what() + ")");
  } catch (const std::runtime_error& e) {
    FailureBox(std::string("Game Failure: Runtime Error(") + e.what() + ")");
  } catch (...) {
    FailureBox("Game Failure: Unknown Exception");
  }
  return 1;
}

INT_PTR RunDialog(RookwellApp* app, HWND owner, int dialogId, DLGPROC procedure) {
  INT_PTR result = DialogBoxParamA(app->instance, MAKEINTRESOURCEA(dialogId), owner, procedure, LPARAM(app));
  RookwellApp::RethrowFailure();
  return result;
}
