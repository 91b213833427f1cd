// Card faces and backs, drawn by the system card library loaded at run time.
#pragma once
#include <windows.h>

class CardImages {
 public:
  // Drawing modes: a face (rank and suit) or a back (design number).
  static constexpr int FaceMode = 0;
  static constexpr int BackMode = 1;
  // Back designs the library offers, and the one shown by default.
  static constexpr int FirstBack = 53;
  static constexpr int LastBack = 68;
  static constexpr int DefaultBack = 59;
  static constexpr int JokerImage = 57;

  // Loads "cards.dll"; raises std::runtime_error("Cannot Load Card DLL") when it or
  // one of its functions is missing, or when it does not start.
  CardImages();
  ~CardImages();
  CardImages(const CardImages&) = delete;
  CardImages& operator=(const CardImages&) = delete;

  // Library image number of a back (mode BackMode; design 1 = the chosen back) or
  // of a face (any other mode; rank 0 joker, 1 or 14 ace, suit 0 clubs .. 3 spades).
  static int CardImageIndex(int mode, int design, int back, int rank, int suit);
  // A stored back: 53 to 65, 67 and 68 stand; anything else becomes 1 (the chosen back).
  static int ValidateCardBack(int value);

  // Draws a back (mode BackMode, designOrRank = design) or a face (designOrRank = rank).
  bool DrawCard(HDC hdc, int x, int y, int mode, int designOrRank, int suit = 0) const;
  void SetBack(int design) { back_ = design; }
  int Back() const { return back_; }
  int CardHeight() const { return height_; }
  int CardWidth() const { return width_; }

 private:
  typedef BOOL(WINAPI* InitFn)(int*, int*);
  typedef BOOL(WINAPI* DrawFn)(HDC, int, int, int, int, DWORD);
  typedef BOOL(WINAPI* DrawExtFn)(HDC, int, int, int, int, int, int, DWORD);
  typedef BOOL(WINAPI* AnimateFn)(HDC, int, int, int, int);
  typedef void(WINAPI* TermFn)();

  HMODULE library_ = nullptr;
  DrawFn cdtDraw_ = nullptr;
  DrawExtFn cdtDrawExt_ = nullptr;
  AnimateFn cdtAnimate_ = nullptr;
  TermFn cdtTerm_ = nullptr;
  int height_ = 0;
  int width_ = 0;
  int back_ = DefaultBack;
};
