// The About box of the install system: a borderless modal window with a gradient band,
// a close picture and a rich-text body from the program's "About" text resource.
#pragma once
#include <functional>
#include <string>

#include "Forms.h"

// The maker's web address and the second form in which the body may write it.
extern const char* const kMakerAddress;      // "www.example.com"
extern const char* const kMakerAddressLong;  // "http://www.example.com"

class TAboutForm : public TForm {
 public:
  explicit TAboutForm(TForm* owner);

  TPanel* Panel1;
  TPanel* Panel2;
  TPanel* Panel3;
  TPanel* Panel4;
  TImage* Image1;
  TImage* Image2;
  TRichEdit* RichEdit1;

  std::string programName;
  TColor topColor = 0, bottomColor = 0;
  // Opens the maker's address; the shell's default browser unless replaced.
  std::function<void(const std::string&)> openLink;

  void FormCreate();
  void FormShow();
  void Image1Click();
  void RichEdit1MouseMove(int x, int y);
  void RichEdit1MouseUp();
  bool OverLink() const { return overLink_; }

 protected:
  void DoShow() override;
  bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  bool overLink_ = false;
};

// Shows the box modally for the program and frees it.
void ShowAboutBox(TForm* owner, const std::string& programName, TColor topColor, TColor bottomColor);

// Link test at a point of a device context: one of the pixels (x, y-1)..(x, y+10) is pure
// blue, and one of those rows holds 15 pure-blue pixels in a row between x-29 and x+15.
bool IsLinkAt(HDC dc, int x, int y);
// The maker's address as written in the text (ignoring case), or empty.
std::string FindMakerAddress(const std::string& text);
// The "About" resource with the program name in place (made safe for RTF).
std::string AboutText(const std::string& programName);
