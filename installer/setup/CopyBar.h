// The small bar window that stands in for the wizard while files are copied behind a slide
// show: a progress bar and its own Cancel.
#pragma once
#include "Forms.h"

class TScript;
class TSDialogForm;

class TCopyBarForm : public TForm {
 public:
  // Hands the wizard the bar's progress bar.
  TCopyBarForm(TForm* owner, TProgressBar*& progress, bool fromProgramFolder, TScript* script);
  ~TCopyBarForm() override;
  TProgressBar* progressBar1;
  TButton* cancelButton;
  // Set by a confirmed Cancel: the install run stops at its next file.
  bool CancelRequested() const { return cancelled_; }
  // The wizard's own progress bar, which the bar stands in for.
  TProgressBar* WizardBar() const { return ownBar_; }
  void CancelButtonClick();

 protected:
  void DoShow() override;
  void DoClose(CloseAction& action) override;

 private:
  TScript* script_;
  bool fromProgramFolder_;
  bool cancelled_ = false;
  TProgressBar* ownBar_;  // the wizard's own, given back when the bar goes
  friend void CloseCopyBar(TSDialogForm& wizard);
};

TCopyBarForm* CurrentCopyBar();
// Moves the wizard out of sight (unless the setup is silent) and shows the bar in its place,
// driving the bar's progress from the wizard; none when an Exit came meanwhile.
TCopyBarForm* OpenCopyBar(TSDialogForm& wizard);
// Frees the bar and gives the wizard its own progress bar back.
void CloseCopyBar(TSDialogForm& wizard);
// The copy is over: waits for the slide show when its descriptor asks, then frees it and
// hides the bar.
void FinishCopyBar();
bool IsCopyCancelled();
