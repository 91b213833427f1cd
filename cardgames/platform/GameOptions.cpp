#include "GameOptions.h"

#include <stdexcept>

#include "ByteBuffer.h"
#ifdef _WIN32
#include "AppFolders.h"
#include "CardGame.h"
#include "GameDialogs.h"
#include "Window.h"

GameOptionsFile::GameOptionsFile(HWND window, const std::string& title, std::int32_t idValue)
    : GameOptionsFile(GetGameSettingsPath(window, title), idValue) {}
#endif

GameOptionsFile::GameOptionsFile(const std::string& path, std::int32_t idValue)
    : path_(path), typeWord_(static_cast<std::uint32_t>(idValue)) {}

GameOptionsFile& GameOptionsFile::Add(Kind kind, std::function<std::int32_t()> get,
                                      std::function<void(std::int32_t)> set) {
  fields_.push_back({kind, std::move(get), std::move(set)});
  return *this;
}

bool GameOptionsFile::Read(ByteBufferPtr& buffer) {
  // Everything is read before anything is kept, so a short file changes nothing.
  std::vector<std::int32_t> values;
  try {
    for (const Field& f : fields_) {
      switch (f.kind) {
        case kBool: values.push_back(buffer.ReadBool() ? 1 : 0); break;
        case kByte: values.push_back(buffer.ReadByte()); break;
        case kInt16: values.push_back(buffer.ReadInt16()); break;
      }
    }
  } catch (const std::runtime_error&) {
    return false;
  }
  for (std::size_t i = 0; i < fields_.size(); ++i) fields_[i].set(values[i]);
  return true;
}

void GameOptionsFile::Write(ByteBufferPtr& buffer) const {
  for (const Field& f : fields_) {
    const std::int32_t v = f.get();
    switch (f.kind) {
      case kBool: buffer.WriteBool(v != 0); break;
      case kByte: buffer.WriteByte(static_cast<std::uint8_t>(v)); break;
      case kInt16: buffer.WriteUInt16(static_cast<std::uint16_t>(v)); break;
    }
  }
}

#ifdef _WIN32
bool GameOptionsFile::Load() {
  ByteBufferPtr buffer;
  return buffer.LoadChecked(path_, typeWord_) && Read(buffer);
}

void GameOptionsFile::Save() const {
  ByteBufferPtr buffer(false);
  Write(buffer);
  buffer.SaveChecked(path_, typeWord_);
}

std::int32_t RunOptionsDialog(CardGame& game, HWND parent, int dialogId, DLGPROC procedure) {
  return CurrentGameDialogs().Options(parent, dialogId, procedure, game);
}

CardGame* InitOptionsDialog(HWND dialog, LPARAM lParam, std::initializer_list<int> controls) {
  CardGame* game = reinterpret_cast<CardGame*>(lParam);
  SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
  if (!game) return nullptr;
  CenterWindowOver(dialog, game->window);
  if (game->gameInProgress) {
    for (int id : controls) EnableWindow(GetDlgItem(dialog, id), FALSE);
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
  }
  return game;
}

CardGame* OptionsDialogGame(HWND dialog) {
  return reinterpret_cast<CardGame*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

void AcceptOptionsDialog(HWND dialog, const GameOptionsFile& file) {
  file.Save();
  EndDialog(dialog, 1);
}

LRESULT CancelOptionsDialog(HWND dialog, WPARAM, LPARAM) {
  EndDialog(dialog, 0);
  return 0;
}

void SetChecked(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
#endif  // _WIN32
