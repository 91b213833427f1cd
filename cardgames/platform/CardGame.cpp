#include "CardGame.h"

#include <cstdlib>

#include "CardImages.h"
#include "GameDialogs.h"

namespace {

const COLORREF kPanelColour = 0xA3BCCE;
const int kComputerDelayTicks = 10;
const std::size_t kStatusLineCount = 5;

HighScoreRecorder highScores = nullptr;

}  // namespace

void DrawTextIn(HDC hdc, const std::string& text, long left, long top, long right, long bottom, UINT format) {
  RECT r = {left, top, right, bottom};
  DrawTextA(hdc, text.c_str(), -1, &r, format);
}

namespace {

// Whether the text fits the rectangle in the selected font: its width on a single line,
// width and height when it wraps at words.
bool TextFits(HDC hdc, const std::string& text, const RECT& room, UINT format) {
  RECT need = {0, 0, room.right - room.left, 0};
  DrawTextA(hdc, text.c_str(), -1, &need, (format & (DT_SINGLELINE | DT_WORDBREAK | DT_NOPREFIX)) | DT_CALCRECT);
  if (format & DT_SINGLELINE || !(format & DT_WORDBREAK)) return need.right <= room.right - room.left;
  return need.right <= room.right - room.left && need.bottom <= room.bottom - room.top;
}

// Selects the face of the selected font made a pixel smaller at a time (not below
// smallest) until the text fits; returns the font made, or null when none was needed (or
// none could be made). fits tells whether the text fits in the end.
HFONT SelectFittingFont(HDC hdc, const std::string& text, const RECT& room, UINT format, int smallest, bool& fits) {
  fits = TextFits(hdc, text, room, format);
  HFONT current = static_cast<HFONT>(GetCurrentObject(hdc, OBJ_FONT));
  LOGFONTA lf;
  if (fits || !current || !GetObjectA(current, sizeof(lf), &lf)) return nullptr;
  HFONT smaller = nullptr;
  for (int h = std::abs(lf.lfHeight) - 1; h >= smallest && !fits; --h) {
    lf.lfHeight = lf.lfHeight < 0 ? -h : h;
    lf.lfWidth = 0;
    HFONT font = CreateFontIndirectA(&lf);
    if (!font) break;
    SelectObject(hdc, font);
    if (smaller) DeleteObject(smaller);
    smaller = font;
    fits = TextFits(hdc, text, room, format);
  }
  return smaller;
}

}  // namespace

bool TextFitsIn(HDC hdc, const std::string& text, long left, long top, long right, long bottom, UINT format,
                int smallest) {
  const RECT room = {left, top, right, bottom};
  HGDIOBJ current = GetCurrentObject(hdc, OBJ_FONT);
  bool fits = false;
  if (HFONT smaller = SelectFittingFont(hdc, text, room, format, smallest, fits)) {
    SelectObject(hdc, current);
    DeleteObject(smaller);
  }
  return fits;
}

bool DrawFittedIn(HDC hdc, const std::string& text, long left, long top, long right, long bottom, UINT format,
                  int smallest) {
  const RECT room = {left, top, right, bottom};
  HGDIOBJ current = GetCurrentObject(hdc, OBJ_FONT);
  TEXTMETRICA before, after;
  GetTextMetricsA(hdc, &before);
  bool fits = false;
  HFONT smaller = SelectFittingFont(hdc, text, room, format, smallest, fits);
  GetTextMetricsA(hdc, &after);
  // Smaller, on the same base line; a single line that still does not fit keeps its
  // beginning and ends in an ellipsis.
  const long shift = format & DT_WORDBREAK ? 0 : before.tmAscent - after.tmAscent;
  DrawTextIn(hdc, text, left, top + shift, right, bottom, fits ? format : format | DT_END_ELLIPSIS);
  if (smaller) {
    SelectObject(hdc, current);
    DeleteObject(smaller);
  }
  return fits;
}

bool DrawNameIn(HDC hdc, const std::string& name, long left, long top, long right, long bottom, UINT format) {
  return DrawFittedIn(hdc, name, left, top, right, bottom, format, kSmallestName);
}

void DrawLine(HDC hdc, int x1, int y1, int x2, int y2) {
  MoveToEx(hdc, x1, y1, nullptr);
  LineTo(hdc, x2, y2);
}

void SetHighScoreRecorder(HighScoreRecorder recorder) { highScores = recorder; }

CardGame::CardGame(HWND window, std::uint32_t seats, std::uint32_t cardsPerHand, std::uint32_t handsPerGame,
                   std::uint32_t humanSeat, RandomSource& rng)
    : window(window),
      bigFont("Arial", 18, FW_BOLD),
      smallFont("Arial", 14, FW_BOLD),
      rng(&rng),
      cardsPerHand(cardsPerHand),
      handsPerGame(handsPerGame),
      seats(seats),
      humanSeat(humanSeat),
      seatList(4),
      statusLines(kStatusLineCount) {
  dealer = seats ? rng.Next(seats) : 0;  // a bound of 0 would give any number
  ClearStatusLines();
  statusLines[0] = "The game has not started.";
  for (std::uint32_t s = 0; s < seats && s < seatList.size(); ++s) seatList[s].window = window;
}

CardGame::~CardGame() = default;

void CardGame::OnLButtonDown(LPARAM) {}
void CardGame::OnLButtonUp(LPARAM) {}
void CardGame::OnMouseMove(WPARAM, LPARAM) {}
void CardGame::OnRButtonDown(LPARAM) {}
void CardGame::OnRButtonUp(LPARAM) {}
void CardGame::OnTimer() {}
bool CardGame::HasOptions() { return false; }
bool CardGame::ShowRules(HWND) { return false; }
HWND CardGame::GetWindowHandle() { return window; }
void CardGame::ShowOptions(HWND) {}
void CardGame::ComputerBid(std::uint32_t) {}
void CardGame::PlayCard(std::uint32_t, Card*) {}
Card* CardGame::ChooseCard() { return nullptr; }
void CardGame::Layout() {}

void CardGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  state = Dealing;
  if (seats > 0) {
    dealer = randomDealer ? rng->Next(seats) : (dealer + 1) % seats;
    current = (dealer + 1) % seats;
  }
  if (newGame) {
    gameInProgress = false;
    handsPlayed = 0;
    for (std::uint32_t s = 0; s < seats && s < 4; ++s) scores[s] = 0;
  }
  deck.Gather();
  deck.Shuffle(*rng);
  tricks.NewHand();
  tricks.AddUnplayed(deck);
  for (SeatRecord& seat : seatList) seat.Clear();
  if (seats > 0) {
    std::uint32_t seat = (humanSeat + dealer + 1) % seats;
    for (std::uint32_t n = 0; n < cardsPerHand * seats; ++n) {
      Card* card = deck.Draw();
      if (!card) break;  // a short stock ends the deal
      seatList[seat % seatList.size()].AddCard(card);
      seat = (seat + 1) % seats;
    }
  }
  for (SeatRecord& seat : seatList) {
    seat.ClearBid();
    seat.playedCard = nullptr;
    if (sortHands) seat.Sort(sortMode);
  }
  InvalidateTable();
  InvalidateStatus();
  ClearStatusLines();
  statusLines[0] = "Please wait...";
  SetState(Playing);
}

void CardGame::NewDeal(bool newGame, bool randomDealer) { StartDeal(newGame, randomDealer, true); }

void CardGame::AdvanceTurn() {
  if (seats == 0) return;
  SetCurrentSeat((current + 1) % seats);
}

void CardGame::EndHand() {
  ++handsPlayed;
  SetState(Playing);
  if (handsPerGame > 0 && handsPlayed >= handsPerGame) {
    handsPlayed = 0;
    ClearStatusLines();
    statusLines[0] = "The game is over.";
    InvalidateStatus();
    SetState(GameOver);
  }
}

void CardGame::SetSeatComputer(bool isComputer, std::uint32_t seat) {
  if (seat < seatList.size()) seatList[seat].isComputer = isComputer;
}

void CardGame::SetSeatName(const std::string& name, std::uint32_t seat) {
  if (seat < seatList.size()) seatList[seat].SetName(name);
  InvalidateTable();
  InvalidateStatus();
}

void CardGame::SetCurrentSeat(std::uint32_t seat) {
  if (SeatTakesPart(seat)) {
    current = seat;
    if (seat < seatList.size() && seatList[seat].isComputer) StartComputerDelay();
    return;
  }
  // One round over the seats at most: with none taking part the turn stays where it is.
  if (seats == 0 || seatSearch_ + 1 >= seats) return;
  ++seatSearch_;
  SetCurrentSeat((seat + 1) % seats);
  --seatSearch_;
}

void CardGame::Resume() {
  if (state == Paused) state = savedState;
}

void CardGame::Pause() {
  if (state == Paused) return;
  savedState = state;
  state = Paused;
}

bool CardGame::AllSeatsHaveBid() {
  for (std::uint32_t s = 0; s < seats && s < seatList.size(); ++s)
    if (seatList[s].bid.kind == kNoBid) return false;
  return true;
}

bool CardGame::SeatTakesPart(std::uint32_t) { return true; }

bool CardGame::AllSeatsHavePlayed() {
  for (std::uint32_t s = 0; s < seats && s < seatList.size(); ++s)
    if (SeatTakesPart(s) && !seatList[s].playedCard) return false;
  return true;
}

void CardGame::BidTurn() {
  if (current >= seatList.size()) return;
  if (seatList[current].bid.kind != kNoBid) {
    AdvanceTurn();
    InvalidateStatus();
  } else if (seatList[current].isComputer) {
    ComputerBid(current);
  }
}

void CardGame::FinishHand() {
  EndHand();
  if (GetState() != GameOver) NewDeal(false, false);
}

void CardGame::PlayTurn() {
  if (current >= seatList.size()) return;
  SeatRecord& seat = seatList[current];
  if (seat.playedCard) {
    AdvanceTurn();
    InvalidateStatus();
  } else if (seat.cards.size() == 1) {
    PlayCard(current, seat.cards.front());
  } else if (seat.isComputer) {
    // A game whose computer finds nothing to play leaves the turn where it is.
    if (Card* card = ChooseCard()) PlayCard(current, card);
  }
}

void CardGame::EndGame(const std::string& gameName) { EndGame(gameName, false, false); }

void CardGame::EndGame(const std::string& gameName, bool lowerIsBetter, bool positiveOnly) {
  gameInProgress = false;
  state = Paused;
  auto beats = [&](std::int32_t a, std::int32_t b) { return lowerIsBetter ? a < b : a > b; };
  std::uint32_t winner = 0;
  for (std::uint32_t s = 0; s < seats && s < 4; ++s) {
    if (s == humanSeat) continue;
    if (positiveOnly && scores[s] <= 0) continue;
    RecordHighScore(gameName, scores[s], seatList[s].name, lowerIsBetter);
    if (beats(scores[s], scores[winner])) winner = s;
  }
  std::uint32_t place = 0;
  std::string message;
  if (humanSeat < seats && humanSeat < 4) {
    const std::int32_t score = scores[humanSeat];
    if (!(positiveOnly && score <= 0)) place = RecordHighScore(gameName, score, seatList[humanSeat].name, lowerIsBetter);
    if (!beats(scores[winner], score)) winner = humanSeat;
  }
  const std::string& name = seatList[humanSeat % 4].name;
  const std::string& winnerName = seatList[winner].name;
  const std::string number = std::to_string(place);
  if (place > 0 && winner == humanSeat)
    message = "Congratulations " + name + "  You won the game, and your score is number " + number +
              " on the list of high scores!";
  else if (place > 0)
    message = "Too bad, " + winnerName + " won the game, but your score was high enough to make number " +
              number + " on the list of high scores.";
  else if (winner == humanSeat)
    message = "Congratulations " + name + "!  You won the game, but you did not make the high score list.  Try again.";
  else
    message = "Too bad, " + winnerName + " won the game.  Try again.";
  ShowInfo(gameName, message);
  SetState(Finished);
  InvalidateStatus();
}

bool CardGame::ConfirmQuit() {
  if (!gameInProgress) return true;
  return AskYesNo("Quit Game", "You are in the middle of a game.  Are you sure you want to quit now?");
}

bool CardGame::AskNewGame(const std::string& gameName) {
  return AskYesNo(gameName, "Would you like to start a new game of " + gameName + "?");
}

bool CardGame::AskYesNo(const std::string& caption, const std::string& text) {
  Pause();
  bool yes = CurrentGameDialogs().YesNo(window, caption, text);
  Resume();
  return yes;
}

void CardGame::ShowInfo(const std::string& caption, const std::string& text) {
  Pause();
  CurrentGameDialogs().Info(window, caption, text);
  Resume();
}

void CardGame::ShowTurnMessage(const std::string& caption, const std::string& name) {
  ShowInfo(caption, "It is " + name + "'s turn to play.");
}

std::uint32_t CardGame::RecordHighScore(const std::string& gameName, std::int32_t score,
                                        const std::string& playerName, bool lowerIsBetter) {
  return highScores ? highScores(window, gameName, score, playerName, lowerIsBetter) : 0;
}

void CardGame::ClearStatusLines() {
  statusLines.assign(kStatusLineCount, std::string());
}

void CardGame::StartComputerDelay() {
  if (!fastSpeed) computerDelay = kComputerDelayTicks;
}

// Without a window there is nothing to repaint; a null window would mean every window.
void CardGame::InvalidateTable() {
  if (window) InvalidateRect(window, &tableRect, FALSE);
}

void CardGame::InvalidateStatus() {
  if (window) InvalidateRect(window, &statusRect, FALSE);
}

void CardGame::DrawStatusLines(HDC hdc) {
  const RECT& r = statusRect;
  // A line that wraps shrinks until it leaves a gap above the next one.
  const long kGap = 4;
  for (std::size_t i = 0; i < statusLines.size(); ++i) {
    const long top = r.bottom - 180 + 30 * static_cast<long>(i);
    DrawFittedIn(hdc, statusLines[i], r.left + 5, top, r.right - 5, top + 30 - kGap, DT_CENTER | DT_WORDBREAK,
                 kSmallestPanelText);
  }
}

void CardGame::PaintTablePrompt(HDC hdc) {
  std::vector<const std::string*> lines;
  for (const std::string& line : statusLines)
    if (!line.empty()) lines.push_back(&line);
  const RECT& t = tableRect;
  const long rowHeight = 30;
  long top = (t.top + t.bottom) / 2 - rowHeight * static_cast<long>(lines.size()) / 2;
  const int oldMode = SetBkMode(hdc, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(hdc, 0xFFFFFF);
  bigFont.Select(hdc);
  for (const std::string* line : lines) {
    DrawTextIn(hdc, *line, t.left + 10, top, t.right - 10, top + rowHeight, DT_CENTER | DT_WORDBREAK);
    top += rowHeight;
  }
  bigFont.Restore();
  SetTextColor(hdc, oldColour);
  SetBkMode(hdc, oldMode);
}

void CardGame::PlayBeep() {
  if (soundOn) MessageBeep(0);
}

void CardGame::SetSortMode(std::int32_t mode) {
  sortMode = mode;
  if (humanSeat < seatList.size()) seatList[humanSeat].Sort(mode);
}

void CardGame::SetState(std::int32_t value) {
  if (state == Paused)
    savedState = value;
  else
    state = value;
}

std::int32_t CardGame::GetState() const { return state == Paused ? savedState : state; }

void CardGame::SetAreas(const RECT& table, const RECT& status) {
  tableRect = table;
  statusRect = status;
  Layout();
}

void CardGame::Paint(HDC hdc) {
  if (GetState() == Dealing) return;
  const RECT& r = statusRect;
  COLORREF oldColour = SetTextColor(hdc, kPanelColour);
  int oldMode = SetBkMode(hdc, TRANSPARENT);
  smallFont.Select(hdc);
  DrawTextIn(hdc, "PLAYER", r.left, r.top + 20, r.left + 70, r.top + 36, DT_SINGLELINE | DT_BOTTOM | DT_RIGHT);
  DrawTextIn(hdc, "SCORE", r.left + 75, r.top + 20, r.right - 5, r.top + 36, DT_SINGLELINE | DT_BOTTOM | DT_CENTER);
  long top = r.top + 44;
  for (std::uint32_t s = 0; s < seats && s < 4; ++s, top += 16) {
    DrawNameIn(hdc, seatList[s].name, r.left, top, r.left + 70, r.bottom, DT_SINGLELINE | DT_RIGHT);
    DrawTextIn(hdc, std::to_string(scores[s]), r.left + 75, top, r.right - 5, r.bottom, DT_CENTER | DT_WORDBREAK);
  }
  if (showStatusLines) DrawStatusLines(hdc);
  smallFont.Restore();
  SetTextColor(hdc, oldColour);
  SetBkMode(hdc, oldMode);
  GdiPen pen(hdc, kPanelColour, 2);
  DrawLine(hdc, r.left + 5, r.top + 39, r.right - 5, r.top + 39);
  DrawLine(hdc, r.left + 75, r.top + 20, r.left + 75, r.top + 47 + 16 * static_cast<long>(seats));
}

void CardGame::DrawCardFrame(HDC hdc, int x, int y) {
  if (!cardImages) return;
  const int w = cardImages->CardWidth();
  const int h = cardImages->CardHeight();
  {
    GdiPen white(hdc, 0xFFFFFF, 2);
    MoveToEx(hdc, x, y + h, nullptr);
    LineTo(hdc, x, y);
    LineTo(hdc, x + w, y);
  }
  GdiPen black(hdc, 0x000000, 2);
  MoveToEx(hdc, x + w, y, nullptr);
  LineTo(hdc, x + w, y + h);
  LineTo(hdc, x, y + h);
}

void CardGame::SetSeatTextColor(HDC hdc, std::uint32_t seat) {
  SetTextColor(hdc, seat == dealer ? 0xFFFF00 : 0xFFFFFF);
}

bool ShowRulesText(HWND gameWindow, UINT textId, HWND textBox) {
  HINSTANCE module = gameWindow ? reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(gameWindow, GWLP_HINSTANCE)) : nullptr;
  if (!module) module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(textId), "TEXT");
  if (!found) return false;
  HGLOBAL data = LoadResource(module, found);
  const char* bytes = data ? static_cast<const char*>(LockResource(data)) : nullptr;
  if (!bytes) return false;
  // The resource carries no terminating zero; an edit box breaks lines only at "\r\n".
  const std::string raw(bytes, SizeofResource(module, found));
  std::string text;
  for (size_t i = 0; i < raw.size() && raw[i] != '\0'; ++i) {
    if (raw[i] == '\n' && (i == 0 || raw[i - 1] != '\r')) text += '\r';
    text += raw[i];
  }
  SetWindowTextA(textBox, text.c_str());
  return true;
}

NoGame::NoGame(RandomSource& rng) : CardGame(nullptr, 0, 0, 0, 0, rng) {}

NoGame::~NoGame() = default;
