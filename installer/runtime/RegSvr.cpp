#include "RegSvr.h"

#include <windows.h>
#include <ole2.h>

#include "Utils.h"

namespace {

bool IsServerFile(const std::string& path) {
  const size_t dot = path.rfind('.');
  const std::string ext = dot == std::string::npos ? std::string() : LowerCase(path.substr(dot));
  return ext == ".ocx" || ext == ".dll" || ext == ".ax";
}

typedef HRESULT(STDAPICALLTYPE* TRegProc)();

// Loads the server and calls its export `name`, with `around` run just before and after the
// call (true before, false after). False when there was no export to call.
bool CallExport(const std::string& path, const char* name, HRESULT& result, void (*around)(bool, void*), void* data) {
  // Only a successful initialisation (S_OK or S_FALSE) is paired with an uninitialisation.
  const HRESULT init = OleInitialize(nullptr);
  if (init != S_OK && init != S_FALSE) return false;
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  bool called = false;
  if (HMODULE lib = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) {
    auto proc = reinterpret_cast<TRegProc>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
    if (proc) {
      if (around) around(true, data);
      result = proc();
      if (around) around(false, data);
      called = true;
    }
    FreeLibrary(lib);
  }
  SetErrorMode(oldMode);
  OleUninitialize();
  return called;
}

bool DeleteTree(HKEY parent, const std::wstring& name) {
  HKEY h;
  if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_ALL_ACCESS, &h) != ERROR_SUCCESS) return false;
  wchar_t child[256];
  for (DWORD size = 256; RegEnumKeyExW(h, 0, child, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       size = 256)
    if (!DeleteTree(h, child)) break;
  RegCloseKey(h);
  return RegDeleteKeyW(parent, name.c_str()) == ERROR_SUCCESS;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

// Keys below which each subkey is one server's entry.
bool IsClassContainer(const std::wstring& name) {
  for (const wchar_t* c : {L"CLSID", L"Interface", L"TypeLib", L"AppID", L"Component Categories", L"Record"})
    if (lstrcmpiW(name.c_str(), c) == 0) return true;
  return false;
}

// Collects the keys of the scratch tree below `key` (at `path`, whose names below the root
// are `names`): in a classes tree (from `classesDepth` on) the entry's own key, elsewhere
// the first key on each branch that holds values or no subkeys.
void Collect(HKEY key, const std::string& path, std::vector<std::wstring>& names, size_t classesDepth,
             std::vector<std::string>& keys) {
  DWORD subkeys = 0, values = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                       nullptr) != ERROR_SUCCESS)
    return;
  const size_t depth = names.size();
  if (depth > 0) {
    if (depth == classesDepth + 1 && !IsClassContainer(names[classesDepth])) {
      keys.push_back(path);  // a program id or file type
      return;
    }
    if (depth == classesDepth + 2 && IsClassContainer(names[classesDepth])) {
      keys.push_back(path);  // one class, interface, type library, ...
      return;
    }
    if (depth < classesDepth && (values > 0 || subkeys == 0)) {
      keys.push_back(path);
      return;
    }
  }
  wchar_t name[256];
  for (DWORD i = 0, size = 256; RegEnumKeyExW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++i, size = 256) {
    HKEY sub;
    if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    names.push_back(name);
    // HKLM\Software\Classes and HKCU\Software\Classes are classes trees too.
    size_t subClasses = classesDepth;
    if (classesDepth == size_t(-1) && names.size() == 2 && lstrcmpiW(names[0].c_str(), L"Software") == 0 &&
        lstrcmpiW(names[1].c_str(), L"Classes") == 0)
      subClasses = 2;
    Collect(sub, path + "\\" + Narrow(name), names, subClasses, keys);
    names.pop_back();
    RegCloseKey(sub);
  }
}

struct TScratch {
  HKEY roots[3] = {nullptr, nullptr, nullptr};
};
const HKEY kRoots[3] = {HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};
const char* const kRootNames[3] = {"HKEY_CLASSES_ROOT", "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"};

void Redirect(bool on, void* data) {
  const TScratch& scratch = *static_cast<TScratch*>(data);
  for (int i = 0; i < 3; ++i) RegOverridePredefKey(kRoots[i], on ? scratch.roots[i] : nullptr);
}

}  // namespace

bool RegisterComServer(const std::string& path, bool doRegister) {
  if (!IsServerFile(path)) return false;
  HRESULT result = E_FAIL;
  return CallExport(path, doRegister ? "DllRegisterServer" : "DllUnregisterServer", result, nullptr, nullptr) &&
         result == S_OK;
}

bool ComServerKeys(const std::string& path, std::vector<std::string>& keys) {
  keys.clear();
  if (!IsServerFile(path)) return false;
  // Made before the redirection, under the real HKEY_CURRENT_USER; a name of this process's.
  const std::wstring base = L"Software\\~kvreg" + std::to_wstring(GetCurrentProcessId());
  HKEY parent;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, base.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &parent, nullptr) !=
      ERROR_SUCCESS)
    return false;
  TScratch scratch;
  bool made = true;
  for (int i = 0; i < 3; ++i)
    made = RegCreateKeyExA(parent, kRootNames[i], 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch.roots[i],
                           nullptr) == ERROR_SUCCESS && made;
  HRESULT result = E_FAIL;
  // Whatever the trial returns, what it wrote is what a real registration writes.
  const bool called = made && CallExport(path, "DllRegisterServer", result, Redirect, &scratch);
  for (int i = 0; i < 3; ++i) {
    if (!scratch.roots[i]) continue;
    if (called) {
      std::vector<std::wstring> names;
      Collect(scratch.roots[i], kRootNames[i], names, i == 0 ? 0 : size_t(-1), keys);
    }
    RegCloseKey(scratch.roots[i]);
  }
  RegCloseKey(parent);
  DeleteTree(HKEY_CURRENT_USER, base);
  return called;
}
