#include "RegOp.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "Common.h"
#include "Files.h"
#include "Utils.h"

namespace {

const char kMachine[] = "HKEY_LOCAL_MACHINE\\";
const char kClasses[] = "HKEY_CLASSES_ROOT\\";
const char kWindowsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char kUninstallKey[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\UnInstall";
const char kArpCacheKey[] =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache";
const char kAppPathsKey[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char kUserEnvironment[] = "HKEY_CURRENT_USER\\Environment";
const char kSystemEnvironment[] =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

// A key text, root included, is at most this long (what the registry can hold of a key name).
const size_t kMaxKeyText = 255;

const size_t kCacheRecordSize = 552;
const size_t kCachePathChars = 259;

bool g_associationsChanged = false;

// Folder part without its trailing backslash, except for a drive root ("C:\").
std::string FolderOfFile(const std::string& path) {
  std::string dir = ExtractFilePath(path);
  if (dir.size() > 1 && dir.back() == '\\' && dir[dir.size() - 2] != ':' && dir[dir.size() - 2] != '\\')
    dir.pop_back();
  return dir;
}

std::string ValueNameOf(const std::string& name) { return EqualTextNoCase(name, "(Default)") ? std::string() : name; }

bool SetValue(const std::string& path, const std::string& valueName, DWORD type, const void* data, DWORD size) {
  HKEY key;
  if (!CreateRegPath(path, KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, key)) return false;
  LONG r = RegSetValueExA(key, ValueNameOf(valueName).c_str(), 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
  return r == ERROR_SUCCESS;
}

bool SetDword(const std::string& path, const std::string& valueName, int32_t value) {
  return SetValue(path, valueName, REG_DWORD, &value, sizeof(value));
}

// The key's direct subkey names.
std::vector<std::string> SubkeyNames(HKEY key) {
  std::vector<std::string> names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof(name);
    if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, size);
  }
  return names;
}

bool DeleteKeyTree(HKEY parent, const std::string& sub) {
  HKEY key;
  LONG r = RegOpenKeyExA(parent, sub.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, &key);
  if (r == ERROR_FILE_NOT_FOUND) return true;
  if (r != ERROR_SUCCESS) return false;
  const std::vector<std::string> kids = SubkeyNames(key);
  RegCloseKey(key);
  for (const std::string& kid : kids) DeleteKeyTree(parent, sub + "\\" + kid);
  r = RegDeleteKeyA(parent, sub.c_str());
  return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
}

// Deletes a key only when it has no subkeys, on every Windows family (9x would take
// the whole tree with it).
void DeleteLeafKey(HKEY root, const std::string& sub) {
  HKEY key;
  if (RegOpenKeyExA(root, sub.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
  DWORD subkeys = 1;
  const bool known = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  if (known && subkeys == 0) RegDeleteKeyA(root, sub.c_str());
}

std::string DottedExtension(const std::string& extension) {
  const std::string e = Trim(extension);
  return !e.empty() && e.front() == '.' ? e : "." + e;
}

// Removes what CreateAssociation writes, innermost key first, never a key with subkeys.
bool RemoveAssociationKeys(const std::string& typeKey, const std::string& extension) {
  const std::string type = Trim(typeKey), ext = DottedExtension(extension);
  if (type.empty() || ext == ".") return false;
  DeleteLeafKey(HKEY_CLASSES_ROOT, type + "\\shell\\open\\command");
  DeleteLeafKey(HKEY_CLASSES_ROOT, type + "\\shell\\open");
  DeleteLeafKey(HKEY_CLASSES_ROOT, type + "\\shell");
  DeleteLeafKey(HKEY_CLASSES_ROOT, type);
  DeleteLeafKey(HKEY_CLASSES_ROOT, ext);
  return true;
}

// A command that holds "%1" stays as it is; otherwise the program is quoted and the
// quoted file argument appended.
std::string ShellCommand(const std::string& command) {
  if (command.find("%1") != std::string::npos) return command;
  std::string c = command;
  if (c.empty() || c.front() != '"') c = "\"" + c + "\"";
  return c + " \"%1\"";
}

bool ActionIs(const std::string& action, const char* name) { return EqualTextNoCase(Trim(action), name); }

// A verb key of the open-with operation: written on install, removed on uninstall.
bool OpenWithVerb(const std::string& key, const std::string& caption, const std::string& program, bool install) {
  if (!install) return DeleteRegKey(key);
  if (caption.empty() || program.empty()) return true;
  return WriteRegString(key, "", caption) && WriteRegString(key + "\\command", "", ShellCommand(program));
}

// "~" and eight hex digits of a hash of the whole name, alike for names that differ only in
// case (as the registry compares key names).
std::string NameMark(const std::string& name) {
  uint32_t hash = 2166136261u;
  for (const char c : UpperCase(name)) hash = (hash ^ uint8_t(c)) * 16777619u;
  char mark[10];
  snprintf(mark, sizeof mark, "~%08X", unsigned(hash));
  return mark;
}

// `name` cut where prefix + name + suffix becomes longer than a key text can be, never
// inside a double-byte character nor before a trailing backslash; empty when none of it fits.
// A cut name ends in the mark of the whole name where there is room for it, so that names
// cut alike keep keys of their own.
std::string FitKeyName(const std::string& prefix, const std::string& name, const std::string& suffix) {
  const size_t used = prefix.size() + suffix.size();
  if (used + name.size() <= kMaxKeyText) return name;
  const std::string mark = NameMark(name);
  const bool marked = used + mark.size() < kMaxKeyText;
  const size_t room = kMaxKeyText - std::min(kMaxKeyText, used + (marked ? mark.size() : 0));
  size_t cut = 0;
  for (const char* p = name.c_str(); *p;) {
    const char* next = CharNextA(p);
    if (size_t(next - name.c_str()) > room) break;
    p = next;
    cut = size_t(p - name.c_str());
  }
  while (cut > 0 && name[cut - 1] == '\\') --cut;
  if (cut == 0) return std::string();
  return name.substr(0, cut) + (marked ? mark : std::string());
}

// The program's key under "Software\<company>" with room for its version below it.
std::string ProgramKeyName(const std::string& company, const std::string& program, const std::string& version) {
  return FitKeyName(std::string(kMachine) + "Software\\" + company + "\\", program, "\\" + version);
}

}  // namespace

// ---- registry records

const char* const kSharedDllsKeyPath = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

std::string ArpCacheEntryKey(const std::string& displayName) {
  const std::string name = FitKeyName(std::string(kArpCacheKey) + "\\", displayName, "");
  return name.empty() ? std::string() : std::string(kArpCacheKey) + "\\" + name;
}

std::string AppPathKey(const std::string& exePath) {
  const std::string name = ExtractFileName(exePath);
  return name.empty() ? std::string() : std::string(kAppPathsKey) + "\\" + name;
}

std::string ProgramKeyPath(const std::string& company, const std::string& program, const std::string& version) {
  const std::string name = ProgramKeyName(company, program, version);
  if (company.empty() || name.empty() || version.empty()) return std::string();
  return CollapseBackslashes(std::string(kMachine) + "Software\\" + company + "\\" + name);
}

std::string UninstallEntryKey(const std::string& displayName) {
  // The cache entry's key is named alike and is the longer one.
  const std::string name = FitKeyName(std::string(kArpCacheKey) + "\\", displayName, "");
  return name.empty() ? std::string() : std::string(kUninstallKey) + "\\" + name;
}

void WriteUninstallEntry(const std::string& displayName, const std::string& command, const std::string& version,
                         std::string& keyText, const std::string& url, const std::string& modifyPath,
                         const std::string& publisher) {
  keyText.clear();
  const std::string key = UninstallEntryKey(displayName);
  if (key.empty() || command.empty()) return;
  if (!WriteRegString(key, "DisplayName", displayName)) return;
  keyText = key;
  WriteRegString(key, "UnInstallString", command);
  WriteRegString(key, "DisplayVersion", version);
  WriteRegString(key, "Publisher", publisher);
  if (!modifyPath.empty()) WriteRegString(key, "ModifyPath", modifyPath);
  if (!url.empty()) WriteRegString(key, "UrlInfoAbout", url);
  WriteRegValueSimple(key, "UserCount", "1", true);
}

void WriteArpCacheEntry(const std::string& displayName, const std::string& programPath, std::string& keyText,
                        int64_t installedSize) {
  keyText.clear();
  if (Pos("," + GetWinVersionName() + ",", ",95,98,ME,NT,") > 0) return;
  const std::string key = ArpCacheEntryKey(displayName);
  if (key.empty() || programPath.empty() || installedSize <= 0) return;
  std::vector<BYTE> record(kCacheRecordSize, 0);
  auto put32 = [&](size_t at, uint32_t v) { memcpy(&record[at], &v, 4); };
  put32(0, kCacheRecordSize);
  put32(4, 1);
  memcpy(&record[8], &installedSize, 8);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  memcpy(&record[16], &now, 8);
  put32(24, 5);
  std::vector<WCHAR> wide(programPath.size() + 1, 0);
  int n = MultiByteToWideChar(CP_ACP, 0, programPath.c_str(), int(programPath.size()), wide.data(),
                              int(wide.size()));
  if (n < 0) n = 0;
  memcpy(&record[28], wide.data(), size_t(n < int(kCachePathChars) ? n : int(kCachePathChars)) * 2);
  if (!SetDword(key, "Changed", 0)) return;
  if (SetValue(key, "SlowInfoCache", REG_BINARY, record.data(), DWORD(record.size()))) keyText = key;
}

std::string FindUninstallKey(const std::string& displayName) {
  // An empty name would match the first entry without a display name.
  if (Trim(displayName).empty()) return std::string();
  HKEY key;
  if (!OpenRegPath(kUninstallKey, KEY_READ, key)) return std::string();
  const std::vector<std::string> names = SubkeyNames(key);
  RegCloseKey(key);
  for (const std::string& name : names)
    if (EqualTextNoCase(ReadRegValue(std::string(kUninstallKey) + "\\" + name, "DisplayName", ""), displayName))
      return name;
  return std::string();
}

std::string ReadUninstallString(const std::string& displayName) {
  const std::string name = FindUninstallKey(displayName);
  if (name.empty()) return std::string();
  return ReadRegValue(std::string(kUninstallKey) + "\\" + name, "UnInstallString", "");
}

std::string WriteAppPath(const std::string& exePath) {
  const std::string key = AppPathKey(exePath);
  if (key.empty()) return std::string();
  if (!WriteRegString(key, "", exePath)) return std::string();
  WriteRegString(key, "Path", FolderOfFile(exePath));
  return key;
}

std::string ReadAppPath(const std::string& exeName) {
  if (Trim(exeName).empty()) return std::string();
  return ReadRegValue(std::string(kAppPathsKey) + "\\" + exeName, "", "");
}

std::string ReadAppPathDir(const std::string& exeName) { return ExtractFilePath(ReadAppPath(exeName)); }

std::string CreateApplicationKey(const std::string& company, const std::string& program, const std::string& version) {
  const std::string name = ProgramKeyName(company, program, version);
  if (company.empty() || name.empty() || version.empty()) return std::string();
  const std::string programKey = std::string(kMachine) + "Software\\" + company + "\\" + name;
  HKEY key;
  if (!CreateRegPath(programKey + "\\" + version, KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, key))
    return std::string();
  RegCloseKey(key);
  return programKey;
}

void WriteUserInfo(const std::string& company, const std::string& program, const std::string& version,
                   std::string& keyText, const std::string& name, const std::string& companyName) {
  keyText.clear();
  const std::string programName = ProgramKeyName(company, program, version);
  if (company.empty() || programName.empty() || version.empty()) return;
  std::string path = CollapseBackslashes(std::string(kMachine) + "Software\\" + company + "\\" + programName +
                                         "\\" + version);
  if (path.back() == '\\') path.pop_back();
  HKEY key;
  if (!CreateRegPath(path, KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, key)) return;
  RegCloseKey(key);
  keyText = path;
  if (!name.empty()) WriteRegString(path, "Name", name);
  if (!companyName.empty()) WriteRegString(path, "Company", companyName);
}

int IncSharedDllCount(const std::string& filePath) {
  if (filePath.empty()) return 0;  // the key's default value is no file's count
  const int count = StrToIntDef(ReadRegValue(kSharedDllsKeyPath, filePath, "0"), 0) + 1;
  SetDword(kSharedDllsKeyPath, filePath, count);
  return count;
}

int ReleaseSharedDll(const std::string& filePath) {
  if (filePath.empty() || !RegValueExists(kSharedDllsKeyPath, filePath)) return 0;
  int count = StrToIntDef(ReadRegValue(kSharedDllsKeyPath, filePath, "0"), 0) - 1;
  if (count < 0) count = 0;
  if (count == 0) {
    DeleteRegValue(kSharedDllsKeyPath, filePath);
    // The last count takes the key along: an install made it when it was missing.
    DeleteEmptyRegKey(kSharedDllsKeyPath);
  } else
    SetDword(kSharedDllsKeyPath, filePath, count);
  return count;
}

namespace {

// The Windows key first; the NT key holds these values on NT systems.
std::string RegisteredValue(const char* name) {
  std::string v = ReadRegValue(std::string(kMachine) + kWindowsKey, name, "");
  if (v.empty()) v = ReadRegValue(std::string(kMachine) + "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", name, "");
  return v;
}

}  // namespace

std::string GetRegisteredOwner() { return RegisteredValue("RegisteredOwner"); }
std::string GetRegisteredOrganization() { return RegisteredValue("RegisteredOrganization"); }

// ---- generic key and value routines

bool RegKeyExists(const std::string& path) {
  HKEY key;
  if (!OpenRegPath(path, KEY_READ, key)) return false;
  RegCloseKey(key);
  return true;
}

bool RegValueExists(const std::string& path, const std::string& valueName) {
  HKEY key;
  if (!OpenRegPath(path, KEY_QUERY_VALUE, key)) return false;
  const LONG r = RegQueryValueExA(key, ValueNameOf(valueName).c_str(), nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  return r == ERROR_SUCCESS;
}

std::string ReadRegValueTyped(const std::string& path, const std::string& valueName, bool& isInteger) {
  isInteger = false;
  HKEY key;
  if (!OpenRegPath(path, KEY_QUERY_VALUE, key)) return std::string();
  const std::string name = ValueNameOf(valueName);
  DWORD type = 0, size = 0;
  std::string text;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    std::vector<BYTE> buf(size + 1, 0);
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, buf.data(), &size) == ERROR_SUCCESS) {
      if (type == REG_SZ || type == REG_EXPAND_SZ) {
        text = reinterpret_cast<const char*>(buf.data());
      } else if (type == REG_DWORD && size == 4) {
        int32_t v;
        memcpy(&v, buf.data(), 4);
        text = std::to_string(v);
        isInteger = true;
      }
    }
  }
  RegCloseKey(key);
  return text;
}

bool WriteRegValueSimple(const std::string& path, const std::string& valueName, const std::string& text,
                         bool asInteger) {
  if (asInteger) return SetDword(path, valueName, StrToIntDef(text, 0));
  return SetValue(path, valueName, REG_SZ, text.c_str(), DWORD(text.size() + 1));
}

bool WriteRegValueTyped(const std::string& path, const std::string& valueName, const std::string& data,
                        const std::string& type) {
  if (EqualTextNoCase(type, "String")) return SetValue(path, valueName, REG_SZ, data.c_str(), DWORD(data.size() + 1));
  if (EqualTextNoCase(type, "Integer")) return SetDword(path, valueName, StrToIntDef(data, 0));
  if (EqualTextNoCase(type, "Hex")) {
    const std::string hex = Trim(data);
    std::vector<BYTE> bytes((hex.size() + 1) / 3);
    for (size_t k = 0; k < bytes.size(); ++k) bytes[k] = BYTE(ParseHexNumber(hex.substr(3 * k, 2)) & 0xFF);
    return SetValue(path, valueName, REG_BINARY, bytes.data(), DWORD(bytes.size()));
  }
  HKEY key;
  if (!CreateRegPath(path, KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, key)) return false;
  RegCloseKey(key);
  return true;
}

bool DeleteRegKey(const std::string& path) {
  HKEY root;
  std::string sub;
  SplitRegPath(path, root, sub);
  const size_t first = sub.find_first_not_of('\\');
  if (first == std::string::npos) return false;  // a bare root: never a whole hive
  sub = sub.substr(first, sub.find_last_not_of('\\') - first + 1);
  DeleteKeyTree(root, sub);
  HKEY key;
  if (RegOpenKeyExA(root, sub.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return true;
  RegCloseKey(key);
  return false;
}

bool DeleteEmptyRegKey(const std::string& path) {
  HKEY root, key;
  std::string sub;
  SplitRegPath(path, root, sub);
  if (sub.empty() || RegOpenKeyExA(root, sub.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  DWORD subkeys = 1, values = 1;
  const LONG r = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                  nullptr, nullptr, nullptr);
  RegCloseKey(key);
  return r == ERROR_SUCCESS && subkeys == 0 && values == 0 && RegDeleteKeyA(root, sub.c_str()) == ERROR_SUCCESS;
}

bool DeleteRegValueText(const std::string& path, const std::string& valueName) {
  HKEY key;
  if (!OpenRegPath(path, KEY_SET_VALUE, key)) return !RegKeyExists(path);
  const LONG r = RegDeleteValueA(key, ValueNameOf(valueName).c_str());
  RegCloseKey(key);
  return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
}

// ---- environment

std::string ExpandEnvReferences(const std::string& value) {
  std::string out;
  size_t at = 0;
  for (;;) {
    const size_t open = value.find('%', at);
    const size_t close = open == std::string::npos ? std::string::npos : value.find('%', open + 1);
    if (close == std::string::npos) break;
    const std::string name = value.substr(open + 1, close - open - 1);
    out += value.substr(at, open - at);
    DWORD n = name.empty() ? 0 : GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    if (n > 0) {
      std::vector<char> buf(n + 1, 0);
      n = GetEnvironmentVariableA(name.c_str(), buf.data(), DWORD(buf.size()));
      out.append(buf.data(), n < buf.size() ? n : 0);
    } else {
      out += value.substr(open, close - open + 1);
    }
    at = close + 1;
  }
  return out + value.substr(at);
}

void BroadcastEnvironmentChange() {
  DWORD_PTR result = 0;
  // On NT the wide form, which every window receives in its own character set.
  if (IsWinNT())
    SendMessageTimeoutW(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"),
                        SMTO_ABORTIFHUNG, 4000, &result);
  else
    SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>("Environment"),
                        SMTO_ABORTIFHUNG, 4000, &result);
}

// ---- associations

bool CreateAssociation(const std::string& typeKey, const std::string& description, const std::string& extension,
                       const std::string& command) {
  if (Trim(command).empty()) return false;
  if (!RemoveAssociationKeys(typeKey, extension)) return false;
  const std::string type = Trim(typeKey);
  const std::string classes = kClasses;
  const bool ok = WriteRegString(classes + DottedExtension(extension), "", type) &&
                  WriteRegString(classes + type, "", description) &&
                  WriteRegString(classes + type + "\\shell\\open\\command", "", ShellCommand(command));
  if (ok) g_associationsChanged = true;
  return ok;
}

bool RemoveAssociation(const std::string& typeKey, const std::string& extension) {
  if (!RemoveAssociationKeys(typeKey, extension)) return false;
  g_associationsChanged = true;
  return true;
}

bool FlushAssociationChanges() {
  if (!g_associationsChanged) return false;
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST | SHCNF_FLUSH, nullptr, nullptr);
  g_associationsChanged = false;
  return true;
}

// ---- descriptor operations

bool PerformRegistryOp(const std::string& item, bool install) {
  const std::string action = GetListItem(item, install ? 3 : 4);
  const std::string path = GetListItem(item, 0), name = GetListItem(item, 1);
  if (ActionIs(action, "Create")) return WriteRegValueTyped(path, name, GetListItem(item, 2), GetListItem(item, 5));
  if (ActionIs(action, "Remove Key")) return DeleteRegKey(path);
  if (ActionIs(action, "Remove Value") || ActionIs(action, "Remove")) return DeleteRegValueText(path, name);
  return true;
}

bool PerformIniFileOp(const std::string& item, bool install) {
  const std::string action = GetListItem(item, install ? 4 : 5);
  if (ActionIs(action, "Create"))
    return WriteIniValue(GetListItem(item, 0), GetListItem(item, 1), GetListItem(item, 2), GetListItem(item, 3));
  if (ActionIs(action, "Remove")) {
    // A file that is gone (with its folder, say) holds the value no more: nothing to do.
    const std::string file = GetListItem(item, 0);
    if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    return DeleteIniValue(file, GetListItem(item, 1), GetListItem(item, 2));
  }
  return true;
}

std::string IniFilePath(const std::string& name) {
  if (name.empty()) return name;
  const bool bare = name.find_first_of("\\/") == std::string::npos && !(name.size() >= 2 && name[1] == ':');
  if (bare) return GetWindowsDir(true) + name;
  char full[MAX_PATH * 2];
  const DWORD n = GetFullPathNameA(name.c_str(), sizeof full, full, nullptr);
  return n > 0 && n < sizeof full ? std::string(full, n) : name;
}

bool IniOpChange(const std::string& item, TIniChange& change) {
  const std::string action = GetListItem(item, 4);
  const bool create = ActionIs(action, "Create");
  if (!create && !ActionIs(action, "Remove")) return false;
  change.section = GetListItem(item, 1);
  change.key = GetListItem(item, 2);
  change.value = create ? GetListItem(item, 3) : std::string();
  change.remove = !create;
  return true;
}

namespace {

// An INI text as sections of lines: lower-case section name -> its entries (lower-case key
// and value, or the whole line where it has no "="), in order.
using TIniModel = std::map<std::string, std::vector<std::pair<std::string, std::string>>>;

// The text of an INI file as the profile calls read it: a UTF-16 file (with its mark) in the
// system's code page, a UTF-8 mark dropped.
std::string IniText(const std::string& bytes) {
  if (bytes.size() >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE) {
    std::wstring wide((bytes.size() - 2) / 2, L'\0');
    if (!wide.empty()) std::memcpy(&wide[0], bytes.data() + 2, wide.size() * 2);
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), &out[0], n, nullptr, nullptr);
    return out;
  }
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
  return bytes;
}

TIniModel ParseIni(const std::string& bytes) {
  const std::string text = IniText(bytes);
  TIniModel model;
  std::string section;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(text.substr(at, end - at));
    at = end + 1;
    if (line.empty()) continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      section = LowerCase(Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
      model[section];
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos)
      model[section].push_back({line, std::string("\n")});
    else
      model[section].push_back({LowerCase(Trim(line.substr(0, eq))), Trim(line.substr(eq + 1))});
  }
  return model;
}

std::string Unquoted(const std::string& v) {
  return v.size() >= 2 && v.front() == '"' && v.back() == '"' ? v.substr(1, v.size() - 2) : v;
}

}  // namespace

bool IniHoldsChanges(const std::string& original, const std::string& edited, const std::vector<TIniChange>& changes) {
  TIniModel want = ParseIni(original);
  const TIniModel got = ParseIni(edited);
  // What the changed keys must hold in the edited file: its value, or nothing.
  std::map<std::pair<std::string, std::string>, const TIniChange*> changed;
  for (const TIniChange& c : changes) {
    const std::string section = LowerCase(Trim(c.section)), key = LowerCase(Trim(c.key));
    changed[{section, key}] = &c;
    if (!c.remove) want[section];
  }
  for (auto& s : want) {
    auto& entries = s.second;
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const std::pair<std::string, std::string>& e) {
                                   return e.second != "\n" && changed.count({s.first, e.first});
                                 }),
                  entries.end());
  }
  for (const auto& g : got) {
    const auto w = want.find(g.first);
    if (w == want.end()) {
      // A section the edit may leave empty behind it, once its last key is removed.
      if (!g.second.empty()) return false;
      continue;
    }
    std::vector<std::pair<std::string, std::string>> rest;
    for (const auto& e : g.second) {
      const auto c = e.second == "\n" ? changed.end() : changed.find({g.first, e.first});
      if (c == changed.end()) {
        rest.push_back(e);
      } else {
        const std::string value = Trim(c->second->value);
        if (c->second->remove || (e.second != value && Unquoted(e.second) != value)) return false;
      }
    }
    if (rest != w->second) return false;
  }
  for (const auto& w : want)
    if (!got.count(w.first) && !w.second.empty()) return false;
  // Each created key is there.
  for (const auto& c : changed) {
    if (c.second->remove) continue;
    const auto g = got.find(c.first.first);
    if (g == got.end()) return false;
    bool found = false;
    for (const auto& e : g->second) found = found || (e.second != "\n" && e.first == c.first.second);
    if (!found) return false;
  }
  return true;
}

std::string EnvironmentKeyPath(const std::string& scope) {
  return EqualTextNoCase(Trim(scope), "User") ? kUserEnvironment : kSystemEnvironment;
}

bool PerformEnvironmentOp(const std::string& item, bool install) {
  const std::string action = GetListItem(item, install ? 2 : 3);
  const std::string name = GetListItem(item, 0);
  const std::string key = EnvironmentKeyPath(GetListItem(item, 4));
  bool ok;
  if (ActionIs(action, "Create"))
    ok = !name.empty() && WriteRegString(key, name, ExpandEnvReferences(GetListItem(item, 1)));
  else if (ActionIs(action, "Remove"))
    ok = !name.empty() && DeleteRegValueText(key, name);
  else
    return true;
  if (ok) BroadcastEnvironmentChange();
  return ok;
}

bool PerformAssociationOp(const std::string& item, bool install) {
  const std::string action = GetListItem(item, install ? 7 : 8);
  bool ok;
  if (ActionIs(action, "Remove"))
    ok = RemoveAssociation(GetListItem(item, 0), GetListItem(item, 2));
  else if (ActionIs(action, "Create"))
    ok = CreateAssociation(GetListItem(item, 0), GetListItem(item, 1), GetListItem(item, 2), GetListItem(item, 4));
  else
    return false;
  if (ok) g_associationsChanged = true;
  return ok;
}

bool PerformOpenWithOp(const std::string& verb, const std::string& caption, const std::string& program, bool install,
                       const std::string& extensions) {
  std::vector<std::string> exts;
  const std::string list = "," + ReplaceAll(ReplaceAll(extensions, ";", ","), "*", "") + ",";
  for (size_t at = 0, comma; (comma = list.find(',', at)) != std::string::npos; at = comma + 1) {
    std::string e = Trim(list.substr(at, comma - at));
    e = Trim(e.substr(e.find_first_not_of('.') == std::string::npos ? e.size() : e.find_first_not_of('.')));
    if (!e.empty()) exts.push_back("." + e);
  }
  // A verb is one key name: a backslash would reach keys other than its own.
  const std::string v = Trim(verb);
  if (exts.empty() || v.empty() || v.find('\\') != std::string::npos) return false;
  const std::string classes = kClasses;
  bool ok = OpenWithVerb(classes + "Folder\\shell\\" + v, caption, program, install);
  for (const std::string& ext : exts) {
    const std::string type = ReadRegValue(classes + ext, "", "");
    if (type.empty()) continue;  // an unregistered extension has no type to extend
    ok = OpenWithVerb(classes + type + "\\Shell\\" + v, caption, program, install) && ok;
  }
  return ok;
}
