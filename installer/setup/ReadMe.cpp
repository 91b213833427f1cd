#include "ReadMe.h"

#include "Files.h"
#include "Utils.h"

namespace {

bool IsPlainTextName(const std::string& path) {
  const std::string name = ExtractFileName(path);
  const size_t dot = name.rfind('.');
  return dot != std::string::npos && EqualTextNoCase(name.substr(dot), ".txt");
}

unsigned CodePageOfCharset(int charset) { return charset == 177 ? 1255 : 1256; }

// More bytes E0..FA than ASCII letters: the text is written in the right-to-left script.
bool HoldsRightToLeftText(const std::string& text) {
  long high = 0, letters = 0;
  for (unsigned char c : text) {
    if (c >= 0xE0 && c <= 0xFA) ++high;
    else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) ++letters;
  }
  return high > letters;
}

}  // namespace

TReadmeForm::TReadmeForm(TForm* owner) : TForm("TReadmeForm", owner, FormBorder::Sizeable) {
  SetBounds(0, 0, 600, 425);
  SetCentered(true);
  SetCaption("Readme");
  status = new TStatusBar(this);
  memo = new TRichEdit(this);
  memo->SetReadOnly(true);
  memo->SetScrollBars(ScrollBars::Vertical);
  LayoutMemo();
  memo->Clear();
}

void TReadmeForm::LayoutMemo() {
  if (memo && status) memo->SetBounds(0, 0, ClientWidth(), ClientHeight() - status->Height());
}

bool TReadmeForm::Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  const bool taken = TForm::Message(msg, wp, lp, result);
  if (msg == WM_SIZE) LayoutMemo();
  return taken;
}

bool LoadDocument(TRichEdit& edit, const std::string& path, int charset) {
  const bool plain = IsPlainTextName(path);
  const bool mayTurn = IsRightToLeftCharset(charset);
  // Plain bytes are read in the charset's code page, so that its letters show as such.
  const unsigned codePage = mayTurn ? CodePageOfCharset(charset) : CP_ACP;
  bool ok = edit.LoadFromFile(path, plain, codePage);
  if (ok && mayTurn) {
    const bool rightToLeft = HoldsRightToLeftText(edit.TextInCodePage(codePage));
    if (!rightToLeft && plain) ok = edit.LoadFromFile(path, plain);
    edit.SetDocumentCharset(rightToLeft ? charset : 0);
    edit.SetReadingRightToLeft(rightToLeft);
  }
  if (!ok) edit.Clear();
  return ok;
}

void ShowReadmeWindow(TForm* owner, const std::string& caption, const std::string& path, COLORREF background) {
  TReadmeForm* form = TForm::Create<TReadmeForm>(owner);
  form->SetCaption(caption);
  form->memo->SetColor(TColor(background));
  LoadDocument(*form->memo, path, 0);
  form->ShowModal();
  delete form;
}
