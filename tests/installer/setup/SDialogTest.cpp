// The wizard form in this process: the finish actions hand a restart to start-up only when
// the user chose it; the restart itself is start-up's (never run here).
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
  // "Later" first: the request, once made, stays for the rest of the process.
  const struct {
    bool now;
  } cases[] = {{false}, {true}};
  for (const auto& c : cases) {
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
    (c.now ? wizard->restartNowButton : wizard->restartLaterButton)->SetChecked(true);
    wizard->FinishActions();
    EXPECT_EQ(RestartRequested(), c.now);
    EXPECT_FALSE(wizard->Visible());
    delete wizard;
  }
}

}  // namespace
