#include "SDialog.h"

#include <algorithm>
#include <memory>

#include "AboutDlg.h"
#include "Common.h"
#include "CopyBar.h"
#include "Ctrls.h"
#include "ExecDll.h"
#include "ExecOp.h"
#include "ExitSetup.h"
#include "Files.h"
#include "KMsgBox.h"
#include "Links.h"
#include "RegOp.h"
#include "RegSvr.h"
#include "ReadMe.h"
#include "RichEd.h"
#include "RunTimeDir.h"
#include "SLang.h"
#include "SRecord.h"
#include "SScript.h"
#include "SelFolder.h"
#include "SInstall.h"
#include "SStartup.h"
#include "Slider.h"
#include "UtilPlus.h"
#include "Utils.h"
#include "VerInfo.h"
#include "ZLibOpen.h"

const char* const kWizardClassName = ".SDialog_Class_Name.";

namespace {

bool g_cancelRequested = false;
bool g_wizardClosed = false;
std::function<void()> g_restartRequester;
}  // namespace

std::unique_ptr<TSetupLog> g_setupLog;

namespace {

bool SamePage(const std::string& listed, const char* page);

const TPageInfo kPages[] = {
    {"WelcomeDlg", "Welcome", "Welcome", "Welcome"},
    {"LicenseDlg", "License", "License", "License"},
    {"ReadmeDlg", "Readme", "Readme", "Readme"},
    {"UserInformationDlg", "User", "User Information", "UserInfo"},
    {"DestinationDlg", "Destination", "Destination", "Destination"},
    {"SetupTypeDlg", "Type", "Setup Type", "SetupType"},
    {"CustomDlg", "Custom", "Custom", "Components"},
    {"AssociateDlg", "Associate", "Associate", "Associate"},
    {"ShortcutsDlg", "Shortcut", "Shortcuts", "Shortcuts"},
    {"ConfirmSetupDlg", "Confirm", "Confirm Setup", "Confirm"},
    {"CopyFilesDlg", "Copy", "Copy Files", "CopyFiles"},
    {"CopyFilesDlgHide", nullptr, nullptr, nullptr},
    {"CompleteDlg", "Complete", "Complete", "Complete"},
};

template <class C>
C* Placed(C* control, int left, int top, int width, int height) {
  control->SetBounds(left, top, width, height);
  return control;
}

}  // namespace

std::string Field(const std::string& item, int index) { return GetListItem("|" + item + "|", index); }
std::string ListField(const std::string& list, int index) {
  return !list.empty() && list[0] == '|' ? GetListItem(list, index) : Field(list, index);
}

namespace {

// The execute items of one stage, in script order, until one asks to exit; each log goes
// into the setup log.
void RunStageItems(TScript& script, const TExecDll* plugins, int stage, bool& exitRequest) {
  exitRequest = false;
  for (const std::string& item : script.ExecuteOps()) {
    if (exitRequest) break;
    std::string log;
    RunExecuteItem(plugins, item, stage, exitRequest, log);
    if (!log.empty()) AddSetupLogLine(log);
  }
}

// Stages run when a page is entered or left; 0 for the others.
int EnterStage(const std::string& page) {
  return SamePage(page, "DestinationDlg") ? esBeforeDestination
         : SamePage(page, "CustomDlg")    ? esBeforeCustom
         : SamePage(page, "SetupTypeDlg") ? esBeforeSetupType
                                          : 0;
}
int LeaveStage(const std::string& page) {
  return SamePage(page, "DestinationDlg") ? esAfterDestination
         : SamePage(page, "CustomDlg")    ? esAfterCustom
         : SamePage(page, "SetupTypeDlg") ? esAfterSetupType
                                          : 0;
}

}  // namespace

bool IsCancelRequested() { return g_cancelRequested; }
void SetCancelRequested(bool on) { g_cancelRequested = on; }
bool IsWizardClosed() { return g_wizardClosed; }
void SetRestartRequester(std::function<void()> requester) { g_restartRequester = std::move(requester); }

void AddSetupLogLine(const std::string& text) {
  if (g_setupLog) g_setupLog->AddSetupLogLine(text);
}

namespace {
// Page names of the list match ignoring case and surrounding blanks.
bool SamePage(const std::string& listed, const char* page) { return EqualTextNoCase(Trim(listed), page); }
}  // namespace

const TPageInfo* FindPage(const std::string& name) {
  for (const auto& p : kPages)
    if (SamePage(name, p.name)) return &p;
  return nullptr;
}

// ---------------------------------------------------------------- form

TSDialogForm::TSDialogForm(TForm* owner) : TForm(kWizardClassName, owner, FormBorder::Dialog) {
  SetClientSize(515, 351);
  SetCentered(true);
  picturePanel = new TPanel(this);
  picturePanel->SetBounds(6, 6, ClientWidth() - 374 - 12, 275);
  picture = new TImage(picturePanel);
  picture->SetBounds(0, 0, picturePanel->ClientWidth(), picturePanel->ClientHeight());
  picture->SetCenter(true);
  contentPanel = new TPanel(this);
  contentPanel->SetBounds(ClientWidth() - 374, 6, 370, 275);
  pages = new TPageControl(contentPanel);
  pages->SetBounds(-4, -4, contentPanel->Width() + 8, contentPanel->Height() + 28);
  for (const auto& p : kPages) sheets_.push_back(p.tab ? new TTabSheet(pages, p.tab) : nullptr);
  headerLabel = new TLabel(this);
  headerLabel->SetBounds(12, 8, 400, 18);
  headerLabel->Font().SetStyle(kBold);
  headerLabel->Hide();
  productLabel = new TLabel(this, " Kelvane ");
  productLabel->SetBounds(8, 292, 60, 14);
  productLabel->Font().SetStyle(kBold);
  productLabel->SetEnabled(false);
  upperBevel_ = Placed(new TBevel(this, BevelShape::TopLine), 0, 58, ClientWidth(), 2);
  upperBevel_->Hide();
  lowerBevel_ = Placed(new TBevel(this, BevelShape::TopLine), 0, 306, ClientWidth(), 2);
  statusLabel = Placed(new TLabel(this), 80, 292, 170, 14);
  companyLink = Placed(new TLabel(this), 8, 321, 240, 16);
  SetTahomaFont(companyLink->Font());
  companyLink->Font().SetColor(0xFF0000);
  companyLink->Font().SetStyle(kUnderline);
  companyLink->SetCursor(IDC_HAND);
  companyLink->Hide();
  companyLink->OnClick = [this](TControl*) {
    if (EqualTextNoCase(companyLink->Caption(), "About Kelvane")) {
      ShowAboutBox(this, script_ ? script_->ProgName() : std::string(), 0xFF0000, 0);
    } else {
      ShellExecuteFile(companyLink->Caption(), "", SW_SHOW);
    }
  };
  backButton = Placed(new TButton(this), 258, 318, 78, 23);
  backButton->OnClick = [this](TControl*) { BackButtonClick(); };
  nextButton = Placed(new TButton(this), 336, 318, 78, 23);
  nextButton->Font().SetStyle(kBold);
  nextButton->SetDefault(true);
  nextButton->OnClick = [this](TControl*) { NextButtonClick(); };
  cancelButton = Placed(new TButton(this), 428, 318, 78, 23);
  cancelButton->OnClick = [this](TControl*) { Close(); };

  TTabSheet* copy = SheetFor(FindPage("CopyFilesDlg"));
  fileLabel = Placed(new TLabel(copy), 12, 60, 340, 16);
  folderLabel = Placed(new TLabel(copy), 12, 80, 340, 16);
  progressBar1 = Placed(new TProgressBar(copy), 12, 110, 340, 18);
  progressBar2 = Placed(new TProgressBar(copy), 12, 140, 340, 18);
  progressBar2->Hide();

  BuildPages();

  OnClick = [this](TControl*) {
    if (IsDeveloperMode()) CopySetupFolder();
  };
  AttachHoverUnderline(this);
  copyTimer_ = new TTimer(this, 10);
  copyTimer_->OnTimer = [this](TTimer*) { CopyFilesTimerTimer(); };
  stopTimer_ = new TTimer(this, 100);
  stopTimer_->OnTimer = [this](TTimer*) { StopTimerTimer(); };
  spaceTimer_ = new TTimer(this, 1000);
  spaceTimer_->OnTimer = [this](TTimer*) {
    spaceTimer_->SetEnabled(false);
    RefreshSpaceLabels();
  };
}

namespace {

TRichEdit* RichLabel(TWinControl* parent, int left, int top, int width, int height) {
  TRichEdit* edit = Placed(new TRichEdit(parent), left, top, width, height);
  edit->SetBorder(false);
  edit->SetReadOnly(true);
  edit->SetTabStop(false);
  return edit;
}

// A read-only document below a page's first line.
TRichEdit* DocumentView(TWinControl* parent, int height) {
  TRichEdit* edit = Placed(new TRichEdit(parent), 10, 28, 354, height);
  edit->SetReadOnly(true);
  edit->SetScrollBars(ScrollBars::Vertical);
  edit->SetColor(SysColor(COLOR_WINDOW));
  return edit;
}

}  // namespace

// The controls of every page; their texts come with the script (SetPageTexts).
void TSDialogForm::BuildPages() {
  TTabSheet* welcome = SheetFor(FindPage("WelcomeDlg"));
  welcomeText = RichLabel(welcome, 10, 8, 354, 232);

  TTabSheet* license = SheetFor(FindPage("LicenseDlg"));
  licenseLabel = RichLabel(license, 10, 8, 354, 18);
  licenseEdit = DocumentView(license, 128);
  licenseHint = Placed(new TLabel(license), 10, 160, 354, 16);
  licenseYes = Placed(new TRadioButton(license), 10, 180, 354, 20);
  licenseNo = Placed(new TRadioButton(license), 10, 202, 354, 20);
  licenseYes->OnClick = licenseNo->OnClick = [this](TControl*) { SetButtons(); };

  TTabSheet* readme = SheetFor(FindPage("ReadmeDlg"));
  readmeLabel = RichLabel(readme, 10, 8, 354, 18);
  readmeEdit = DocumentView(readme, 208);

  TTabSheet* user = SheetFor(FindPage("UserInformationDlg"));
  userPrompt = RichLabel(user, 10, 8, 354, 40);
  nameLabel = Placed(new TLabel(user), 10, 62, 80, 16);
  nameEdit = Placed(new TEdit(user), 95, 58, 260, 21);
  companyLabel = Placed(new TLabel(user), 10, 94, 80, 16);
  companyEdit = Placed(new TEdit(user), 95, 90, 260, 21);

  TTabSheet* destination = SheetFor(FindPage("DestinationDlg"));
  destinationText = RichLabel(destination, 10, 8, 354, 110);
  folderGroup = Placed(new TGroupBox(destination), 10, 122, 354, 52);
  folderEdit = Placed(new TEdit(folderGroup), 10, 20, 250, 21);
  folderEdit->OnChange = [this](TEdit*) {
    if (fillingFolder_) return;
    folderEdited_ = true;
    // A preset folder would win over the field: what the user types must be where it installs.
    if (!GetPresetAppFolder().empty()) SetPresetAppFolder(folderEdit->Text());
    spaceTimer_->SetEnabled(false);
    spaceTimer_->SetEnabled(true);
  };
  browseButton = Placed(new TButton(folderGroup), 266, 19, 80, 23);
  browseButton->OnClick = [this](TControl*) { BrowseButtonClick(); };
  requiredCaption = Placed(new TLabel(destination), 10, 186, 200, 16);
  requiredValue = Placed(new TLabel(destination), 214, 186, 140, 16);
  availableCaption = Placed(new TLabel(destination), 10, 206, 200, 16);
  availableValue = Placed(new TLabel(destination), 214, 206, 140, 16);

  TTabSheet* type = SheetFor(FindPage("SetupTypeDlg"));
  typeText = RichLabel(type, 10, 8, 354, 36);
  for (int i = 0; i < 3; ++i) {
    typeButtons[i] = Placed(new TRadioButton(type), 10, 50 + 60 * i, 344, 20);
    typeButtons[i]->Font().SetStyle(kBold);
    typeDescriptions[i] = Placed(new TLabel(type), 30, 72 + 60 * i, 324, 34);
    typeDescriptions[i]->SetWordWrap(true);
    const TSetupType t = TSetupType(i);
    typeButtons[i]->OnClick = [this, t](TControl*) { setupType_ = t; };
  }

  TTabSheet* custom = SheetFor(FindPage("CustomDlg"));
  componentsText = RichLabel(custom, 10, 8, 354, 30);
  componentsCaption = Placed(new TLabel(custom), 10, 42, 354, 16);
  componentList = Placed(new TCheckListBox(custom), 10, 60, 354, 100);
  componentList->SetColumns({2, -26});
  descriptionGroup = Placed(new TGroupBox(custom), 10, 166, 354, 70);
  descriptionLabel = Placed(new TLabel(descriptionGroup), 8, 18, 336, 46);
  descriptionLabel->SetWordWrap(true);
  componentList->OnSelect = [this](TCheckListBox* list) {
    const int i = list->ItemIndex();
    const auto& groups = script_->Groups();
    descriptionLabel->SetCaption(i >= 0 && i < int(groups.size())
                                     ? ExpandTextEscapes(ListField(groups[size_t(i)].line, 1))
                                     : std::string());
  };

  TTabSheet* associate = SheetFor(FindPage("AssociateDlg"));
  associateText = RichLabel(associate, 10, 8, 354, 50);
  associateCaption = Placed(new TLabel(associate), 10, 62, 354, 16);
  associateList = Placed(new TCheckListBox(associate), 10, 80, 354, 150);
  associateList->SetColumns({8, 72});

  TTabSheet* shortcuts = SheetFor(FindPage("ShortcutsDlg"));
  shortcutsText = RichLabel(shortcuts, 10, 8, 354, 50);
  programFolderCaption = Placed(new TLabel(shortcuts), 10, 62, 354, 16);
  programFolderEdit = Placed(new TEdit(shortcuts), 10, 80, 354, 21);
  for (int i = 0; i < 5; ++i) shortcutBoxes[i] = Placed(new TCheckBox(shortcuts), 10, 110 + 24 * i, 354, 20);

  TTabSheet* confirm = SheetFor(FindPage("ConfirmSetupDlg"));
  confirmText = RichLabel(confirm, 10, 8, 354, 40);
  summaryMemo = Placed(new TMemo(confirm, ScrollBars::Vertical), 10, 52, 354, 184);
  summaryMemo->SetReadOnly(true);

  TTabSheet* complete = SheetFor(FindPage("CompleteDlg"));
  completeText = RichLabel(complete, 12, 12, 340, 130);
  readmeCheckBox = Placed(new TCheckBox(complete), 12, 150, 340, 20);
  launchCheckBox = Placed(new TCheckBox(complete), 12, 180, 340, 20);
  restartGroup = Placed(new TGroupBox(complete), 12, 150, 340, 70);
  restartNowButton = Placed(new TRadioButton(restartGroup), 10, 18, 320, 20);
  restartLaterButton = Placed(new TRadioButton(restartGroup), 10, 42, 320, 20);
  restartGroup->Hide();
}

TSDialogForm::~TSDialogForm() {
  if (callbacksSet_) SetEngineCallbacks(nullptr, nullptr);
  if (g_setupLog) g_setupLog->Flush();
  delete plugins_;
}

TTabSheet* TSDialogForm::SheetFor(const TPageInfo* info) {
  if (!info) return nullptr;
  return sheets_[size_t(info - kPages)];
}

void TSDialogForm::InitFromScript() {
  TScript& s = *script_;
  SetRunTimeDirs(s.RunTimeDir1(), s.RunTimeDir2(), s.RunTimeDir3());
  g_setupLog.reset(new TSetupLog(s.CreateSetupLog()));
  char date[64] = "", time[64] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
  GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, sizeof time);
  for (const std::string& line :
       {"Setup Log of: " + s.ProgName(), "Version: " + s.ProgVersion(), std::string(),
        "Date: " + std::string(date) + " " + time, "Operating System: " + GetWinVersionText(),
        "Composer Version: " + s.ComposerBuild(), std::string(), "WinTempDir: " + GetTempDir(false),
        "SourceDir:  " + GetExeDir(false), std::string()})
    AddSetupLogLine(line);
  plugins_ = new TExecDll(Handle());
  if (!s.ExecutionDllName().empty())
    LoadExecDll(*plugins_, GetExeDir(true) + ExtractFileName(s.ExecutionDllName()), true, true);
  Font().SetCharset(GetLangCharset());
  SetCaption(GetLangText("Welcome", "Caption", "Welcome"));
  if (IsLangRightToLeft()) MirrorPagesRightToLeft();
  fillingFolder_ = true;
  folderEdit->SetText(GetPresetAppFolder().empty() ? ExpandFolderTokens(s.TargetDir(), "\\") : GetPresetAppFolder());
  fillingFolder_ = false;
  programFolderEdit->SetText(s.StartProgramLinkFolder());
  optionalLinks_.clear();
  int linkIndex = 0;
  for (const std::string& name : {s.StartMenuLinkName(), s.DesktopLinkName(), s.SendToLinkName(),
                                  s.StartUpLinkName(), s.QuickLaunchLinkName()}) {
    OptionalLink link;
    link.checked = !name.empty() && name[0] == '^';
    link.name = link.checked ? name.substr(1) : name;
    shortcutBoxes[linkIndex++]->SetChecked(link.checked);
    optionalLinks_.push_back(link);
  }
  // The shortcut page's text depends on the names just read.
  SetPageTexts();
  // Without a setup-type page the components decide: the Custom type.
  SelectSetupType(s.ContainsDialog("SetupType") ? TSetupType::Typical : TSetupType::Custom);
  RebuildComponentList();
  associateList->Clear();
  for (const auto& item : s.AssociationItems()) associateList->AddItem(ListField(item, 2) + "\t" + ListField(item, 1), true);
  // The fields start with the registered owner and organisation; a hidden one stays empty.
  nameEdit->SetText(s.RequestUserName() ? GetRegisteredOwner() : std::string());
  companyEdit->SetText(s.RequestCompanyName() ? GetRegisteredOrganization() : std::string());
  for (TControl* c : {static_cast<TControl*>(nameLabel), static_cast<TControl*>(nameEdit)}) c->SetVisible(s.RequestUserName());
  for (TControl* c : {static_cast<TControl*>(companyLabel), static_cast<TControl*>(companyEdit)})
    c->SetVisible(s.RequestCompanyName());
  if (!s.RequestUserName()) {
    companyLabel->SetTop(nameLabel->Top());
    companyEdit->SetTop(nameEdit->Top());
  }
  readmeCheckBox->SetVisible(s.ProposeReadme());
  readmeCheckBox->SetChecked(s.ProposeReadmeChecked());
  launchCheckBox->SetVisible(s.ProposeLaunch());
  launchCheckBox->SetChecked(s.ProposeLaunchChecked());
  restartOffered_ = s.ProposeRestart();
  licenseYes->SetChecked(IsDeveloperAutoAccept());
  licenseNo->SetChecked(!IsDeveloperAutoAccept());
}

namespace {

std::string Lang(const char* section, const char* key) { return GetLangText(section, key, ""); }

// A rich label's text: escapes expanded, bold tags applied.
void SetRich(TRichEdit* edit, const std::string& text) { SetRichLabelText(edit, text); }

void Mirror(TControl* c) {
  const TWinControl* parent = c->Parent();
  if (parent) c->SetLeft(parent->ClientWidth() - c->Left() - c->Width());
  c->SetRightToLeft(true);
}

std::string SpaceText(double mb) {
  if (mb < 0) mb = 0;
  char buf[64];
  snprintf(buf, sizeof buf, mb > 10 ? "%.1f MB" : mb >= 1 ? "%.2f MB" : "%.3f MB", mb);
  return buf;
}

}  // namespace

void TSDialogForm::SetPageTexts() {
  const TScript& s = *script_;
  const std::string prog = s.ProgName();
  auto prog_ = [&](const std::string& text) { return ReplaceAll(text, "PROG_NAME", prog); };
  const std::string crlf = "\r\n";
  auto repeat = [](const std::string& t, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += t;
    return out;
  };
  SetRich(welcomeText, prog_(Lang("Welcome", "s1") +
                             (s.ShowCloseRecommendation() ? Lang("Welcome", "s2") : repeat(crlf, 5)) + crlf +
                             (s.ShowAdwareDisclaimer() ? Lang("Welcome", "s4") : repeat(crlf, 3)) +
                             (s.ShowCopyrightWarning() ? Lang("Welcome", "s3") : repeat(crlf, 3))));
  SetRich(licenseLabel, Lang("License", "s1"));
  licenseHint->SetCaption(Lang("License", "s2"));
  licenseYes->SetCaption(Lang("License", "s3"));
  licenseNo->SetCaption(Lang("License", "s4"));
  const std::string dir = GetExeDir(true);
  if (!s.LicenseFileName().empty()) LoadDocument(*licenseEdit, dir + ExtractFileName(s.LicenseFileName()), GetLangCharset());
  SetRich(readmeLabel, Lang("Readme", "s1"));
  if (!s.ReadmeFileName().empty()) LoadDocument(*readmeEdit, dir + ExtractFileName(s.ReadmeFileName()), GetLangCharset());

  const char* prompt = s.RequestUserName() && s.RequestCompanyName() ? "s3" : s.RequestUserName() ? "s1" : "s2";
  SetRich(userPrompt, Lang("UserInfo", prompt));
  nameLabel->SetCaption(Lang("UserInfo", "s11"));
  companyLabel->SetCaption(Lang("UserInfo", "s12"));

  SetRich(destinationText, prog_(Lang("Destination", "s1")));
  folderGroup->SetCaption(" " + Lang("Destination", "s2") + " ");
  browseButton->SetCaption(GetLangText("Buttons", "Browse", "&Browse..."));
  requiredCaption->SetCaption(GetLangText("Destination", "s3", "Space required in drive:"));
  availableCaption->SetCaption(GetLangText("Destination", "s4", "Space available in drive:"));

  SetRich(typeText, Lang("SetupType", "s1"));
  const bool cd = s.CdSetup();
  const char* names[3] = {cd ? "s14" : "s11", cd ? "s15" : "s12", "s13"};
  const char* texts[3] = {cd ? "s24" : "s21", cd ? "s25" : "s22", "s23"};
  for (int i = 0; i < 3; ++i) {
    typeButtons[i]->SetCaption(Lang("SetupType", names[i]));
    typeDescriptions[i]->SetCaption(Lang("SetupType", texts[i]));
  }
  if (!s.ShowCompactSetup() && !cd) {
    // Custom takes the place of the hidden Compact choice.
    typeButtons[2]->SetTop(typeButtons[1]->Top());
    typeDescriptions[2]->SetTop(typeDescriptions[1]->Top());
    typeButtons[1]->Hide();
    typeDescriptions[1]->Hide();
  }
  if (cd || !s.ContainsDialog("Custom")) {
    typeButtons[2]->Hide();
    typeDescriptions[2]->Hide();
  }

  SetRich(componentsText, Lang("Components", "s1"));
  componentsCaption->SetCaption(Lang("Components", "s2"));
  descriptionGroup->SetCaption(" " + Lang("Components", "s3") + " ");
  SetRich(associateText, prog_(Lang("Associate", "s1")));
  associateCaption->SetCaption(Lang("Associate", "s2"));

  bool anyNamed = false;
  for (const auto& link : optionalLinks_) anyNamed = anyNamed || !link.name.empty();
  SetRich(shortcutsText, Lang("Shortcuts", "s1") + (anyNamed ? crlf + Lang("Shortcuts", "s2") : std::string()));
  programFolderCaption->SetCaption(Lang("Shortcuts", "s3"));
  const char* boxes[5] = {"s11", "s12", "s13", "s14", "s15"};
  for (int i = 0; i < 5; ++i) shortcutBoxes[i]->SetCaption(Lang("Shortcuts", boxes[i]));

  SetRich(confirmText, Lang("Confirm", "s1"));

  readmeCheckBox->SetCaption(GetLangText("Complete", "s8", "Display the Readme file."));
  launchCheckBox->SetCaption(GetLangText("Complete", "s3", "Yes, Launch the program file."));
  restartGroup->SetCaption(" " + GetLangText("Complete", "s4", "Restart") + " ");
  restartNowButton->SetCaption(GetLangText("Complete", "s5", "Yes, I want to restart my computer now."));
  restartLaterButton->SetCaption(GetLangText("Complete", "s6", "No, I will restart my computer later."));
}

// Hebrew and Arabic: rich labels read right to left, labels and choices sit on the right.
void TSDialogForm::MirrorPagesRightToLeft() {
  const int charset = GetLangCharset();
  for (TRichEdit** edit : {&welcomeText, &licenseLabel, &readmeLabel, &userPrompt, &destinationText, &typeText,
                           &componentsText, &associateText, &shortcutsText, &confirmText, &completeText})
    MakeRightToLeftRichEdit(*edit, charset);
  for (TControl* c : {static_cast<TControl*>(nameLabel), static_cast<TControl*>(nameEdit),
                      static_cast<TControl*>(companyLabel), static_cast<TControl*>(companyEdit)})
    Mirror(c);
  // Values and captions trade places; the captions are right-aligned.
  const int captionLeft = requiredCaption->Left(), valueLeft = requiredValue->Left();
  const int captionWidth = requiredCaption->Width(), valueWidth = requiredValue->Width();
  for (TLabel* caption : {requiredCaption, availableCaption}) {
    caption->SetBounds(valueLeft + valueWidth - captionWidth, caption->Top(), captionWidth, caption->Height());
    caption->SetAlignment(TextAlign::Right);
    caption->SetRightToLeft(true);
  }
  for (TLabel* value : {requiredValue, availableValue}) value->SetBounds(captionLeft, value->Top(), valueWidth, value->Height());
  for (int i = 0; i < 3; ++i) {
    Mirror(typeButtons[i]);
    Mirror(typeDescriptions[i]);
  }
}

void TSDialogForm::SelectSetupType(TSetupType type) {
  setupType_ = type;
  for (int i = 0; i < 3; ++i) typeButtons[i]->SetChecked(int(type) == i);
}

void TSDialogForm::RebuildComponentList() {
  TScript& s = *script_;
  const bool noChoicePages = !s.ContainsDialog("SetupType") && !s.ContainsDialog("Custom");
  componentList->Clear();
  for (const auto& group : s.Groups()) {
    const std::string& line = group.line;
    const bool locked = ListField(line, 9) == "1";
    componentList->AddItem(ListField(line, 0) + "\t" + ListField(line, 2) + " KB",
                           ListField(line, 8) == "1" || locked || noChoicePages, !locked);
  }
  if (!s.ContainsDialog("SetupType")) SelectSetupType(TSetupType::Custom);
}

bool TSDialogForm::ValidateUserPage() {
  if (!SamePage(script_->CurrentDialog(), "UserInformationDlg")) return true;
  const char* key = nullptr;
  TEdit* field = nullptr;
  if (nameEdit->Visible() && Trim(nameEdit->Text()).empty()) {
    key = "s21";
    field = nameEdit;
  } else if (companyEdit->Visible() && Trim(companyEdit->Text()).empty()) {
    key = "s22";
    field = companyEdit;
  }
  if (!key) return true;
  ErrorBox(Handle(), GetLangText("UserInfo", key, key[2] == '1' ? "Please enter User Name!" : "Please enter Company Name!"),
           GetLangText("MsgBox", "Error", "Error"), GetLangBtnText(), GetLangCharset());
  field->SetFocus();
  return false;
}

double TSDialogForm::ComputedSpaceKB() const {
  const bool partial = SetupTypeName() == "Partial";
  double kb = 0;
  for (size_t i = 0; i < script_->Groups().size(); ++i)
    if (IsGroupSelected(int(i))) kb += StrToIntDef(ListField(script_->Groups()[i].line, partial ? 4 : 2), 0);
  return kb;
}

void TSDialogForm::RefreshSpaceLabels() {
  double required = GetRequiredSpace(2);
  if (required == 0) required = ComputedSpaceKB() / 1024.0;
  double available = 0;
  const std::string folder = Trim(folderEdit->Text());
  if (!folder.empty()) {
    const std::string root = std::string(1, folder[0]) + ":\\";
    ULARGE_INTEGER free = {};
    if (GetDiskFreeSpaceExA(root.c_str(), &free, nullptr, nullptr)) available = double(free.QuadPart) / 1048576.0;
  }
  requiredValue->SetCaption(SpaceText(required));
  availableValue->SetCaption(SpaceText(available));
}

void TSDialogForm::BrowseButtonClick() {
  std::string folder = Trim(folderEdit->Text());
  for (int i = 0; i < 10 && !folder.empty() && !DirectoryExists(folder); ++i) {
    const std::string up = ExtractFileDir(SetTrailingBackslash(folder, false));
    if (up == folder) break;
    folder = up;
  }
  if (BrowseForFolder(Caption(), Lang("Messages", "s3"), "My Computer", true, folder)) {
    folderEdit->SetText(folder);
    RefreshSpaceLabels();
  }
}

std::string TSDialogForm::SummaryText() const {
  const TScript& s = *script_;
  const std::string indent = "   ", crlf = "\r\n";
  std::string text = Lang("Confirm", "s11") + crlf + indent + GetAppFolder(false) + crlf + crlf +
                     Lang("Confirm", "s12") + crlf + indent + programFolderEdit->Text() + crlf;
  const char* captions[5] = {"s13", "s14", "s15", "s16", "s17"};
  for (size_t i = 0; i < optionalLinks_.size() && i < 5; ++i)
    if (shortcutBoxes[i]->Checked() && !optionalLinks_[i].name.empty())
      text += crlf + Lang("Confirm", captions[i]) + crlf + indent + optionalLinks_[i].name + crlf;
  if (s.ContainsDialog("UserInformation") && (nameEdit->Visible() || companyEdit->Visible())) {
    text += crlf + Lang("Confirm", "s30") + crlf;
    auto line = [&](const char* key, const std::string& value) {
      std::string caption = Lang("Confirm", key);
      if (caption.size() < 10) caption.resize(10, ' ');
      if (!value.empty()) text += indent + caption + "\t" + value + crlf;
    };
    line("s31", UserName());
    line("s32", CompanyName());
  }
  return text;
}

std::string TSDialogForm::UserName() const { return nameEdit->Text(); }
std::string TSDialogForm::CompanyName() const { return companyEdit->Text(); }

bool TSDialogForm::AssociationChecked(size_t index) const {
  return int(index) >= associateList->Count() || associateList->Checked(int(index));
}

// First time on the Shortcuts page: boxes of unnamed shortcuts go, the rest move up.
void TSDialogForm::HideUnnamedShortcuts() {
  if (!shortcutsFirstTime_) return;
  shortcutsFirstTime_ = false;
  int top = shortcutBoxes[0]->Top();
  for (int i = 0; i < 5; ++i) {
    if (optionalLinks_[size_t(i)].name.empty()) {
      shortcutBoxes[i]->Hide();
      continue;
    }
    shortcutBoxes[i]->SetTop(top);
    top += 24;
  }
}

void TSDialogForm::RegisterHostCallbacks() {
  if (callbacksSet_) return;
  callbacksSet_ = true;
  SetEngineCallbacks(
      [this](const std::string& command, const std::string& target, const std::string& value, const std::string&) {
        return HostAction(command, target, value);
      },
      [this](const std::string& name) { return HostValue(name); });
}

bool TSDialogForm::HostAction(const std::string& command, const std::string& target, const std::string& value) {
  if (EqualTextNoCase(command, "SetFolderTo")) {
    if (EqualTextNoCase(target, "Application Folder")) {
      SetPresetAppFolder(value);
    } else if (EqualTextNoCase(target, "Common Folder")) {
      SetPresetCommonFolder(value);
    } else if (EqualTextNoCase(target, "Auxiliary Folder")) {
      SetPresetAuxFolder(value);
    } else {
      return false;
    }
    SyncInstallFolders();
    return true;
  }
  if (EqualTextNoCase(command, "SetStupType")) {
    const struct {
      const char* name;
      TSetupType type;
    } types[] = {{"Typical", TSetupType::Typical}, {"Compact", TSetupType::Compact}, {"Custom", TSetupType::Custom},
                 {"Complete", TSetupType::Typical}, {"Partial", TSetupType::Compact}};
    for (const auto& t : types)
      if (EqualTextNoCase(target, t.name)) {
        SelectSetupType(t.type);
        return true;
      }
  }
  return false;
}

std::string TSDialogForm::HostValue(const std::string& name) const {
  if (EqualTextNoCase(name, "UserName")) return UserName();
  if (EqualTextNoCase(name, "CompanyName")) return CompanyName();
  if (EqualTextNoCase(name, "GroupNameString")) return GroupNameString();
  if (EqualTextNoCase(name, "SetupType")) return SetupTypeName();
  return std::string();
}

bool TSDialogForm::BeforeDialogs() {
  SyncInstallFolders();
  // Setup Start items may already set folders and the setup type.
  RegisterHostCallbacks();
  AddSetupLogLine("Execute Before Dialogs");
  bool exitRequest = false;
  PerformExecuteOps(1, exitRequest);
  return exitRequest;
}

std::string TSDialogForm::GetAppFolder(bool backslash) const {
  const std::string f = GetPresetAppFolder().empty() ? folderEdit->Text() : GetPresetAppFolder();
  return SetTrailingBackslash(Trim(f), backslash);
}

// A folder setting expanded against the application folder as it stands now.
std::string TSDialogForm::ExpandFolderSetting(const std::string& setting) const {
  return ExpandFolderTokens(setting, "\\", GetAppFolder(false), GetSharedFolder(), GetAuxiliaryFolder());
}

std::string TSDialogForm::GetCommonFolder(bool backslash) const {
  const std::string f = GetPresetCommonFolder().empty() ? ExpandFolderSetting(script_->CommonDir()) : GetPresetCommonFolder();
  return SetTrailingBackslash(f, backslash);
}

std::string TSDialogForm::GetAuxFolder(bool backslash) const {
  const std::string f = GetPresetAuxFolder().empty() ? ExpandFolderSetting(script_->AuxDir()) : GetPresetAuxFolder();
  return SetTrailingBackslash(f, backslash);
}

void TSDialogForm::SyncInstallFolders() {
  const std::string common = GetCommonFolder(false), aux = GetAuxFolder(false);
  SetInstallFolders(GetAppFolder(false), common, aux);
}

std::string TSDialogForm::ExpandTokens(const std::string& text, const std::string& sep) {
  SyncInstallFolders();
  return ExpandFolderTokens(text, sep);
}

// ---------------------------------------------------------------- setup type and components

std::string TSDialogForm::SetupTypeName() const {
  if (script_->ForcePartialSetup()) return "Partial";
  switch (setupType_) {
    case TSetupType::Typical: return script_->CdSetup() ? "Complete" : "Typical";
    case TSetupType::Compact: return script_->CdSetup() ? "Partial" : "Compact";
    default: return "Custom";
  }
}

bool TSDialogForm::IsGroupSelected(int index) const {
  auto& groups = script_->Groups();
  if (script_->CdSetup() || index < 0 || index >= int(groups.size())) return true;
  const std::string& line = groups[size_t(index)].line;
  if (setupType_ == TSetupType::Typical) return ListField(line, 6) == "1";
  if (setupType_ == TSetupType::Compact) return ListField(line, 7) == "1";
  if (index < componentList->Count()) return componentList->Checked(index);
  return ListField(line, 8) == "1" || ListField(line, 9) == "1" ||
         (!script_->ContainsDialog("SetupType") && !script_->ContainsDialog("Custom"));
}

std::string TSDialogForm::GroupSelection() const {
  std::string sel;
  for (size_t i = 0; i < script_->Groups().size(); ++i) sel += IsGroupSelected(int(i)) ? '1' : '0';
  return sel;
}

std::string TSDialogForm::GroupNameString() const {
  std::string names;
  for (size_t i = 0; i < script_->Groups().size(); ++i)
    if (IsGroupSelected(int(i))) names += "|" + ListField(script_->Groups()[i].line, 0);
  return names.empty() ? names : names + "|";
}

int TSDialogForm::SelectedFileCount() const {
  int count = 0;
  for (size_t i = 0; i < script_->Groups().size(); ++i)
    if (IsGroupSelected(int(i))) count += StrToIntDef(ListField(script_->Groups()[i].line, 3), 0);
  return count;
}

// ---------------------------------------------------------------- page flow

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
  if (!firstShow_ || !script_) return;
  firstShow_ = false;
  RegisterHostCallbacks();
  SetDialogLocation();
  companyLink->SetTop(backButton->Top() + 3);
  companyLink->SetCaption(script_->CompanyUrl());
  companyLink->SetHint(script_->CompanyUrl());
  companyLink->SetVisible(!script_->CompanyUrl().empty());
  picturePanel->SetSingleBorder(script_->DialogBitmap3dFrame());
  SetRequiredSpaceText(script_->SpaceReqOnDrive(), 2);
  progressBar2->SetVisible(script_->ShowProgBar2());
  script_->SetDialogIndex(0);
  if (script_->SilentSetup()) {
    script_->SetDialogByName("CopyFilesDlg");
    if (script_->AddBillboard()) SetBounds(-30, Top(), 20, Height());
    // A silent run always goes to the copy page, listed or not.
    if (!SamePage(script_->CurrentDialog(), "CopyFilesDlg")) {
      ShowPage("CopyFilesDlg");
      return;
    }
  }
  if (FindPage(script_->CurrentDialog())) ShowPage(script_->CurrentDialog());
}

void TSDialogForm::SetDialogLocation() {
  RECT area = {};
  if (Owner() && Owner()->Handle()) {
    GetClientRect(Owner()->Handle(), &area);
    MapWindowPoints(Owner()->Handle(), nullptr, reinterpret_cast<POINT*>(&area), 2);
  } else {
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  }
  const std::string list = "|" + script_->DialogLocation() + "|";
  const std::string position = hide_ ? "Hide" : GetListItem(list, 0);
  const int dx = StrToIntDef(GetListItem(list, 1), 0), dy = StrToIntDef(GetListItem(list, 2), 0);
  PlaceControl(this, position, (area.bottom - area.top) - Height(), 0, area.top + dy, area.left + dx,
               (area.right - area.left) - Width());
}

void TSDialogForm::LoadPagePicture(const TPageInfo* info) {
  const std::string dir = GetExeDir(true);
  const bool wide = EqualTextNoCase(info->name, "WelcomeDlg") || EqualTextNoCase(info->name, "CompleteDlg");
  std::string file = dir + (script_->DialogStyleModern() ? (wide ? "Modern_Setup.bmp" : "Modern_Icon.bmp")
                                                         : "Classic_Setup.bmp");
  auto prefer = [&](const std::string& name) {
    if (!name.empty() && FileExists(dir + ExtractFileName(name))) file = dir + ExtractFileName(name);
  };
  prefer(script_->DialogBitmapFileName());
  for (const auto& entry : script_->DialogImages())
    if (EqualTextNoCase(Trim(TextBefore(entry, "=")), info->picture)) prefer(Trim(TextAfter(entry, "=")));
  if (EqualTextNoCase(file, lastPicture_) && !picture->Empty()) return;
  if (picture->LoadFromFile(file)) {
    lastPicture_ = file;
  } else {
    fputs((file + " --- Image Load Error!\n").c_str(), stdout);
  }
}

void TSDialogForm::ApplyLayout(const TPageInfo* info) {
  const int w = ClientWidth();
  if (!script_->DialogStyleModern()) {
    productLabel->Show();
    headerLabel->Hide();
    upperBevel_->Hide();
    picturePanel->SetBounds(6, 6, w - 374 - 12, 275);
    picture->SetBounds(0, 0, picturePanel->ClientWidth(), picturePanel->ClientHeight());
    contentPanel->SetBounds(w - 374, 6, 370, 275);
    return;
  }
  lowerBevel_->SetBounds(-1, lowerBevel_->Top(), w + 2, 2);
  upperBevel_->SetBounds(-1, 58, w + 2, 2);
  const bool imageLeft = EqualTextNoCase(info->name, "WelcomeDlg") || EqualTextNoCase(info->name, "CompleteDlg");
  const int pw = picture->PictureWidth(), ph = picture->PictureHeight();
  if (imageLeft) {
    productLabel->Hide();
    headerLabel->Hide();
    upperBevel_->Hide();
    const int width = IntMax(120, IntMin(160, pw + 1));
    picturePanel->SetColor(SysColor(COLOR_BTNFACE));
    picturePanel->SetBounds(0, 0, width, 307);
    picture->SetBounds(IntMax(0, (width - pw) / 2), IntMax(0, (307 - ph) / 2), pw, ph);
    contentPanel->SetBounds(width, 0, w - width, 307);
    contentPanel->SetColor(0xFFFFFF);
  } else {
    productLabel->Show();
    headerLabel->Show();
    headerLabel->BringToFront();
    upperBevel_->Show();
    picturePanel->SetColor(0xFFFFFF);
    picturePanel->SetBounds(0, 0, w, 58);
    const int top = IntMax(0, (58 - ph) / 2);
    picture->SetBounds(w - top - pw, top, pw, ph);
    contentPanel->SetBounds(50, 60, w - 100, lowerBevel_->Top() - 6 - 60);
    contentPanel->SetColor(SysColor(COLOR_BTNFACE));
  }
  pages->SetBounds(-4, -4, contentPanel->Width() + 8, contentPanel->Height() + 28);
}

void TSDialogForm::ShowPage(const std::string& name) {
  const TPageInfo* info = FindPage(name);
  if (!info) return;
  if (info->tab) {
    LoadPagePicture(info);
    ApplyLayout(info);
    const std::string caption = GetLangText(info->section, "Caption", info->tab);
    SetCaption(caption);
    headerLabel->SetCaption(caption);
    AddSetupLogLine("Show Screen: " + Caption());
    // Rich labels take the background of the layout.
    for (TControl* c : SheetFor(info)->Controls())
      if (TRichEdit* label = dynamic_cast<TRichEdit*>(c))
        if (!label->Border()) label->SetColor(contentPanel->Color());
    pages->SetActivePage(SheetFor(info));
  }
  ShowPageExtras(info->name);
}

// What a page does each time it is shown.
void TSDialogForm::ShowPageExtras(const std::string& n) {
  const TScript& s = *script_;
  if (n == "UserInformationDlg") {
    SetButtons();
    if (nameEdit->Visible() && nameEdit->Text().empty()) {
      nameEdit->SetFocus();
    } else if (companyEdit->Visible() && companyEdit->Text().empty()) {
      companyEdit->SetFocus();
    }
    return;
  }
  if (n == "DestinationDlg") {
    // The script's folder (tokens may have changed) until the user edits it; a preset one wins.
    fillingFolder_ = true;
    if (!GetPresetAppFolder().empty()) {
      folderEdit->SetText(GetPresetAppFolder());
    } else if (!folderEdited_) {
      folderEdit->SetText(ExpandFolderTokens(s.TargetDir(), "\\"));
    }
    fillingFolder_ = false;
    RefreshSpaceLabels();
  } else if (n == "CustomDlg") {
    SetButtons();
    if (componentList->Count() > 0) {
      componentList->SetItemIndex(0);
      if (componentList->OnSelect) componentList->OnSelect(componentList);
    }
    componentList->SetFocus();
    return;
  } else if (n == "ShortcutsDlg") {
    HideUnnamedShortcuts();
  } else if (n == "ConfirmSetupDlg") {
    summaryMemo->SetText(SummaryText());
    SetButtons();
    statusLabel->SetCaption(Lang("Confirm", "s2"));
    return;
  } else if (n == "CompleteDlg") {
    completeShown_ = true;
    std::string text = GetLangText("Complete", "s0", "Setup has finished copying files to your computer.");
    if (s.ProposeLaunch()) text += "<p><p>" + GetLangText("Complete", "s1", "");
    if (restartOffered_) {
      restartGroup->SetTop(launchCheckBox->Top() - 10);
      restartGroup->Show();
      readmeCheckBox->SetTop(restartGroup->Top() - 30);
      launchCheckBox->Hide();
      restartNowButton->SetChecked(true);
      restartLaterButton->SetChecked(false);
      text = GetLangText("Complete", "s0", "Setup has finished copying files to your computer.") + "<p><p>" +
             GetLangText("Complete", "s2", "");
      if (GetLangCharset() == 177) text += '\xFE';
    }
    SetRich(completeText, text + "<p><p>" + GetLangText("Complete", "s7", ""));
    cancelButton->Hide();
    SetExitConfirmed(true);
  }
  SetButtons();
  if (n == "CopyFilesDlg" || n == "CopyFilesDlgHide") copyTimer_->SetEnabled(true);
}

void TSDialogForm::SetButtons() {
  const std::string cur = script_->CurrentDialog();
  const bool copyPage = EqualTextNoCase(cur, "CopyFilesDlg") || EqualTextNoCase(cur, "CopyFilesDlgHide");
  backButton->SetEnabled(script_->DialogIndex() > 0 && !copyPage && !EqualTextNoCase(cur, "CompleteDlg"));
  const bool licenseOpen = !SamePage(cur, "LicenseDlg") || licenseYes->Checked();
  nextButton->SetEnabled(!copyPage && !copying_ && licenseOpen);
  backButton->SetCaption(GetLangText("Buttons", "Back", "< &Back"));
  nextButton->SetCaption(SamePage(cur, "CompleteDlg") ? GetLangText("Buttons", "Finish", "&Finish")
                                                      : GetLangText("Buttons", "Next", "&Next >"));
  cancelButton->SetCaption(GetLangText("Buttons", "Cancel", "&Cancel"));
  statusLabel->SetCaption(std::string());
}

bool TSDialogForm::SkipCustom(const std::string& name) const {
  return SamePage(name, "CustomDlg") && setupType_ != TSetupType::Custom;
}

void TSDialogForm::NextButtonClick() {
  if (!nextButton->Enabled()) return;
  if (pages->ActivePage() == SheetFor(FindPage("UserInformationDlg"))) RebuildComponentList();
  if (!ValidateUserPage()) return;
  bool exitRequest = false;
  if (const int stage = LeaveStage(script_->CurrentDialog())) PerformExecuteOps(stage, exitRequest);
  if (exitRequest) return CloseWithoutAsking();
  script_->NextDialog();
  if (SkipCustom(script_->CurrentDialog())) script_->NextDialog();
  const std::string entering = script_->CurrentDialog();
  if (const int stage = EnterStage(entering)) PerformExecuteOps(stage, exitRequest);
  if (exitRequest) return CloseWithoutAsking();
  if (FindPage(entering)) {
    ShowPage(entering);
  } else {
    FinishActions();
  }
}

void TSDialogForm::BackButtonClick() {
  if (!backButton->Enabled()) return;
  const int from = script_->DialogIndex();
  script_->PreviousDialog();
  if (SkipCustom(script_->CurrentDialog())) script_->PreviousDialog();
  const std::string entering = script_->CurrentDialog();
  if (script_->DialogIndex() < 0 || !FindPage(entering)) {
    // Nothing to go back to: the cursor stays on the page shown.
    script_->SetDialogIndex(from);
    return;
  }
  bool exitRequest = false;
  if (const int stage = EnterStage(entering)) PerformExecuteOps(stage, exitRequest);
  if (exitRequest) return CloseWithoutAsking();
  ShowPage(entering);
}

void TSDialogForm::FinishActions() {
  nextButton->SetEnabled(false);
  WaitProcessingMessages(10);
  if (FinishRun()) {
    const TScript& s = *script_;
    if (!s.ReadmeFileName2().empty() && readmeCheckBox->Checked()) {
      // The package's copy may have been moved into the target folder by the run.
      std::string file = GetExeDir(true) + ExtractFileName(s.ReadmeFileName2());
      if (!FileExists(file)) file = GetAppFolder(true) + ExtractFileName(s.ReadmeFileName2());
      if (s.UseNotepad()) {
        ShellExecuteFile(file, "", SW_SHOW);
      } else {
        ShowReadmeWindow(this, GetLangText("Readme", "Caption", "Readme"), file, 0xEEFFFF);
      }
    }
    if (restartOffered_ && restartNowButton->Checked()) {
      if (g_restartRequester) {
        g_restartRequester();
      } else {
        RequestRestart();
      }
    } else if (launchCheckBox->Checked()) {
      SetLaunchProgram(ExpandTokens(s.ProgExeName()));
      SetLaunchWorkFolder(ExpandTokens(s.StartProgramLinkWorkDir()));
    }
  }
  SetExitConfirmed(true);
  Close();
}

// Stage Setup End once the wizard is through; false when it asks to end without the rest.
bool TSDialogForm::FinishRun() {
  finished_ = true;
  AddSetupLogLine("Execute After Dialogs");
  bool exitRequest = false;
  PerformExecuteOps(esSetupEnd, exitRequest);
  return !exitRequest;
}

bool TSDialogForm::PerformExecuteOps(int stage, bool& exitRequest) {
  exitRequest = false;
  const char mark = char(stage + 33);
  if (doneStages_.find(mark) != std::string::npos) return true;
  if (stage >= 1 && stage <= 6) doneStages_ += mark;
  SetDefaultRequiredSpace(1, ComputedSpaceKB());
  // The items see the folders as the wizard holds them now.
  SyncInstallFolders();
  RunStageItems(*script_, plugins_, stage, exitRequest);
  if (IsRunTimeDirAbort()) exitRequest = true;
  return true;
}

// ---------------------------------------------------------------- closing

void TSDialogForm::CloseWithoutAsking() {
  SetExitConfirmed(true);
  if (busy_) {
    // The run stops at its next file and the stop timer closes the wizard after it.
    SetCancelRequested(true);
    stopTimer_->SetEnabled(true);
    return;
  }
  Close();
}

bool TSDialogForm::DoCloseQuery() {
  if (!TForm::DoCloseQuery()) return false;
  const bool may = ConfirmExit(this);
  SetCancelRequested(may);
  if (may && busy_) {
    // Closed once the run has come to a stop.
    stopTimer_->SetEnabled(true);
    return false;
  }
  return may;
}

void TSDialogForm::StopTimerTimer() {
  stopTimer_->SetEnabled(false);
  if (g_wizardClosed) return;
  if (busy_) {
    stopTimer_->SetEnabled(true);
    return;
  }
  Close();
}

void TSDialogForm::DoClose(CloseAction& action) {
  TForm::DoClose(action);
  if (action == CloseAction::None) return;
  // Closed from the Complete page without Finish: the setup has still ended.
  if (completeShown_ && !finished_) FinishRun();
  copyTimer_->SetEnabled(false);
  stopTimer_->SetEnabled(false);
  spaceTimer_->SetEnabled(false);
  if (callbacksSet_) SetEngineCallbacks(nullptr, nullptr);
  callbacksSet_ = false;
  g_wizardClosed = true;
  if (g_setupLog) g_setupLog->Flush();
  if (IsDeveloperMode()) {
    const std::string key = "HKEY_CURRENT_USER\\Software\\Drennick\\Kelvane";
    if (ReadRegValue(key, "CopyAllSetupFilesFromTempDir", "0") == "1") {
      DeleteRegValue(key, "CopyAllSetupFilesFromTempDir");
      CopySetupFolder();
    }
  }
  if (closeWith) {
    TForm* other = closeWith;
    closeWith = nullptr;
    other->Close();
  }
}

// Developer aid: keeps the files of a setup that runs from a temporary SETUP_ folder.
void TSDialogForm::CopySetupFolder() {
  const std::string folder = GetExeDir(false);
  if (folder.find("SETUP_") == std::string::npos) {
    fputs(("\n" + folder + "\nNot a SETUP_NNNNN directory!\n").c_str(), stdout);
    return;
  }
  const std::string dest = folder + "_XXX";
  ForceDirectories(dest);
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      CopyFileA((folder + "\\" + fd.cFileName).c_str(), (dest + "\\" + fd.cFileName).c_str(), FALSE);
      fputs((std::string(fd.cFileName) + "\n").c_str(), stdout);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  fputs(("TargetDir = " + dest + "\n").c_str(), stdout);
}
