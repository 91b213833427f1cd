// Every box and choice dialog a game opens goes through here, so that tests can answer
// them without a window. The default shows the real boxes and dialogs.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

class CardGame;
class ChoiceList;
class ChoiceListWithCheck;

class GameDialogs {
 public:
  virtual ~GameDialogs() = default;
  // Information box.
  virtual void Info(HWND owner, const std::string& caption, const std::string& text);
  // Yes/No question box; true on Yes.
  virtual bool YesNo(HWND owner, const std::string& caption, const std::string& text);
  // Modal choice dialog from the owner's module; answers the dialog's result.
  virtual std::int32_t Choose(HWND owner, int dialogId, DLGPROC procedure, ChoiceList& list);
  virtual std::int32_t ChooseWithCheck(HWND owner, int dialogId, DLGPROC procedure, ChoiceListWithCheck& list);
  // A game's modal options dialog with the game as its parameter; 1 after OK, 0 after Cancel.
  virtual std::int32_t Options(HWND owner, int dialogId, DLGPROC procedure, CardGame& game);
};

// The boxes in use: the real ones unless a test has put its own in place.
GameDialogs& CurrentGameDialogs();
// Puts dialogs in place (not owned); null brings the real ones back.
void SetGameDialogs(GameDialogs* dialogs);
