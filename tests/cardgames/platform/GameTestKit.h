// Test stand-ins for the boxes, choice dialogs and Hall of Fame that games reach.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "CardGame.h"
#include "ChoiceList.h"
#include "GameDialogs.h"

// Records every box and dialog and answers them as scripted (No and 0 when the script
// has run out). While it lives it stands in for the real boxes.
class ScriptedDialogs : public GameDialogs {
 public:
  struct Box {
    std::string kind;  // "info", "yesno", "choice", "check", "options"
    std::string caption;
    std::string text;
    std::int32_t stateSeen;  // the watched game's state field while the box was open
    int dialogId;
    std::vector<std::string> choices;
  };

  explicit ScriptedDialogs(const CardGame* watched = nullptr) : watched_(watched) { SetGameDialogs(this); }
  ~ScriptedDialogs() override { SetGameDialogs(nullptr); }

  void Info(HWND, const std::string& caption, const std::string& text) override {
    boxes.push_back({"info", caption, text, Seen(), 0, {}});
  }
  bool YesNo(HWND, const std::string& caption, const std::string& text) override {
    boxes.push_back({"yesno", caption, text, Seen(), 0, {}});
    if (answers.empty()) return false;
    bool a = answers.front();
    answers.pop_front();
    return a;
  }
  std::int32_t Choose(HWND, int dialogId, DLGPROC, ChoiceList& list) override {
    boxes.push_back({"choice", list.caption, "", Seen(), dialogId, list.choices});
    return NextValue();
  }
  std::int32_t ChooseWithCheck(HWND, int dialogId, DLGPROC, ChoiceListWithCheck& record) override {
    boxes.push_back({"check", record.list.caption, "", Seen(), dialogId, record.list.choices});
    record.ticked = tick;
    return NextValue();
  }

  // Options dialogs are recorded and answered by onOptions (0, Cancel, without one).
  std::int32_t Options(HWND, int dialogId, DLGPROC, CardGame& game) override {
    boxes.push_back({"options", "", "", Seen(), dialogId, {}});
    return onOptions ? onOptions(game) : 0;
  }

  std::deque<bool> answers;
  std::function<std::int32_t(CardGame&)> onOptions;
  std::deque<std::int32_t> values;
  std::uint8_t tick = 0;
  std::vector<Box> boxes;

 private:
  std::int32_t Seen() const { return watched_ ? watched_->state : -1; }
  std::int32_t NextValue() {
    if (values.empty()) return 0;
    std::int32_t v = values.front();
    values.pop_front();
    return v;
  }
  const CardGame* watched_;
};

// Stands in for the Hall of Fame: records the offers and answers scripted places (0 after).
struct HighScoreScript {
  struct Offer {
    std::string game;
    std::int32_t score;
    std::string name;
    bool lowerIsBetter;
  };
  HighScoreScript() {
    active = this;
    SetHighScoreRecorder(&Record);
  }
  ~HighScoreScript() {
    SetHighScoreRecorder(nullptr);
    active = nullptr;
  }
  static std::uint32_t Record(HWND, const std::string& game, std::int32_t score, const std::string& name,
                              bool lowerIsBetter) {
    active->offers.push_back({game, score, name, lowerIsBetter});
    if (active->places.empty()) return 0;
    std::uint32_t p = active->places.front();
    active->places.pop_front();
    return p;
  }
  std::deque<std::uint32_t> places;
  std::vector<Offer> offers;
  static inline HighScoreScript* active = nullptr;
};
