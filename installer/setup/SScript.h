// The setup script: reads Setup.txt into one object of settings, file groups, the
// wizard's page list and the lines that go into the uninstall script.
#pragma once
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

// Settings by kind: X(keyword, getter name[, default]).
#define SCRIPT_TEXT_SETTINGS(X)                                                     \
  X(SET_PROG_NAME, ProgName, "")                                                    \
  X(SET_PROG_VERSION, ProgVersion, "")                                              \
  X(SET_COMPANY_NAME, CompanyName, "")                                              \
  X(SET_COMPANY_URL, CompanyUrl, "")                                                \
  X(SET_COMPOSER_BUILD, ComposerBuild, "")                                          \
  X(SET_PROG_EXE_NAME, ProgExeName, "")                                             \
  X(SET_PROG_STAMP, ProgStamp, "")                                                  \
  X(SET_COPYRIGHT_NOTICE, CopyrightNotice, "")                                      \
  X(SET_ALLOWED_OS, AllowedOs, "")                                                  \
  X(SET_LANG_NAMES, LangNames, "")                                                  \
  X(SET_TARGET_DIR, TargetDir, "")                                                  \
  X(SET_COMMON_DIR, CommonDir, "")                                                  \
  X(SET_AUX_DIR, AuxDir, "")                                                        \
  X(SET_SPACE_REQ_ON_DRIVE, SpaceReqOnDrive, "")                                    \
  X(SET_RUN_TIME_DIR_1, RunTimeDir1, "")                                            \
  X(SET_RUN_TIME_DIR_2, RunTimeDir2, "")                                            \
  X(SET_RUN_TIME_DIR_3, RunTimeDir3, "")                                            \
  X(SET_DELIVERY_FILES, DeliveryFiles, "")                                          \
  X(SET_DIALOG_BITMAP_FILE_NAME, DialogBitmapFileName, "")                          \
  X(SET_DIALOG_LOCATION, DialogLocation, "")                                        \
  X(SET_LICENSE_FILE_NAME, LicenseFileName, "")                                     \
  X(SET_README_FILE_NAME, ReadmeFileName, "")                                       \
  X(SET_README_FILE_NAME_2, ReadmeFileName2, "")                                    \
  X(SET_START_PROGRAM_LINK_FOLDER, StartProgramLinkFolder, "")                      \
  X(SET_START_PROGRAM_LINK_NAME, StartProgramLinkName, "")                          \
  X(SET_START_PROGRAM_LINK_PARAM, StartProgramLinkParam, "")                        \
  X(SET_START_PROGRAM_LINK_WORKDIR, StartProgramLinkWorkDir, "")                    \
  X(SET_START_PROGRAM_LINK_RUN, StartProgramLinkRun, "")                            \
  X(SET_START_PROGRAM_LINK_ICON_FILE, StartProgramLinkIconFile, "")                 \
  X(SET_START_PROGRAM_LINK_ICON_NUM, StartProgramLinkIconNum, "")                   \
  X(SET_START_MENU_LINK_NAME, StartMenuLinkName, "")                                \
  X(SET_DESKTOP_LINK_NAME, DesktopLinkName, "")                                     \
  X(SET_SENDTO_LINK_NAME, SendToLinkName, "")                                       \
  X(SET_STARTUP_LINK_NAME, StartUpLinkName, "")                                     \
  X(SET_QUICK_LAUNCH_LINK_NAME, QuickLaunchLinkName, "")                            \
  X(SET_OPEN_WITH_NAME, OpenWithName, "")                                           \
  X(SET_OPEN_WITH_MENU_TEXT, OpenWithMenuText, "")                                  \
  X(SET_OPEN_WITH_EXTENSIONS, OpenWithExtensions, "")                               \
  X(SET_EXECUTION_DLL_NAME, ExecutionDllName, "")                                   \
  X(SET_ORIGINAL_INFO_FILE_NAME, OriginalInfoFileName, "")                          \
  X(SET_AUTO_UPDATE_EXE_FILE_NAME, AutoUpdateExeFileName, "")                       \
  X(SET_TOP_BG_COLOR, TopBgColor, "16711680")                                       \
  X(SET_BOTTOM_BG_COLOR, BottomBgColor, "0")                                        \
  X(SET_BG_BITMAP_FILE_NAME, BgBitmapFileName, "")                                  \
  X(SET_BG_BITMAP_LOCATION, BgBitmapLocation, "")                                   \
  X(SET_TOP_LABEL_TEXT, TopLabelText, "")                                           \
  X(SET_TOP_LABEL_TEXT_2, TopLabelText2, "")                                        \
  X(SET_BOTTOM_LABEL_TEXT, BottomLabelText, "")                                     \
  X(SET_TOP_LABEL_SIDE, TopLabelSide, "")                                           \
  X(SET_TOP_LABEL_SIDE_2, TopLabelSide2, "")                                        \
  X(SET_BOTTOM_LABEL_SIDE, BottomLabelSide, "")                                     \
  X(SET_TOP_LABEL_FONT, TopLabelFont, "")                                           \
  X(SET_TOP_LABEL_FONT_2, TopLabelFont2, "")                                        \
  X(SET_BOTTOM_LABEL_FONT, BottomLabelFont, "")                                     \
  X(SET_TOP_LABEL_SIZE, TopLabelSize, "")                                           \
  X(SET_TOP_LABEL_STYLE, TopLabelStyle, "")                                         \
  X(SET_BOTTOM_LABEL_SIZE, BottomLabelSize, "")                                     \
  X(SET_BOTTOM_LABEL_STYLE, BottomLabelStyle, "")                                   \
  X(SET_BG_WAVE_FILE_NAME, BgWaveFileName, "")                                      \
  X(SET_BG_WAVE_LOOP, BgWaveLoop, "")                                               \
  X(SET_BG_WAVE_DELAY, BgWaveDelay, "")                                             \
  X(SET_BG_WAVE_SLIDER, BgWaveSlider, "")                                           \
  X(SET_BG_WAVE_LOCATION, BgWaveLocation, "")                                       \
  X(SET_BILLBOARD_DATA, BillboardData, "")

#define SCRIPT_FLAG_SETTINGS(X)                                          \
  X(SET_SPLIT_SETUP, SplitSetup)                                         \
  X(SET_USE_COPY, UseCopy)                                               \
  X(SET_CD_SETUP, CdSetup)                                               \
  X(SET_SHOW_COMPACT_SETUP, ShowCompactSetup)                            \
  X(SET_FORCE_PARTIAL_SETUP, ForcePartialSetup)                          \
  X(SET_SILENT_SETUP, SilentSetup)                                       \
  X(SET_SETUP_BACKGROUND, SetupBackground)                               \
  X(SET_DIALOG_STYLE_MODERN, DialogStyleModern)                          \
  X(SET_DIALOG_BITMAP_3D_FRAME, DialogBitmap3dFrame)                     \
  X(SET_USE_NOTEPAD, UseNotepad)                                         \
  X(SET_REQUEST_USER_NAME, RequestUserName)                              \
  X(SET_REQUEST_COMPANY_NAME, RequestCompanyName)                        \
  X(SET_SHOW_CLOSE_RECOMMENDATION, ShowCloseRecommendation)              \
  X(SET_SHOW_COPYRIGHT_WARNING, ShowCopyrightWarning)                    \
  X(SET_SHOW_ADWARE_DISCLAIMER, ShowAdwareDisclaimer)                    \
  X(SET_SHOW_PROG_BAR_2, ShowProgBar2)                                   \
  X(SET_PROPOSE_README, ProposeReadme)                                   \
  X(SET_PROPOSE_README_CHECKED, ProposeReadmeChecked)                    \
  X(SET_PROPOSE_LAUNCH, ProposeLaunch)                                   \
  X(SET_PROPOSE_LAUNCH_CHECKED, ProposeLaunchChecked)                    \
  X(SET_PROPOSE_RESTART, ProposeRestart)                                 \
  X(SET_ALL_USERS, AllUsers)                                             \
  X(SET_FORCE_REMOVE_SHORTCUT_FOLDER, ForceRemoveShortcutFolder)         \
  X(SET_OPEN_WITH, OpenWith)                                             \
  X(SET_REGISTER_AS_APPLICATION, RegisterAsApplication)                  \
  X(SET_TEST_ADMIN_RIGHTS, TestAdminRights)                              \
  X(SET_TEST_FOR_DOT_NET_FRAMEWORK, TestForDotNetFramework)              \
  X(SET_TEST_EXE_BEFORE_INSTALL, TestExeBeforeInstall)                   \
  X(SET_TEST_ADMIN_RIGHTS_UNINSTALL, TestAdminRightsUninstall)           \
  X(SET_TEST_EXE_BEFORE_UNINSTALL, TestExeBeforeUninstall)               \
  X(SET_CREATE_UNINSTALL, CreateUninstall)                               \
  X(SET_SCRAMBLE_UNINSTALL, ScrambleUninstall)                           \
  X(SET_CREATE_SETUP_LOG, CreateSetupLog)                                \
  X(SET_RUN_AUTO_UPDATE_AT_STARTUP, RunAutoUpdateAtStartup)              \
  X(SET_BOTTOM_BG_COLOR_REQ, BottomBgColorReq)                           \
  X(SET_BG_BITMAP_TRANSPARENT, BgBitmapTransparent)                      \
  X(SET_TOP_LABEL_VER, TopLabelVer)                                      \
  X(SET_ADD_BILLBOARD, AddBillboard)

// Integers: X(keyword, getter, default, value of a text that is no number).
#define SCRIPT_INT_SETTINGS(X)             \
  X(SET_LANG_FLAG, LangFlag, 1, 1)         \
  X(SET_DIALOG_DX, DialogDx, 0, 0)         \
  X(SET_DIALOG_DY, DialogDy, 0, 0)         \
  X(SET_BG_BITMAP_DX, BgBitmapDx, 0, 0)    \
  X(SET_BG_BITMAP_DY, BgBitmapDy, 0, 0)

// Bounded integers: X(keyword, getter, default, lowest, highest).
#define SCRIPT_BOUNDED_SETTINGS(X)                       \
  X(SET_OVERWRITE_FLAG, OverwriteFlag, 0, 0, 4)          \
  X(SET_GLOBAL_OVERWRITE_FLAG, GlobalOverwriteFlag, 1, 1, 4)

#define SCRIPT_LIST_SETTINGS(X)                                \
  X(SET_START_PROGRAM_LINK_ITEM, StartProgramLinkItems)        \
  X(SET_WIN_EXEC, WinExecItems)                                \
  X(SET_START_SERVICE, StartServiceItems)                      \
  X(SET_STOP_SERVICE, StopServiceItems)                        \
  X(SET_PERFORM_REGISTRY_OP, RegistryOps)                      \
  X(SET_PERFORM_INIFILE_OP, IniFileOps)                        \
  X(SET_PERFORM_ENVIRONMENT_OP, EnvironmentOps)                \
  X(SET_ADD_ASSOCIATION_ITEM, AssociationItems)                \
  X(SET_PERFORM_EXECUTE_OP, ExecuteOps)                        \
  X(SET_BILLBOARD_FILE, BillboardFiles)                        \
  X(SET_DIALOG_IMAGE, DialogImages)

using TStringList = std::vector<std::string>;

// One file group: its component line and its copy items "<overwrite>|<sub dir>|<file list>".
struct TScriptGroup {
  std::string line;
  TStringList items;
};

enum class TKeywordKind { Text, Flag, Integer, List, Bounded, Special };

class TScript {
 public:
  TScript();

  void Reset();
  // Reads the file; false (settings at their defaults) when it does not exist or cannot be read.
  bool Load(const std::string& path);
  // Cleans and parses a whole script text (scrambled or plain); false, with nothing read,
  // when its plain text holds binary data (a NUL byte).
  bool LoadFromText(const std::string& text);
  // The last text loaded held binary data.
  bool HoldsBinary() const { return binary_; }
  // Parses one cleaned line.
  void ParseLine(const std::string& line);

  // Called once per line that names no keyword; the default shows the error box.
  std::function<void(const std::string& line)> OnUnrecognized;

#define X_TEXT(kw, name, def) const std::string& name() const { return name##_; }
#define X_FLAG(kw, name) bool name() const { return name##_; }
#define X_INT(kw, name, def, bad) int name() const { return name##_; }
#define X_BOUNDED(kw, name, def, lo, hi) int name() const { return name##_; }
#define X_LIST(kw, name) TStringList& name() { return name##_; }
  SCRIPT_TEXT_SETTINGS(X_TEXT)
  SCRIPT_FLAG_SETTINGS(X_FLAG)
  SCRIPT_INT_SETTINGS(X_INT)
  SCRIPT_BOUNDED_SETTINGS(X_BOUNDED)
  SCRIPT_LIST_SETTINGS(X_LIST)
#undef X_TEXT
#undef X_FLAG
#undef X_INT
#undef X_BOUNDED
#undef X_LIST

  // The auto-update entry switches a silent setup on as if the script had asked.
  void SetSilentSetup() { SilentSetup_ = true; }

  const TStringList& ScriptLines() const { return lines_; }
  std::vector<TScriptGroup>& Groups() { return groups_; }
  const TStringList& PendingFileNames() const { return pendingFiles_; }
  const TStringList& UninstallLines() const { return uninstallLines_; }
  bool UsesCommonFolder() const { return usesCommon_; }
  bool UsesAuxiliaryFolder() const { return usesAux_; }
  bool CopyToUninstallMode() const { return copyToUninstall_; }

  // Wizard page list and its cursor.
  const std::string& DialogList() const { return dialogs_; }
  void SetDialogByName(const std::string& name);
  void SetDialogIndex(int index) { dialogIndex_ = index; }
  int DialogIndex() const { return dialogIndex_; }
  void NextDialog() { ++dialogIndex_; }
  void PreviousDialog() { --dialogIndex_; }
  std::string CurrentDialog() const;
  bool ContainsDialog(const std::string& name) const;

  // Consumes one pending entry for the file; true when another copy item still names it.
  bool TakePendingFileName(const std::string& path);

  // The keyword table, in order.
  struct Keyword {
    const char* name;
    TKeywordKind kind;
    void (*set)(TScript& s, const std::string& arg);
  };
  static const std::vector<Keyword>& KeywordTable();

  // Script text after scrambling, comments and blank lines are taken out.
  static TStringList CleanScriptText(const std::string& text);
  // The text unscrambled, without a leading byte-order mark.
  static std::string PlainScriptText(const std::string& text);
  static std::string RemoveBlockComments(const std::string& text);
  static std::string UnquoteArgument(const std::string& arg);

 private:
  friend struct TScriptSetters;

#define X_TEXT(kw, name, def) std::string name##_;
#define X_FLAG(kw, name) bool name##_ = false;
#define X_INT(kw, name, def, bad) int name##_ = def;
#define X_BOUNDED(kw, name, def, lo, hi) int name##_ = def;
#define X_LIST(kw, name) TStringList name##_;
  SCRIPT_TEXT_SETTINGS(X_TEXT)
  SCRIPT_FLAG_SETTINGS(X_FLAG)
  SCRIPT_INT_SETTINGS(X_INT)
  SCRIPT_BOUNDED_SETTINGS(X_BOUNDED)
  SCRIPT_LIST_SETTINGS(X_LIST)
#undef X_TEXT
#undef X_FLAG
#undef X_INT
#undef X_BOUNDED
#undef X_LIST

  void GroupData(const std::string& arg);
  void SubDir(const std::string& arg);
  void CopyFiles(const std::string& arg);
  // Refuses the line being parsed as the unrecognised lines are refused.
  void Reject();
  // Lines of a plain text, cleaned.
  static TStringList CleanLines(const std::string& plain);

  TStringList lines_;
  std::vector<TScriptGroup> groups_;
  TStringList pendingFiles_;
  std::unordered_map<std::string, int> pendingCount_;  // lower-case name -> entries left
  std::string subDir_;
  bool subDirPending_ = false;
  bool usesCommon_ = false;
  bool usesAux_ = false;
  std::string dialogs_;
  int dialogIndex_ = 0;
  bool copyToUninstall_ = false;
  TStringList uninstallLines_;
  std::string parsedLine_;  // the line whose keyword runs now, as the refusal box quotes it
  bool binary_ = false;
};
