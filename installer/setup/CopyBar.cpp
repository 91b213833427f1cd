#include "CopyBar.h"

#include "Billboard.h"
#include "Common.h"
#include "Ctrls.h"
#include "ExitSetup.h"
#include "SDialog.h"
#include "SScript.h"
#include "Utils.h"

namespace {
TCopyBarForm* g_copyBar = nullptr;
}

TCopyBarForm::TCopyBarForm(TForm* owner, TProgressBar*& progress, bool fromProgramFolder, TScript* script)
    : TForm("CopyBarForm", owner, FormBorder::None), script_(script), fromProgramFolder_(fromProgramFolder) {
  ModifyExStyle(0, WS_EX_DLGMODALFRAME);
  SetTahomaFont(Font());
  SetClientSize(324, 42);
  progressBar1 = new TProgressBar(this);
  progressBar1->SetBounds(8, 12, 224, 18);
  progressBar1->SetRange(0, 100);
  cancelButton = new TButton(this, "Cancel");
  cancelButton->SetBounds(240, 9, 75, 25);
  cancelButton->OnClick = [this](TControl*) { CancelButtonClick(); };
  RECT work = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  PlaceControl(this, "Bottom/Center", (work.bottom - work.top) - Height(), 10, work.top, work.left,
               (work.right - work.left) - Width());
  ownBar_ = progress;
  progress = progressBar1;
  g_copyBar = this;
}

TCopyBarForm::~TCopyBarForm() {
  if (g_copyBar == this) g_copyBar = nullptr;
  FreeBillboard();
}

TCopyBarForm* CurrentCopyBar() { return g_copyBar; }

void TCopyBarForm::DoShow() {
  TForm::DoShow();
  WaitProcessingMessages(100);
  // An Exit confirmed meanwhile: the run stops without a show.
  if (IsCancelRequested() || IsWizardClosed()) return;
  ShowBillboard(this, script_ ? script_->BillboardData() : std::string(),
                script_ ? script_->BillboardFiles() : std::vector<std::string>(), false, fromProgramFolder_);
  WaitProcessingMessages(400);
}

void TCopyBarForm::CancelButtonClick() {
  TSDialogForm* wizard = dynamic_cast<TSDialogForm*>(Owner());
  const bool copying = wizard && wizard->Copying();
  // While files are copied the user is asked first; Resume leaves everything running.
  if (fromProgramFolder_ && copying && !ConfirmExit(this)) return;
  if (copying) {
    cancelled_ = true;
    // The wizard's own stop: the copy loops poll it.
    SetCancelRequested(true);
  }
  FreeBillboard();
}

void TCopyBarForm::DoClose(CloseAction& action) {
  TForm::DoClose(action);
  FreeBillboard();
}

void FinishCopyBar() {
  TCopyBarForm* bar = g_copyBar;
  if (!bar) return;
  // The show's own descriptor: an empty setting takes it from the slide list.
  if (CurrentBillboard() && CurrentBillboard()->Data().waitForEnd) WaitBillboardEnd();
  FreeBillboard();
  if (g_copyBar) g_copyBar->Hide();
}

bool IsCopyCancelled() { return g_copyBar && g_copyBar->CancelRequested(); }

TCopyBarForm* OpenCopyBar(TSDialogForm& wizard) {
  if (!wizard.Script()->SilentSetup()) wizard.Hide();
  WaitProcessingMessages(200);
  if (IsCancelRequested() || IsWizardClosed()) return nullptr;
  TCopyBarForm* bar = TForm::Create<TCopyBarForm>(&wizard, wizard.progressBar1, true, wizard.Script());
  bar->Show();
  return bar;
}

void CloseCopyBar(TSDialogForm& wizard) {
  TCopyBarForm* bar = g_copyBar;
  if (!bar) return;
  wizard.progressBar1 = bar->ownBar_;
  delete bar;
}
