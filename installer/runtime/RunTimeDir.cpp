#include "RunTimeDir.h"

#include <cstdlib>
#include <functional>

#include "Common.h"
#include "Files.h"
#include "KMsgBox.h"
#include "RegOp.h"
#include "U_DEBUG0.h"
#include "Utils.h"

namespace {

const char kShellFolders[] = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kCurrentVersion[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char kDynData[] = "HKEY_CURRENT_USER\\Software\\Kelvane_Dyn_Data";

std::string g_target, g_shared, g_auxiliary;
bool g_userDirKnown = false;
std::string g_userDir;
double g_requiredSpace = 0, g_defaultSpace = 0;

std::string g_descriptors[3];
std::string g_resolved[3] = {"*", "*", "*"};
bool g_abort = false;

std::string TwoDigits(int n) { return PadLeftZero(std::to_string(n % 100), 2); }

std::string LocaleText(LCTYPE type, const char* def) {
  char buf[100];
  return GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof buf) > 1 ? std::string(buf) : std::string(def);
}

bool HasToken(const std::string& text, const std::string& token) {
  return UpperCase(text).find(UpperCase(token)) != std::string::npos;
}

// Replaces the token when it occurs; the value is only worked out then.
void Replace(std::string& text, const std::string& token, const std::function<std::string()>& value) {
  if (HasToken(text, token)) text = ReplaceAllNoCase(text, token, value());
}

std::string FirstTwo(const std::string& path) { return path.substr(0, 2); }

double UnitFactor(int unit) { return unit == 1 ? 1024.0 : unit == 2 ? 1048576.0 : 1.0; }

// A plain decimal number ("12", "-3.5", "1e6"); -1 for anything else.
double SpaceValue(const std::string& text) {
  const std::string t = Trim(text);
  if (t.empty() || t.find_first_not_of("0123456789+-.eE") != std::string::npos) return -1;
  char* end = nullptr;
  double v = strtod(t.c_str(), &end);
  return (end && *end == 0) ? v : -1;
}

bool SwitchOn(const std::string& descriptor, int item) { return GetListItem(descriptor, item) == "1"; }

}  // namespace

void SetInstallFolders(const std::string& target, const std::string& shared, const std::string& auxiliary) {
  g_target = target;
  g_shared = shared;
  g_auxiliary = auxiliary;
}
std::string GetTargetFolder() { return g_target; }
std::string GetSharedFolder() { return g_shared; }
std::string GetAuxiliaryFolder() { return g_auxiliary; }

std::string DateTokenText(char code, const SYSTEMTIME& date) {
  const std::string dd = TwoDigits(date.wDay), mm = TwoDigits(date.wMonth), yy = TwoDigits(date.wYear),
                    yyyy = PadLeftZero(std::to_string(date.wYear), 4);
  switch (code) {
    case '#': {
      const std::string sep = LocaleText(LOCALE_SDATE, "/");
      const int month = date.wMonth >= 1 && date.wMonth <= 12 ? date.wMonth : 1;
      return dd + sep + LocaleText(LCTYPE(LOCALE_SMONTHNAME1 + month - 1), "") + sep + yyyy;
    }
    case '0': {
      SYSTEMTIME start = {};
      start.wYear = 2000;
      start.wMonth = 1;
      start.wDay = 1;
      FILETIME a, b;
      if (!SystemTimeToFileTime(&start, &a) || !SystemTimeToFileTime(&date, &b)) return "0";
      const int64_t from = int64_t(uint64_t(a.dwHighDateTime) << 32 | a.dwLowDateTime);
      const int64_t to = int64_t(uint64_t(b.dwHighDateTime) << 32 | b.dwLowDateTime);
      return std::to_string((to - from) / 864000000000LL);
    }
    case '1': return dd + "-" + mm + "-" + yy;
    case '2': return mm + "-" + dd + "-" + yy;
    case '3': return yy + "-" + mm + "-" + dd;
    case '4': return dd + "-" + mm + "-" + yyyy;
    case '5': return mm + "-" + dd + "-" + yyyy;
    case '6': return yyyy + "-" + mm + "-" + dd;
    default: return std::string();
  }
}

std::string ExpandFolderTokens(const std::string& text, const std::string& sep) {
  return ExpandFolderTokens(text, sep, g_target, g_shared, g_auxiliary);
}

std::string ExpandFolderTokens(const std::string& text, const std::string& sep, const std::string& target,
                               const std::string& shared, const std::string& auxiliary) {
  std::string t = text;
  // 1. The first date token, when its code is known.
  const size_t date = UpperCase(t).find("<DATE=");
  if (date != std::string::npos && t.find('>', date + 6) != std::string::npos) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string value = DateTokenText(t[date + 6], now);
    if (!value.empty()) t = t.substr(0, date) + value + t.substr(date + 8);
  }
  // 2.
  Replace(t, "<UserName>", [] { return GetLoginUserName(); });
  // 3. Folder tokens are measured against this.
  const std::string reference = t;
  // 4.-6.
  for (int i = 1; i <= 3; ++i)
    Replace(t, "<RunTimeDir_" + std::to_string(i) + ">", [&] { return GetRunTimeDir(i) + sep; });
  Replace(t, "<Application Folder>", [&] { return target + sep; });
  Replace(t, "<Common Folder>", [&] { return shared + sep; });
  Replace(t, "<Auxiliary Folder>", [&] { return auxiliary + sep; });
  Replace(t, "<Windows Directory>", [] { return GetWindowsDir(true); });
  Replace(t, "<System Directory>", [] { return GetSystemDir(true); });
  Replace(t, "<System16 Directory>", [&] { return GetSystem16Dir() + sep; });
  // 7.-8. A folder given by one of the tokens above makes <InstallDir> void.
  if (t != reference) t = ReplaceAllNoCase(t, "<InstallDir>", "");
  t = ReplaceAllNoCase(t, "<AbsoluteDir>", "");
  // 9.
  Replace(t, "<InstallDir>", [&] { return target + sep; });
  Replace(t, "<InstallCommonDir>", [&] { return shared + sep; });
  Replace(t, "<InstallAuxDir>", [&] { return auxiliary + sep; });
  Replace(t, "<InstallDrive>", [&] { return FirstTwo(target) + sep; });
  Replace(t, "<WinDir>", [] { return GetWindowsDir(true); });
  Replace(t, "<WinSysDir>", [] { return GetSystemDir(true); });
  Replace(t, "<WinSys32Dir>", [] { return GetSystemDir(true); });
  Replace(t, "<WinSys16Dir>", [&] { return GetSystem16Dir() + sep; });
  Replace(t, "<WinDisk>", [&] { return FirstTwo(GetWindowsDir(false)) + sep; });
  Replace(t, "<WinDrive>", [&] { return FirstTwo(GetWindowsDir(false)) + sep; });
  Replace(t, "<WinSysDisk>", [&] { return FirstTwo(GetSystemDir(false)) + sep; });
  Replace(t, "<WinSysDrive>", [&] { return FirstTwo(GetSystemDir(false)) + sep; });
  Replace(t, "<ProgramFilesDir>", [&] { return GetProgramFilesDir() + sep; });
  Replace(t, "<CommonFilesDir>", [&] { return GetCommonFilesDir() + sep; });
  Replace(t, "<StartMenuDir>", [&] { return GetStartMenuDir() + sep; });
  Replace(t, "<FontDir>", [&] { return GetFontsDir() + sep; });
  Replace(t, "<SrcDir>", [&] { return GetExeDir(false) + sep; });
  Replace(t, "<OriginDir>", [&] { return GetOriginDir() + sep; });
  Replace(t, "<OriginDrive>", [&] { return FirstTwo(GetOriginDir()) + sep; });
  Replace(t, "<TempDir>", [&] { return GetTempDir(false) + sep; });
  Replace(t, "<UserDir>", [&] { return GetUserDir() + sep; });
  // 10.
  if (t != reference) t = CollapseBackslashes(t);
  return t;
}

std::string GetSetupScriptFileName(bool withFolder) { return (withFolder ? GetExeDir(true) : "") + "Setup.txt"; }
std::string GetUninstallScriptFileName(bool withFolder) {
  return (withFolder ? GetExeDir(true) : "") + "UnInstall.txt";
}
std::string GetSetupLogFileName(bool withFolder) { return (withFolder ? GetExeDir(true) : "") + "Setup.log"; }

std::string StripFileNumberPrefix(const std::string& path) {
  std::string name = ExtractFileName(path), folder = ExtractFilePath(path);
  // Five characters that read as a number, then "#".
  if (name.find('#') == 5) {
    const std::string number = name.substr(0, 5);
    if (StrToIntDef(number, -1) == StrToIntDef(number, -2)) name.erase(0, 6);
  }
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder + "\\" + name;
}

std::string GetSystem16Dir() {
  const std::string system = GetSystemDir(false);
  const size_t p = system.rfind("32");
  if (p != std::string::npos) {
    const std::string without = system.substr(0, p) + system.substr(p + 2);
    if (DirectoryExists(without)) return SetTrailingBackslash(without, false);
  }
  const std::string windowsSystem = GetWindowsDir(true) + "System";
  if (DirectoryExists(windowsSystem)) return windowsSystem;
  return system;
}

std::string GetFontsDir() {
  const std::string fonts = ReadRegValue(kShellFolders, "Fonts", "");
  if (DirectoryExists(fonts)) return SetTrailingBackslash(fonts, false);
  return GetWindowsDir(true) + "Fonts";
}

std::string GetProgramFilesDir() { return SetTrailingBackslash(ReadRegValue(kCurrentVersion, "ProgramFilesDir", ""), false); }
std::string GetCommonFilesDir() { return SetTrailingBackslash(ReadRegValue(kCurrentVersion, "CommonFilesDir", ""), false); }
std::string GetStartMenuDir() { return SetTrailingBackslash(ReadRegValue(kShellFolders, "Start Menu", ""), false); }

std::string GetOriginDir() {
  const std::string dir = ReadRegValue(kDynData, "OriginDir", "");
  return dir.empty() ? GetExeDir(false) : dir;
}

std::string GetOriginExe() {
  const std::string exe = ReadRegValue(kDynData, "OriginExe", "");
  return exe.empty() ? GetExeFileName() : exe;
}

std::string GetUserDir() {
  if (g_userDirKnown) return g_userDir;
  std::string dir;
  if (IsWinNT()) {
    dir = ReadRegValue(kShellFolders, "Personal", "");
    if (DirectoryExists(dir)) dir = ExtractFileDir(SetTrailingBackslash(dir, false));
    if (!DirectoryExists(dir))
      dir = ReadRegValue("HKEY_CURRENT_USER\\Volatile Environment", "HOMEDRIVE", "") +
            ReadRegValue("HKEY_CURRENT_USER\\Volatile Environment", "HOMEPATH", "");
  }
  if (!DirectoryExists(dir)) {
    dir = GetWindowsDir(true) + "Profiles\\" + GetLoginUserName();
    if (!DirectoryExists(dir)) dir = GetWindowsDir(false);
  }
  g_userDir = SetTrailingBackslash(dir, false);
  g_userDirKnown = true;
  return g_userDir;
}

bool IsSelfRegisterExtension(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  const std::string ext = LowerCase(path.substr(dot));
  return ext == ".ocx" || ext == ".dll" || ext == ".ax";
}

bool FileFlagExcludesThisOS(uint32_t flags) { return ((flags >> 16) & 0x3F & uint32_t(GetWinOSBit())) != 0; }

double GetRequiredSpace(int unit) { return g_requiredSpace / UnitFactor(unit); }

void SetDefaultRequiredSpace(int unit, double amount) { g_defaultSpace = amount * UnitFactor(unit); }

void SetRequiredSpaceText(const std::string& text, int unit) {
  if (text == "!") {
    g_requiredSpace = g_defaultSpace;
    return;
  }
  const double v = SpaceValue(text);
  if (v > -1) g_requiredSpace = v * UnitFactor(unit);
}

void AddRequiredSpaceText(const std::string& text, int unit) {
  const double v = SpaceValue(text);
  if (v > -1) g_requiredSpace += v * UnitFactor(unit);
}

void SetRunTimeDirs(const std::string& d1, const std::string& d2, const std::string& d3) {
  g_descriptors[0] = d1;
  g_descriptors[1] = d2;
  g_descriptors[2] = d3;
  for (auto& r : g_resolved) r = "*";
}

std::string GetRunTimeDir(int index) {
  if (index < 1 || index > 3) return std::string();
  std::string& cached = g_resolved[index - 1];
  if (cached == "*") cached = ResolveRunTimeDir(g_descriptors[index - 1]);
  return cached;
}

bool IsRunTimeDirAbort() { return g_abort; }

std::string ResolveRunTimeDir(const std::string& d) {
  WriteDebugLine("Def=>" + d + "<");
  std::string r, name;
  if (SwitchOn(d, 0)) {
    name = GetListItem(d, 1);
    r = ExtractFileDir(ReadAppPath(name));
  }
  if (SwitchOn(d, 2)) {
    // The key's default value, else the last element of the path as a value name.
    name = GetListItem(d, 3);
    r = ReadRegValue(name, "", "");
    const size_t slash = name.rfind('\\');
    if (r.empty() && slash != std::string::npos) r = ReadRegValue(name.substr(0, slash), name.substr(slash + 1), "");
    r = SetTrailingBackslash(r, false);
  }
  // Each drive search runs once over the fixed drives, then once over network drives.
  if (SwitchOn(d, 4)) {
    const std::string file = GetListItem(d, 5);
    if (name.empty()) name = file;
    if (r.empty() && SwitchOn(d, 6)) r = FindFileOnDrives(file, DRIVE_FIXED);
    if (r.empty() && SwitchOn(d, 7)) r = FindFileOnDrives(file, DRIVE_REMOTE);
    r = ExtractFileDir(r);
  }
  if (SwitchOn(d, 8)) {
    const std::string folder = GetListItem(d, 9);
    if (name.empty()) name = folder;
    if (r.empty() && SwitchOn(d, 10)) r = FindFolderOnDrives(folder, DRIVE_FIXED);
    if (r.empty() && SwitchOn(d, 11)) r = FindFolderOnDrives(folder, DRIVE_REMOTE);
  }
  if (SwitchOn(d, 12) && r.empty()) r = GetListItem(d, 13);
  if (r.empty()) {
    if (SwitchOn(d, 16))
      ErrorBox(KMSG_OWNER_ACTIVE, "RunTimeDir(" + name + ")<p><p>Not Found!", "Error", kDefaultBtnText, 0);
    if (SwitchOn(d, 17)) g_abort = true;
  }
  WriteDebugLine("Result=>" + r + "<");
  return r;
}
