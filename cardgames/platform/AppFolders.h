// Where the program keeps its data: the application-data folders, the program's own
// folder, the registry key of the product, and the first-start move of old data files.
#pragma once
#include <windows.h>

#include <string>

// A key below HKEY_xxx\Software.
class RegistryKey {
 public:
  explicit RegistryKey(const std::string& path, HKEY root = HKEY_CURRENT_USER) : root_(root), path_(path) {}

  // A REG_SZ value of up to 1024 bytes; false when the key or value is missing.
  bool ReadValue(const std::string& subkey, const std::string& name, std::string& value) const;
  bool WriteValue(const std::string& subkey, const std::string& name, const std::string& value) const;
  bool KeyExists(const std::string& subkey) const;
  bool DeleteValue(const std::string& subkey, const std::string& name) const;
  // All values and subkeys, depth first, then the key itself.
  bool DeleteTree(const std::string& subkey) const;

 private:
  std::string FullPath(const std::string& subkey) const;

  HKEY root_;
  std::string path_;
};

class FolderLocator {
 public:
  static constexpr int kPerUserAppData = 26;  // CSIDL_APPDATA
  static constexpr int kCommonAppData = 35;   // CSIDL_COMMON_APPDATA

  // Binds SHGetFolderPathA from shfolder.dll when the library is there.
  FolderLocator(HINSTANCE module, const std::string& maker, const std::string& product);
  ~FolderLocator();
  FolderLocator(const FolderLocator&) = delete;
  FolderLocator& operator=(const FolderLocator&) = delete;

  void SetDisplayName(const std::string& name) { displayName_ = name; }
  const std::string& DisplayName() const { return displayName_; }
  const std::string& Maker() const { return maker_; }
  const std::string& Product() const { return product_; }

  // The special folder + "\" + maker (+ "\" + product), created and ending in "\";
  // the current folder when that cannot be had.
  std::string SpecialFolder(int csidl, const std::string& product) const;
  std::string PerUserDataFolder() const { return SpecialFolder(kPerUserAppData, product_); }
  std::string CommonDataFolder() const { return SpecialFolder(kCommonAppData, product_); }
  // The running program's folder, ending in "\".
  std::string ProgramFolder() const;
  static std::string CurrentFolder();
  // Creates every missing folder of the path; shared ones are open to all users.
  static bool CreateFolderTree(const std::string& path, bool shared);

  // The first start moves old data files from the program folder into the data folders
  // and records the program folder as "Path" under the product's key.
  void SetUpDataFolder() const;

 private:
  typedef HRESULT(WINAPI* GetFolderPathFn)(HWND, int, HANDLE, DWORD, LPSTR);

  HINSTANCE module_;
  std::string maker_;
  std::string product_;
  std::string displayName_;
  HMODULE shfolder_ = nullptr;
  GetFolderPathFn getFolderPath_ = nullptr;
};

// Moves every file matching the pattern (for example "*.cfg") from one folder into the
// other, replacing files of the same name. A file already in the target stays.
void MoveDataFiles(const std::string& fromFolder, const std::string& pattern, const std::string& toFolder);

// The program's locator, for the paths asked for by window (not owned; null forgets it).
void SetProgramLocator(const FolderLocator* locator);
// Per-user data folder + title + ".cfg": a game's options file. Without the program's
// locator the current folder stands in for the data folders.
std::string GetGameSettingsPath(HWND window, const std::string& title);
// Common data folder + title + ".hof": a game's Hall of Fame file.
std::string GetHallOfFamePath(const FolderLocator& locator, const std::string& title);
std::string GetHallOfFamePath(HWND window, const std::string& title);
