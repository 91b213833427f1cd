// The exit question against the wizard's timers and waits, in this process: the question is
// opened at a chosen moment and answered by a timer that looks around while it is open.
// An Exit holds for the rest of the process, so the test that chooses it comes last.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "../forms/FormsTestUtil.h"
#include "CopyBar.h"
#include "ExitSetup.h"
#include "SDialog.h"
#include "SMain.h"
#include "SScript.h"
#include "TestTool.h"

namespace {

std::function<bool()> g_probe;  // true when the step that must wait has run anyway
bool g_ranUnderQuestion = false;
bool g_questionSeen = false;
const char* g_answer = "&Resume";

// Looks while the question is open, then answers it.
void CALLBACK AnswerLater(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_ranUnderQuestion = g_probe();
  // A run started under the question waits for its end: a stop lets it unwind.
  if (g_ranUnderQuestion) SetCancelRequested(true);
  const std::vector<HWND> asks = tt::FindWindows("TExitSetupForm", GetCurrentProcessId());
  g_questionSeen = !asks.empty();
  for (HWND ask : asks) tt::ClickButton(ask, g_answer);
}

// Closes `form` at once, so that the question opens before any timer has ticked, and
// answers it after `ms`; true when the probe saw the step run while it was open.
bool RanUnderTheQuestion(TForm* form, DWORD ms, std::function<bool()> probe) {
  g_probe = std::move(probe);
  g_ranUnderQuestion = g_questionSeen = false;
  SetTimer(nullptr, 0, ms, AnswerLater);
  form->Close();
  EXPECT_TRUE(g_questionSeen);
  return g_ranUnderQuestion;
}

TScript ScriptFor(const std::string& lines) {
  TScript s;
  s.OnUnrecognized = nullptr;
  s.LoadFromText(lines);
  return s;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TSDialogForm* g_wizard = nullptr;
bool g_asked = false;

// Once the copy bar exists, the next message the run pumps is the user's close.
void CALLBACK CloseOnceTheBarIsThere(HWND, UINT, UINT_PTR id, DWORD) {
  if (!CurrentCopyBar()) return;
  KillTimer(nullptr, id);
  g_asked = true;
  g_answer = "E&xit Setup";
  RanUnderTheQuestion(g_wizard, 300, [] { return false; });
}

TEST(ExitQuestion, BackgroundStartsTheWizardOnlyAfterTheAnswer) {
  TScript script = ScriptFor("SET_PROG_NAME(Kv Exit Timing);\r\nSET_DIALOGS(WelcomeDlg);\r\n");
  TSMainForm* background = TForm::Create<TSMainForm>(&script);
  background->Show();
  // The start-up timer (500 ms) passes while the question is open.
  EXPECT_FALSE(RanUnderTheQuestion(background, 1500, [&] { return background->WizardShown(); }));
  EXPECT_FALSE(IsWizardClosed());
  // The next tick starts it, however long the wizard takes to build.
  EXPECT_TRUE(tt::WaitUntil(
      [&] {
        Application().ProcessMessages();
        return background->WizardShown();
      },
      20000));
  delete background;
}

TEST(ExitQuestion, CopyPageStartsTheRunOnlyAfterTheAnswer) {
  const std::string dir = tt::ScratchDir("exit_copy_timer");
  TScript script = ScriptFor("SET_PROG_NAME(Kv Exit Timing);\r\nSET_TARGET_DIR(" + dir + "\\target);\r\n"
                             "SET_DIALOGS(CopyFilesDlg,CompleteDlg);\r\n");
  TSDialogForm* wizard = TForm::Create<TSDialogForm>();
  wizard->SetScript(&script);
  wizard->InitFromScript();
  ASSERT_FALSE(wizard->BeforeDialogs());
  wizard->Show();  // the copy page: its 10 ms timer starts the run
  EXPECT_FALSE(RanUnderTheQuestion(wizard, 600, [&] { return wizard->Busy() || Exists(dir + "\\target"); }));
  EXPECT_FALSE(IsWizardClosed());
  EXPECT_FALSE(Exists(dir + "\\target"));
  delete wizard;  // before the timer ticks again: the run's end would answer the question for good
}

// Last: Exit is the answer here.
TEST(ExitQuestion, ExitWhileTheCopyBarOpensInstallsNothing) {
  const std::string dir = tt::ScratchDir("exit_copy_bar");
  TScript script = ScriptFor("SET_PROG_NAME(Kv Exit Timing);\r\nSET_TARGET_DIR(" + dir + "\\target);\r\n"
                             "SET_DIALOGS(CopyFilesDlg,CompleteDlg);\r\nSET_ADD_BILLBOARD;\r\n"
                             "SET_BILLBOARD_FILE(kv-none.txt);\r\n");
  TSDialogForm* wizard = TForm::Create<TSDialogForm>();
  wizard->SetScript(&script);
  wizard->InitFromScript();
  ASSERT_FALSE(wizard->BeforeDialogs());
  g_wizard = wizard;
  SetTimer(nullptr, 0, 10, CloseOnceTheBarIsThere);
  wizard->Show();
  ASSERT_TRUE(tt::WaitUntil(
      [] {
        Application().ProcessMessages();
        return IsWizardClosed();
      },
      20000));
  EXPECT_TRUE(g_asked);
  EXPECT_TRUE(IsCancelRequested());
  EXPECT_FALSE(Exists(dir + "\\target"));
  EXPECT_EQ(CurrentCopyBar(), nullptr);
  delete wizard;
}

}  // namespace
