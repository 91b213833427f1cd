// The choices a game offers the player in its choice dialogs, and the shared dialog code.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class CardGame;

class ChoiceList {
 public:
  // Appends a text and the value it answers, as one step.
  void Add(const std::string& text, std::int32_t value);

  std::string caption;
  std::vector<std::string> choices;
  std::vector<std::int32_t> values;
  HWND owner = nullptr;
};

// A choice list whose dialog also carries a check box or radio buttons.
class ChoiceListWithCheck {
 public:
  std::uint8_t ticked = 0;
  std::uint8_t allowCheck = 0;
  std::uint8_t extraFlag = 0;
  ChoiceList list;
};

// The drop-down list of a choice dialog: its first combo box.
HWND ChoiceListControl(HWND dialog);
// Centres the dialog over the owner, titles it with the caption and fills the drop-down
// list with the choices and their values; the first item is selected.
void FillChoiceDialog(HWND dialog, HWND listControl, const ChoiceList& list);
// The value attached to the selected item; 0 when nothing is selected.
std::int32_t ChosenValue(HWND listControl);
// The procedure of every choice dialog without check boxes. Only OK ends it.
INT_PTR CALLBACK ChoiceDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

// Asks the game's question in a choice dialog while the game is paused; answers the value chosen.
std::int32_t AskChoice(CardGame& game, int dialogId, ChoiceList& list);
// The same for the dialogs with check boxes, with the game's own procedure; the flags come back in the record.
std::int32_t AskChoiceWithCheck(CardGame& game, int dialogId, DLGPROC procedure, ChoiceListWithCheck& record);
