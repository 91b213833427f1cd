#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "CardTestKit.h"
#include "ChoiceList.h"
#include "GameResources.h"
#include "GameTestKit.h"
#include "TestTool.h"

namespace {

struct Seen {
  bool found = false;
  std::vector<std::string> items;
  std::vector<LRESULT> data;
  LRESULT selection = -2;
  bool openAfterEscapeAndClose = false;
  std::string title;
};

// Answers the dialog titled caption from another thread: reads it, tries Escape and the
// close box, picks an item (none when pick < 0) and presses OK.
std::thread Answer(const std::string& caption, int listId, int pick, Seen& seen) {
  return std::thread([=, &seen] {
    HWND dialog = tt::WaitForWindow("", caption, 10000, GetCurrentProcessId());
    if (!dialog) return;
    seen.found = true;
    seen.title = tt::WindowText(dialog);
    HWND list = GetDlgItem(dialog, listId);
    const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      char text[256] = {};
      SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      seen.items.push_back(text);
      seen.data.push_back(SendMessageA(list, CB_GETITEMDATA, i, 0));
    }
    seen.selection = SendMessageA(list, CB_GETCURSEL, 0, 0);
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    seen.openAfterEscapeAndClose = IsWindow(dialog) && IsWindowVisible(dialog);
    if (pick >= 0) SendMessageA(list, CB_SETCURSEL, pick, 0);
    tt::ClickButtonId(dialog, IDOK);
  });
}

INT_PTR CALLBACK IdleDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

TEST(ChoiceDialogTest, OpensOnTheFirstChoiceAndAnswersTheChosenValue) {
  const struct {
    std::vector<std::pair<std::string, std::int32_t>> choices;
    int pick;
    std::int32_t expected;
  } cases[] = {
      {{{"I Pass", 0}, {"I Order It Up", 1}}, -1, 0},
      {{{"Seven", 70}, {"Eight", 80}, {"Nine", 90}}, 1, 80},  // the value, not the index
      {{{"Same", 5}, {"Same", 5}, {"Last", -3}}, 2, -3},
      {{}, -1, 0},  // nothing to choose: OK answers 0
  };
  int n = 0;
  for (const auto& c : cases) {
    ScriptedRandom rng;
    NoGame game(rng);
    game.Resume();
    ChoiceList list;
    list.caption = "Please Select Your Bid " + std::to_string(++n);
    for (const auto& choice : c.choices) list.Add(choice.first, choice.second);
    Seen seen;
    std::thread helper = Answer(list.caption, IDC_OHHELL_LIST, c.pick, seen);
    const std::int32_t value = AskChoice(game, IDD_OHHELL_BID, list);
    helper.join();
    ASSERT_TRUE(seen.found) << list.caption;
    EXPECT_EQ(seen.title, list.caption);
    EXPECT_EQ(seen.items, list.choices);
    for (std::size_t i = 0; i < seen.data.size(); ++i) EXPECT_EQ(seen.data[i], list.values[i]);
    EXPECT_EQ(seen.selection, c.choices.empty() ? CB_ERR : 0);
    EXPECT_TRUE(seen.openAfterEscapeAndClose);
    EXPECT_EQ(value, c.expected) << list.caption;
    EXPECT_EQ(game.state, Dealing);  // resumed after the dialog
  }
}

TEST(ChoiceDialogTest, EveryPlainTemplateWorksWithTheSharedProcedure) {
  const std::pair<int, int> dialogs[] = {
      {IDD_RUBICON_CHOICE, IDC_RUBICON_LIST}, {IDD_FUNNY_BID, IDC_FUNNY_LIST},
      {IDD_KLABBERJASS_BID, IDC_KLABBERJASS_LIST}, {IDD_OHHELL_BID, IDC_OHHELL_LIST},
      {IDD_SKAT_BID, IDC_SKAT_LIST}, {IDD_SPADES_BID, IDC_SPADES_LIST},
      {IDD_ZETEMA_DECLARE, IDC_ZETEMA_LIST},
  };
  for (const auto& d : dialogs) {
    ScriptedRandom rng;
    NoGame game(rng);
    ChoiceList list;
    list.caption = "Which Combination Do You Declare? " + std::to_string(d.first);
    list.Add("One", 11);
    list.Add("Two", 22);
    Seen seen;
    std::thread helper = Answer(list.caption, d.second, 1, seen);
    EXPECT_EQ(AskChoice(game, d.first, list), 22) << d.first;
    helper.join();
    EXPECT_EQ(seen.items.size(), 2u) << d.first;
  }
}

TEST(ChoiceDialogTest, TemplatesWithChecksCarryTheirControls) {
  const struct {
    int dialog;
    std::vector<int> controls;
  } cases[] = {
      {IDD_EUCHRE_BID, {IDC_EUCHRE_LIST, IDC_EUCHRE_CHECK, IDOK}},
      {IDD_SKAT_GAME, {IDC_SKAT_LIST, IDC_SKAT_CHECK1, IDC_SKAT_CHECK2, IDC_SKAT_RADIO1, IDC_SKAT_RADIO2, IDOK}},
  };
  for (const auto& c : cases) {
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(c.dialog), nullptr,
                                     &IdleDialogProc, 0);
    ASSERT_NE(dialog, nullptr) << c.dialog;
    for (int id : c.controls) EXPECT_NE(GetDlgItem(dialog, id), nullptr) << c.dialog << " control " << id;
    EXPECT_EQ(ChoiceListControl(dialog), GetDlgItem(dialog, c.controls[0]));
    DestroyWindow(dialog);
  }
}

TEST(ChoiceDialogTest, QuestionsGoThroughTheReplaceableDialogs) {
  ScriptedRandom rng;
  NoGame game(rng);
  game.Resume();
  game.SetState(Bidding);
  ScriptedDialogs dialogs(&game);
  dialogs.values = {3, 9};
  dialogs.tick = 1;
  ChoiceList list;
  list.caption = "Please Select Your Bid";
  list.Add("I Pass", 0);
  list.Add("Three", 3);
  EXPECT_EQ(AskChoice(game, IDD_SPADES_BID, list), 3);
  ChoiceListWithCheck record;
  record.list.caption = "Please Select Your Game";
  record.list.Add("Grand", 9);
  EXPECT_EQ(AskChoiceWithCheck(game, IDD_SKAT_GAME, &ChoiceDialogProc, record), 9);
  EXPECT_EQ(record.ticked, 1);
  ASSERT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_EQ(dialogs.boxes[0].kind, "choice");
  EXPECT_EQ(dialogs.boxes[0].dialogId, IDD_SPADES_BID);
  EXPECT_EQ(dialogs.boxes[0].caption, "Please Select Your Bid");
  EXPECT_EQ(dialogs.boxes[0].choices, list.choices);
  EXPECT_EQ(dialogs.boxes[1].dialogId, IDD_SKAT_GAME);
  for (const auto& b : dialogs.boxes) EXPECT_EQ(b.stateSeen, Paused);
  EXPECT_EQ(game.state, Bidding);
}
