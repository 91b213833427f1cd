// The abstract card game that the main window drives, and the placeholder game.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CardPile.h"
#include "Cards.h"
#include "Drawing.h"
#include "Random.h"
#include "Seats.h"
#include "Tricks.h"

class CardImages;

enum GameState : std::int32_t {
  Dealing = 0,
  Paused = 1,
  Bidding = 2,
  Playing = 3,
  HoldA = 4,
  HoldB = 5,
  HandOver = 6,
  GameOver = 7,
  Finished = 8,
};

// Offers one score to a game's Hall of Fame list and answers the 1-based place, or 0.
typedef std::uint32_t (*HighScoreRecorder)(HWND window, const std::string& gameName, std::int32_t score,
                                           const std::string& playerName, bool lowerIsBetter);
// The program installs its Hall of Fame here; without one no score is recorded.
void SetHighScoreRecorder(HighScoreRecorder recorder);

class CardGame {
 public:
  CardGame(HWND window, std::uint32_t seats, std::uint32_t cardsPerHand, std::uint32_t handsPerGame,
           std::uint32_t humanSeat, RandomSource& rng);
  virtual ~CardGame() = 0;
  CardGame(const CardGame&) = delete;
  CardGame& operator=(const CardGame&) = delete;

  // The operations the platform drives a game through.
  virtual void OnLButtonDown(LPARAM lParam);
  virtual void OnLButtonUp(LPARAM lParam);
  virtual void OnMouseMove(WPARAM wParam, LPARAM lParam);
  virtual void OnRButtonDown(LPARAM lParam);
  virtual void OnRButtonUp(LPARAM lParam);
  virtual void OnTimer();
  virtual void Paint(HDC hdc);
  virtual bool HasOptions();
  virtual bool ShowRules(HWND textBox);
  virtual HWND GetWindowHandle();
  virtual void StartDeal(bool newGame, bool randomDealer, bool sortHands);
  virtual void NewDeal(bool newGame, bool randomDealer);
  virtual void AdvanceTurn();
  virtual void EndHand();
  virtual void ShowOptions(HWND parent);
  virtual void SetSeatComputer(bool isComputer, std::uint32_t seat);
  virtual void SetSeatName(const std::string& name, std::uint32_t seat);
  virtual void SetCurrentSeat(std::uint32_t seat);
  virtual void Resume();
  virtual void Pause();
  virtual bool AllSeatsHaveBid();
  virtual bool SeatTakesPart(std::uint32_t seat);
  virtual bool AllSeatsHavePlayed();
  virtual void BidTurn();
  virtual void ComputerBid(std::uint32_t seat);
  virtual void FinishHand();
  virtual void PlayTurn();
  virtual void EndGame(const std::string& gameName);
  virtual void EndGame(const std::string& gameName, bool lowerIsBetter, bool positiveOnly);
  virtual void PlayCard(std::uint32_t seat, Card* card);
  virtual Card* ChooseCard();
  virtual void Layout();

  bool ConfirmQuit();
  bool AskNewGame(const std::string& gameName);
  bool AskYesNo(const std::string& caption, const std::string& text);
  void ShowInfo(const std::string& caption, const std::string& text);
  void ShowTurnMessage(const std::string& caption, const std::string& name);
  std::uint32_t RecordHighScore(const std::string& gameName, std::int32_t score, const std::string& playerName,
                                bool lowerIsBetter);
  void ClearStatusLines();
  void StartComputerDelay();
  void InvalidateTable();
  void InvalidateStatus();
  void DrawStatusLines(HDC hdc);
  // The status lines in the middle of the table, for a table that shows nothing yet.
  void PaintTablePrompt(HDC hdc);
  void PlayBeep();
  void SetSortMode(std::int32_t mode);
  void SetState(std::int32_t value);
  std::int32_t GetState() const;
  void SetAreas(const RECT& table, const RECT& status);
  void DrawCardFrame(HDC hdc, int x, int y);
  void SetSeatTextColor(HDC hdc, std::uint32_t seat);

  RECT tableRect = {};
  RECT statusRect = {};
  HWND window;
  CardImages* cardImages = nullptr;
  GdiFont bigFont;
  GdiFont smallFont;
  RandomSource* rng;
  bool gameInProgress = false;
  bool fastSpeed = false;
  bool soundOn = false;
  std::int32_t sortMode = 0;
  bool showStatusLines = false;
  std::int32_t handOverCountdown = -1;
  std::int32_t scores[4] = {};
  std::int32_t computerDelay = 0;
  std::uint32_t cardsPerHand;
  std::uint32_t dealer = 0;
  std::uint32_t handsPlayed = 0;
  std::uint32_t handsPerGame;
  std::uint32_t seats;
  std::uint32_t humanSeat;
  std::uint32_t current = 0;
  CardDeck deck;
  std::vector<SeatRecord> seatList;
  TrickState tricks;
  std::int32_t state = Paused;
  std::int32_t savedState = Dealing;
  std::vector<std::string> statusLines;

 private:
  // Seats tried so far by one SetCurrentSeat search.
  std::uint32_t seatSearch_ = 0;
};

// Text and lines of the games' tables and panels.
void DrawTextIn(HDC hdc, const std::string& text, long left, long top, long right, long bottom, UINT format);
// Text in the rectangle in the selected font, or in the same face made smaller (not below
// smallest pixels) until it fits: its width on a single line, also its height when it
// wraps at words (DT_WORDBREAK). A single line that still does not fit ends in an
// ellipsis. True when the whole text is shown.
bool DrawFittedIn(HDC hdc, const std::string& text, long left, long top, long right, long bottom, UINT format,
                  int smallest);
// Whether DrawFittedIn would show the whole text.
bool TextFitsIn(HDC hdc, const std::string& text, long left, long top, long right, long bottom, UINT format,
                int smallest);
// Smallest font heights, in pixels, of names and of the other texts of the panels.
const int kSmallestName = 11;
const int kSmallestPanelText = 8;
// A seat's name in a single-line column of a panel, fitted as above (not below 11 pixels).
bool DrawNameIn(HDC hdc, const std::string& name, long left, long top, long right, long bottom, UINT format);
void DrawLine(HDC hdc, int x1, int y1, int x2, int y2);

// Puts the TEXT resource of the game window's module into the rules text box; false when
// there is no such resource.
bool ShowRulesText(HWND gameWindow, UINT textId, HWND textBox);

// The game in place while none is chosen.
class NoGame : public CardGame {
 public:
  explicit NoGame(RandomSource& rng);
  ~NoGame() override;
};
