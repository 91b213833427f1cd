// A game at the table for the games' tests: named seats, areas laid out, scripted boxes,
// and a deal that leaves the pack in order unless the test scripts another shuffle.
#pragma once
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "AppFolders.h"
#include "ByteBuffer.h"
#include "CardImages.h"
#include "CardTestKit.h"
#include "GameTestKit.h"
#include "SelfPlay.h"
#include "TestCanvas.h"
#include "TestTool.h"

const RECT kTable = {12, 12, 611, 491};
const RECT kStatus = {623, 12, 778, 491};

// The draw of the dealer before the first deal (who deals the next seat on), then a shuffle
// that keeps a pack of packSize cards in order; the stock is dealt from its end, so the
// first card of the pack is the last one left.
inline std::vector<std::uint32_t> OrderedDraws(std::uint32_t dealerDraw, std::uint32_t packSize) {
  std::vector<std::uint32_t> v = {dealerDraw};
  for (std::uint32_t i = 1; i < packSize; ++i) v.push_back(i);
  return v;
}

template <class Game>
class GameFixture : public ::testing::Test {
 protected:
  explicit GameFixture(const std::vector<std::uint32_t>& draws)
      : rng(draws), game(nullptr, 0, rng), boxes(&game), shuffle_(draws.begin() + 1, draws.end()) {
    firstDealer_ = game.dealer;
    game.cardImages = &images;
    const char* names[] = {"Card Shark", "Betty", "Igor", "Zeke"};
    for (std::uint32_t s = 0; s < game.seats; ++s) {
      game.SetSeatName(names[s], s);
      game.SetSeatComputer(s != 0, s);
    }
    game.SetAreas(kTable, kStatus);
    game.Resume();
  }
  // A new game, dealt the same way every time.
  void Deal() {
    game.dealer = firstDealer_;
    rng = ScriptedRandom(shuffle_);
    game.StartDeal(true, false, true);
  }
  Card* Find(const std::string& text) {
    auto rs = ParseCard(text);
    for (Card& c : game.deck.pack)
      if (c.faceRank == rs.first && c.faceSuit == rs.second) return &c;
    return nullptr;
  }
  // Empties the seat's hand and gives it these cards, taken from wherever they are.
  void SetHand(std::uint32_t seat, const std::vector<std::string>& cards) {
    game.seatList[seat].Clear();
    for (const std::string& text : cards) {
      Card* c = Find(text);
      for (SeatRecord& s : game.seatList) s.RemoveCard(c);
      game.seatList[seat].AddCard(c);
    }
    game.seatList[seat].Sort(game.sortMode);
    game.seatList[seat].UpdateBounds();
  }
  // Plays the cards in turn from the current seat on.
  void Play(const std::vector<std::string>& cards) {
    for (const std::string& text : cards) {
      game.PlayCard(game.current, Find(text));
      game.current = (game.current + 1) % game.seats;
    }
  }
  void ClickOn(const std::string& text) {
    long x = 0, y = 0;
    ASSERT_TRUE(PointOnCard(game.seatList[0], Find(text), x, y)) << text;
    game.OnLButtonDown(MAKELPARAM(x, y));
  }
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) game.OnTimer();
  }
  // Ticks until the state changes (at most n ticks).
  void TickWhile(std::int32_t state, int n = 400) {
    for (int i = 0; i < n && game.GetState() == state; ++i) game.OnTimer();
  }
  std::string Line(int i) { return game.statusLines[i]; }
  // Paints the dealt table with the status panel: answers whether the "GAME STATUS" grid,
  // the user's hand and the trump spot show (trumpShown: something is drawn there).
  void ExpectPainted(bool trumpShown) {
    tc::Canvas canvas(790, 560);
    game.showStatusLines = true;
    game.Paint(canvas.dc());
    EXPECT_EQ(canvas.At(kStatus.left + 40, kStatus.top + 199), COLORREF(0xA3BCCE));  // under the panel header
    const CardRect& h = game.seatList[0].bounds;
    EXPECT_NE(canvas.At(h.left + 5, h.top + 40), tc::kPaper);  // the user's hand
    const RECT& t = game.trumpCardRect;
    EXPECT_EQ(canvas.At(t.left + 10, t.top + 10) != tc::kPaper, trumpShown);
  }
  std::string Chosen() { return CardName(game.ChooseCard()); }

  CardImages images;
  ScriptedRandom rng;
  Game game;
  ScriptedDialogs boxes;

 private:
  std::vector<std::uint32_t> shuffle_;
  std::uint32_t firstDealer_ = 0;
};

// A game's options file as stored: the checked file with the game's id value as type word.
inline std::string StoredOptions(const std::vector<std::uint8_t>& payload, std::int32_t idValue) {
  std::vector<std::uint8_t> file = CheckedFile::Compose(payload, static_cast<std::uint32_t>(idValue));
  return std::string(file.begin(), file.end());
}

inline std::string OptionsPath(const std::string& title) { return GetGameSettingsPath(nullptr, title); }

// Opens the game's real options dialog and lets act work it from another thread (act
// presses the button that ends it); false when the dialog did not appear.
inline bool WorkOptionsDialog(CardGame& game, const std::string& caption, const std::function<void(HWND)>& act) {
  bool found = false;
  std::thread helper([&] {
    HWND dialog = tt::WaitForWindow("", caption, 10000, GetCurrentProcessId());
    if (!dialog) return;
    found = true;
    act(dialog);
  });
  game.ShowOptions(nullptr);
  helper.join();
  return found;
}

inline bool Ticked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
inline void Press(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// A game ready for the self-play driver: seat 0 is the user, the others computer seats.
inline void SeatForSelfPlay(CardGame& game, CardImages& images) {
  game.cardImages = &images;
  const char* names[] = {"Card Shark", "Zeke", "Betty", "Igor"};
  for (std::uint32_t s = 0; s < game.seats; ++s) {
    game.SetSeatComputer(s != 0, s);
    game.SetSeatName(names[s], s);
  }
  game.fastSpeed = true;
  game.SetAreas(kTable, kStatus);
}

// The points each seat gained in the hand just scored, kept from hand to hand.
struct ScoreDeltas {
  std::int32_t before[4] = {};
  std::vector<std::int32_t> Take(const CardGame& game) {
    std::vector<std::int32_t> d;
    for (std::uint32_t s = 0; s < game.seats && s < 4; ++s) {
      d.push_back(game.scores[s] - before[s]);
      before[s] = game.scores[s];
    }
    return d;
  }
};

// The rules text the game puts into a text box; empty when it has none.
inline std::string RulesText(CardGame& game) {
  HWND box = CreateWindowExA(0, "EDIT", "", WS_POPUP | ES_MULTILINE, 0, 0, 300, 200, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  if (!box) return std::string();
  std::string text;
  if (game.ShowRules(box)) {
    std::vector<char> buffer(GetWindowTextLengthA(box) + 1);
    GetWindowTextA(box, buffer.data(), static_cast<int>(buffer.size()));
    text = buffer.data();
  }
  DestroyWindow(box);
  return text;
}

// Plays the games of seeds 1 to count under the self-play driver, the user's seat played
// at random: setUp sets the game's options and the driver's checks for the seed; every game
// must end without a fault after `hands` hands (and tricksPerHand tricks each, when set).
template <class Game>
void PlaySeededGames(std::uint32_t count, int hands,
                     const std::function<void(Game&, SelfPlayOptions&, std::uint32_t)>& setUp) {
  CardImages images;
  for (std::uint32_t seed = 1; seed <= count; ++seed) {
    MersenneRandom rng(seed);
    MersenneRandom choices(seed * 7919);
    Game game(nullptr, 0, rng);
    SeatForSelfPlay(game, images);
    SelfPlayOptions options;
    options.clickThroughHolds = true;
    options.dialogSeed = seed;
    options.maxTicks = 10000;
    setUp(game, options, seed);
    SelfPlay driver(game, choices);
    const SelfPlayResult r = driver.Run(options);
    EXPECT_TRUE(r.finished) << "seed " << seed;
    for (const std::string& f : r.faults) ADD_FAILURE() << "seed " << seed << ": " << f;
    EXPECT_EQ(r.hands, hands) << "seed " << seed;
    if (options.tricksPerHand) {
      EXPECT_EQ(r.tricks, hands * options.tricksPerHand) << "seed " << seed;
    }
  }
}

// What the registry and a newly made game show of a game.
struct Registered {
  std::string title;
  std::int32_t id;
  std::uint32_t seats, cardsPerHand, handsPerGame;
  bool hasOptions;
  std::string firstCard, lastCard;  // of the pack, in its order
  std::string rulesPhrase;          // the rules text starts with the title in capitals
};

// Checks the game's registry functions and a game made by its factory, with its options
// file removed first; answers the game for the game's own checks.
template <class Game>
std::unique_ptr<Game> ExpectRegistered(std::string (*name)(), std::int32_t (*id)(),
                                       CardGame* (*create)(RandomSource&, std::uint32_t, HWND), const Registered& r,
                                       RandomSource& rng) {
  EXPECT_EQ(name(), r.title);
  EXPECT_EQ(id(), r.id);
  DeleteFileA(OptionsPath(r.title).c_str());
  std::unique_ptr<Game> g(static_cast<Game*>(create(rng, 0, nullptr)));
  EXPECT_EQ(g->seats, r.seats);
  EXPECT_EQ(g->cardsPerHand, r.cardsPerHand);
  EXPECT_EQ(g->handsPerGame, r.handsPerGame);
  EXPECT_EQ(g->HasOptions(), r.hasOptions);
  EXPECT_FALSE(g->deck.pack.empty());
  if (!g->deck.pack.empty()) {
    EXPECT_EQ(CardName(&g->deck.pack.front()), r.firstCard);
    EXPECT_EQ(CardName(&g->deck.pack.back()), r.lastCard);
  }
  std::string heading = r.title;
  for (char& c : heading) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  const std::string rules = RulesText(*g);
  EXPECT_EQ(rules.rfind(heading + "\r\n", 0), 0u) << r.title;
  EXPECT_NE(rules.find(r.rulesPhrase), std::string::npos) << r.title;
  return g;
}

// The game's options file: change sets options away from their defaults, changed tells
// whether a game has them; the file holds payload, reads back, and a short, foreign or
// damaged file leaves every default.
template <class Game>
void ExpectOptionsFile(const std::string& title, std::int32_t id, const std::function<void(Game&)>& change,
                       const std::vector<std::uint8_t>& payload, const std::function<bool(const Game&)>& changed) {
  const std::string path = OptionsPath(title);
  MersenneRandom rng(3);
  DeleteFileA(path.c_str());
  {
    Game game(nullptr, 0, rng);
    EXPECT_FALSE(changed(game)) << title;
    change(game);
    game.OptionsFile().Save();
  }
  std::string bytes;
  ASSERT_TRUE(tt::ReadFile(path, bytes));
  EXPECT_EQ(bytes, StoredOptions(payload, id)) << title;
  {
    Game game(nullptr, 0, rng);
    EXPECT_TRUE(changed(game)) << title;
  }
  std::string damaged = StoredOptions(payload, id);
  damaged[damaged.size() - 1] = static_cast<char>(damaged[damaged.size() - 1] ^ 0x40);
  const std::vector<std::uint8_t> shorter(payload.begin(), payload.end() - 1);
  for (const std::string& bad : {StoredOptions(shorter, id), StoredOptions(payload, id ^ 0x100), damaged,
                                 std::string("junk")}) {
    ASSERT_TRUE(tt::WriteFile(path, bad));
    Game game(nullptr, 0, rng);
    EXPECT_FALSE(changed(game)) << title;
  }
  DeleteFileA(path.c_str());
}
