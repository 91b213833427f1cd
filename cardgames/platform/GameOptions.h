// A game's saved options and its options dialog.
//
// Options file: list the option fields once, in file order, and use the list to load
// (constructor) and to save (options dialog OK):
//
//   GameOptionsFile OhHellGame::OptionsFile() {
//     return GameOptionsFile(window, kTitle, kIdValue).Bool(allowTotalEqual).Bool(leaderIsHighBidder);
//   }
//   constructor:  OptionsFile().Load();   // a missing, short or damaged file keeps every default
//
// Options dialog: ShowOptions runs it through the GameDialogs seam; its procedure uses
// the helpers below for the shared steps:
//
//   void OhHellGame::ShowOptions(HWND parent) {
//     RunOptionsDialog(*this, parent, IDD_OHHELL_OPTIONS, &OptionsDialogProc<&OnOptionsInit, &OnOptionsOk>);
//   }
//   WM_INITDIALOG: auto* game = static_cast<OhHellGame*>(InitOptionsDialog(dialog, lParam, {10101, 10102}));
//                  then set the controls from the game's fields (SetChecked)
//   IDOK:          read the controls back (IsChecked) into OptionsDialogGame(dialog)'s fields,
//                  then AcceptOptionsDialog(dialog, game->OptionsFile())
//   IDCANCEL:      &CancelOptionsDialog (OptionsDialogProc wires it)
#pragma once
#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#ifdef _WIN32
#include "Window.h"
#endif

class ByteBufferPtr;
class CardGame;

// "<title>.cfg" in the per-user data folder: a checked file whose type word is the
// game's id value, not enciphered. The fields are bound by reference and must outlive it.
class GameOptionsFile {
 public:
#ifdef _WIN32
  GameOptionsFile(HWND window, const std::string& title, std::int32_t idValue);
#endif
  GameOptionsFile(const std::string& path, std::int32_t idValue);

  // One byte, 1 for true; only a stored 1 reads back as true.
  template <class T>
  GameOptionsFile& Bool(T& field) {
    return Add(kBool, [&field] { return field ? 1 : 0; }, [&field](std::int32_t v) { field = static_cast<T>(v != 0); });
  }
  // One byte, 0 to 255.
  template <class T>
  GameOptionsFile& Byte(T& field) {
    return Add(kByte, [&field] { return static_cast<std::int32_t>(field); },
               [&field](std::int32_t v) { field = static_cast<T>(v); });
  }
  // A signed 16-bit value.
  template <class T>
  GameOptionsFile& Int16(T& field) {
    return Add(kInt16, [&field] { return static_cast<std::int32_t>(field); },
               [&field](std::int32_t v) { field = static_cast<T>(v); });
  }

  // Reads every field; false, with no field changed, when the file is missing, of
  // another type, damaged or shorter than the fields. The game checks the ranges itself.
  bool Load();
  void Save() const;
  // The same from and to a checked file's payload.
  bool Read(ByteBufferPtr& buffer);
  void Write(ByteBufferPtr& buffer) const;
  const std::string& Path() const { return path_; }

 private:
  enum Kind { kBool, kByte, kInt16 };
  struct Field {
    Kind kind;
    std::function<std::int32_t()> get;
    std::function<void(std::int32_t)> set;
  };
  GameOptionsFile& Add(Kind kind, std::function<std::int32_t()> get, std::function<void(std::int32_t)> set);

  std::string path_;
  std::uint32_t typeWord_;
  std::vector<Field> fields_;
};

#ifdef _WIN32
// Runs the game's options dialog (template of the game window's program, owner parent,
// parameter the game) through the GameDialogs seam; answers 1 after OK, 0 after Cancel.
std::int32_t RunOptionsDialog(CardGame& game, HWND parent, int dialogId, DLGPROC procedure);
// WM_INITDIALOG of an options dialog: keeps the game (lParam) with the dialog, centres it
// over the game window and, while a game is in progress, disables the controls and OK.
CardGame* InitOptionsDialog(HWND dialog, LPARAM lParam, std::initializer_list<int> controls);
// The game kept by InitOptionsDialog.
CardGame* OptionsDialogGame(HWND dialog);
// OK of an options dialog, once the fields are read back: saves them and ends with 1.
void AcceptOptionsDialog(HWND dialog, const GameOptionsFile& file);
// The Cancel of every options dialog: ends it with 0, changing nothing.
LRESULT CancelOptionsDialog(HWND dialog, WPARAM wParam, LPARAM lParam);

// The procedure of an options dialog whose own steps are its WM_INITDIALOG and OK handlers.
template <MessageHandler Init, CommandHandler Ok>
INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  static const MessageMapEntry messages[] = {{WM_INITDIALOG, Init}, {}};
  static const MessageMapEntry commands[] = {{IDOK, Ok}, {IDCANCEL, &CancelOptionsDialog}, {}};
  static const MessageMap map = {messages, commands};
  return DispatchMessageMap(map, dialog, msg, wParam, lParam);
}

// Check boxes and radio buttons.
void SetChecked(HWND dialog, int id, bool on);
bool IsChecked(HWND dialog, int id);
#endif  // _WIN32
