#include "Links.h"

#include <windows.h>
#include <shlobj.h>

#include "Common.h"
#include "Files.h"
#include "KMsgBox.h"
#include "Utils.h"

namespace {

const char* const kShellFoldersKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

const char* KindValueName(int kind) {
  switch (kind) {
    case 0: return "Desktop";
    case 1: return "Start Menu";
    case 2: return "Programs";
    case 3: return "Startup";
    case 4: return "Personal";
    case 5: return "Sendto";
    default: return nullptr;
  }
}

std::string ReadShellFolder(const char* root, const char* name) {
  const std::string key = std::string(root) + kShellFoldersKey;
  HKEY h;
  if (!OpenRegPath(key, KEY_READ, h)) return std::string();
  char buf[MAX_PATH * 2];
  DWORD size = sizeof buf, type = 0;
  std::string value;
  if (RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) == ERROR_SUCCESS) {
    value.assign(buf, size && buf[size - 1] == 0 ? size - 1 : size);
  } else {
    const std::string common = std::string("common ") + name;
    size = sizeof buf;
    if (RegQueryValueExA(h, common.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) == ERROR_SUCCESS)
      value.assign(buf, size && buf[size - 1] == 0 ? size - 1 : size);
  }
  RegCloseKey(h);
  return value;
}

bool SaveShellLink(const std::string& path, int showCmd, int iconIndex, const std::string& iconFile,
                   const std::string& workDir, const std::string& args, const std::string& target) {
  const HRESULT init = CoInitialize(nullptr);
  bool saved = false;
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    link->SetArguments(args.c_str());
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(workDir.c_str());
    link->SetShowCmd(showCmd);
    if (!iconFile.empty()) link->SetIconLocation(iconFile.c_str(), iconIndex);
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      WCHAR wide[MAX_PATH * 2];
      if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH * 2) > 0)
        saved = SUCCEEDED(file->Save(wide, FALSE));
      file->Release();
    }
    link->Release();
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return saved && FileExists(path);
}

}  // namespace

std::string GetShellFolder(int kind, bool allUsers) {
  if (kind == 6) {
    if (IsWin9x()) return GetWindowsDir(true) + "Application Data\\Microsoft\\Internet Explorer\\Quick Launch";
    const std::string appData =
        ReadRegValue("HKEY_CURRENT_USER" + std::string(kShellFoldersKey), "AppData", std::string());
    return appData.empty() ? std::string() : appData + "\\Microsoft\\Internet Explorer\\Quick Launch";
  }
  const char* name = KindValueName(kind);
  if (!name) return std::string();
  const char* first = allUsers ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
  const char* second = allUsers ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
  std::string folder = ReadShellFolder(first, name);
  if (folder.empty()) folder = ReadShellFolder(second, name);
  return folder;
}

bool IsWebTarget(const std::string& text) {
  const std::string t = LowerCase(text);
  for (const char* p : {"http:", "ftp:", "www.", "mailto:"})
    if (t.compare(0, strlen(p), p) == 0) return true;
  return false;
}

std::string LinkPathFor(int kind, const std::string& subFolder, bool allUsers, const std::string& target,
                        const std::string& linkName, std::string& folder) {
  folder = GetShellFolder(kind, allUsers);
  if (folder.empty()) return std::string();
  std::string sub = Trim(subFolder);
  if (!sub.empty() && sub[0] == '\\') sub.erase(0, 1);
  if (!sub.empty()) folder = SetTrailingBackslash(folder, false) + "\\" + sub;
  return SetTrailingBackslash(folder, true) + linkName + (IsWebTarget(target) ? ".url" : ".lnk");
}

bool CreateLink(int kind, const std::string& subFolder, bool allUsers, std::string& linkPath, int showCmd,
                int iconIndex, const std::string& iconFile, const std::string& workDir, const std::string& args,
                const std::string& target, const std::string& linkName) {
  linkPath.clear();
  std::string folder;
  const std::string path = LinkPathFor(kind, subFolder, allUsers, target, linkName, folder);
  if (path.empty()) return false;
  if (!ForceDirectories(folder))
    ErrorBox(KMSG_OWNER_ACTIVE, folder + "\\\\n\\\\nUnable to create Link Directory!\\\\n(RegOp.CreateLink)", "Error",
             kDefaultBtnText, 0);
  if (IsWebTarget(target)) {
    std::string text = "[InternetShortcut]\r\nURL=" + target + "\r\n";
    if (!iconFile.empty()) text += "IconFile=" + iconFile + "\r\nIconIndex=" + std::to_string(iconIndex) + "\r\n";
    if (!workDir.empty()) text += "WorkingDirectory=" + workDir + "\r\n";
    if (!WriteFileContents(path, text, 0)) return false;
    linkPath = path;
    return true;
  }
  if (!SaveShellLink(path, showCmd, iconIndex, iconFile, workDir, args, target)) return false;
  linkPath = path;
  return true;
}
