#include "Ctrls.h"

#include "Common.h"
#include "Utils.h"

const char* const kPositionNames =
    "|Center|Top/Left|Top/Right|Bottom/Left|Bottom/Right|Top/Center|Bottom/Center|Left/Center|Right/Center|"
    "Entire Screen|Hide|";

void SetTahomaFont(TFont& font) { font.SetName("Tahoma"); }

void SetControlCharset(TControl* control, int charset) {
  if (!control) return;
  if (IsRightToLeftCharset(charset)) control->SetRightToLeft(true);
  control->Font().SetCharset(charset);
}

int PositionIndex(const std::string& name) {
  for (int i = 0; i < ListItemCount(kPositionNames); ++i)
    if (EqualTextNoCase(GetListItem(kPositionNames, i), name)) return i;
  return 0;
}

int PlaceControl(TControl* control, const std::string& position, int freeHeight, int margin, int areaTop,
                 int areaLeft, int freeWidth) {
  int index = PositionIndex(position);
  if (!control) return index;
  const int e = areaTop + freeHeight / 2, f = areaLeft + freeWidth / 2;
  const int right = areaLeft + freeWidth - margin, bottom = areaTop + freeHeight - margin;
  int w = control->Width(), h = control->Height();
  int left = f, top = e;
  switch (index) {
    case 1: left = areaLeft + margin; top = areaTop + margin; break;
    case 2: left = right; top = areaTop + margin; break;
    case 3: left = areaLeft + margin; top = bottom; break;
    case 4: left = right; top = bottom; break;
    case 5: left = f; top = areaTop + margin; break;
    case 6: left = f; top = bottom; break;
    case 7: left = areaLeft + margin; top = e; break;
    case 8: left = right; top = e; break;
    case 9:
      left = areaLeft;
      top = areaTop;
      w = freeWidth + w - 2 * areaLeft;
      h = freeHeight + h - 2 * areaTop;
      break;
    case 10: left = 5 - w; top = 5 - h; break;
    default: break;
  }
  control->SetBounds(left, top, w, h);
  return index;
}

void TFakeForm::BtnEnter(TControl* sender) {
  if (sender) sender->Font().SetStyle(sender->Font().Style() | kUnderline);
}

void TFakeForm::BtnExit(TControl* sender) {
  if (sender) sender->Font().SetStyle(sender->Font().Style() & ~unsigned(kUnderline));
}

void AttachHoverHandlers(TForm* form) {
  if (!form) return;
  for (TControl* c : form->AllControls()) {
    if (!dynamic_cast<TCheckBox*>(c)) continue;  // radio buttons are check boxes here too
    c->OnMouseEnter = TFakeForm::BtnEnter;
    c->OnMouseLeave = TFakeForm::BtnExit;
  }
}

void AttachHoverUnderline(TForm* form) {
  if (IsThemeActive()) AttachHoverHandlers(form);
}
