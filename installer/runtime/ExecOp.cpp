#include "ExecOp.h"

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "Common.h"
#include "ExecCondStr.h"
#include "ExecDll.h"
#include "Files.h"
#include "KMsgBox.h"
#include "Process.h"
#include "RegOp.h"
#include "RegSvr.h"
#include "RunTimeDir.h"
#include "Services.h"
#include "U_DEBUG0.h"
#include "Utils.h"
#include "VerInfo.h"

const char* const kExecStageNames =
    "|Setup Start|Before Copy|After Copy|Setup End|UnInstall Start|UnInstall End|Before Setup Type|"
    "After Setup Type|Before Custom|After Custom|Before Destination|After Destination|";

namespace {

const char kRunKinds[] = "|Conditional|UnConditional|While Loop|0|1|";
const char kSetupTypes[] = "|Typical|Compact|Custom|Complete|Partial|";
const size_t kLogLimit = 10240;

TExecActionEvent g_action;
TExecValueEvent g_query;
std::string g_log;
// The item being run. An item can run while another waits (its waits pump messages), so
// each run keeps its own stage and exit request.
struct TExecRun {
  int stage = 0;
  bool exitRequest = false;
};
TExecRun* g_run = nullptr;
int g_cpuSpeed = -1;

std::string TrueFalse(bool flag) { return flag ? "TRUE" : "FALSE"; }

bool CodeIn(int code, std::initializer_list<int> codes) {
  for (int c : codes)
    if (c == code) return true;
  return false;
}

std::string EnvValue(const std::string& name) {
  if (name.empty()) return std::string();
  DWORD n = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  if (n == 0) return std::string();
  std::vector<char> buf(n + 1, 0);
  n = GetEnvironmentVariableA(name.c_str(), buf.data(), DWORD(buf.size()));
  return n < buf.size() ? std::string(buf.data(), n) : std::string();
}

// -1, 0 or 1 for smaller, equal, greater: the six relations over one ordering.
bool RelationHolds(int order, const std::string& relation) {
  if (relation == "=") return order == 0;
  if (relation == "!=") return order != 0;
  if (relation == ">") return order > 0;
  if (relation == "<") return order < 0;
  if (relation == ">=") return order >= 0;
  if (relation == "<=") return order <= 0;
  return false;
}

template <class T>
int Order(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// The search text without its prefixes: "!!" whole word, then "!" letter case ignored.
std::string SearchRules(const std::string& search, TTextMatch& how) {
  std::string s = search;
  how = TTextMatch();
  if (s.compare(0, 2, "!!") == 0) {
    s.erase(0, 2);
    how.wholeWord = true;
  }
  if (!s.empty() && s[0] == '!') {
    s.erase(0, 1);
    how.ignoreCase = true;
  }
  return s;
}

bool CreateRegistryKey(const std::string& path) {
  HKEY root;
  std::string sub;
  SplitRegPath(path, root, sub);
  if (sub.empty()) return false;
  HKEY key;
  DWORD disposition = 0;
  if (RegCreateKeyExA(root, sub.c_str(), 0, nullptr, 0, KEY_READ | KEY_SET_VALUE, nullptr, &key, &disposition) !=
      ERROR_SUCCESS)
    return false;
  bool ok = true;
  // An existing default value stays as it is.
  if (disposition == REG_CREATED_NEW_KEY ||
      RegQueryValueExA(key, "", nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    ok = RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

bool RemoveApplicationDirectory(const std::string& exeName) {
  const std::string dir = ExtractFileDir(ReadAppPath(exeName));
  if (!DirectoryExists(dir) || IsProtectedFolder(dir)) return false;
  DeleteTree(dir, false);
  return !DirectoryExists(dir);
}

bool CopyDirectoryTree(const std::string& source, const std::string& dest) {
  if (EqualTextNoCase(source, dest) || !DirectoryExists(source) || !ForceDirectories(dest)) return false;
  return CopyDirTree(source, dest);
}

bool WriteIniItem(const std::string& file, const std::string& section, const std::string& keyValue) {
  const size_t eq = keyValue.find('=');
  if (eq == std::string::npos) return WriteIniValue(file, section, "", keyValue);
  return WriteIniValue(file, section, keyValue.substr(0, eq), keyValue.substr(eq + 1));
}

bool CreateEnvironmentVariable(const std::string& name, const std::string& value, const std::string& scope) {
  if (name.empty() || !WriteRegString(EnvironmentKeyPath(scope), name, ExpandEnvReferences(value))) return false;
  BroadcastEnvironmentChange();
  return true;
}

bool RemoveEnvironmentVariable(const std::string& name, const std::string& scope) {
  const std::string key = EnvironmentKeyPath(scope);
  if (name.empty() || !RegValueExists(key, name) || !DeleteRegValueText(key, name)) return false;
  BroadcastEnvironmentChange();
  return true;
}

bool AppendTextToFile(const std::string& file, const std::string& text) {
  const std::string t = ReplaceAll(ReplaceAll(text, "\\\\n", "\r\n"), "\\\\t", "\t");
  return AppendToFile(file, t, 0);
}

bool UninstallApplication(const std::string& displayName) {
  const std::string program = ReadUninstallString(displayName);
  return FileExists(program) && ExecAndWait(program, "", true, SW_SHOW);
}

int64_t MeasureCpuSpeed() {
  const DWORD priorityClass = GetPriorityClass(GetCurrentProcess());
  const int threadPriority = GetThreadPriority(GetCurrentThread());
  SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  int64_t speed = 0;
  LARGE_INTEGER frequency;
  if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0) {
    LARGE_INTEGER c1, c2;
    Sleep(10);
    QueryPerformanceCounter(&c1);
    const uint64_t t1 = __builtin_ia32_rdtsc();
    Sleep(10);
    QueryPerformanceCounter(&c2);
    const uint64_t t2 = __builtin_ia32_rdtsc();
    const double counts = double(c2.QuadPart - c1.QuadPart);
    if (counts > 0) speed = llround(double(t2 - t1) * double(frequency.QuadPart) / (counts * 1000000.0));
  }
  if (speed <= 100) {
    Sleep(10);
    const uint64_t t1 = __builtin_ia32_rdtsc();
    Sleep(500);
    const uint64_t t2 = __builtin_ia32_rdtsc();
    speed = llround(double(t2 - t1) * 1000.0 / (500.0 * 1000000.0));
  }
  SetThreadPriority(GetCurrentThread(), threadPriority);
  SetPriorityClass(GetCurrentProcess(), priorityClass);
  return speed;
}

std::string WideToText(const wchar_t* text) {
  if (!text) return std::string();
  const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, &out[0], n, nullptr, nullptr);
  out.resize(size_t(n - 1));
  return out;
}

std::string ReadAdoVersionText() {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(L"adodb.connection", &clsid))) return std::string();
  IDispatch* object = nullptr;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(&object))) ||
      !object)
    return std::string();
  std::string text;
  OLECHAR name[] = L"Version";
  LPOLESTR names[] = {name};
  DISPID id;
  if (SUCCEEDED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    if (SUCCEEDED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                                 nullptr)) &&
        SUCCEEDED(VariantChangeType(&result, &result, 0, VT_BSTR)))
      text = WideToText(result.bstrVal);
    VariantClear(&result);
  }
  object->Release();
  return text;
}

// ---- the engine

std::string Param(const std::string& params, int field) { return ExpandFolderTokens(GetListItem(params, field), "\\"); }

bool EvaluateCondition(const std::string& header, const std::string& params, int k, const TExecDll* plugins) {
  const bool inverted = GetListItem(header, 6 + 5 * k) == "1";
  const std::string caption = GetListItem(header, 7 + 5 * k);
  const std::string p1 = Param(params, 1 + 4 * k), relation = GetListItem(params, 2 + 4 * k),
                    p2 = Param(params, 3 + 4 * k);
  const int code = ConditionCode(FindConditionRow(caption));
  bool result = false;
  if (code >= 0)
    result = TestCondition(code, p1, relation, p2);
  else if (HasExecDllAliases(plugins))
    result = CallExecDll(plugins, g_run ? g_run->stage : 0, caption, p1, relation, p2);
  if (inverted) result = !result;
  std::string line = "    IF " + std::string(inverted ? "NOT " : "") + caption + "  " + p1 + " ";
  if (CodeIn(code, {23, 34, 42, 43, 51, 52, 53, 54, 63})) line += relation + " " + p2 + " ";
  AppendExecLog(line + " (" + TrueFalse(result) + ")");
  return result;
}

bool EvaluateConditions(const std::string& header, const std::string& params, const TExecDll* plugins) {
  bool result = EvaluateCondition(header, params, 0, plugins);
  for (int k = 1; k <= 2; ++k) {
    std::string join = GetListItem(header, 4 + 5 * k);
    if (join.empty()) join = "0";
    const char op = join[0];
    if (op != '1' && op != '2' && op != '3') break;
    AppendExecLog(std::string("    ") + (op == '1' ? "and" : op == '2' ? "or" : "xor"));
    const bool next = EvaluateCondition(header, params, k, plugins);
    result = op == '1' ? (result && next) : op == '2' ? (result || next) : (result != next);
  }
  return result;
}

bool PerformOperation(const std::string& header, const std::string& params, int slot, const std::string& word,
                      const TExecDll* plugins) {
  const int s = slot - 1;
  if (GetListItem(header, 19 + 3 * s) != "1") return true;
  const std::string caption = GetListItem(header, 20 + 3 * s);
  const std::string p1 = Param(params, 13 + 3 * s), p2 = Param(params, 14 + 3 * s), p3 = Param(params, 15 + 3 * s);
  WriteDebugLine("TRUE  >" + caption + "< >" + p1 + "< >" + p2 + "< >" + p3 + "<");
  const int code = ExecutionCode(FindExecutionRow(caption));
  bool result = true;
  if (code >= 0)
    result = PerformExecution(code, p1, p2, p3);
  else if (HasExecDllAliases(plugins))
    result = CallExecDll(plugins, g_run ? g_run->stage : 0, caption, p1, p2, "");
  WriteDebugLine("OpResult=" + TrueFalse(result));
  const std::string shown2 =
      CodeIn(code, {12, 13, 14, 24, 25, 34, 35, 41, 42, 43, 44, 53, 63, 64, 65, 71, 72}) ? p2 : std::string();
  std::string line = "    " + word + " " + caption;
  if (!p1.empty() || !shown2.empty() || !p3.empty()) {
    line += " (" + p1;
    if (!p1.empty() && !shown2.empty()) line += ",";
    line += shown2;
    if (!p3.empty() && (!p1.empty() || !shown2.empty())) line += ",";
    line += p3 + ")";
  }
  AppendExecLog(line + "  (" + TrueFalse(result) + ")");
  return result;
}

bool RunExecuteBody(const std::string& header, const std::string& params, const TExecDll* plugins) {
  int kind = ListItemIndex(kRunKinds, GetListItem(header, 4));
  if (kind == 3 || kind < 0) kind = 0;
  if (kind == 4) kind = 1;
  WriteDebugLine("DlgLvl=" + std::to_string(kind));
  int loops = StrToIntDef(GetListItem(header, 3), 0);
  const int delay = StrToIntDef(GetListItem(header, 5), 0);
  bool result = true;
  if (kind == 0) {
    const bool chain = EvaluateConditions(header, params, plugins);
    AppendExecLog("      Result: " + TrueFalse(chain));
    AppendExecLog("");
    const int first = chain ? 1 : 3;
    const std::string word = chain ? "THEN" : "ELSE";
    PerformOperation(header, params, first, word, plugins);
    result = PerformOperation(header, params, first + 1, word, plugins);
  } else if (kind == 1) {
    for (int slot = 1; slot <= 4; ++slot) result = PerformOperation(header, params, slot, "THEN", plugins);
  } else {
    for (;;) {
      if (!EvaluateConditions(header, params, plugins)) break;
      PerformOperation(header, params, 1, "DO", plugins);
      PerformOperation(header, params, 2, "DO", plugins);
      // Every round lets the window live, also without a delay.
      PumpMessagesSleeping(DWORD(std::max(delay, 0)));
      if (--loops == 0) break;
    }
    PerformOperation(header, params, 3, "AND THEN", plugins);
    result = PerformOperation(header, params, 4, "AND THEN", plugins);
  }
  return result;
}

}  // namespace

// ---- host callbacks and log

void SetEngineCallbacks(TExecActionEvent action, TExecValueEvent query) {
  g_action = std::move(action);
  g_query = std::move(query);
}

bool CallHostAction(const std::string& command, const std::string& target, const std::string& value) {
  return g_action ? g_action(command, target, value, std::string()) : true;
}

std::string QueryHostValue(const std::string& name) { return g_query ? g_query(name) : std::string(); }

std::string GetHostSetupType(bool useDefault) {
  const std::string type = QueryHostValue("SetupType");
  return type.empty() && useDefault ? "Typical" : type;
}

void ClearExecLog() { g_log.clear(); }
void AppendExecLog(const std::string& line) {
  if (g_log.size() < kLogLimit) g_log += line + "\r\n";
}
std::string GetExecLog() { return g_log; }

int StageFromName(const std::string& name) { return ListItemIndex(kExecStageNames, name) + 1; }
int StageNumber(const std::string& header) { return StageFromName(GetListItem(header, 2)); }

int FindConditionRow(const std::string& caption) {
  for (int row = 0; row < kConditionRowCount; ++row)
    if (EqualTextNoCase(ConditionCaption(row), caption)) return row;
  return -1;
}

int FindExecutionRow(const std::string& caption) {
  for (int row = 0; row < kExecutionRowCount; ++row)
    if (EqualTextNoCase(ExecutionCaption(row), caption)) return row;
  return -1;
}

bool RunExecuteItem(const TExecDll* plugins, const std::string& item, int stage, bool& exitRequest,
                    std::string& log) {
  // An item run inside another's wait leaves that item's log as it was.
  TExecRun* const outer = g_run;
  const std::string outerLog = outer ? g_log : std::string();
  ClearExecLog();
  log.clear();
  exitRequest = false;
  const std::string header = GetListItem(item, 0), params = GetListItem(item, 1);
  if (StageNumber(header) != stage || stage == 0) {
    if (outer) g_log = outerLog;
    return true;
  }
  const std::string name = GetListItem(header, 1);
  WriteDebugLine("Stage=" + std::to_string(stage));
  WriteDebugLine("Performing Execute: " + name + "   ");
  AppendExecLog("  " + name);
  TExecRun run;
  run.stage = stage;
  g_run = &run;
  const bool result = RunExecuteBody(header, params, plugins);
  g_run = outer;
  exitRequest = run.exitRequest;
  log = g_log;
  if (outer) g_log = outerLog;
  WriteDebugLine("ExitReq=" + TrueFalse(exitRequest));
  WriteDebugLine("");
  return result;
}

// ---- comparisons and measurements

bool CompareTexts(const std::string& measured, const std::string& relation, const std::string& given) {
  const int c = measured.compare(given);
  return RelationHolds(c < 0 ? -1 : (c > 0 ? 1 : 0), relation);
}

bool CompareIntegers(int64_t measured, const std::string& relation, int64_t given) {
  return RelationHolds(Order(measured, given), relation);
}

bool CompareNumbers(double measured, const std::string& relation, double given) {
  return RelationHolds(Order(measured, given), relation);
}

int FindTextInString(const std::string& content, const std::string& search) {
  TTextMatch how;
  std::string s = SearchRules(search, how);
  if (content.empty() || s.empty()) return 0;
  std::string c = content;
  if (how.ignoreCase) {
    s = UpperCase(s);
    c = UpperCase(c);
  }
  if (how.wholeWord) {
    for (char& ch : c)
      if ((unsigned char)ch < 32) ch = ' ';
    c = " " + c + " ";
    s = " " + s + " ";
  }
  // In the whole-word form the match at index k starts the text at content index k too.
  const size_t at = c.find(s);
  return at == std::string::npos ? 0 : int(at) + 1;
}

bool TextFoundInFile(const std::string& file, const std::string& search) {
  return FileExists(file) && FindTextInString(ReadFileContents(file), search) > 0;
}

bool ReplaceTextInFile(const std::string& file, const std::string& search, const std::string& replacement) {
  if (!FileExists(file)) return false;
  TTextMatch how;
  const std::string s = SearchRules(search, how);
  int count = 0;
  const std::string text = ReplaceRepeatedly(ReadFileContents(file), s, replacement, how, &count);
  return count > 0 && RewriteFile(file, text);
}

int ShowCommandFromName(const std::string& name) {
  static const char* const names[] = {"SW_HIDE",           "SW_SHOWNORMAL", "SW_SHOWMINIMIZED", "SW_SHOWMAXIMIZED",
                                      "SW_SHOWNOACTIVATE", "SW_SHOW",       "SW_MINIMIZE",      "SW_SHOWMINNOACTIVE",
                                      "SW_SHOWNA",         "SW_RESTORE",    "SW_SHOWDEFAULT"};
  for (int i = 0; i < int(sizeof names / sizeof names[0]); ++i)
    if (EqualTextNoCase(name, names[i])) return i;
  return SW_SHOW;
}

uint32_t FileAttributesFromNames(const std::string& names) {
  uint32_t attributes = 0;
  if (PosNoCase("Normal", names)) attributes += FILE_ATTRIBUTE_NORMAL;
  if (PosNoCase("ReadOnly", names)) attributes += FILE_ATTRIBUTE_READONLY;
  if (PosNoCase("Hidden", names)) attributes += FILE_ATTRIBUTE_HIDDEN;
  if (PosNoCase("System", names)) attributes += FILE_ATTRIBUTE_SYSTEM;
  if (PosNoCase("Archive", names)) attributes += FILE_ATTRIBUTE_ARCHIVE;
  return attributes;
}

bool FileVersionMatches(const std::string& file, const std::string& relation, const std::string& given) {
  return CompareTexts(GetPaddedFileVersion(file, 5), relation, PadVersionText(given, 5));
}

bool RegistryValueMatches(const std::string& path, const std::string& relation, const std::string& given) {
  const size_t slash = path.rfind('\\');
  if (slash == std::string::npos) return false;
  bool isInteger = false;
  std::string value = ReadRegValueTyped(path.substr(0, slash), path.substr(slash + 1), isInteger);
  std::string right = given;
  if (isInteger) {
    const int width = int(std::max(value.size(), right.size())) + 1;
    value = PadLeftZero(value, width);
    right = PadLeftZero(right, width);
  }
  return CompareTexts(value, relation, right);
}

bool ScreenSizeMatches(int w, int h, const std::string& relation, const std::string& given) {
  const std::string size = "x" + given + "x";
  const int width = StrToIntDef(GetListItem(size, 0), 0), height = StrToIntDef(GetListItem(size, 1), 0);
  if (relation == "=") return w == width && h == height;
  if (relation == "!=") return w != width || h != height;
  if (relation == ">") return (w > width && h >= height) || (w >= width && h > height);
  if (relation == "<") return (w < width && h <= height) || (w <= width && h < height);
  if (relation == ">=") return w >= width && h >= height;
  if (relation == "<=") return w <= width && h <= height;
  return false;
}

bool ScreenResolutionMatches(const std::string& relation, const std::string& given) {
  return ScreenSizeMatches(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), relation, given);
}

int ColorDepthFromName(const std::string& name) {
  if (name == "256 (8 bit)") return 8;
  if (name == "32K (15 bit)") return 15;
  if (name == "64K (16 bit)") return 16;
  if (name == "16M (24 bit)") return 24;
  return 32;
}

int64_t GetMemorySizeMB() {
  // The extended status where the system has it: the plain one stops at 2 GB.
  typedef BOOL(WINAPI * TStatusEx)(LPMEMORYSTATUSEX);
  auto statusEx = reinterpret_cast<TStatusEx>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GlobalMemoryStatusEx")));
  if (statusEx) {
    MEMORYSTATUSEX ms;
    ms.dwLength = sizeof ms;
    if (statusEx(&ms)) return int64_t(ms.ullTotalPhys >> 20);
  }
  MEMORYSTATUS ms;
  ms.dwLength = sizeof ms;
  GlobalMemoryStatus(&ms);
  return int64_t(ms.dwTotalPhys >> 20);
}

int GetCpuSpeedMHz() {
  bool isInteger;
  std::string text =
      ReadRegValueTyped("HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", "~MHz", isInteger);
  if (text.empty()) text = "0";
  const int registered = StrToIntDef(text, -1);
  if (registered > 100) return registered;
  if (g_cpuSpeed < 0) g_cpuSpeed = int(MeasureCpuSpeed());
  return g_cpuSpeed;
}

double GetAdoVersion() {
  const HRESULT init = CoInitialize(nullptr);
  const std::string text = Trim(ReadAdoVersionText());
  if (init == S_OK || init == S_FALSE) CoUninitialize();
  if (text.empty()) return 0;
  char* end = nullptr;
  const double v = strtod(text.c_str(), &end);
  return (end && *end == '\0') ? v : 0;
}

bool SetupTypeMatches(const std::string& name) {
  return PosNoCase(GetHostSetupType(true), kSetupTypes) == PosNoCase(name, kSetupTypes);
}

// ---- conditions and executions

bool TestCondition(int code, const std::string& p1, const std::string& relation, const std::string& p2) {
  switch (code) {
    case 11: return FileExists(p1);
    case 12: return DirectoryExists(p1);
    case 13: return !p1.empty() && DirectoryExists(std::string(1, p1[0]) + ":\\");
    case 14: return TextFoundInFile(p1, p2);
    case 21: return !ReadAppPath(p1).empty();
    case 22: return !ExtractFileDir(ReadAppPath(p1)).empty();
    case 23: return FileVersionMatches(ReadAppPath(p1), relation, p2);
    case 31: return IsProcessRunning(p1);
    case 32: return IsNtServiceRunning(p1);
    case 33: return Pos("," + GetWinVersionName() + ",", "," + p1 + ",") > 0;
    case 34: return FileVersionMatches(p1, relation, p2);
    case 35:
      return FindWindowA(p1.empty() ? nullptr : p1.c_str(), p2.empty() ? nullptr : p2.c_str()) != nullptr;
    case 41: return RegKeyExists(p1);
    case 42: return RegKeyExists(p1) && RegValueExists(p1, p2);
    case 43: return RegistryValueMatches(p1, relation, p2);
    case 44: return !EnvValue(p1).empty();
    case 45: return CompareTexts(EnvValue(p1), relation, p2);
    case 46: return CompareTexts(UpperCase(EnvValue(p1)), relation, UpperCase(p2));
    case 51: return CompareIntegers(GetMemorySizeMB(), relation, StrToIntDef(p2, 0));
    case 52: return CompareIntegers(GetCpuSpeedMHz(), relation, StrToIntDef(p2, 0));
    case 53: return ScreenResolutionMatches(relation, p2);
    case 54: {
      HDC dc = GetDC(nullptr);
      const int depth = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
      ReleaseDC(nullptr, dc);
      return CompareIntegers(depth, relation, ColorDepthFromName(p2));
    }
    case 61:
      return CompareTexts(GetPaddedFileVersion(GetSystemDir(true) + "mscoree.dll", 5), relation, PadVersionText(p2, 5));
    case 62: {
      char* end = nullptr;
      const std::string given = Trim(p2);
      double v = strtod(given.c_str(), &end);
      if (given.empty() || !end || *end) v = 0;
      return CompareNumbers(GetAdoVersion(), relation, v);
    }
    case 63: {
      const int version = StrToIntDef(Trim(p1), 0);
      if (version == 5) return FileExists(GetSystemDir(true) + "msvbvm50.dll");
      if (version == 6) return FileExists(GetSystemDir(true) + "msvbvm60.dll");
      return false;
    }
    case 71: return AskYesNo(nullptr, p1, "Confirm", kDefaultBtnText, 0);
    case 72: return AskOkCancel(nullptr, p1, "Confirm", kDefaultBtnText, 0);
    case 73: return SetupTypeMatches(p1);
    case 74: return Pos("|" + p1 + "|", QueryHostValue("GroupNameString")) > 0;
    case 75: return EqualTextNoCase(p1, QueryHostValue("UserName"));
    case 76: return EqualTextNoCase(p1, QueryHostValue("CompanyName"));
    default: return false;
  }
}

bool PerformExecution(int code, const std::string& p1, const std::string& p2, const std::string& p3) {
  switch (code) {
    case 11: return DeleteFiles(p1, false);
    case 12: return CopyFiles(p1, p2, true) > 0;
    case 13: return MoveFiles(p1, p2) > 0;
    case 14: return RenameFiles(p1, p2) > 0;
    case 15: return SetFilesAttributes(p1, FileAttributesFromNames(p2));
    case 21: return !p1.empty() && RemoveDirectoryA(p1.c_str());
    case 22: return !IsProtectedFolder(p1) && DeleteTree(p1, false);
    case 23: return !p1.empty() && SetCurrentDirectoryA(p1.c_str());
    case 24: return CopyDirectoryTree(p1, p2);
    case 25: RenameFolder(p1, p2); return true;
    case 26: return CallHostAction("SetFolderTo", p1, p2);
    case 27: return CallHostAction("SetStupType", p1, "");
    case 31: {
      const std::string program = ReadAppPath(p1);
      return FileExists(program) && DeleteFileA(program.c_str());
    }
    case 32: return RemoveApplicationDirectory(p1);
    case 33: return UninstallApplication(p1);
    case 34: return RunAppPathProgram(p1, p2, false, ShowCommandFromName(p3));
    case 35: return RunAppPathProgram(p1, p2, true, ShowCommandFromName(p3));
    case 41: return ExecAndWait(p1, p2, false, ShowCommandFromName(p3));
    case 42: return ExecAndWait(p1, p2, true, ShowCommandFromName(p3));
    case 43: return ShellExecuteFile(p1, p2, ShowCommandFromName(p3));
    case 44: return ShellExecuteFile(p1, p2, SW_HIDE);
    case 51: return StartNtService(p1, true);
    case 52: return StopNtService(p1, true);
    case 53: return CreateNtService(p1, p2, p3, true);
    case 54: return RemoveNtService(p1, true);
    case 55: return RegisterComServer(p1, true);
    case 56: return RegisterComServer(p1, false);
    case 61: return CreateRegistryKey(p1);
    case 62: return DeleteRegKey(p1);
    case 63: return WriteRegValueTyped(p1, p2, p3, "String");
    case 64: return WriteRegValueTyped(p1, p2, p3, "Integer");
    case 65: return WriteRegValueTyped(p1, p2, p3, "Hex");
    case 66: return DeleteRegValueText(p1, p2);
    case 71: return WriteIniItem(p1, p2, p3);
    case 72: return DeleteIniValue(p1, p2, p3);
    case 73: return CreateEnvironmentVariable(p1, p2, p3);
    case 74: return RemoveEnvironmentVariable(p1, p2);
    case 75: return AppendTextToFile(p1, p2);
    case 76: return ReplaceTextInFile(p1, p2, p3);
    case 81: SetRequiredSpaceText(p1, 2); return true;
    case 82: AddRequiredSpaceText(p1, 2); return true;
    case 91: WarningBox(KMSG_OWNER_ACTIVE, p1, "Attention", kDefaultBtnText, 0); return true;
    case 92: PumpMessagesFor(DWORD(std::max(0, StrToIntDef(p1, 0)))); return true;
    case 99:
      if (g_run) g_run->exitRequest = true;
      return true;
    default: return true;
  }
}
