#include "CardImages.h"

#include <stdexcept>

namespace {

template <typename F>
F Bind(HMODULE library, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

bool IsBackImage(int index) { return index >= CardImages::FirstBack && index <= CardImages::LastBack; }

}  // namespace

CardImages::CardImages() {
  library_ = LoadLibraryA("cards.dll");
  if (!library_) throw std::runtime_error("Cannot Load Card DLL");
  InitFn cdtInit = Bind<InitFn>(library_, "cdtInit");
  cdtDraw_ = Bind<DrawFn>(library_, "cdtDraw");
  cdtDrawExt_ = Bind<DrawExtFn>(library_, "cdtDrawExt");
  cdtAnimate_ = Bind<AnimateFn>(library_, "cdtAnimate");
  cdtTerm_ = Bind<TermFn>(library_, "cdtTerm");
  bool bound = cdtInit && cdtDraw_ && cdtDrawExt_ && cdtAnimate_ && cdtTerm_;
  if (!bound || !cdtInit(&width_, &height_)) {
    if (bound) cdtTerm_();
    FreeLibrary(library_);
    library_ = nullptr;
    cdtDraw_ = nullptr;
    cdtTerm_ = nullptr;
    throw std::runtime_error("Cannot Load Card DLL");
  }
}

CardImages::~CardImages() {
  if (cdtTerm_) cdtTerm_();
  if (library_) FreeLibrary(library_);
}

int CardImages::CardImageIndex(int mode, int design, int back, int rank, int suit) {
  if (mode == BackMode) {
    int index = design == 1 ? back : design;
    // A back that is no back design (an unchecked stored value) must not show a face.
    return IsBackImage(index) ? index : DefaultBack;
  }
  if (rank == 0) return JokerImage;
  if (rank == 1 || rank == 14) return suit;
  return suit + 4 * (rank - 1);
}

int CardImages::ValidateCardBack(int value) {
  if ((value >= 53 && value <= 65) || value == 67 || value == 68) return value;
  return 1;
}

bool CardImages::DrawCard(HDC hdc, int x, int y, int mode, int designOrRank, int suit) const {
  if (!cdtDraw_) return false;
  if (mode != BackMode && designOrRank != 0 &&
      (designOrRank < 1 || designOrRank > 14 || suit < 0 || suit > 3))
    return false;  // no such card face
  int index = CardImageIndex(mode, designOrRank, back_, designOrRank, suit);
  int libraryMode = index >= FirstBack ? BackMode : mode;
  return cdtDraw_(hdc, x, y, index, libraryMode, 0) != FALSE;
}
