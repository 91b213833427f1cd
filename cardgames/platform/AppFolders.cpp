#include "AppFolders.h"

#include <vector>

#include "DataFile.h"

namespace {

const char kPathValue[] = "Path";

std::string WithSlash(const std::string& folder) {
  if (!folder.empty() && folder.back() != '\\') return folder + "\\";
  return folder;
}

bool FolderExists(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA(path.c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return false;
  FindClose(h);
  return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string FullPath(const std::string& path) {
  char buffer[MAX_PATH * 2];
  DWORD n = GetFullPathNameA(path.c_str(), sizeof(buffer), buffer, nullptr);
  if (n == 0 || n >= sizeof(buffer)) return path;
  return std::string(buffer, n);
}

}  // namespace

std::string RegistryKey::FullPath(const std::string& subkey) const {
  std::string full = "Software";
  if (!path_.empty()) full += "\\" + path_;
  if (!subkey.empty()) full += "\\" + subkey;
  return full;
}

bool RegistryKey::ReadValue(const std::string& subkey, const std::string& name, std::string& value) const {
  HKEY key;
  if (RegOpenKeyExA(root_, FullPath(subkey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  char buffer[1025] = {};
  DWORD size = 1024, type = 0;
  LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return false;
  value.assign(buffer, strnlen(buffer, size));
  return true;
}

bool RegistryKey::WriteValue(const std::string& subkey, const std::string& name, const std::string& value) const {
  HKEY key;
  if (RegCreateKeyExA(root_, FullPath(subkey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                      nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  LONG rc = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           DWORD(value.size() + 1));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

bool RegistryKey::KeyExists(const std::string& subkey) const {
  HKEY key;
  if (RegOpenKeyExA(root_, FullPath(subkey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

bool RegistryKey::DeleteValue(const std::string& subkey, const std::string& name) const {
  HKEY key;
  if (RegOpenKeyExA(root_, FullPath(subkey).c_str(), 0, KEY_WRITE, &key) != ERROR_SUCCESS) return false;
  LONG rc = RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

bool RegistryKey::DeleteTree(const std::string& subkey) const {
  std::string full = FullPath(subkey);
  HKEY key;
  if (RegOpenKeyExA(root_, full.c_str(), 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS) return false;
  std::vector<std::string> children;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof(name);
    if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    children.push_back(std::string(name, size));
  }
  for (;;) {
    DWORD size = sizeof(name);
    if (RegEnumValueA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (RegDeleteValueA(key, name) != ERROR_SUCCESS) break;
  }
  RegCloseKey(key);
  for (const std::string& child : children) DeleteTree(subkey.empty() ? child : subkey + "\\" + child);
  return RegDeleteKeyA(root_, full.c_str()) == ERROR_SUCCESS;
}

FolderLocator::FolderLocator(HINSTANCE module, const std::string& maker, const std::string& product)
    : module_(module), maker_(maker), product_(product), displayName_(product) {
  shfolder_ = LoadLibraryA("shfolder.dll");
  if (shfolder_)
    getFolderPath_ = reinterpret_cast<GetFolderPathFn>(
        reinterpret_cast<void*>(GetProcAddress(shfolder_, "SHGetFolderPathA")));
}

FolderLocator::~FolderLocator() {
  if (shfolder_) FreeLibrary(shfolder_);
}

std::string FolderLocator::SpecialFolder(int csidl, const std::string& product) const {
  if (getFolderPath_) {
    char buffer[MAX_PATH + 1] = {};
    if (SUCCEEDED(getFolderPath_(nullptr, csidl | 0x8000, nullptr, 0, buffer))) {
      std::string path = WithSlash(buffer) + maker_;
      if (!product.empty()) path += "\\" + product;
      if (CreateFolderTree(path, csidl == kCommonAppData)) return path + "\\";
    }
  }
  return CurrentFolder();
}

std::string FolderLocator::ProgramFolder() const {
  char buffer[MAX_PATH + 1];
  DWORD n = GetModuleFileNameA(module_, buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return CurrentFolder();
  std::string path(buffer, n);
  size_t slash = path.rfind('\\');
  if (slash == std::string::npos) return CurrentFolder();
  return path.substr(0, slash + 1);
}

std::string FolderLocator::CurrentFolder() {
  char buffer[MAX_PATH + 1];
  DWORD n = GetCurrentDirectoryA(MAX_PATH, buffer);
  if (n > 0 && n < MAX_PATH) return WithSlash(std::string(buffer, n));
  n = GetTempPathA(MAX_PATH, buffer);
  if (n > 0 && n < MAX_PATH) return WithSlash(std::string(buffer, n));
  return "c:\\";
}

bool FolderLocator::CreateFolderTree(const std::string& path, bool shared) {
  FolderAcl acl;
  std::string sofar;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    sofar += part;
    // Drive names and empty parts (a trailing or doubled backslash) need no folder.
    if (!part.empty() && part.back() != ':' && !FolderExists(sofar)) {
      if (!CreateDirectoryA(sofar.c_str(), shared ? acl.Attributes() : nullptr) &&
          GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    }
    if (end == path.size()) break;
    sofar += "\\";
    start = end + 1;
  }
  return FolderExists(path.back() == '\\' ? path.substr(0, path.size() - 1) : path);
}

void MoveDataFiles(const std::string& fromFolder, const std::string& pattern, const std::string& toFolder) {
  std::string from = WithSlash(fromFolder), to = WithSlash(toFolder);
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((from + pattern).c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == ".." || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    names.push_back(name);
  } while (FindNextFileA(h, &found));
  FindClose(h);
  for (const std::string& name : names) {
    // Deleting the target first would delete the file itself when both are one path.
    if (EqualNoCase(FullPath(from + name), FullPath(to + name))) continue;
    DataFile file(from + name);
    file.Rename(to + name);
  }
}

void FolderLocator::SetUpDataFolder() const {
  RegistryKey key(maker_);
  std::string path;
  if (key.ReadValue(displayName_, kPathValue, path) && !path.empty()) return;
  std::string program = ProgramFolder();
  MoveDataFiles(program, "*.cfg", PerUserDataFolder());
  MoveDataFiles(program, "*.hof", CommonDataFolder());
  key.WriteValue(displayName_, kPathValue, program);
}

namespace {
const FolderLocator* programLocator = nullptr;
}

void SetProgramLocator(const FolderLocator* locator) { programLocator = locator; }

std::string GetGameSettingsPath(HWND, const std::string& title) {
  return (programLocator ? programLocator->PerUserDataFolder() : FolderLocator::CurrentFolder()) + title + ".cfg";
}

std::string GetHallOfFamePath(const FolderLocator& locator, const std::string& title) {
  return locator.CommonDataFolder() + title + ".hof";
}

std::string GetHallOfFamePath(HWND, const std::string& title) {
  return programLocator ? GetHallOfFamePath(*programLocator, title) : FolderLocator::CurrentFolder() + title + ".hof";
}
