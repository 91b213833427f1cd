#include "ExitSetup.h"

#include "SLang.h"
#include "Utils.h"

namespace {
bool g_exitConfirmed = false;
bool g_exitBoxOpen = false;
bool g_userChoseExit = false;
}  // namespace

void SetExitConfirmed(bool on) {
  if (on) g_exitConfirmed = true;
}
bool ExitConfirmed() { return g_exitConfirmed; }
bool ExitBoxOpen() { return g_exitBoxOpen; }
bool UserChoseExit() { return g_userChoseExit; }

TExitSetupForm::TExitSetupForm(TForm* owner) : TForm("TExitSetupForm", owner, FormBorder::Dialog) {
  SetClientSize(395, 178);
  SetCentered(true);
  TImage* picture = new TImage(this);
  picture->SetBounds(12, 12, 32, 32);
  picture->SetPictureSize(32, 32);
  DrawIcon(picture->Canvas().Handle(), 0, 0, LoadIcon(nullptr, IDI_QUESTION));
  text = new TLabel(this);
  text->SetWordWrap(true);
  text->SetBounds(56, 12, 327, 120);
  resumeButton = new TButton(this);
  resumeButton->SetBounds(214, 142, 80, 25);
  resumeButton->modalResult = 2;
  resumeButton->SetDefault(true);
  resumeButton->SetCancel(true);
  exitButton = new TButton(this);
  exitButton->SetBounds(303, 142, 80, 25);
  exitButton->modalResult = 1;
}

bool ConfirmExit(TForm* owner) {
  if (g_exitConfirmed) return true;
  TExitSetupForm* form = TForm::Create<TExitSetupForm>(owner);
  const int charset = GetLangCharset();
  form->Font().SetCharset(charset);
  form->SetCaption(GetLangText("ExitSetup", "Caption", "Exit Setup"));
  form->text->SetCaption(ExpandTextEscapes(GetLangText("ExitSetup", "s1", "")));
  form->resumeButton->SetCaption(GetLangText("Buttons", "Resume", "&Resume"));
  form->exitButton->SetCaption(GetLangText("Buttons", "ExitSetup", "E&xit Setup"));
  g_exitBoxOpen = true;
  const int answer = form->ShowModal();
  g_exitBoxOpen = false;
  delete form;
  g_exitConfirmed = answer == 1;
  g_userChoseExit = g_exitConfirmed;
  return g_exitConfirmed;
}
