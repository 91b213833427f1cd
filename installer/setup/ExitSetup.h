// The exit confirmation that every way of closing the wizard goes through.
#pragma once
#include <string>

#include "Forms.h"
#include "ReadMe.h"

// Once set, closing asks nothing more; never cleared.
void SetExitConfirmed(bool on);
bool ExitConfirmed();
// True while the confirmation is on screen.
bool ExitBoxOpen();
// Whether the user answered the confirmation with Exit (not a close the setup made itself).
bool UserChoseExit();

class TExitSetupForm : public TForm {
 public:
  explicit TExitSetupForm(TForm* owner);
  TLabel* text;
  TButton* exitButton;
  TButton* resumeButton;
};

// Asks whether to leave the setup; true when the user chose Exit (or had already).
bool ConfirmExit(TForm* owner);
