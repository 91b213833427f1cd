// The window that shows the readme at the end of the setup, and the loading of the
// licence and readme documents.
#pragma once
#include <windows.h>

#include <string>

#include "Forms.h"

// A sizeable window: the read-only document above a status bar.
class TReadmeForm : public TForm {
 public:
  explicit TReadmeForm(TForm* owner);
  TRichEdit* memo;
  TStatusBar* status;

 protected:
  bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void LayoutMemo();
};

// Loads a document: plain text when the extension is ".txt" (any case), else rich text.
// With charset 177 or 178 the document takes that charset and reads right to left only
// when it holds more bytes E0..FA (in that charset's code page) than ASCII letters; else
// charset 0, left to right. False, and the control empty, when the file cannot be loaded.
bool LoadDocument(TRichEdit& edit, const std::string& path, int charset);

// Shows the document modally in the readme window on the background colour; a file that
// cannot be loaded leaves the window empty.
void ShowReadmeWindow(TForm* owner, const std::string& caption, const std::string& path, COLORREF background);
