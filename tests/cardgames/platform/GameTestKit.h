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
    std::vector<std::int32_t> values;  // offered with the choices
    std::int32_t answer;               // what the box answered (Yes 1, No 0)
  };

  explicit ScriptedDialogs(const CardGame* watched = nullptr) : watched_(watched) { SetGameDialogs(this); }
  ~ScriptedDialogs() override { SetGameDialogs(nullptr); }

  void Info(HWND, const std::string& caption, const std::string& text) override {
    boxes.push_back({"info", caption, text, Seen(), 0, {}, {}, 0});
  }
  bool YesNo(HWND, const std::string& caption, const std::string& text) override {
    boxes.push_back({"yesno", caption, text, Seen(), 0, {}, {}, 0});
    if (answers.empty()) return false;
    bool a = answers.front();
    answers.pop_front();
    boxes.back().answer = a;
    return a;
  }
  std::int32_t Choose(HWND, int dialogId, DLGPROC, ChoiceList& list) override {
    boxes.push_back({"choice", list.caption, "", Seen(), dialogId, list.choices, list.values, 0});
    return boxes.back().answer = NextValue();
  }
  std::int32_t ChooseWithCheck(HWND, int dialogId, DLGPROC, ChoiceListWithCheck& record) override {
    boxes.push_back({"check", record.list.caption, "", Seen(), dialogId, record.list.choices, record.list.values, 0});
    record.ticked = tick;
    return boxes.back().answer = NextValue();
  }

  // Options dialogs are recorded and answered by onOptions (0, Cancel, without one).
  std::int32_t Options(HWND, int dialogId, DLGPROC, CardGame& game) override {
    boxes.push_back({"options", "", "", Seen(), dialogId, {}, {}, 0});
    return boxes.back().answer = onOptions ? onOptions(game) : 0;
  }

  std::deque<bool> answers;
  std::function<std::int32_t(CardGame&)> onOptions;
  std::deque<std::int32_t> values;
  std::uint8_t tick = 0;
  std::vector<Box> boxes;

 protected:
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
