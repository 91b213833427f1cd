// The install wizard: one dialog whose pages follow the script's page list, the install run
// behind its copy page (folders, file copy, registration, system operations, shortcuts),
// and the finish actions handed to start-up.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Files.h"
#include "FolderNames.h"
#include "Forms.h"
#include "SRecord.h"

class TExecDll;
class TInstallRun;
class TListedFolders;
class TScript;
class TUninstallScript;
class TSetupLog;

extern const char* const kWizardClassName;  // ".SDialog_Class_Name."

// Process-wide flags of the run.
bool IsCancelRequested();
void SetCancelRequested(bool on);
bool IsWizardClosed();

// The Finish step's restart request goes through this one function (null: the default,
// which hands the restart to start-up for after the message loop).
void SetRestartRequester(std::function<void()> requester);

// The setup log of this run.
void AddSetupLogLine(const std::string& text);

// A page of the wizard: its name in the page list and what stands behind it.
struct TPageInfo {
  const char* name;
  const char* tab;      // tab caption (null: the current page stays)
  const char* picture;  // picture key
  const char* section;  // language section
};
const TPageInfo* FindPage(const std::string& name);

// One thing the install run will make: a folder (no source) or a file with its source.
struct TPlannedCopy {
  std::string source;      // in the setup folder; empty for a folder
  std::string dest;        // the folder, or the file as installed (number prefix dropped)
  uint32_t flags = 0;      // the file entry's flags
  char keep = 0;           // a folder's "*x" character
  bool optional = false;   // the run goes on without it (a Partial setup's file, the info file)
};

// What a walk over the selected groups' copy lists meets, in the order the copy meets it.
class TCopyListVisitor {
 public:
  enum TFolderVerdict { kEnter, kPass, kStop };
  virtual ~TCopyListVisitor() = default;
  // Before each copy item of a selected group; false stops the walk.
  virtual bool Proceed() { return true; }
  // A destination folder as the item writes it, its "*x" character taken off into `keep`.
  // kPass goes on to the next item without its list.
  virtual TFolderVerdict Folder(const std::string& sub, char keep, int mode) = 0;
  // The folder has a list of files (not empty, not "*").
  virtual void ListStart() {}
  // Every item of that list in turn, empty and left-out ones too (an empty name comes with
  // no flags); `copy` tells whether the copy takes it. False ends the list.
  virtual bool Item(const std::string& name, uint32_t flags, bool copy) = 0;
  // The folder's item is done; false stops the walk.
  virtual bool FolderDone() { return true; }
};

class TSDialogForm : public TForm {
  // The run reads the pages' choices and drives the copy page's controls.
  friend class TInstallRun;

 public:
  explicit TSDialogForm(TForm* owner = nullptr);
  ~TSDialogForm() override;
  void SetScript(TScript* script) { script_ = script; }
  TScript* Script() const { return script_; }
  void InitFromScript();
  // Runs the steps before the first page; true when they ask to end the setup.
  bool BeforeDialogs();
  void SetHideWizard(bool on) { hide_ = on; }
  bool HideWizard() const { return hide_; }
  void SetVisible(bool visible) override;
  bool Copying() const { return copying_; }
  bool Busy() const { return busy_; }
  // Closing the wizard closes this form too (the background window).
  TForm* closeWith = nullptr;

  // Install folders: the preset one, else the page's field or the script's setting.
  std::string GetAppFolder(bool backslash) const;
  std::string GetCommonFolder(bool backslash) const;
  std::string GetAuxFolder(bool backslash) const;
  std::string ExpandTokens(const std::string& text, const std::string& sep = "\\");
  // Hands the three install folders, as the wizard holds them now, to the folder tokens.
  void SyncInstallFolders();

  // Setup type and components.
  std::string SetupTypeName() const;
  bool IsGroupSelected(int index) const;
  std::string GroupSelection() const;
  std::string GroupNameString() const;
  int SelectedFileCount() const;
  // Space of the selected components in KB (a Partial setup counts its partial sizes).
  double ComputedSpaceKB() const;
  std::string UserName() const;
  std::string CompanyName() const;

  // Page flow.
  void ShowPage(const std::string& name);
  void NextButtonClick();
  void BackButtonClick();
  void FinishActions();
  // Runs the execute items of a stage; stages 1 to 6 run once per wizard run.
  bool PerformExecuteOps(int stage, bool& exitRequest);
  // The engine's commands and value queries while the wizard runs.
  bool HostAction(const std::string& command, const std::string& target, const std::string& value);
  std::string HostValue(const std::string& name) const;

  // Page contents.
  void SetPageTexts();
  bool ValidateUserPage();
  void RebuildComponentList();
  void RefreshSpaceLabels();
  void BrowseButtonClick();
  std::string SummaryText() const;

  // Starts the install run of the copy page and, once it has ended, moves on or closes.
  void RunInstall();
  bool InstallSucceeded() const { return installOk_; }
  bool RestartOffered() const { return restartOffered_; }

  // Controls of the pages the run uses.
  TPageControl* pages;
  TLabel* headerLabel;
  TLabel* productLabel;
  TLabel* statusLabel;
  TLabel* companyLink;
  TButton* backButton;
  TButton* nextButton;
  TButton* cancelButton;
  TPanel* picturePanel;
  TImage* picture;
  TPanel* contentPanel;
  // Copy page.
  TLabel* fileLabel;
  TLabel* folderLabel;
  TProgressBar* progressBar1;
  TProgressBar* progressBar2;
  // Welcome, License, Readme.
  TRichEdit* welcomeText;
  TRichEdit* licenseLabel;
  TRichEdit* licenseEdit;
  TLabel* licenseHint;
  TRadioButton* licenseYes;
  TRadioButton* licenseNo;
  TRichEdit* readmeLabel;
  TRichEdit* readmeEdit;
  // User information.
  TRichEdit* userPrompt;
  TLabel* nameLabel;
  TEdit* nameEdit;
  TLabel* companyLabel;
  TEdit* companyEdit;
  // Destination.
  TRichEdit* destinationText;
  TGroupBox* folderGroup;
  TEdit* folderEdit;
  TButton* browseButton;
  TLabel* requiredCaption;
  TLabel* requiredValue;
  TLabel* availableCaption;
  TLabel* availableValue;
  // Setup type.
  TRichEdit* typeText;
  TRadioButton* typeButtons[3];  // Typical, Compact, Custom
  TLabel* typeDescriptions[3];
  // Components.
  TRichEdit* componentsText;
  TLabel* componentsCaption;
  TCheckListBox* componentList;
  TGroupBox* descriptionGroup;
  TLabel* descriptionLabel;
  // Associate.
  TRichEdit* associateText;
  TLabel* associateCaption;
  TCheckListBox* associateList;
  // Shortcuts.
  TRichEdit* shortcutsText;
  TLabel* programFolderCaption;
  TEdit* programFolderEdit;
  TCheckBox* shortcutBoxes[5];  // Start menu, desktop, Send To, StartUp, Quick Launch
  // Confirm.
  TRichEdit* confirmText;
  TMemo* summaryMemo;
  // Complete page.
  TRichEdit* completeText;
  TCheckBox* readmeCheckBox;
  TCheckBox* launchCheckBox;
  TGroupBox* restartGroup;
  TRadioButton* restartNowButton;
  TRadioButton* restartLaterButton;

 protected:
  void DoShow() override;
  bool DoCloseQuery() override;
  void DoClose(CloseAction& action) override;

 private:
  enum class TSetupType { Typical, Compact, Custom };
  struct OptionalLink {
    std::string name;
    bool checked = false;
  };
  TTabSheet* SheetFor(const TPageInfo* info);
  void SetButtons();
  void BuildPages();
  void ShowPageExtras(const std::string& name);
  void MirrorPagesRightToLeft();
  void HideUnnamedShortcuts();
  bool AssociationChecked(size_t index) const;
  void SelectSetupType(TSetupType type);
  void RegisterHostCallbacks();
  bool FinishRun();
  void LoadPagePicture(const TPageInfo* info);
  void ApplyLayout(const TPageInfo* info);
  void CopyFilesTimerTimer();
  void StopTimerTimer();
  void CloseWithoutAsking();
  bool SkipCustom(const std::string& name) const;
  void CopySetupFolder();
  void SetDialogLocation();
  void FailBox(const std::string& text);
  std::string ExpandFolderSetting(const std::string& setting) const;
  // The copy page's labels and bars, following the run's file.
  void ShowCopyProgress(const std::string& dest);
  TProgressProc FileProgress();

  TBevel* upperBevel_;
  TBevel* lowerBevel_;
  TScript* script_ = nullptr;
  bool hide_ = false;
  bool shown_ = false;
  bool firstShow_ = true;
  bool copying_ = false;
  bool busy_ = false;
  bool restartOffered_ = false;
  TSetupType setupType_ = TSetupType::Custom;
  bool installOk_ = false;
  std::string doneStages_;
  std::string lastPicture_;
  std::vector<TTabSheet*> sheets_;  // one per page table entry with a tab
  std::vector<OptionalLink> optionalLinks_;
  TExecDll* plugins_ = nullptr;
  bool callbacksSet_ = false;
  bool folderEdited_ = false, fillingFolder_ = false;
  bool shortcutsFirstTime_ = true;
  bool finished_ = false;
  bool completeShown_ = false;
  TTimer* spaceTimer_;  // Start menu, desktop, Send To, StartUp, Quick Launch
  std::unique_ptr<TInstallRun> run_;  // the install run while the copy page runs it
  bool uiShown_ = false;
  DWORD lastUi_ = 0;
  DWORD lastPump_ = 0;
  DWORD lastBar2_ = 0;    // the file progress bar's own pace
  std::string copyDest_;  // the file being copied
  TTimer* copyTimer_;
  TTimer* stopTimer_;
};
