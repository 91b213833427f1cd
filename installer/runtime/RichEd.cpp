#include "RichEd.h"

#include <richedit.h>

#include <vector>

#include "Utils.h"

namespace {

const int kMaxBoldStretches = 200;
// A label shows a few hundred characters; the control lays out a paragraph in time that
// grows with the square of its length, so longer texts are cut.
const size_t kMaxLabelText = 4096;

struct Piece {
  std::string text;
  bool bold;
};

// Cuts the text at its bold tags; tags past the limit are dropped and their text stays plain.
std::vector<Piece> SplitBoldMarkup(const std::string& text) {
  std::vector<Piece> pieces;
  bool bold = false;
  int stretches = 0;
  std::string current;
  auto flush = [&] {
    if (!current.empty()) pieces.push_back({current, bold});
    current.clear();
  };
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '<' && EqualTextNoCase(text.substr(i, 3), "<b>")) {
      if (!bold && stretches < kMaxBoldStretches) {
        flush();
        bold = true;
        ++stretches;
      }
      i += 3;
    } else if (text[i] == '<' && EqualTextNoCase(text.substr(i, 4), "</b>")) {
      if (bold) {
        flush();
        bold = false;
      }
      i += 4;
    } else {
      current += text[i++];
    }
  }
  flush();
  return pieces;
}

// The text cut to kMaxLabelText, never inside a tag, and ended with "...".
std::string BoundedLabelText(const std::string& text) {
  if (text.size() <= kMaxLabelText) return text;
  size_t cut = kMaxLabelText;
  const size_t open = text.rfind('<', cut - 1);
  if (open != std::string::npos && text.find('>', open) >= cut) cut = open;
  return text.substr(0, cut) + "...";
}

CHARRANGE Selection(HWND wnd) {
  CHARRANGE cr = {0, 0};
  SendMessageA(wnd, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&cr));
  return cr;
}

}  // namespace

void ApplyBoldMarkup(TRichEdit* edit, const std::string& text) {
  if (!edit || !edit->Handle()) return;
  HWND wnd = edit->Handle();
  for (const Piece& p : SplitBoldMarkup(text)) {
    // Positions come from the control itself, which counts line breaks its own way.
    CHARRANGE end = {-1, -1};
    SendMessageA(wnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    LONG start = Selection(wnd).cpMin;
    edit->SetSelBold(p.bold);  // the style of what is typed in next
    SendMessageA(wnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(p.text.c_str()));
    LONG stop = Selection(wnd).cpMax;
    edit->SetSelection(start, stop - start);
    edit->SetSelBold(p.bold);
  }
  edit->SetSelection(0, 0);
}

void SetRichLabelText(TRichEdit* edit, const std::string& text) {
  if (!edit || !edit->Handle()) return;
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (dpi > 96) edit->Font().SetSize(7);
  edit->Clear();
  ApplyBoldMarkup(edit, BoundedLabelText(ExpandTextEscapes(text)));
  if (edit->Parent()) edit->SetColor(edit->Parent()->Color());
  edit->SetBorder(false);
  edit->SetReadOnly(true);
  edit->SetTabStop(false);
}

void MakeRightToLeftRichEdit(TRichEdit*& edit, int charset) {
  if (!edit || !IsRightToLeftCharset(charset) || !edit->Parent()) return;
  TRichEdit* old = edit;
  auto* made = new TRichEdit(old->Parent(), true);
  made->SetBounds(old->Left(), old->Top(), old->Width(), old->Height());
  made->SetText(old->Text());
  made->SetBorder(old->Border());
  made->SetColor(old->Color());
  made->SetReadOnly(old->ReadOnly());
  made->SetScrollBars(old->Scrolls());
  made->SetTabStop(old->TabStop());
  made->SetVisible(old->Visible());
  if (!old->ParentFont()) made->Font().Assign(old->Font());
  made->tag = old->tag;
  made->OnClick = old->OnClick;
  made->OnMouseDown = old->OnMouseDown;
  made->OnMouseUp = old->OnMouseUp;
  made->OnMouseMove = old->OnMouseMove;
  made->OnMouseEnter = old->OnMouseEnter;
  made->OnMouseLeave = old->OnMouseLeave;
  int order = old->TabOrder();
  delete old;
  made->SetTabOrder(order);
  edit = made;
}
