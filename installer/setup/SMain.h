// The background window behind the wizard. For now it covers the work area in the top
// colour of the script, carries the program name, and brings up the wizard 500 ms after
// it is shown; closing either window ends the setup.
#pragma once
#include "Forms.h"

class TScript;
class TSDialogForm;

extern const char* const kBackgroundClassName;  // "TSMainForm"

class TSMainForm : public TForm {
 public:
  explicit TSMainForm(TScript* script);
  ~TSMainForm() override;
  TSDialogForm* Wizard() const { return wizard_; }

 protected:
  void DoShow() override;

 private:
  void StartupTimerTimer();
  TScript* script_;
  TSDialogForm* wizard_ = nullptr;
  TTimer* startupTimer_;
};
