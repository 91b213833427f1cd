// The small stay-on-top dialog shown while a service is started, stopped, created or
// removed: the action, the service name and a cycling progress bar.
#pragma once
#include <string>

#include "Forms.h"

class TSrvBarDlg : public TForm {
 public:
  TSrvBarDlg();
  TLabel* Label1;
  TLabel* Label2;
  TProgressBar* ProgressBar1;
  TTimer* Timer1;
  void Timer1Timer();
  void FormHide();

 protected:
  bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

// Creates the dialog when there is none, shows the action and name, restarts the bar and
// waits 1000 ms pumping messages.
void ShowServiceBar(const std::string& action, const std::string& name);
// Frees the dialog when there is one.
void FreeServiceBar();
// The dialog while it exists, for tests.
TSrvBarDlg* ServiceBar();
