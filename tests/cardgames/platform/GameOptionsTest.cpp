#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "AppFolders.h"
#include "ByteBuffer.h"
#include "CardGame.h"
#include "CardTestKit.h"
#include "GameOptions.h"
#include "GameTestKit.h"
#include "TestTool.h"
#include "Window.h"

namespace {

const char kTitle[] = "Kit Options Test";
const std::int32_t kId = 0x400001;
const int kDialog = 100, kCheck = 101, kLow = 102, kHigh = 103;

// A game with three saved options and an options dialog for two of them.
class OptionsGame : public CardGame {
 public:
  explicit OptionsGame(RandomSource& rng, HWND window = nullptr) : CardGame(window, 2, 1, 0, 0, rng) {
    loaded = OptionsFile().Load();
  }
  ~OptionsGame() override = default;
  GameOptionsFile OptionsFile() { return GameOptionsFile(window, kTitle, kId).Bool(open).Byte(level).Int16(margin); }
  bool HasOptions() override { return true; }
  void ShowOptions(HWND parent) override;

  bool open = true;
  std::uint8_t level = 0;
  std::int16_t margin = -100;
  bool loaded = false;
  std::int32_t answer = -1;
};

LRESULT OnInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  auto* game = static_cast<OptionsGame*>(InitOptionsDialog(dialog, lParam, {kCheck, kLow, kHigh}));
  SetChecked(dialog, kCheck, game->open);
  SetChecked(dialog, game->level ? kHigh : kLow, true);
  return TRUE;
}

LRESULT OnOk(HWND dialog, WPARAM, LPARAM) {
  auto* game = static_cast<OptionsGame*>(OptionsDialogGame(dialog));
  game->open = IsChecked(dialog, kCheck);
  game->level = IsChecked(dialog, kHigh) ? 1 : 0;
  AcceptOptionsDialog(dialog, game->OptionsFile());
  return 0;
}

const MessageMapEntry kMessages[] = {{WM_INITDIALOG, &OnInit}, {}};
const MessageMapEntry kCommands[] = {{IDOK, &OnOk}, {IDCANCEL, &CancelOptionsDialog}, {}};
const MessageMap kMap = {kMessages, kCommands};

INT_PTR CALLBACK OptionsProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DispatchMessageMap(kMap, dialog, msg, wParam, lParam);
}

void OptionsGame::ShowOptions(HWND parent) { answer = RunOptionsDialog(*this, parent, kDialog, &OptionsProc); }

std::string FilePath() { return GetGameSettingsPath(nullptr, kTitle); }

std::string Stored(const std::vector<std::uint8_t>& payload, std::int32_t typeWord) {
  std::vector<std::uint8_t> file = CheckedFile::Compose(payload, static_cast<std::uint32_t>(typeWord));
  return std::string(file.begin(), file.end());
}

// Differs from every default, so that any value taken from a bad file shows.
const std::vector<std::uint8_t> kPayload = {0x00, 0xC8, 0xFE, 0xFF};

}  // namespace

TEST(GameOptionsFileTest, SavesTheFieldsInOrderAndReadsThemBack) {
  DeleteFileA(FilePath().c_str());
  ScriptedRandom rng;
  {
    OptionsGame game(rng);
    EXPECT_FALSE(game.loaded);
    EXPECT_EQ(FilePath(), FolderLocator::CurrentFolder() + "Kit Options Test.cfg");
    game.open = false;
    game.level = 200;
    game.margin = -2;
    game.OptionsFile().Save();
  }
  std::string bytes;
  ASSERT_TRUE(tt::ReadFile(FilePath(), bytes));
  EXPECT_EQ(bytes, Stored(kPayload, kId));  // type word = id value, payload not enciphered
  OptionsGame again(rng);
  EXPECT_TRUE(again.loaded);
  EXPECT_FALSE(again.open);
  EXPECT_EQ(again.level, 200);
  EXPECT_EQ(again.margin, -2);
  DeleteFileA(FilePath().c_str());
}

TEST(GameOptionsFileTest, AMissingShortOrDamagedFileKeepsEveryDefault) {
  std::string damaged = Stored(kPayload, kId);
  damaged[9] = static_cast<char>(damaged[9] ^ 0x01);
  const struct {
    const char* what;
    bool present;
    std::string bytes;
  } cases[] = {
      {"missing", false, ""},
      {"of another game", true, Stored(kPayload, 0x8001)},
      {"damaged", true, damaged},
      {"one byte short", true, Stored({0x00, 0xC8, 0xFE}, kId)},
      {"empty payload", true, Stored({}, kId)},
      {"shorter than its header", true, "\x01\x02\x03"},
  };
  for (const auto& c : cases) {
    DeleteFileA(FilePath().c_str());
    if (c.present) {
      ASSERT_TRUE(tt::WriteFile(FilePath(), c.bytes)) << c.what;
    }
    ScriptedRandom rng;
    OptionsGame game(rng);
    EXPECT_FALSE(game.loaded) << c.what;
    EXPECT_TRUE(game.open) << c.what;
    EXPECT_EQ(game.level, 0) << c.what;
    EXPECT_EQ(game.margin, -100) << c.what;
  }
  DeleteFileA(FilePath().c_str());
}

namespace {

struct DialogSeen {
  bool found = false;
  bool gameKept = false;
  bool controlsEnabled[3] = {};
  bool okEnabled = false;
  bool cancelEnabled = false;
  bool checkTicked = false;
  bool highTicked = false;
  RECT rect = {};
};

// Reads the options dialog from another thread, ticks High, flips the check box (when
// they can be used) and presses the button.
std::thread Answer(const CardGame* game, int button, DialogSeen& seen) {
  return std::thread([=, &seen] {
    HWND dialog = tt::WaitForWindow("", "Kit Options", 10000, GetCurrentProcessId());
    if (!dialog) return;
    seen.found = true;
    seen.gameKept = GetWindowLongPtrA(dialog, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(game);
    const int ids[3] = {kCheck, kLow, kHigh};
    for (int i = 0; i < 3; ++i) seen.controlsEnabled[i] = IsWindowEnabled(GetDlgItem(dialog, ids[i]));
    seen.okEnabled = IsWindowEnabled(GetDlgItem(dialog, IDOK));
    seen.cancelEnabled = IsWindowEnabled(GetDlgItem(dialog, IDCANCEL));
    seen.checkTicked = IsDlgButtonChecked(dialog, kCheck) == BST_CHECKED;
    seen.highTicked = IsDlgButtonChecked(dialog, kHigh) == BST_CHECKED;
    GetWindowRect(dialog, &seen.rect);
    if (seen.controlsEnabled[0]) {
      SendMessageA(GetDlgItem(dialog, kCheck), BM_CLICK, 0, 0);
      SendMessageA(GetDlgItem(dialog, kHigh), BM_CLICK, 0, 0);
    }
    tt::ClickButtonId(dialog, button);
  });
}

}  // namespace

TEST(OptionsDialogTest, OkSavesCancelKeepsAndAGameInProgressLocksTheControls) {
  HWND table = CreateWindowExA(0, "STATIC", "table", WS_POPUP, 100, 80, 601, 401, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(table);
  const struct {
    const char* what;
    bool inProgress;
    int button;
    std::int32_t answer;
    bool saved;
  } cases[] = {
      {"OK", false, IDOK, 1, true},
      {"Cancel", false, IDCANCEL, 0, false},
      {"Cancel during a game", true, IDCANCEL, 0, false},
  };
  for (const auto& c : cases) {
    DeleteFileA(FilePath().c_str());
    ScriptedRandom rng;
    OptionsGame game(rng, table);
    game.gameInProgress = c.inProgress;
    DialogSeen seen;
    std::thread helper = Answer(&game, c.button, seen);
    game.ShowOptions(table);
    helper.join();
    ASSERT_TRUE(seen.found) << c.what;
    EXPECT_TRUE(seen.gameKept) << c.what;
    EXPECT_TRUE(seen.checkTicked) << c.what;
    EXPECT_FALSE(seen.highTicked) << c.what;
    for (bool enabled : seen.controlsEnabled) EXPECT_EQ(enabled, !c.inProgress) << c.what;
    EXPECT_EQ(seen.okEnabled, !c.inProgress) << c.what;
    EXPECT_TRUE(seen.cancelEnabled) << c.what;
    // Centred over the game window (rounded toward zero).
    EXPECT_NEAR((seen.rect.left + seen.rect.right) / 2, 100 + 601 / 2, 1) << c.what;
    EXPECT_NEAR((seen.rect.top + seen.rect.bottom) / 2, 80 + 401 / 2, 1) << c.what;
    EXPECT_EQ(game.answer, c.answer) << c.what;
    EXPECT_EQ(game.open, !c.saved) << c.what;
    EXPECT_EQ(game.level, c.saved ? 1 : 0) << c.what;
    OptionsGame reloaded(rng);
    EXPECT_EQ(reloaded.loaded, c.saved) << c.what;
    EXPECT_EQ(reloaded.open, !c.saved) << c.what;
    EXPECT_EQ(reloaded.level, c.saved ? 1 : 0) << c.what;
  }
  DestroyWindow(table);
  DeleteFileA(FilePath().c_str());
}

TEST(OptionsDialogTest, GoesThroughTheDialogSeam) {
  ScriptedRandom rng;
  OptionsGame game(rng);
  ScriptedDialogs boxes(&game);
  CardGame* seenGame = nullptr;
  boxes.onOptions = [&](CardGame& g) {
    seenGame = &g;
    return 1;
  };
  game.ShowOptions(nullptr);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, "options");
  EXPECT_EQ(boxes.boxes[0].dialogId, kDialog);
  EXPECT_EQ(seenGame, &game);
  EXPECT_EQ(game.answer, 1);
}
