// A game at the table for the games' tests: card images, named seats (seat 0 the user,
// the others computer seats), the areas laid out, scripted boxes, and cards found, placed,
// clicked and played by their printed faces; with the whole-game runs, the registry and
// options-file checks and the dialog helpers that every game's tests share.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "AppFolders.h"
#include "ByteBuffer.h"
#include "CardImages.h"
#include "CardTestKit.h"
#include "DrawTable.h"
#include "GameRegistry.h"
#include "GameTestKit.h"
#include "SelfPlay.h"
#include "TestCanvas.h"
#include "TestTool.h"
#include "TrickGame.h"

const RECT kTable = {12, 12, 611, 491};
const RECT kStatus = {623, 12, 778, 491};
const char* const kSeatNames[] = {"Card Shark", "Betty", "Igor", "Zeke"};

// The draw of the dealer before the first deal (who deals the next seat on), then a shuffle
// that keeps a pack of packSize cards in order; the stock is dealt from its end, so the
// first card of the pack is the last one left.
inline std::vector<std::uint32_t> OrderedDraws(std::uint32_t dealerDraw, std::uint32_t packSize) {
  std::vector<std::uint32_t> v = {dealerDraw};
  for (std::uint32_t i = 1; i < packSize; ++i) v.push_back(i);
  return v;
}

// Whether the card shows this printed face ("AS", "10H", "JK"); an ace also matches rank 1.
inline bool ShowsFace(const Card& c, const std::pair<std::int32_t, std::int32_t>& face) {
  const bool rank = c.faceRank == face.first || (face.first == kRankHighAce && c.faceRank == kRankLowAce);
  return rank && c.faceSuit == face.second;
}

// The printed card, wherever the game has moved its play value; null when the pack has none.
inline Card* FaceCard(CardDeck& deck, const std::string& text) {
  const auto face = ParseCard(text);
  for (Card& c : deck.pack)
    if (ShowsFace(c, face)) return &c;
  return nullptr;
}

inline CardStack HandOf(CardDeck& deck, const std::vector<std::string>& cards) {
  CardStack hand;
  for (const std::string& text : cards) hand.AddCard(FaceCard(deck, text));
  return hand;
}

// Sits the game at the test table: seat names, computer seats after the first, the areas.
inline void SeatAtTable(CardGame& game, CardImages& images) {
  game.cardImages = &images;
  for (std::uint32_t s = 0; s < game.seats; ++s) {
    game.SetSeatName(kSeatNames[s], s);
    game.SetSeatComputer(s != 0, s);
  }
  game.SetAreas(kTable, kStatus);
}

// A game ready for a whole-game run: at the table, computer seats without a thinking pause.
inline void SeatForSelfPlay(CardGame& game, CardImages& images) {
  SeatAtTable(game, images);
  game.fastSpeed = true;
}

// The game under test, made with the random numbers given (ScriptedRandom: the draws;
// MersenneRandom: the seed).
template <class Game, class Random = ScriptedRandom>
class GameTable : public ::testing::Test {
 protected:
  using Draws = std::conditional_t<std::is_same_v<Random, MersenneRandom>, std::uint32_t, std::vector<std::uint32_t>>;
  explicit GameTable(const Draws& draws) : rng(draws), game(nullptr, 0, rng), boxes(&game) {
    SeatAtTable(game, images);
    game.Resume();
  }
  void Deal() { game.StartDeal(true, false, true); }

  // The piles a card may lie in besides the hands and the stock.
  virtual std::vector<CardPile*> TablePiles() { return {}; }
  // The packs the game's cards come from.
  virtual std::vector<CardDeck*> Decks() { return {&game.deck}; }

  // A pack card by name, not one of avoid (for packs with several copies); null when none.
  Card* Seek(const std::string& text, const std::vector<Card*>& avoid) {
    const auto face = ParseCard(text);
    for (CardDeck* deck : Decks())
      for (Card& c : deck->pack)
        if (ShowsFace(c, face) && std::find(avoid.begin(), avoid.end(), &c) == avoid.end()) return &c;
    return nullptr;
  }
  Card* Find(const std::string& text, const std::vector<Card*>& avoid) {
    Card* c = Seek(text, avoid);
    if (!c) ADD_FAILURE() << "no card " << text;
    return c;
  }
  // The pack card by name, passing over the first skip copies.
  Card* Find(const std::string& text, int skip = 0) {
    std::vector<Card*> avoid;
    while (skip-- > 0)
      if (Card* c = Seek(text, avoid)) avoid.push_back(c);
    return Find(text, avoid);
  }
  // Pack cards by name; a name given twice takes the next copy.
  std::vector<Card*> Cards(std::initializer_list<const char*> names) {
    std::vector<Card*> out;
    std::map<std::string, int> used;
    for (const char* text : names) out.push_back(Find(text, used[text]++));
    return out;
  }
  // Selects exactly these cards of the user's hand; a name given twice selects the next copy.
  void Select(std::initializer_list<const char*> names) {
    SeatRecord& hand = game.seatList[0];
    ClearSelection(hand);
    std::map<std::string, int> used;
    for (const char* text : names) {
      const auto face = ParseCard(text);
      int skip = used[text]++;
      for (Card* c : hand.cards)
        if (ShowsFace(*c, face) && skip-- == 0) {
          c->selected = true;
          break;
        }
    }
  }
  // Takes the card from wherever it lies.
  void Lift(Card* c) {
    if (!c) return;
    for (SeatRecord& s : game.seatList) s.RemoveCard(c);
    for (CardPile* p : TablePiles()) p->RemoveCard(c);
    for (CardDeck* deck : Decks()) {
      auto& stock = deck->stock;
      stock.erase(std::remove(stock.begin(), stock.end(), c), stock.end());
    }
  }
  // Empties the hand and fills it with these cards in this order, taken from wherever they
  // lie; a name given twice takes the next copy.
  void Hand(std::uint32_t seat, std::initializer_list<const char*> cards) {
    game.seatList[seat].Clear();
    std::map<std::string, int> used;
    for (const char* text : cards) {
      Card* c = Find(text, used[text]++);
      Lift(c);
      game.seatList[seat].AddCard(c);
    }
  }
  // The seat's hand as dealt: these cards, taken from wherever they are, face up for the
  // user only, sorted and laid out.
  void SetHand(std::uint32_t seat, const std::vector<std::string>& cards) {
    game.seatList[seat].Clear();
    for (const std::string& text : cards) {
      Card* c = Find(text);
      Lift(c);
      c->faceUp = seat == 0;
      game.seatList[seat].AddCard(c);
    }
    game.seatList[seat].Sort(game.sortMode);
    game.seatList[seat].UpdateBounds();
  }
  // Gives the pile exactly these cards (none of keep); what it held goes back to the stock.
  std::vector<Card*> Put(CardPile& pile, std::initializer_list<const char*> names, std::vector<Card*> keep = {}) {
    for (Card* c : std::vector<Card*>(pile.cards.begin(), pile.cards.end())) {
      pile.RemoveCard(c);
      game.deck.stock.insert(game.deck.stock.begin(), c);
    }
    std::vector<Card*> placed;
    for (const char* n : names) {
      Card* c = Find(n, keep);
      if (!c) continue;
      Lift(c);
      c->faceUp = true;
      pile.AddCard(c);
      placed.push_back(c);
      keep.push_back(c);
    }
    return placed;
  }
  // Leaves n cards in the stock (the others go nowhere: out of the game for the test).
  void StockOf(std::size_t n) {
    if (game.deck.stock.size() > n) game.deck.stock.resize(n);
  }
  // Plays the cards in turn from the current seat on.
  void Play(const std::vector<std::string>& cards) {
    for (const std::string& text : cards) {
      game.PlayCard(game.current, Find(text));
      game.current = (game.current + 1) % game.seats;
    }
  }

  void Click(long x, long y) { game.OnLButtonDown(MAKELPARAM(x, y)); }
  void ClickOn(const CardPile& pile, const Card* card) {
    long x = 0, y = 0;
    ASSERT_TRUE(PointOnCard(pile, card, x, y)) << CardName(card);
    Click(x, y);
  }
  // A card of the user's hand.
  void ClickOn(const std::string& text) { ClickOn(game.seatList[0], Find(text)); }
  // Inside the card box at the pile's anchor, or at the rectangle's corner.
  void ClickAt(const CardPile& pile) { Click(pile.anchorX + 5, pile.anchorY + 5); }
  void ClickAt(const RECT& r) { Click(r.left + 5, r.top + 5); }

  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) game.OnTimer();
  }
  // Ticks until the state changes (at most n ticks).
  void TickWhile(std::int32_t state, int n = 400) {
    for (int i = 0; i < n && game.GetState() == state; ++i) game.OnTimer();
  }
  // Plays the hand to its end, the user playing its first legal card.
  void PlayHandOut(int most = 5000) {
    for (int i = 0; i < most && game.GetState() != HandOver; ++i) {
      SeatRecord& hand = game.seatList[0];
      if (game.GetState() == Playing && game.current == 0 && !hand.playedCard)
        for (Card* c : hand.cards)
          if (game.tricks.IsLegalPlay(c, hand)) {
            game.PlayCard(0, c);
            break;
          }
      Tick();
    }
  }
  std::string Line(int i) { return game.statusLines[i]; }
  // The game is over ("The game is over."): the next tick ends it.
  void ExpectGameOverThenFinished() {
    EXPECT_EQ(game.GetState(), GameOver);
    EXPECT_EQ(Line(0), "The game is over.");
    Tick();
    EXPECT_EQ(game.GetState(), Finished);
  }
  std::string Chosen() { return CardName(game.ChooseCard()); }
  // Text of the boxes opened so far.
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& b : boxes.boxes) out.push_back(b.text);
    return out;
  }
  // Paints the table before the deal, where nothing may show; then deals, status lines shown.
  void DealAfterBlankPaint(tc::Canvas& canvas) {
    game.Paint(canvas.dc());
    EXPECT_EQ(canvas.Changed(), 0);
    Deal();
    game.showStatusLines = true;
  }
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

  CardImages images;
  Random rng;
  Game game;
  ScriptedDialogs boxes;
};

// A game whose every deal is the first one: the same dealer, the same shuffle.
template <class Game>
class GameFixture : public GameTable<Game> {
 protected:
  explicit GameFixture(const std::vector<std::uint32_t>& draws)
      : GameTable<Game>(draws), shuffle_(draws.begin() + 1, draws.end()), firstDealer_(this->game.dealer) {}
  void Deal() {
    this->game.dealer = firstDealer_;
    this->rng = ScriptedRandom(shuffle_);
    this->game.StartDeal(true, false, true);
  }

 private:
  std::vector<std::uint32_t> shuffle_;
  std::uint32_t firstDealer_;
};

// A game dealt from a seeded shuffle, computer seats without a thinking pause.
template <class Game>
class SeededTable : public GameTable<Game, MersenneRandom> {
 protected:
  explicit SeededTable(std::uint32_t seed = 11) : GameTable<Game, MersenneRandom>(seed) { this->game.fastSpeed = true; }
};

// The trick games' table under its earlier name.
template <class Game>
class TrickTableFixture : public GameTable<Game> {
 protected:
  using GameTable<Game>::GameTable;
};

// Where the cards are: every card of the piles added, and whether one lies in two places.
struct CardCensus {
  template <class Cards>
  void Add(const Cards& cards) {
    for (const Card* c : cards) seen.insert(c), ++count;
  }
  bool Distinct() const { return seen.size() == count; }
  std::set<const Card*> seen;
  std::size_t count = 0;
};

// Every card of the packs lies in exactly one of the piles and stocks given.
inline void ExpectEachCardOnce(const std::vector<const CardDeck*>& packs, const std::vector<const Card*>& located,
                               const std::string& what) {
  std::map<const Card*, int> n;
  for (const Card* c : located) ++n[c];
  std::size_t total = 0;
  for (const CardDeck* pack : packs)
    for (const Card& c : pack->pack) {
      EXPECT_EQ(n[&c], 1) << what << ": " << CardName(&c);
      ++total;
    }
  EXPECT_EQ(located.size(), total) << what;
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

// Clicks inside the card box at a pile's anchor.
inline void ClickAnchor(SelfPlay& p, const CardPile& pile) { p.Click(pile.anchorX + 5, pile.anchorY + 5); }

inline void ClickPoint(CardGame& game, long x, long y) { game.OnLButtonDown(MAKELPARAM(x, y)); }

// One step of a whole draw-and-discard game played by ticks: the user's turn (humanTurn),
// a click through the hand-over hold and a tick, or a tick unless paused.
template <class Game>
void DrawGameStep(Game& game, const std::function<void()>& humanTurn) {
  const std::int32_t st = game.GetState();
  if (st == Playing && game.current == 0) {
    humanTurn();
  } else if (st == HandOver) {
    ClickPoint(game, 5, 5);
    game.OnTimer();
  } else if (game.state != Paused) {
    game.OnTimer();
  }
}

// The user's draw from the stock, by a click on the deck.
template <class Game>
void ClickToDraw(Game& game) {
  ClearSelection(game.seatList[0]);
  ClickPoint(game, game.deckRect.left + 5, game.deckRect.top + 5);
}

// The user's discard by clicks: the card, then the discard pile.
template <class Game>
void ClickToDiscard(Game& game, Card* card) {
  SeatRecord& hand = game.seatList[0];
  ClearSelection(hand);
  long x = 0, y = 0;
  if (PointOnCard(hand, card, x, y)) ClickPoint(game, x, y);
  ClickPoint(game, game.discardPile.anchorX + 5, game.discardPile.anchorY + 5);
}

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

// Plays the games of seeds 1 to count under the self-play driver, the user's seat played at
// random: setUp sets the game and the driver's options for the seed, check looks at the
// finished game; the driver's faults fail the test unless tolerated.
template <class Game>
void PlaySeeds(std::uint32_t count, const std::function<void(Game&, SelfPlayOptions&, std::uint32_t)>& setUp,
               const std::function<void(Game&, const SelfPlayResult&, std::uint32_t)>& check,
               const std::function<bool(const std::string&)>& tolerated = nullptr) {
  CardImages images;
  for (std::uint32_t seed = 1; seed <= count; ++seed) {
    MersenneRandom rng(seed);
    MersenneRandom choices(seed * 7919);
    Game game(nullptr, 0, rng);
    SeatForSelfPlay(game, images);
    SelfPlayOptions options;
    options.dialogSeed = seed;
    setUp(game, options, seed);
    SelfPlay driver(game, choices);
    const SelfPlayResult r = driver.Run(options);
    for (const std::string& f : r.faults)
      if (!tolerated || !tolerated(f)) ADD_FAILURE() << "seed " << seed << ": " << f;
    check(game, r, seed);
  }
}

// Seeded games with these driver options, computer seats at fast speed (every fourth seed
// at thinking speed unless alwaysFast) and every second seed clicking through the holds.
template <class Game>
void PlaySeededGames(std::uint32_t count, SelfPlayOptions options,
                     const std::function<void(Game&, const SelfPlayResult&, std::uint32_t)>& check,
                     bool alwaysFast = false, const std::function<bool(const std::string&)>& tolerated = nullptr) {
  PlaySeeds<Game>(
      count,
      [&](Game& game, SelfPlayOptions& o, std::uint32_t seed) {
        o = options;
        o.dialogSeed = seed;
        o.clickThroughHolds = seed % 2 == 0;
        game.fastSpeed = alwaysFast || seed % 4 != 0;
      },
      check, tolerated);
}

// Seeded games clicking through the holds: every game must end without a fault after `hands`
// hands (and tricksPerHand tricks each, when set).
template <class Game>
void PlaySeededGames(std::uint32_t count, int hands,
                     const std::function<void(Game&, SelfPlayOptions&, std::uint32_t)>& setUp) {
  int tricksPerHand = 0;
  PlaySeeds<Game>(
      count,
      [&](Game& game, SelfPlayOptions& o, std::uint32_t seed) {
        o.clickThroughHolds = true;
        o.maxTicks = 10000;
        setUp(game, o, seed);
        tricksPerHand = o.tricksPerHand;
      },
      [&](Game&, const SelfPlayResult& r, std::uint32_t seed) {
        EXPECT_TRUE(r.finished) << "seed " << seed;
        EXPECT_EQ(r.hands, hands) << "seed " << seed;
        if (tricksPerHand) {
          EXPECT_EQ(r.tricks, hands * tricksPerHand) << "seed " << seed;
        }
      });
}

// A game's options file as stored: the checked file with the game's id value as type word.
inline std::string StoredOptions(const std::vector<std::uint8_t>& payload, std::int32_t idValue) {
  std::vector<std::uint8_t> file = CheckedFile::Compose(payload, static_cast<std::uint32_t>(idValue));
  return std::string(file.begin(), file.end());
}

inline std::string OptionsPath(const std::string& title) { return GetGameSettingsPath(nullptr, title); }

// The file's bytes; empty when it cannot be read.
inline std::string FileText(const std::string& path) {
  std::string bytes;
  return tt::ReadFile(path, bytes) ? bytes : std::string();
}

// Writes a game's options file as a checked file of the given type word.
inline void WriteOptionsFile(const std::string& path, const std::vector<std::uint8_t>& payload, std::uint32_t typeWord) {
  ASSERT_TRUE(tt::WriteFile(path, StoredOptions(payload, static_cast<std::int32_t>(typeWord))));
}

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

// What a game's real options dialog showed: for each listed control whether it was ticked
// and whether it could be used.
struct OptionsSeen {
  bool found = false;
  std::vector<bool> ticked;
  std::vector<bool> enabled;
};

// Opens the options dialog, reads the listed controls, clicks the ones to click (when they
// can be used) and presses the button.
inline OptionsSeen UseOptionsDialog(CardGame& game, const std::string& caption, const std::vector<int>& controls,
                                    const std::vector<int>& clicks, int button) {
  OptionsSeen seen;
  seen.found = WorkOptionsDialog(game, caption, [&](HWND dialog) {
    for (int id : controls) {
      seen.ticked.push_back(Ticked(dialog, id));
      seen.enabled.push_back(IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE);
    }
    for (int id : clicks)
      if (IsWindowEnabled(GetDlgItem(dialog, id))) Press(dialog, id);
    tt::ClickButtonId(dialog, button);
  });
  return seen;
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
  EXPECT_EQ(FileText(path), StoredOptions(payload, id)) << title;
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

// What the registry and a newly made game show of a game.
struct GameFacts {
  std::string title;
  std::int32_t id;
  std::uint32_t seats, cardsPerHand, handsPerGame;
  bool options;
  std::string firstCard, lastCard;  // of the pack, in its order
  std::string rulesPhrase;          // a phrase of the rules text, after the title in capitals
  UINT rulesId = 0;                 // the rules resource of a trick game; 0: not checked
};

// The descriptor functions, a game from the factory (its options file removed first), its
// pack, its rules text, and its place in the game list under its title; answers the game
// for the game's own checks.
inline std::unique_ptr<CardGame> ExpectGameRegistered(std::string (*name)(), std::int32_t (*id)(),
                                                      CardGame* (*create)(RandomSource&, std::uint32_t, HWND),
                                                      const GameFacts& e, RandomSource& rng) {
  EXPECT_EQ(name(), e.title);
  EXPECT_EQ(id(), e.id);
  DeleteFileA(OptionsPath(e.title).c_str());
  std::unique_ptr<CardGame> g(create(rng, 0, nullptr));
  EXPECT_EQ(g->seats, e.seats) << e.title;
  EXPECT_EQ(g->cardsPerHand, e.cardsPerHand) << e.title;
  EXPECT_EQ(g->handsPerGame, e.handsPerGame) << e.title;
  EXPECT_EQ(g->HasOptions(), e.options) << e.title;
  EXPECT_FALSE(g->deck.pack.empty()) << e.title;
  if (!g->deck.pack.empty()) {
    EXPECT_EQ(CardName(&g->deck.pack.front()), e.firstCard) << e.title;
    EXPECT_EQ(CardName(&g->deck.pack.back()), e.lastCard) << e.title;
  }
  std::string heading = e.title;
  for (char& c : heading) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  const std::string rules = RulesText(*g);
  EXPECT_EQ(rules.rfind(heading + "\r\n", 0), 0u) << e.title;
  EXPECT_NE(rules.find(e.rulesPhrase), std::string::npos) << e.title;
  EXPECT_EQ(rules.empty() ? 0 : rules.back(), '\n') << e.title;  // the text ends where the resource ends
  if (e.rulesId) {
    auto* trick = dynamic_cast<TrickGame*>(g.get());
    EXPECT_TRUE(trick && trick->rulesId == e.rulesId) << e.title;
    EXPECT_NE(FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(e.rulesId), "TEXT"), nullptr) << e.title;
  }
  bool listed = false;
  for (const GameDescriptor& d : OrderedGameModules(GameModules()))
    if (d.idValue == e.id) listed = d.name() == e.title;
  EXPECT_TRUE(listed) << e.title;
  return g;
}

// The same for a trick game, with its rules resource.
struct RegisteredGame {
  std::string title;
  std::int32_t id;
  std::uint32_t seats, cardsPerHand, handsPerGame;
  bool options;
  std::string firstCard, lastCard;
  UINT rulesId;
};
inline void ExpectRegistered(std::string (*name)(), std::int32_t (*id)(),
                             CardGame* (*create)(RandomSource&, std::uint32_t, HWND), const RegisteredGame& e) {
  MersenneRandom rng(7);
  ExpectGameRegistered(name, id, create,
                       {e.title, e.id, e.seats, e.cardsPerHand, e.handsPerGame, e.options, e.firstCard, e.lastCard, "",
                        e.rulesId},
                       rng);
}

// The same, answering the game as its own class.
template <class Game>
std::unique_ptr<Game> ExpectRegistered(std::string (*name)(), std::int32_t (*id)(),
                                       CardGame* (*create)(RandomSource&, std::uint32_t, HWND), const GameFacts& e,
                                       RandomSource& rng) {
  return std::unique_ptr<Game>(static_cast<Game*>(ExpectGameRegistered(name, id, create, e, rng).release()));
}
