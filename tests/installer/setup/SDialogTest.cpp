// The wizard form in this process: the finish actions request a restart only when the user
// chose it; the request goes to a stand-in here, so nothing restarts.
#include <gtest/gtest.h>

#include <string>

#include "ExitSetup.h"
#include "RunTimeDir.h"
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

// Asking for the common and auxiliary folders leaves the folder tokens as they were set:
// they follow a typed destination only when the wizard hands its folders over.
TEST(SDialog, FolderGettersLeaveTheTokenFoldersAlone) {
  const std::string dir = tt::ScratchDir("sdialog_getters");
  const std::string path = dir + "\\Setup.txt";
  ASSERT_TRUE(tt::WriteFile(path, "SET_PROG_NAME(Kv Getters);\r\nSET_DIALOGS(DestinationDlg);\r\n"
                                  "SET_TARGET_DIR(C:\\Kv Getters);\r\nSET_COMMON_DIR(<Application Folder>Common);\r\n"
                                  "SET_AUX_DIR(<Application Folder>Aux);\r\n"));
  TScript script;
  ASSERT_TRUE(script.Load(path));
  TSDialogForm* wizard = TForm::Create<TSDialogForm>();
  wizard->SetScript(&script);
  wizard->InitFromScript();
  SetInstallFolders("C:\\Before", "C:\\Before\\Shared", "C:\\Before\\Aux");
  wizard->folderEdit->SetText("C:\\Typed");
  EXPECT_EQ(wizard->GetCommonFolder(false), "C:\\Typed\\Common");
  EXPECT_EQ(wizard->GetAuxFolder(true), "C:\\Typed\\Aux\\");
  EXPECT_EQ(GetTargetFolder(), "C:\\Before");
  EXPECT_EQ(GetSharedFolder(), "C:\\Before\\Shared");
  EXPECT_EQ(GetAuxiliaryFolder(), "C:\\Before\\Aux");
  wizard->SyncInstallFolders();
  EXPECT_EQ(GetTargetFolder(), "C:\\Typed");
  EXPECT_EQ(GetSharedFolder(), "C:\\Typed\\Common");
  EXPECT_EQ(GetAuxiliaryFolder(), "C:\\Typed\\Aux");
  SetInstallFolders("", "", "");
  delete wizard;
}

}  // namespace
