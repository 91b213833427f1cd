// The wizard form in this process: the finish actions request a restart only when the user
// chose it; the request goes to a stand-in here, so nothing restarts. The direct copy and
// its consumed source.
#include <gtest/gtest.h>

#include <string>

#include "ExitSetup.h"
#include "SDialog.h"
#include "SScript.h"
#include "SStartup.h"
#include "TestTool.h"

namespace {

TEST(SDialog, FinishRequestsRestartOnlyWhenChosen) {
  const std::string dir = tt::ScratchDir("sdialog_restart");
  const std::string path = dir + "\\Setup.txt";
  ASSERT_TRUE(tt::WriteFile(path, "SET_PROG_NAME(Kv Restart);\r\nSET_DIALOGS(CompleteDlg);\r\nSET_PROPOSE_RESTART;\r\n"));
  int requests = 0;
  SetRestartRequester([&] { ++requests; });
  for (const bool now : {false, true}) {
    requests = 0;
    TScript script;
    ASSERT_TRUE(script.Load(path));
    TSDialogForm* wizard = TForm::Create<TSDialogForm>();
    wizard->SetScript(&script);
    wizard->InitFromScript();
    ASSERT_FALSE(wizard->BeforeDialogs());
    wizard->Show();
    // The Complete page offers the restart with "now" chosen.
    ASSERT_TRUE(wizard->restartGroup->Visible());
    EXPECT_TRUE(wizard->restartNowButton->Checked());
    (now ? wizard->restartNowButton : wizard->restartLaterButton)->SetChecked(true);
    wizard->FinishActions();
    EXPECT_EQ(requests, now ? 1 : 0);
    EXPECT_FALSE(RestartRequested());
    EXPECT_FALSE(wizard->Visible());
    delete wizard;
  }
  SetRestartRequester(nullptr);
}

// The consumed source goes only once the destination's close succeeded: a close that fails
// (a handle protected from closing) leaves the copy failed and the source in place.
TEST(SDialog, DirectCopyKeepsTheSourceWhenTheDestinationDoesNotClose) {
  const std::string dir = tt::ScratchDir("sdialog_copyinto") + "\\";
  ASSERT_TRUE(tt::WriteFile(dir + "source.txt", "payload"));
  const HANDLE out = CreateFileA((dir + "dest.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_TRUE(SetHandleInformation(out, HANDLE_FLAG_PROTECT_FROM_CLOSE, HANDLE_FLAG_PROTECT_FROM_CLOSE));
  TCopyFinish finish;
  finish.deleteSource = true;
  EXPECT_FALSE(CopyIntoFile(dir + "source.txt", out, finish));
  EXPECT_FALSE(finish.sourceDeleted);
  std::string text;
  EXPECT_TRUE(tt::ReadFile(dir + "source.txt", text) && text == "payload");
  SetHandleInformation(out, HANDLE_FLAG_PROTECT_FROM_CLOSE, 0);
  CloseHandle(out);
}

}  // namespace
