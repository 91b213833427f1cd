#include "SrvBar.h"

#include "KMsgBox.h"

namespace {
TSrvBarDlg* g_bar = nullptr;
}

TSrvBarDlg::TSrvBarDlg() : TForm("TSrvBarDlg", nullptr, FormBorder::Dialog) {
  SetCaption("Start/Stop NT-Service");
  SetClientSize(352, 107);
  SetCentered(true);
  Font().SetName("MS Sans Serif");
  Font().SetSize(8);
  Label1 = new TLabel(this);
  Label1->SetBounds(32, 16, 289, 16);
  Label2 = new TLabel(this);
  Label2->SetBounds(32, 40, 289, 16);
  ProgressBar1 = new TProgressBar(this);
  ProgressBar1->SetBounds(32, 67, 289, 16);
  ProgressBar1->SetRange(0, 20);
  Timer1 = new TTimer(this, 500);
  Timer1->OnTimer = [this](TTimer*) { Timer1Timer(); };
}

void TSrvBarDlg::Timer1Timer() {
  int pos = ProgressBar1->Position() + 1;
  if (pos >= ProgressBar1->Max()) pos = ProgressBar1->Min();
  ProgressBar1->SetPosition(pos);
}

void TSrvBarDlg::FormHide() { Timer1->SetEnabled(false); }

bool TSrvBarDlg::Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg == WM_SHOWWINDOW && !wp) FormHide();
  return TForm::Message(msg, wp, lp, result);
}

void ShowServiceBar(const std::string& action, const std::string& name) {
  if (!g_bar) g_bar = TForm::Create<TSrvBarDlg>();
  g_bar->Label1->SetCaption(action);
  g_bar->Label2->SetCaption(name);
  g_bar->ProgressBar1->SetRange(0, 20);
  g_bar->ProgressBar1->SetPosition(0);
  g_bar->Timer1->SetEnabled(true);
  g_bar->SetStayOnTop(true);
  g_bar->Show();
  PumpMessagesFor(1000);
}

void FreeServiceBar() {
  if (!g_bar) return;
  g_bar->Hide();
  delete g_bar;
  g_bar = nullptr;
}

TSrvBarDlg* ServiceBar() { return g_bar; }
