#include "RegSvr.h"

#include <windows.h>
#include <ole2.h>

#include <map>
#include <set>

#include "RegRestore.h"
#include "Utils.h"

namespace {

bool IsServerFile(const std::string& path) {
  const size_t dot = path.rfind('.');
  const std::string ext = dot == std::string::npos ? std::string() : LowerCase(path.substr(dot));
  return ext == ".ocx" || ext == ".dll" || ext == ".ax";
}

typedef HRESULT(STDAPICALLTYPE* TRegProc)();

// Loads the server and calls its export `name`, with `around` run just before and after the
// call (true before, false after). False when there was no export to call, or `around`
// refused it.
bool CallExport(const std::string& path, const char* name, HRESULT& result, bool (*around)(bool, void*), void* data) {
  // Only a successful initialisation (S_OK or S_FALSE) is paired with an uninitialisation.
  const HRESULT init = OleInitialize(nullptr);
  if (init != S_OK && init != S_FALSE) return false;
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  bool called = false;
  if (HMODULE lib = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) {
    auto proc = reinterpret_cast<TRegProc>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
    if (proc && (!around || around(true, data))) {
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

std::wstring Lower(std::wstring text) {
  if (!text.empty()) CharLowerBuffW(&text[0], DWORD(text.size()));
  return text;
}

// Where a key lies: in a classes tree (HKEY_CLASSES_ROOT, or a Software\Classes key) at
// `classes` levels below its top, within one of its containers or not; else elsewhere.
struct TPlace {
  int classes = -1;  // -1: not in a classes tree
  bool container = false;
  int depth = 0;  // below the root
  TPlace Child(const std::wstring& parentName, const std::wstring& name) const {
    TPlace c = *this;
    ++c.depth;
    if (classes < 0 && lstrcmpiW(parentName.c_str(), L"Software") == 0 && lstrcmpiW(name.c_str(), L"Classes") == 0) {
      c.classes = 0;
      return c;
    }
    if (classes >= 0) {
      c.container = classes == 0 && IsClassContainer(name);
      ++c.classes;
    }
    return c;
  }
  // One server's entry: a class, interface, type library, ... or a program id or file type.
  bool Entry() const { return (classes == 1 && !container) || (classes == 2 && container); }
};

// The real keys a trial's scratch root starts with, names only: outside the classes trees
// the keys down to this depth below the root; in them the entries and the containers.
const int kSeedDepth = 3;

bool Seeds(const TPlace& child) {
  if (child.classes == 0) return true;
  if (child.classes > 0) return child.classes == 1 || (child.classes == 2 && child.container);
  return child.depth <= kSeedDepth;
}

// Whether a key at `at` can have subkeys that Seeds takes.
bool SeedsBelow(const TPlace& at) {
  if (at.classes >= 0) return at.classes == 0 || (at.classes == 1 && at.container);
  return at.depth < kSeedDepth;
}

// The keys the scratch root was seeded with, by their lower-cased paths below it, and the
// names of each one's seeded subkeys.
struct TSeed {
  std::set<std::wstring> keys;
  std::map<std::wstring, std::vector<std::wstring>> children;
};

std::wstring Below(const std::wstring& path, const std::wstring& name) { return path.empty() ? name : path + L"\\" + name; }

// A scratch name of this module's: never copied into a scratch root.
bool IsScratchName(const wchar_t* name) { return _wcsnicmp(name, L"~kvreg", 6) == 0; }

void SeedKeys(HKEY real, HKEY scratch, const std::wstring& rel, const std::wstring& name, const TPlace& at,
              TSeed& seed) {
  wchar_t sub[256];
  for (DWORD i = 0, size = 256; RegEnumKeyExW(real, i, sub, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++i, size = 256) {
    const TPlace place = at.Child(name, sub);
    if (IsScratchName(sub) || !Seeds(place)) continue;
    HKEY made;
    if (RegCreateKeyExW(scratch, sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made, nullptr) != ERROR_SUCCESS) continue;
    const std::wstring path = Below(rel, Lower(sub));
    seed.keys.insert(path);
    seed.children[rel].push_back(sub);
    HKEY next;
    if (SeedsBelow(place) && RegOpenKeyExW(real, sub, 0, KEY_READ, &next) == ERROR_SUCCESS) {
      SeedKeys(next, made, path, sub, place, seed);
      RegCloseKey(next);
    }
    RegCloseKey(made);
  }
}

bool HasSubkey(HKEY key, const std::wstring& name) {
  HKEY h;
  if (RegOpenKeyExW(key, name.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

bool CountsOf(HKEY key, DWORD& subkeys, DWORD& values) {
  return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                          nullptr, nullptr) == ERROR_SUCCESS;
}

// Whether the trial wrote anything at or below `key`, or took a seeded key away there.
bool Touched(HKEY key, const std::wstring& rel, const TSeed& seed) {
  DWORD subkeys = 0, values = 0;
  if (!CountsOf(key, subkeys, values) || values > 0 || !seed.keys.count(rel)) return true;
  const auto seeded = seed.children.find(rel);
  if ((seeded == seed.children.end() ? 0 : seeded->second.size()) != subkeys) return true;
  if (seeded == seed.children.end()) return false;
  for (const std::wstring& name : seeded->second) {
    HKEY sub;
    if (RegOpenKeyExW(key, name.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS) return true;
    const bool touched = Touched(sub, Below(rel, Lower(name)), seed);
    RegCloseKey(sub);
    if (touched) return true;
  }
  return false;
}

// Collects the keys of the scratch tree below `key` (at `path`, `rel` below the root) that
// the trial wrote or took away: in a classes tree the entry's own key; elsewhere a seeded
// key that got values, a seeded key taken away, and in the keys the trial made the first
// key on each branch that holds values or no subkeys.
void Collect(HKEY key, const std::string& path, const std::wstring& rel, const std::wstring& name, const TPlace& at,
             const TSeed& seed, std::vector<std::string>& keys) {
  const bool seeded = rel.empty() || seed.keys.count(rel);
  if (at.Entry() || (at.classes > 0 && !seeded)) {
    if (Touched(key, rel, seed)) keys.push_back(path);
    return;
  }
  DWORD subkeys = 0, values = 0;
  if (!CountsOf(key, subkeys, values)) return;
  if (!rel.empty() && (values > 0 || (!seeded && subkeys == 0))) {
    keys.push_back(path);
    return;
  }
  if (seeded) {
    const auto was = seed.children.find(rel);
    if (was != seed.children.end())
      for (const std::wstring& child : was->second)
        if (!HasSubkey(key, child)) keys.push_back(path + "\\" + Narrow(child));
  }
  wchar_t sub[256];
  for (DWORD i = 0, size = 256; RegEnumKeyExW(key, i, sub, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++i, size = 256) {
    HKEY next;
    if (RegOpenKeyExW(key, sub, 0, KEY_READ, &next) != ERROR_SUCCESS) continue;
    Collect(next, path + "\\" + Narrow(sub), Below(rel, Lower(sub)), sub, at.Child(name, sub), seed, keys);
    RegCloseKey(next);
  }
}

// Every predefined root a server can write under, each replaced by a scratch key during the
// trial (HKEY_PERFORMANCE_DATA holds no keys to write). HKEY_DYN_DATA exists on Windows 9x
// alone, and a key there cannot be noted: a trial that writes there fails.
struct TRoot {
  HKEY real;
  const char* name;
  bool noted;
};
const TRoot kRoots[] = {{HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", true},   {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", true},
                        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", true},   {HKEY_USERS, "HKEY_USERS", true},
                        {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG", true}, {HKEY_DYN_DATA, "HKEY_DYN_DATA", false}};
const size_t kRootCount = sizeof kRoots / sizeof kRoots[0];

struct TScratch {
  HKEY parent = nullptr;
  HKEY roots[kRootCount] = {};
  TSeed seeds[kRootCount];
};

TPlace TopOf(size_t root) {
  TPlace top;
  if (kRoots[root].real == HKEY_CLASSES_ROOT) top.classes = 0;
  return top;
}

// Makes the scratch roots, each with the keys that stand, so that a server that opens one
// (HKEY_CLASSES_ROOT\CLSID, its own earlier entry) writes below it as it will for real; then
// points each root at its scratch key. Afterwards points them back. False when a root that
// can be noted could not be made or pointed at its scratch key.
bool Redirect(bool on, void* data) {
  TScratch& scratch = *static_cast<TScratch*>(data);
  bool all = true;
  for (size_t i = 0; on && i < kRootCount; ++i) {
    if (RegCreateKeyExA(scratch.parent, kRoots[i].name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch.roots[i],
                        nullptr) != ERROR_SUCCESS) {
      scratch.roots[i] = nullptr;
      all = false;
    } else if (kRoots[i].noted) {
      SeedKeys(kRoots[i].real, scratch.roots[i], std::wstring(), std::wstring(), TopOf(i), scratch.seeds[i]);
    }
  }
  for (size_t i = 0; all && i < kRootCount; ++i)
    if (RegOverridePredefKey(kRoots[i].real, on ? scratch.roots[i] : nullptr) != ERROR_SUCCESS && on && kRoots[i].noted)
      all = false;
  if (on && !all) Redirect(false, data);
  return all || !on;
}

}  // namespace

bool RegisterComServer(const std::string& path, bool doRegister) {
  if (!IsServerFile(path)) return false;
  HRESULT result = E_FAIL;
  return CallExport(path, doRegister ? "DllRegisterServer" : "DllUnregisterServer", result, nullptr, nullptr) &&
         result == S_OK;
}

std::string ComTrialKey() { return "HKEY_CURRENT_USER\\Software\\~kvreg" + std::to_string(GetCurrentProcessId()); }

bool ComServerKeys(const std::string& path, std::vector<std::string>& keys) {
  keys.clear();
  if (!IsServerFile(path)) return false;
  // Made before the redirection, under the real HKEY_CURRENT_USER; a name of this process's.
  const std::wstring base = WideText(ComTrialKey().substr(18));
  HKEY parent;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, base.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &parent, nullptr) !=
      ERROR_SUCCESS)
    return false;
  TScratch scratch;
  scratch.parent = parent;
  HRESULT result = E_FAIL;
  bool trusted = CallExport(path, "DllRegisterServer", result, Redirect, &scratch) && result == S_OK;
  for (size_t i = 0; i < kRootCount; ++i) {
    if (!scratch.roots[i]) continue;
    // Nothing can be noted of a value on a root itself, nor of a key where no root can be noted.
    DWORD subkeys = 0, values = 0;
    if (!CountsOf(scratch.roots[i], subkeys, values) || values > 0 || (!kRoots[i].noted && subkeys > 0))
      trusted = false;
    if (kRoots[i].noted) {
      Collect(scratch.roots[i], kRoots[i].name, std::wstring(), std::wstring(), TopOf(i), scratch.seeds[i], keys);
    }
    RegCloseKey(scratch.roots[i]);
  }
  RegCloseKey(parent);
  DeleteTree(HKEY_CURRENT_USER, base);
  return trusted;
}
