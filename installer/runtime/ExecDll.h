// Plug-in DLLs of the execute-operation engine: a DLL names up to ten custom conditions
// and ten custom executions; the engine calls the matching export for a caption that is
// not in its own tables. The DLL is loaded and freed around every single call.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

class TExecDll {
 public:
  explicit TExecDll(HWND owner = nullptr) : owner_(owner) {}
  virtual ~TExecDll() = default;

  HWND Owner() const { return owner_; }
  // Lines "alias=|dll path|export|", in the order received.
  const std::vector<std::pair<std::string, std::string>>& AliasMap() const { return aliases_; }
  const std::vector<std::string>& ConditionNames() const { return conditions_; }
  const std::vector<std::string>& ExecutionNames() const { return executions_; }
  // The value of an alias ("|dll path|export|"), letter case ignored; empty when none.
  std::string AliasValue(const std::string& name) const;

 private:
  friend void LoadExecDll(TExecDll& dll, const std::string& path, bool clearFirst, bool showErrors);
  friend void CollectExecDllAliases(TExecDll& dll, const std::string& kind, const std::string& path,
                                    bool showErrors);
  HWND owner_;
  std::vector<std::pair<std::string, std::string>> aliases_;
  std::vector<std::string> conditions_;
  std::vector<std::string> executions_;
};

// Asks the DLL for its condition and execution names; clearFirst empties the lists first.
void LoadExecDll(TExecDll& dll, const std::string& path, bool clearFirst, bool showErrors);
// kind "Condition" or "Execution".
void CollectExecDllAliases(TExecDll& dll, const std::string& kind, const std::string& path, bool showErrors);
bool HasExecDllAliases(const TExecDll* dll);
// The custom test or operation of a caption: second and third are relation and p2 for a
// condition, p2 and nothing for an execution. True exactly when the export returned 1.
bool CallExecDll(const TExecDll* dll, int stage, const std::string& caption, const std::string& p1,
                 const std::string& second, const std::string& third);

// Loading with the engine's error boxes ("DLL File Not Found!", "Function: ... Not Found").
HMODULE LoadPluginLibrary(const std::string& path, bool showErrors);
FARPROC GetPluginProc(HMODULE library, const std::string& path, bool showErrors, const std::string& exportName);
