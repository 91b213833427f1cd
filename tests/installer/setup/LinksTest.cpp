// Shortcuts made in the shell's special folders and read back.
#include "Links.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Common.h"
#include "TestTool.h"

namespace {

const std::string kTag = "KvLinks" + std::to_string(GetCurrentProcessId());

std::string Read(const std::string& path) {
  std::string s;
  return tt::ReadFile(path, s) ? s : "<missing>";
}

}  // namespace

TEST(Links, WebTargets) {
  const struct {
    const char* text;
    bool web;
  } rows[] = {{"http://x", true}, {"HTTP://x", true}, {"ftp:host", true}, {"www.example.com", true},
              {"mailto:a@b", true}, {"C:\\www.exe", false}, {"wwwx", false}, {"", false}};
  for (const auto& r : rows) EXPECT_EQ(IsWebTarget(r.text), r.web) << r.text;
}

TEST(Links, ShellFoldersOfEachKind) {
  const std::string shell = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  EXPECT_EQ(GetShellFolder(0, false), ReadRegValue(shell, "Desktop", "?"));
  EXPECT_EQ(GetShellFolder(2, false), ReadRegValue(shell, "Programs", "?"));
  EXPECT_EQ(GetShellFolder(6, false),
            ReadRegValue(shell, "AppData", "?") + "\\Microsoft\\Internet Explorer\\Quick Launch");
  // All users first, the user's own folder when the machine has none.
  const std::string machine = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  const std::string common = ReadRegValue(machine, "Common Desktop", "");
  if (!common.empty()) {
    EXPECT_EQ(GetShellFolder(0, true), common);
  }
  EXPECT_EQ(GetShellFolder(5, true), ReadRegValue(shell, "Sendto", "?"));
  EXPECT_EQ(GetShellFolder(9, false), "");
}

TEST(Links, LinksAndInternetShortcuts) {
  const std::string programs = GetShellFolder(2, false);
  ASSERT_FALSE(programs.empty());
  const std::string exe = tt::ProgramDir() + "Setup.exe";
  std::string path;
  // A sub folder written with a leading backslash lies directly in the special folder.
  ASSERT_TRUE(CreateLink(2, "\\" + kTag + "\\Tools", false, path, SW_SHOWMINNOACTIVE, 2, exe, "C:\\", "/a b", exe,
                         "Tool"));
  EXPECT_EQ(path, programs + "\\" + kTag + "\\Tools\\Tool.lnk");
  CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         reinterpret_cast<void**>(&link))));
  IPersistFile* file = nullptr;
  ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
  WCHAR wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  ASSERT_TRUE(SUCCEEDED(file->Load(wide, STGM_READ)));
  char buf[MAX_PATH] = "";
  int show = 0, icon = 0;
  link->GetArguments(buf, MAX_PATH);
  EXPECT_STREQ(buf, "/a b");
  link->GetWorkingDirectory(buf, MAX_PATH);
  EXPECT_STREQ(buf, "C:\\");
  // The show command as stored in the link's header (Wine's loader does not hand it back).
  const std::string bytes = Read(path);
  ASSERT_GE(bytes.size(), 0x40u);
  memcpy(&show, bytes.data() + 0x3C, 4);
  EXPECT_EQ(show, SW_SHOWMINNOACTIVE);
  link->GetIconLocation(buf, MAX_PATH, &icon);
  EXPECT_EQ(icon, 2);
  link->GetPath(buf, MAX_PATH, nullptr, 0);
  EXPECT_STRCASEEQ(buf, exe.c_str());
  file->Release();
  link->Release();
  CoUninitialize();

  const struct {
    const char* target;
    const char* icon;
    const char* work;
    std::string expected;
  } urls[] = {{"www.example.com/x", "", "", "[InternetShortcut]\r\nURL=www.example.com/x\r\n"},
              {"mailto:me@example.com", "C:\\i.ico", "C:\\W",
               "[InternetShortcut]\r\nURL=mailto:me@example.com\r\nIconFile=C:\\i.ico\r\nIconIndex=3\r\n"
               "WorkingDirectory=C:\\W\r\n"}};
  int n = 0;
  for (const auto& u : urls) {
    const std::string name = "Web" + std::to_string(n++);
    ASSERT_TRUE(CreateLink(2, kTag, false, path, 1, 3, u.icon, u.work, "", u.target, name));
    EXPECT_EQ(path, programs + "\\" + kTag + "\\" + name + ".url");
    EXPECT_EQ(Read(path), u.expected);
  }
  // A link that cannot be saved is no link.
  EXPECT_FALSE(CreateLink(2, kTag, false, path, 1, 0, "", "", "", exe, "bad<>name"));
  EXPECT_EQ(path, "");
  tt::DeleteTree(programs + "\\" + kTag);
}
