// The application object of Rookwell: settings, main window, game registry and the
// current game.
#pragma once
#include <windows.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "AppFolders.h"
#include "AppSettings.h"
#include "BitmapButton.h"
#include "CardGame.h"
#include "CardImages.h"
#include "Drawing.h"
#include "GameRegistry.h"
#include "Random.h"

class RookwellApp {
 public:
  static constexpr int kWidth = 790;
  static constexpr int kHeight = 560;
  static constexpr UINT kTimerId = 2000;
  static constexpr int kButtonCount = 6;

  explicit RookwellApp(HINSTANCE instance);
  ~RookwellApp();
  RookwellApp(const RookwellApp&) = delete;
  RookwellApp& operator=(const RookwellApp&) = delete;

  // Loads the settings and the background, registers the classes and creates the window;
  // raises std::runtime_error when the window cannot be made.
  void CreateMainWindow();
  static RookwellApp* FromWindow(HWND window);

  void BuildGameRegistry();
  void RegisterGame(const GameDescriptor& descriptor);
  // A new game from the descriptor (NoGame without one), named, set up and laid out.
  CardGame* SelectGame(const GameDescriptor* descriptor);
  std::string SettingsPath() const;
  void SaveSettings() const;
  // The current game's title, empty for none.
  std::string CurrentTitle() const;

  // A failure raised inside a window or dialog procedure, rethrown by the message loop.
  static void NoteFailure();
  static void RethrowFailure();

  HINSTANCE instance;
  AppSettings settings;
  std::unique_ptr<BitmapButton> buttons[kButtonCount];
  FolderLocator appInfo;
  std::string rulesSuffix;
  HWND window = nullptr;
  RECT tableRect = {12, 12, 611, 491};
  RECT statusRect = {623, 12, 778, 491};
  Bitmap background;
  std::unique_ptr<CardImages> cardImages;
  bool showHelp = false;
  std::uint32_t humanSeat = 0;
  MersenneRandom rng;
  GameRegistry gameList;
  int currentIndex = -1;
  std::unique_ptr<CardGame> currentGame;

 private:
  static std::exception_ptr failure_;
};

// Runs the message loop until the quit message; returns its code. A failure noted by a
// window or dialog procedure is raised here.
int RunMessageLoop();
// Runs body and returns its result; a failure that escapes it is shown in the "Game Failure"
// box, which stays until OK, and the result is 1.
int RunGuarded(const std::function<int()>& body);

// Runs a modal dialog of the program over the owner with the application as parameter.
INT_PTR RunDialog(RookwellApp* app, HWND owner, int dialogId, DLGPROC procedure);

INT_PTR CALLBACK AboutDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK HallOfFameDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK NewGameDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CardBackDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OptionsDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK RulesDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
