#include "SDialog.h"

#include "SLang.h"
#include "SScript.h"

const char* const kWizardClassName = ".SDialog_Class_Name.";

TSDialogForm::TSDialogForm(TForm* owner) : TForm(kWizardClassName, owner, FormBorder::Dialog) {
  SetClientSize(515, 351);
  SetCentered(true);
}

void TSDialogForm::InitFromScript() { SetCaption(GetLangText("Welcome", "Caption", "Welcome")); }

bool TSDialogForm::BeforeDialogs() { return false; }

void TSDialogForm::SetVisible(bool visible) {
  if (visible && hide_) {
    // A hidden wizard still goes through its first show.
    if (!shown_) DoShow();
    return;
  }
  TForm::SetVisible(visible);
}

void TSDialogForm::DoShow() {
  shown_ = true;
  TForm::DoShow();
  // A silent setup has no pages: it ends once its run is done.
  if (script_ && script_->SilentSetup()) PostMessageA(Handle(), WM_CLOSE, 0, 0);
}

void TSDialogForm::DoClose(CloseAction& action) {
  TForm::DoClose(action);
  if (closeWith && action != CloseAction::None) {
    TForm* other = closeWith;
    closeWith = nullptr;
    other->Close();
  }
}
