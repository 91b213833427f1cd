#include "GameDialogs.h"

namespace {

GameDialogs realDialogs;
GameDialogs* current = &realDialogs;

HINSTANCE ModuleOf(HWND owner) {
  HINSTANCE module = owner ? reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE)) : nullptr;
  return module ? module : GetModuleHandleA(nullptr);
}

std::int32_t RunDialog(HWND owner, int dialogId, DLGPROC procedure, void* record) {
  INT_PTR result = DialogBoxParamA(ModuleOf(owner), MAKEINTRESOURCEA(dialogId), owner, procedure,
                                   reinterpret_cast<LPARAM>(record));
  return static_cast<std::int32_t>(result);
}

}  // namespace

void GameDialogs::Info(HWND owner, const std::string& caption, const std::string& text) {
  MessageBoxA(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
}

bool GameDialogs::YesNo(HWND owner, const std::string& caption, const std::string& text) {
  return MessageBoxA(owner, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

std::int32_t GameDialogs::Choose(HWND owner, int dialogId, DLGPROC procedure, ChoiceList& list) {
  return RunDialog(owner, dialogId, procedure, &list);
}

std::int32_t GameDialogs::ChooseWithCheck(HWND owner, int dialogId, DLGPROC procedure, ChoiceListWithCheck& list) {
  return RunDialog(owner, dialogId, procedure, &list);
}

std::int32_t GameDialogs::Options(HWND owner, int dialogId, DLGPROC procedure, CardGame& game) {
  return RunDialog(owner, dialogId, procedure, &game);
}

GameDialogs& CurrentGameDialogs() { return *current; }

void SetGameDialogs(GameDialogs* dialogs) { current = dialogs ? dialogs : &realDialogs; }
