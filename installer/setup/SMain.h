// The background window behind the wizard: it covers the work area with a vertical
// gradient, an optional picture and up to three shadowed title lines, brings up the wizard
// 500 ms after it is shown and keeps itself directly behind it.
#pragma once
#include <string>

#include "Forms.h"

class TScript;
class TSDialogForm;

extern const char* const kBackgroundClassName;  // "TSMainForm"

class TSMainForm : public TForm {
 public:
  explicit TSMainForm(TScript* script);
  ~TSMainForm() override;
  TSDialogForm* Wizard() const { return wizard_; }
  bool WizardShown() const { return wizardShown_; }
  // Paints gradient, picture and titles over a width x height surface.
  void PaintBackground(TCanvas& canvas, int width, int height);
  // The picture's place on the window (empty without a picture).
  RECT PictureRect() const { return pictureRect_; }
  // Ends the setup without asking.
  void ForceCloseProg();

 protected:
  void DoShow() override;
  bool DoCloseQuery() override;
  void DoClose(CloseAction& action) override;
  void DoPaint(TCanvas& canvas) override;
  bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void StartupTimerTimer();
  void LoadPicture();
  void DrawTitleLine(TCanvas& canvas, int width, int height, const std::string& text, const std::string& suffix,
                     const std::string& font, const std::string& side, bool top, int xOffset);
  TScript* script_;
  TSDialogForm* wizard_ = nullptr;
  bool wizardShown_ = false;
  bool forced_ = false;
  TTimer* startupTimer_;
  TTimer* setOnTopTimer_;
  HBITMAP picture_ = nullptr;
  int picW_ = 0, picH_ = 0;
  RECT pictureRect_ = {};
  int y_ = 0;  // running top of the title lines
};
