#include "SMain.h"

#include "SDialog.h"
#include "SScript.h"
#include "Utils.h"

const char* const kBackgroundClassName = "TSMainForm";

TSMainForm::TSMainForm(TScript* script) : TForm(kBackgroundClassName, nullptr, FormBorder::Single), script_(script) {
  SetCaption("Kelvane");
  RECT work = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  SetBounds(work.left, work.top, work.right - work.left, work.bottom - work.top);
  startupTimer_ = new TTimer(this, 500);
  startupTimer_->SetEnabled(false);
  startupTimer_->OnTimer = [this](TTimer*) { StartupTimerTimer(); };
}

TSMainForm::~TSMainForm() {
  if (wizard_) wizard_->closeWith = nullptr;
  delete wizard_;
}

void TSMainForm::DoShow() {
  if (!wizard_) {
    wizard_ = TForm::Create<TSDialogForm>(this);
    wizard_->SetScript(script_);
    wizard_->closeWith = this;
  }
  SetColor(TColor(StrToIntDef(script_->TopBgColor(), 0xFF0000)));
  if (!script_->ProgName().empty()) SetCaption(script_->ProgName());
  TForm::DoShow();
  startupTimer_->SetEnabled(true);
}

void TSMainForm::StartupTimerTimer() {
  startupTimer_->SetEnabled(false);
  wizard_->InitFromScript();
  if (wizard_->BeforeDialogs()) {
    wizard_->closeWith = nullptr;
    Close();
    return;
  }
  wizard_->Show();
}
