#include "ChoiceList.h"

#include "CardGame.h"
#include "GameDialogs.h"
#include "Window.h"

void ChoiceList::Add(const std::string& text, std::int32_t value) {
  choices.push_back(text);
  values.push_back(value);
}

HWND ChoiceListControl(HWND dialog) {
  return FindWindowExA(dialog, nullptr, "ComboBox", nullptr);
}

void FillChoiceDialog(HWND dialog, HWND listControl, const ChoiceList& list) {
  CenterWindowOver(dialog, list.owner);
  SetWindowTextA(dialog, list.caption.c_str());
  for (std::size_t i = 0; i < list.choices.size(); ++i) {
    LRESULT index = SendMessageA(listControl, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(list.choices[i].c_str()));
    if (index >= 0 && i < list.values.size())
      SendMessageA(listControl, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(list.values[i]));
  }
  SendMessageA(listControl, CB_SETCURSEL, 0, 0);
}

std::int32_t ChosenValue(HWND listControl) {
  LRESULT index = SendMessageA(listControl, CB_GETCURSEL, 0, 0);
  if (index < 0) return 0;
  return static_cast<std::int32_t>(SendMessageA(listControl, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

namespace {

LRESULT OnInitDialog(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  const ChoiceList* list = reinterpret_cast<const ChoiceList*>(lParam);
  if (list) FillChoiceDialog(dialog, ChoiceListControl(dialog), *list);
  return 0;
}

LRESULT OnOk(HWND dialog, WPARAM, LPARAM) {
  EndDialog(dialog, ChosenValue(ChoiceListControl(dialog)));
  return 0;
}

}  // namespace

INT_PTR CALLBACK ChoiceDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  return InitOkDialogProc<&OnInitDialog, &OnOk>(dialog, msg, wParam, lParam);
}

std::int32_t AskChoice(CardGame& game, int dialogId, ChoiceList& list) {
  list.owner = game.window;
  game.Pause();
  std::int32_t value = CurrentGameDialogs().Choose(game.window, dialogId, &ChoiceDialogProc, list);
  game.Resume();
  return value;
}

std::int32_t AskChoiceWithCheck(CardGame& game, int dialogId, DLGPROC procedure, ChoiceListWithCheck& record) {
  record.list.owner = game.window;
  game.Pause();
  std::int32_t value = CurrentGameDialogs().ChooseWithCheck(game.window, dialogId, procedure, record);
  game.Resume();
  return value;
}
