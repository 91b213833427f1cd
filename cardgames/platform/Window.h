// Window toolkit: table-driven message dispatch, placement, texts and boxes, programs.
#pragma once
#include <windows.h>

#include <string>

typedef LRESULT (*MessageHandler)(HWND, UINT, WPARAM, LPARAM);
typedef LRESULT (*CommandHandler)(HWND, WPARAM, LPARAM);

// One handler of a message (message list) or of a command id (command list);
// a list ends with an entry of id 0.
struct MessageMapEntry {
  constexpr MessageMapEntry() : id(0), onMessage(nullptr), onCommand(nullptr) {}
  constexpr MessageMapEntry(UINT id, MessageHandler h) : id(id), onMessage(h), onCommand(nullptr) {}
  constexpr MessageMapEntry(UINT id, CommandHandler h) : id(id), onMessage(nullptr), onCommand(h) {}
  UINT id;
  MessageHandler onMessage;
  CommandHandler onCommand;
};

struct MessageMap {
  const MessageMapEntry* messages;
  const MessageMapEntry* commands;
};

// Dialog procedures: an unmatched message or command gives 0 (FALSE).
LRESULT DispatchMessageMap(const MessageMap& map, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Window procedures: unmatched ones go to DefWindowProcA.
LRESULT DispatchWindowMessageMap(const MessageMap& map, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Subclassed controls: unmatched ones go to the control's previous procedure.
LRESULT DispatchSubclassMessageMap(const MessageMap& map, WNDPROC previous, HWND hwnd, UINT msg, WPARAM wParam,
                                   LPARAM lParam);

// The procedure of a dialog whose only steps are its WM_INITDIALOG and OK handlers.
template <MessageHandler Init, CommandHandler Ok>
INT_PTR CALLBACK InitOkDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  static const MessageMapEntry messages[] = {{WM_INITDIALOG, Init}, {}};
  static const MessageMapEntry commands[] = {{IDOK, Ok}, {}};
  static const MessageMap map = {messages, commands};
  return DispatchMessageMap(map, dialog, msg, wParam, lParam);
}

// Moves the window (no size or z-order change) to the middle of the rectangle.
void CenterInRect(HWND window, int left, int top, int width, int height);
void CenterWindowOver(HWND window, HWND other);
void CenterOnScreen(HWND window);
void CenterOverParentOrScreen(HWND window);
// Border width and caption height of a window, from its window and client rectangles.
bool FrameSizes(HWND window, int& border, int& caption);

std::string LoadResourceString(HINSTANCE module, UINT id);
bool AskYesNo(HWND owner, const std::string& caption, const std::string& text);
void ShowError(HWND owner, const std::string& caption, const std::string& text);
// Boxes with a string-resource text of the program, captioned with its product name (string 3000).
void ShowError(HWND owner, UINT textId);
void ShowWarning(HWND owner, UINT textId);
void ShowInfo(HWND owner, UINT textId);

// Starts a program; show < 0 leaves its show mode alone. With wait, messages are
// dispatched until it ends and its exit code is returned (else 0). Raises
// std::runtime_error("CreateProcess:<error code>") when it cannot start.
DWORD RunProgram(const std::string& commandLine, int show, bool wait);
