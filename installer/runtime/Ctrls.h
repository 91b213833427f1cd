// Placing controls at named positions, fonts and right-to-left layout of controls, and
// the hover underline of check boxes and radio buttons.
#pragma once
#include <string>

#include "Forms.h"

// Position names in index order (0..10).
extern const char* const kPositionNames;

void SetTahomaFont(TFont& font);
// Sets the font charset; Hebrew and Arabic also switch the control to right-to-left.
void SetControlCharset(TControl* control, int charset);
// Index of a position name (letter case ignored); 0 (Center) for any other name.
int PositionIndex(const std::string& name);
// Moves the control to the named position of an area; free height and width are the
// area's size minus the control's. Returns the position index.
int PlaceControl(TControl* control, const std::string& position, int freeHeight, int margin, int areaTop,
                 int areaLeft, int freeWidth);

// Mouse-enter and mouse-leave handlers that underline a control's caption.
struct TFakeForm {
  static void BtnEnter(TControl* sender);
  static void BtnExit(TControl* sender);
};

// With visual themes on, every check box and radio button of the form underlines its
// caption while the mouse is over it.
void AttachHoverUnderline(TForm* form);
// The same without asking about themes.
void AttachHoverHandlers(TForm* form);
