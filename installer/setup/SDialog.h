// The install wizard. For now it is the bare window that the start-up drives: it takes
// the script, shows its first caption, and closes at once in a silent setup.
#pragma once
#include "Forms.h"

class TScript;

extern const char* const kWizardClassName;  // ".SDialog_Class_Name."

class TSDialogForm : public TForm {
 public:
  explicit TSDialogForm(TForm* owner = nullptr);
  void SetScript(TScript* script) { script_ = script; }
  void InitFromScript();
  // Runs the steps before the first page; true when they ask to end the setup.
  bool BeforeDialogs();
  void SetHideWizard(bool on) { hide_ = on; }
  bool HideWizard() const { return hide_; }
  void SetVisible(bool visible) override;
  // Closing the wizard closes this form too (the background window).
  TForm* closeWith = nullptr;

 protected:
  void DoShow() override;
  void DoClose(CloseAction& action) override;

 private:
  TScript* script_ = nullptr;
  bool hide_ = false;
  bool shown_ = false;
};
