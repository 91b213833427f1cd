#include "ExecDll.h"

#include <cstring>

#include "KMsgBox.h"
#include "Utils.h"

namespace {

typedef const char*(__cdecl* TAliasProc)(int index, char* buffer);
typedef int(__cdecl* TConditionProc)(HWND owner, int stage, const char* p1, const char* relation, const char* p2);
typedef int(__cdecl* TExecutionProc)(HWND owner, int stage, const char* p1, const char* p2);

const int kMaxAliases = 10;
const size_t kMaxNameLength = 255;

void ShowPluginError(const std::string& text) { ErrorBox(nullptr, text, "Error", kDefaultBtnText, 0); }

// A name the plug-in returned, copied while its library is still loaded: at most 255
// characters, a null pointer reads as empty.
std::string CopyName(const char* name) {
  if (!name) return std::string();
  size_t n = 0;
  while (n < kMaxNameLength && name[n]) ++n;
  return std::string(name, n);
}

template <class Proc>
Proc ProcAs(FARPROC proc) {
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(proc));
}

}  // namespace

std::string TExecDll::AliasValue(const std::string& name) const {
  for (const auto& line : aliases_)
    if (EqualTextNoCase(line.first, name)) return line.second;
  return std::string();
}

HMODULE LoadPluginLibrary(const std::string& path, bool showErrors) {
  if (path.empty()) return nullptr;
  HMODULE lib = LoadLibraryA(path.c_str());
  if (!lib && showErrors) ShowPluginError(path + "\\\\n\\\\nDLL File Not Found!");
  return lib;
}

FARPROC GetPluginProc(HMODULE library, const std::string& path, bool showErrors, const std::string& exportName) {
  if (!library) return nullptr;
  FARPROC proc = GetProcAddress(library, exportName.c_str());
  if (!proc && showErrors)
    ShowPluginError("Function: \"" + exportName + "\"\\\\n\\\\nNot Found in Library: \"" + path + "\"");
  return proc;
}

void CollectExecDllAliases(TExecDll& dll, const std::string& kind, const std::string& path, bool showErrors) {
  const bool condition = kind == "Condition";
  const std::string aliasExport = condition ? "GetConditionAlias" : "GetExecutionAlias";
  const std::string prefix = condition ? "GetCondition_" : "SetExecution_";
  HMODULE lib = LoadPluginLibrary(path, showErrors);
  if (!lib) return;
  if (auto alias = ProcAs<TAliasProc>(GetPluginProc(lib, path, showErrors, aliasExport))) {
    for (int n = 0; n < kMaxAliases; ++n) {
      char buffer[kMaxNameLength + 1];
      std::memset(buffer, 0, sizeof buffer);
      const std::string name = CopyName(alias(n, buffer));
      if (name.empty()) continue;
      (condition ? dll.conditions_ : dll.executions_).push_back(name);
      dll.aliases_.push_back({name, "|" + path + "|" + prefix + std::to_string(n) + "|"});
    }
  }
  FreeLibrary(lib);
}

void LoadExecDll(TExecDll& dll, const std::string& path, bool clearFirst, bool showErrors) {
  if (clearFirst) {
    dll.aliases_.clear();
    dll.conditions_.clear();
    dll.executions_.clear();
  }
  CollectExecDllAliases(dll, "Condition", path, showErrors);
  CollectExecDllAliases(dll, "Execution", path, showErrors);
}

bool HasExecDllAliases(const TExecDll* dll) { return dll && !dll->AliasMap().empty(); }

bool CallExecDll(const TExecDll* dll, int stage, const std::string& caption, const std::string& p1,
                 const std::string& second, const std::string& third) {
  if (!dll) return false;
  const std::string value = dll->AliasValue(caption);
  if (value.empty()) return false;
  const std::string path = GetListItem(value, 0), exportName = GetListItem(value, 1);
  HMODULE lib = LoadPluginLibrary(path, true);
  if (!lib) return false;
  bool result = false;
  if (FARPROC proc = GetPluginProc(lib, path, true, exportName)) {
    if (PosNoCase("Condition", exportName) > 0)
      result = ProcAs<TConditionProc>(proc)(dll->Owner(), stage, p1.c_str(), second.c_str(), third.c_str()) == 1;
    else
      result = ProcAs<TExecutionProc>(proc)(dll->Owner(), stage, p1.c_str(), second.c_str()) == 1;
  }
  FreeLibrary(lib);
  return result;
}
