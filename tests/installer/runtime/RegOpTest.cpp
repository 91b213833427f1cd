#include "RegOp.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Common.h"
#include "Files.h"
#include "SysTestUtil.h"
#include "TestTool.h"
#include "Utils.h"

using systest::Lines;
using systest::RemoveKey;

namespace {

const char kWin[] = "Software\\Microsoft\\Windows\\CurrentVersion";

// A value as stored: its type and bytes; type REG_NONE with "" when absent.
struct Raw {
  DWORD type = REG_NONE;
  std::string bytes;
  bool exists = false;
};
Raw ReadRaw(HKEY root, const std::string& key, const std::string& name) {
  Raw raw;
  HKEY k;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return raw;
  DWORD size = 0;
  if (RegQueryValueExA(k, name.c_str(), nullptr, &raw.type, nullptr, &size) == ERROR_SUCCESS) {
    raw.bytes.assign(size, '\0');
    RegQueryValueExA(k, name.c_str(), nullptr, &raw.type, reinterpret_cast<BYTE*>(&raw.bytes[0]), &size);
    raw.exists = true;
  }
  RegCloseKey(k);
  return raw;
}
std::string Sz(const char* text) { return std::string(text, strlen(text) + 1); }
std::string Dword(int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
bool KeyThere(HKEY root, const std::string& key) {
  HKEY k;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}
void MakeKey(HKEY root, const std::string& key, const std::string& defaultValue = std::string()) {
  HKEY k;
  RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
  if (!defaultValue.empty())
    RegSetValueExA(k, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(defaultValue.c_str()),
                   DWORD(defaultValue.size() + 1));
  RegCloseKey(k);
}

const std::string kTestSub = "Software\\KvRuntimeTests\\RegOp";
const std::string kTestPath = "HKEY_CURRENT_USER\\" + kTestSub;

}  // namespace

TEST(RegistryRecords, UninstallEntryAndLookup) {
  const std::string sub = std::string(kWin) + "\\UnInstall\\KvTest Product A";
  RemoveKey(HKEY_LOCAL_MACHINE, sub);
  std::string keyText = "old";
  WriteUninstallEntry("KvTest Product A", "C:\\Kv\\UnInstall.exe", "1.2", keyText, "http://kv.example/", "", "");
  EXPECT_EQ(keyText, "HKEY_LOCAL_MACHINE\\" + sub);
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, sub, "DisplayName").bytes, Sz("KvTest Product A"));
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, sub, "UnInstallString").bytes, Sz("C:\\Kv\\UnInstall.exe"));
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, sub, "DisplayVersion").bytes, Sz("1.2"));
  EXPECT_TRUE(ReadRaw(HKEY_LOCAL_MACHINE, sub, "Publisher").exists);  // even when empty
  EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, sub, "ModifyPath").exists);
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, sub, "UrlInfoAbout").bytes, Sz("http://kv.example/"));
  const Raw count = ReadRaw(HKEY_LOCAL_MACHINE, sub, "UserCount");
  EXPECT_EQ(count.type, DWORD(REG_DWORD));
  EXPECT_EQ(count.bytes, Dword(1));

  // Nothing without a name or a command.
  WriteUninstallEntry("", "C:\\x.exe", "1", keyText, "", "", "");
  EXPECT_EQ(keyText, "");
  WriteUninstallEntry("KvTest Empty Command", "", "1", keyText, "", "", "");
  EXPECT_FALSE(KeyThere(HKEY_LOCAL_MACHINE, std::string(kWin) + "\\UnInstall\\KvTest Empty Command"));

  // Found by its display name, whatever the subkey is called.
  const std::string other = std::string(kWin) + "\\UnInstall\\{KV-TEST-0001}";
  MakeKey(HKEY_LOCAL_MACHINE, other);
  WriteRegString("HKEY_LOCAL_MACHINE\\" + other, "DisplayName", "KvTest Other Name");
  WriteRegString("HKEY_LOCAL_MACHINE\\" + other, "UnInstallString", "C:\\Other\\un.exe /x");
  EXPECT_EQ(FindUninstallKey("kvtest other NAME"), "{KV-TEST-0001}");
  EXPECT_EQ(ReadUninstallString("KvTest Other Name"), "C:\\Other\\un.exe /x");
  EXPECT_EQ(ReadUninstallString("KvTest Product A"), "C:\\Kv\\UnInstall.exe");
  EXPECT_EQ(FindUninstallKey("KvTest Nobody"), "");
  EXPECT_EQ(ReadUninstallString("KvTest Nobody"), "");

  // An entry without a display name is nobody's: an empty name finds nothing to run.
  const std::string nameless = std::string(kWin) + "\\UnInstall\\{KV-TEST-0002}";
  MakeKey(HKEY_LOCAL_MACHINE, nameless);
  WriteRegString("HKEY_LOCAL_MACHINE\\" + nameless, "UnInstallString", "C:\\Nameless\\un.exe");
  for (const char* name : {"", "  "}) {
    EXPECT_EQ(FindUninstallKey(name), "") << "[" << name << "]";
    EXPECT_EQ(ReadUninstallString(name), "") << "[" << name << "]";
  }
  RemoveKey(HKEY_LOCAL_MACHINE, nameless);
  RemoveKey(HKEY_LOCAL_MACHINE, sub);
  RemoveKey(HKEY_LOCAL_MACHINE, other);
}

TEST(RegistryRecords, ArpCacheRecord) {
  const std::string sub = std::string(kWin) + "\\App Management\\ARPCache\\KvTest Cache";
  RemoveKey(HKEY_LOCAL_MACHINE, sub);
  std::string keyText;
  const std::string longPath = "C:\\" + std::string(300, 'p') + ".exe";
  FILETIME before;
  GetSystemTimeAsFileTime(&before);
  WriteArpCacheEntry("KvTest Cache", longPath, keyText, 5000000000LL);
  EXPECT_EQ(keyText, "HKEY_LOCAL_MACHINE\\" + sub);
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, sub, "Changed").bytes, Dword(0));
  const Raw rec = ReadRaw(HKEY_LOCAL_MACHINE, sub, "SlowInfoCache");
  ASSERT_EQ(rec.type, DWORD(REG_BINARY));
  ASSERT_EQ(rec.bytes.size(), 552u);
  auto u32 = [&](size_t at) { uint32_t v; memcpy(&v, &rec.bytes[at], 4); return v; };
  auto i64 = [&](size_t at) { int64_t v; memcpy(&v, &rec.bytes[at], 8); return v; };
  EXPECT_EQ(u32(0), 552u);
  EXPECT_EQ(u32(4), 1u);
  EXPECT_EQ(i64(8), 5000000000LL);
  int64_t then;
  memcpy(&then, &before, 8);
  EXPECT_GE(i64(16), then);
  EXPECT_LT(i64(16) - then, 600LL * 10000000);  // the current time, in 100 ns units
  EXPECT_EQ(u32(24), 5u);
  std::wstring path(reinterpret_cast<const wchar_t*>(&rec.bytes[28]), 259);
  EXPECT_EQ(path, std::wstring(L"C:\\") + std::wstring(256, L'p'));  // cut at 259 characters
  EXPECT_EQ(rec.bytes.substr(28 + 2 * 259), std::string(6, '\0'));  // terminator and closing zero

  RemoveKey(HKEY_LOCAL_MACHINE, sub);
  WriteArpCacheEntry("KvTest Cache", "C:\\kv.exe", keyText, 0);
  EXPECT_EQ(keyText, "");
  EXPECT_FALSE(KeyThere(HKEY_LOCAL_MACHINE, sub));

  // Not written before Windows 2000.
  const std::string dir = systest::Scratch("arp");
  struct Case {
    const char* version;
    bool written;
  };
  for (const Case c : {Case{"nt40", false}, Case{"win98", false}, Case{"winxp", true}}) {
    const std::string exe = systest::ProbeCopy(dir, std::string("kvarp_") + c.version + ".exe");
    ASSERT_EQ(systest::RunAs(exe, c.version, "arp \"" + dir + "out.txt\" \"KvTest Cache\" C:\\kv.exe 100"), 0);
    EXPECT_EQ(Lines(dir + "out.txt").at(0), c.written ? "HKEY_LOCAL_MACHINE\\" + sub : "") << c.version;
    EXPECT_EQ(KeyThere(HKEY_LOCAL_MACHINE, sub), c.written) << c.version;
    RemoveKey(HKEY_LOCAL_MACHINE, sub);
  }
  // The cache keys a fresh prefix lacks go again while empty (the install round trip counts them).
  const std::string cache = std::string(kWin) + "\\App Management";
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, (cache + "\\ARPCache").c_str());
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, cache.c_str());
}

TEST(RegistryRecords, AppPathsApplicationAndUserKeys) {
  const std::string appSub = std::string(kWin) + "\\App Paths\\kvtool.exe";
  EXPECT_EQ(WriteAppPath("C:\\Prog Dir\\kvtool.exe"), "HKEY_LOCAL_MACHINE\\" + appSub);
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, appSub, "").bytes, Sz("C:\\Prog Dir\\kvtool.exe"));
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, appSub, "Path").bytes, Sz("C:\\Prog Dir"));
  EXPECT_EQ(ReadAppPath("KVTOOL.EXE"), "C:\\Prog Dir\\kvtool.exe");
  EXPECT_EQ(ReadAppPathDir("kvtool.exe"), "C:\\Prog Dir\\");
  EXPECT_EQ(ReadAppPath("kvnotthere.exe"), "");
  EXPECT_EQ(WriteAppPath(""), "");
  RemoveKey(HKEY_LOCAL_MACHINE, appSub);

  RemoveKey(HKEY_LOCAL_MACHINE, "Software\\KvTestCo");
  EXPECT_EQ(CreateApplicationKey("KvTestCo", "T", "1.0"), "HKEY_LOCAL_MACHINE\\Software\\KvTestCo\\T");
  EXPECT_TRUE(KeyThere(HKEY_LOCAL_MACHINE, "Software\\KvTestCo\\T\\1.0"));
  EXPECT_EQ(CreateApplicationKey("KvTestCo", "", "1.0"), "");

  std::string keyText;
  WriteUserInfo("KvTestCo\\", "T", "2.0\\", keyText, "Ann User", "");
  EXPECT_EQ(keyText, "HKEY_LOCAL_MACHINE\\Software\\KvTestCo\\T\\2.0");
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, "Software\\KvTestCo\\T\\2.0", "Name").bytes, Sz("Ann User"));
  EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, "Software\\KvTestCo\\T\\2.0", "Company").exists);
  WriteUserInfo("KvTestCo", "T", "", keyText, "Ann User", "Firm");
  EXPECT_EQ(keyText, "");
  RemoveKey(HKEY_LOCAL_MACHINE, "Software\\KvTestCo");
}

TEST(RegistryRecords, SharedFileCounts) {
  const std::string sub = std::string(kWin) + "\\SharedDLLs";
  const std::string file = "C:\\KvTest\\shared.dll";
  DeleteRegValue("HKEY_LOCAL_MACHINE\\" + sub, file);
  EXPECT_EQ(IncSharedDllCount(file), 1);
  EXPECT_EQ(IncSharedDllCount(file), 2);
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, sub, file).bytes, Dword(2));
  EXPECT_EQ(ReleaseSharedDll(file), 1);
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, sub, file).bytes, Dword(1));
  EXPECT_EQ(ReleaseSharedDll(file), 0);
  EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, sub, file).exists);
  EXPECT_EQ(ReleaseSharedDll(file), 0);  // absent: nothing changes
  EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, sub, file).exists);

  // The last count takes the key along; another file's count keeps it.
  const std::string key = "HKEY_LOCAL_MACHINE\\" + sub, other = "C:\\KvTest\\other.dll";
  DeleteRegKey(key);
  IncSharedDllCount(file);
  IncSharedDllCount(other);
  EXPECT_EQ(ReleaseSharedDll(file), 0);
  EXPECT_TRUE(RegKeyExists(key));
  EXPECT_EQ(ReleaseSharedDll(other), 0);
  EXPECT_FALSE(RegKeyExists(key));

  // No path, no count: the key's own default value is left alone.
  DeleteRegValue("HKEY_LOCAL_MACHINE\\" + sub, "");
  EXPECT_EQ(IncSharedDllCount(""), 0);
  EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, sub, "").exists);
}

// The owner comes from the Windows key, else from the NT key.
TEST(RegistryRecords, RegisteredOwnerFallsBackToTheNTKey) {
  const std::string win = std::string("HKEY_LOCAL_MACHINE\\") + kWin;
  const std::string nt = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  struct Saved {
    std::string path, name;
    bool existed;
    std::string value;
  };
  std::vector<Saved> saved;
  for (const std::string& path : {win, nt})
    for (const char* name : {"RegisteredOwner", "RegisteredOrganization"})
      saved.push_back({path, name, RegValueExists(path, name), ReadRegValue(path, name, "")});

  WriteRegString(win, "RegisteredOwner", "");
  DeleteRegValue(win, "RegisteredOrganization");
  WriteRegString(nt, "RegisteredOwner", "NT Owner");
  WriteRegString(nt, "RegisteredOrganization", "NT Firm");
  EXPECT_EQ(GetRegisteredOwner(), "NT Owner");
  EXPECT_EQ(GetRegisteredOrganization(), "NT Firm");
  WriteRegString(win, "RegisteredOwner", "Win Owner");
  WriteRegString(win, "RegisteredOrganization", "Win Firm");
  EXPECT_EQ(GetRegisteredOwner(), "Win Owner");
  EXPECT_EQ(GetRegisteredOrganization(), "Win Firm");

  for (const Saved& s : saved) {
    if (s.existed)
      WriteRegString(s.path, s.name, s.value);
    else
      DeleteRegValue(s.path, s.name);
  }
}

TEST(RegistryOps, DescriptorsInBothDirections) {
  RemoveKey(HKEY_CURRENT_USER, kTestSub);
  struct Case {
    std::string item;
    const char* name;
    DWORD type;          // after install
    std::string stored;  // after install
    bool keptOnUninstall;
  };
  const std::string p = "|" + kTestPath + "|";
  const Case cases[] = {
      {p + "Text|hello|Create|Remove Value|String|", "Text", REG_SZ, Sz("hello"), false},
      {p + "Number|42|create|REMOVE|Integer|", "Number", REG_DWORD, Dword(42), false},
      {p + "Junk|x1|Create|Remove|Integer|", "Junk", REG_DWORD, Dword(0), false},
      {p + "Bytes|00,1A,FF|Create|Remove|Hex|", "Bytes", REG_BINARY, std::string("\x00\x1a\xff", 3), false},
      {p + "(default)|main|Create|Remove Value|String|", "", REG_SZ, Sz("main"), false},
      {p + "Kept|stay|Create||String|", "Kept", REG_SZ, Sz("stay"), true},  // no uninstall action
      {p + "Odd|1.5|Create|Remove|Float|", "Odd", REG_NONE, "", true},   // unknown type: nothing
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(PerformRegistryOp(c.item, true)) << c.item;
    const Raw raw = ReadRaw(HKEY_CURRENT_USER, kTestSub, c.name);
    EXPECT_EQ(raw.type, c.type) << c.item;
    EXPECT_EQ(raw.bytes, c.stored) << c.item;
  }
  for (const Case& c : cases) {
    EXPECT_TRUE(PerformRegistryOp(c.item, false)) << c.item;
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kTestSub, c.name).exists, c.keptOnUninstall && c.type != REG_NONE)
        << c.item;
  }
  // Removing a value again, or from a key that is gone, is no failure.
  EXPECT_TRUE(PerformRegistryOp(cases[0].item, false));
  EXPECT_TRUE(PerformRegistryOp("|" + kTestPath + "\\Absent|x||Create|Remove|String|", false));

  // "Remove Key" takes the key with its subkeys.
  MakeKey(HKEY_CURRENT_USER, kTestSub + "\\Tree\\A\\B", "deep");
  MakeKey(HKEY_CURRENT_USER, kTestSub + "\\Tree\\C");
  const std::string tree = "|" + kTestPath + "\\Tree|||Create|Remove Key|String|";
  EXPECT_TRUE(PerformRegistryOp(tree, false));
  EXPECT_FALSE(KeyThere(HKEY_CURRENT_USER, kTestSub + "\\Tree"));
  EXPECT_TRUE(PerformRegistryOp(tree, false));  // already gone
  EXPECT_TRUE(KeyThere(HKEY_CURRENT_USER, kTestSub));
  EXPECT_TRUE(PerformRegistryOp(p + "x|y|Nothing|Nothing|String|", true));
}

TEST(RegistryOps, GenericKeyAndValueRoutines) {
  RemoveKey(HKEY_CURRENT_USER, kTestSub);
  EXPECT_FALSE(RegKeyExists(kTestPath));
  EXPECT_TRUE(WriteRegValueSimple(kTestPath, "S", "text", false));
  EXPECT_TRUE(WriteRegValueSimple(kTestPath, "N", "-12", true));
  EXPECT_TRUE(WriteRegValueSimple(kTestPath, "Bad", "twelve", true));
  EXPECT_TRUE(RegKeyExists(kTestPath));
  EXPECT_TRUE(RegValueExists(kTestPath, "S"));
  EXPECT_FALSE(RegValueExists(kTestPath, "None"));
  EXPECT_FALSE(RegValueExists(kTestPath + "\\Absent", "S"));
  MakeKey(HKEY_CURRENT_USER, kTestSub + "\\Sub", "dflt");
  HKEY k;
  RegOpenKeyExA(HKEY_CURRENT_USER, kTestSub.c_str(), 0, KEY_ALL_ACCESS, &k);
  RegSetValueExA(k, "Exp", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>("%WINDIR%"), 9);
  RegSetValueExA(k, "Bin", 0, REG_BINARY, reinterpret_cast<const BYTE*>("ab"), 2);
  RegCloseKey(k);
  struct Case {
    std::string path;
    const char* name;
    const char* text;
    bool isInteger;
  };
  const Case cases[] = {
      {kTestPath, "S", "text", false},       {kTestPath, "N", "-12", true},
      {kTestPath, "Bad", "0", true},         {kTestPath, "Exp", "%WINDIR%", false},
      {kTestPath, "Bin", "", false},         {kTestPath, "None", "", false},
      {kTestPath + "\\Sub", "(Default)", "dflt", false}, {kTestPath + "\\Sub", "", "dflt", false},
  };
  for (const Case& c : cases) {
    bool isInteger = !c.isInteger;
    EXPECT_EQ(ReadRegValueTyped(c.path, c.name, isInteger), c.text) << c.name;
    EXPECT_EQ(isInteger, c.isInteger) << c.name;
  }
  EXPECT_TRUE(DeleteRegValueText(kTestPath, "S"));
  EXPECT_FALSE(RegValueExists(kTestPath, "S"));
  EXPECT_TRUE(DeleteRegValueText(kTestPath, "S"));
  EXPECT_TRUE(DeleteRegValueText(kTestPath + "\\Absent", "S"));
}

// A bare root is never deleted, however it is written.
TEST(RegistryOps, DeleteRegKeyRefusesABareRoot) {
  MakeKey(HKEY_CURRENT_USER, kTestSub + "\\Keep");
  for (const char* path : {"HKEY_CURRENT_USER\\", "HKEY_CURRENT_USER\\\\\\", "", "\\", "  \\\\ ",
                           "HKEY_CLASSES_ROOT\\", "HKEY_LOCAL_MACHINE\\"}) {
    EXPECT_FALSE(DeleteRegKey(path)) << path;
    EXPECT_FALSE(PerformRegistryOp(std::string("|") + path + "|||Create|Remove Key|String|", false)) << path;
  }
  EXPECT_TRUE(KeyThere(HKEY_CURRENT_USER, kTestSub + "\\Keep"));
  EXPECT_TRUE(KeyThere(HKEY_LOCAL_MACHINE, "Software"));
  EXPECT_TRUE(KeyThere(HKEY_CLASSES_ROOT, "CLSID"));
  EXPECT_TRUE(DeleteRegKey(kTestPath + "\\Keep\\"));  // trailing backslash: the key itself
  EXPECT_FALSE(KeyThere(HKEY_CURRENT_USER, kTestSub + "\\Keep"));
}

TEST(IniFileOps, DescriptorsInBothDirections) {
  const std::string file = systest::Scratch("iniop") + "app.ini";
  const std::string item = "|" + file + "|Options|Colour|Blue|Create|Remove|";
  EXPECT_TRUE(PerformIniFileOp(item, true));
  EXPECT_EQ(ReadIniValue(file, "Options", "Colour", ""), "Blue");
  EXPECT_TRUE(PerformIniFileOp("|" + file + "|Options|Size|10|create||", true));
  EXPECT_TRUE(PerformIniFileOp(item, false));
  EXPECT_EQ(ReadIniValue(file, "Options", "Colour", "gone"), "gone");
  EXPECT_TRUE(PerformIniFileOp("|" + file + "|Options|Size|10|create||", false));  // no action: stays
  EXPECT_EQ(ReadIniValue(file, "Options", "Size", ""), "10");
  // Removing from a file that is gone, its folder with it, is done at once and makes no file.
  const std::string gone = systest::Scratch("iniop") + "gone\\app.ini";
  EXPECT_TRUE(PerformIniFileOp("|" + gone + "|Options|Colour|Blue|Create|Remove|", false));
  EXPECT_FALSE(FileExists(gone));
  const std::string absent = systest::Scratch("iniop") + "absent.ini";
  EXPECT_TRUE(PerformIniFileOp("|" + absent + "|Options|Colour|Blue|Remove||", true));
  EXPECT_FALSE(FileExists(absent));
}

TEST(EnvironmentOps, ExpandReferencesOnce) {
  SetEnvironmentVariableA("KV_SELF", "%KV_SELF%x");
  SetEnvironmentVariableA("KV_A", "alpha");
  SetEnvironmentVariableA("KV_UNDEF_Q", nullptr);
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"%KV_A%\\bin", "alpha\\bin"},
      {"%KV_UNDEF_Q%;%KV_A%", "%KV_UNDEF_Q%;alpha"},
      {"%KV_SELF%", "%KV_SELF%x"},  // a value naming itself expands once
      {"100% sure", "100% sure"},
      {"%%", "%%"},
      {"a%KV_A%b%KV_A%c", "aalphabalphac"},
      {"\xff%KV_A%\xff", "\xff" "alpha\xff"},  // other characters stay as they are
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ExpandEnvReferences(c.in), c.out) << c.in;
  SetEnvironmentVariableA("KV_SELF", nullptr);
  SetEnvironmentVariableA("KV_A", nullptr);
}

namespace {
std::vector<std::string> g_settings;
LRESULT CALLBACK SettingsProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SETTINGCHANGE && lp) g_settings.push_back(reinterpret_cast<const char*>(lp));
  return DefWindowProcA(w, msg, wp, lp);
}
}  // namespace

TEST(EnvironmentOps, WriteFrozenValuesAndTellTheWindows) {
  HWND w = systest::MakeWindow("KvSettingsListener", SettingsProc);
  ASSERT_NE(w, nullptr);
  SetEnvironmentVariableA("KV_UNDEF_Q", nullptr);
  const std::string windir = GetWindowsDir(false);
  struct Case {
    const char* scope;
    HKEY root;
    const char* key;
  };
  const Case cases[] = {
      {"user", HKEY_CURRENT_USER, "Environment"},
      {"System", HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment"},
  };
  for (const Case& c : cases) {
    const std::string item = std::string("|KVTEST_ENV|%WINDIR%\\kv;%KV_UNDEF_Q%|Create|Remove|") + c.scope + "|";
    g_settings.clear();
    ASSERT_TRUE(PerformEnvironmentOp(item, true)) << c.scope;
    const Raw raw = ReadRaw(c.root, c.key, "KVTEST_ENV");
    EXPECT_EQ(raw.type, DWORD(REG_SZ)) << c.scope;
    EXPECT_EQ(raw.bytes, windir + "\\kv;%KV_UNDEF_Q%" + '\0') << c.scope;
    EXPECT_EQ(g_settings, std::vector<std::string>{"Environment"}) << c.scope;
    g_settings.clear();
    EXPECT_TRUE(PerformEnvironmentOp(item, false)) << c.scope;
    EXPECT_FALSE(ReadRaw(c.root, c.key, "KVTEST_ENV").exists) << c.scope;
    EXPECT_EQ(g_settings.size(), 1u) << c.scope;
  }
  g_settings.clear();
  EXPECT_TRUE(PerformEnvironmentOp("|KVTEST_ENV|x|Create||User|", false));  // no action
  EXPECT_FALSE(PerformEnvironmentOp("||x|Create||User|", true));           // no name
  EXPECT_TRUE(g_settings.empty());
  DestroyWindow(w);
}

namespace {
const std::string kType = "KvTestA.File";
std::string Cmd(const std::string& type) { return type + "\\shell\\open\\command"; }
void ClearAssociation() {
  RemoveKey(HKEY_CLASSES_ROOT, kType);
  RemoveKey(HKEY_CLASSES_ROOT, ".kvta");
}
}  // namespace

TEST(AssociationOps, CreateWritesQuotedCommands) {
  struct Case {
    const char* command;
    const char* stored;
  };
  const Case cases[] = {
      {"C:\\Prog Dir\\app.exe", "\"C:\\Prog Dir\\app.exe\" \"%1\""},
      {"\"C:\\Prog Dir\\app.exe\"", "\"C:\\Prog Dir\\app.exe\" \"%1\""},
      {"\"C:\\Prog Dir\\app.exe\" /open \"%1\"", "\"C:\\Prog Dir\\app.exe\" /open \"%1\""},  // holds %1: as is
      {"C:\\app.exe %1", "C:\\app.exe %1"},
  };
  for (const Case& c : cases) {
    ClearAssociation();
    const std::string item = "|" + kType + "|KvTest File|kvta|x|" + c.command + "|||Create|Remove|";
    ASSERT_TRUE(PerformAssociationOp(item, true)) << c.command;
    EXPECT_EQ(ReadRaw(HKEY_CLASSES_ROOT, ".kvta", "").bytes, Sz(kType.c_str()));
    EXPECT_EQ(ReadRaw(HKEY_CLASSES_ROOT, kType, "").bytes, Sz("KvTest File"));
    EXPECT_EQ(ReadRaw(HKEY_CLASSES_ROOT, Cmd(kType), "").bytes, Sz(c.stored)) << c.command;
    EXPECT_TRUE(PerformAssociationOp(item, false));
    EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, kType));
    EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, ".kvta"));
  }
  EXPECT_TRUE(FlushAssociationChanges());
  EXPECT_FALSE(FlushAssociationChanges());  // told once

  // No action for the direction, no command, no type: failures, and nothing to tell.
  EXPECT_FALSE(PerformAssociationOp("|" + kType + "|d|kvta|x|C:\\a.exe|||Create||", false));
  EXPECT_FALSE(PerformAssociationOp("|" + kType + "|d|kvta|x||||Create|Remove|", true));
  EXPECT_FALSE(PerformAssociationOp("||d|kvta|x|C:\\a.exe|||Create|Remove|", true));
  EXPECT_FALSE(PerformAssociationOp("|" + kType + "|d||x|C:\\a.exe|||Create|Remove|", true));
  EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, ".kvta"));
  EXPECT_FALSE(FlushAssociationChanges());
}

// Removal goes key by key and keeps every key that still holds another's subkeys.
TEST(AssociationOps, RemoveNeverDeletesATree) {
  ClearAssociation();
  ASSERT_TRUE(CreateAssociation(kType, "KvTest File", ".kvta", "C:\\app.exe"));
  MakeKey(HKEY_CLASSES_ROOT, kType + "\\shell\\edit\\command", "C:\\editor.exe \"%1\"");
  MakeKey(HKEY_CLASSES_ROOT, ".kvta\\ShellNew");
  EXPECT_TRUE(RemoveAssociation(kType, "kvta"));
  EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, kType + "\\shell\\open"));
  EXPECT_TRUE(KeyThere(HKEY_CLASSES_ROOT, kType + "\\shell\\edit\\command"));
  EXPECT_TRUE(KeyThere(HKEY_CLASSES_ROOT, ".kvta\\ShellNew"));

  // The pre-deletion of a new association is just as careful, and the new values win.
  ASSERT_TRUE(CreateAssociation(kType, "Second", "kvta", "C:\\two.exe"));
  EXPECT_TRUE(KeyThere(HKEY_CLASSES_ROOT, kType + "\\shell\\edit\\command"));
  EXPECT_EQ(ReadRaw(HKEY_CLASSES_ROOT, kType, "").bytes, Sz("Second"));
  EXPECT_EQ(ReadRaw(HKEY_CLASSES_ROOT, Cmd(kType), "").bytes, Sz("\"C:\\two.exe\" \"%1\""));
  ClearAssociation();
  FlushAssociationChanges();
}

TEST(OpenWithOps, VerbOnFoldersAndRegisteredTypes) {
  for (const char* k : {"KvTestB.File", "KvTestC.File", ".kvtb", ".kvtc", ".kvtd", "Folder\\shell\\KvVerb"})
    RemoveKey(HKEY_CLASSES_ROOT, k);
  MakeKey(HKEY_CLASSES_ROOT, ".kvtb", "KvTestB.File");
  MakeKey(HKEY_CLASSES_ROOT, ".kvtc", "KvTestC.File");
  MakeKey(HKEY_CLASSES_ROOT, ".kvtd");  // no file type
  const char* program = "C:\\Prog Dir\\kv.exe";
  const std::string command = Sz("\"C:\\Prog Dir\\kv.exe\" \"%1\"");
  ASSERT_TRUE(PerformOpenWithOp("KvVerb", "Open with Kv", program, true, ".kvtb; *.kvtc,kvtd"));
  for (const char* key : {"Folder\\shell\\KvVerb", "KvTestB.File\\Shell\\KvVerb", "KvTestC.File\\Shell\\KvVerb"}) {
    EXPECT_EQ(ReadRaw(HKEY_CLASSES_ROOT, key, "").bytes, Sz("Open with Kv")) << key;
    EXPECT_EQ(ReadRaw(HKEY_CLASSES_ROOT, std::string(key) + "\\command", "").bytes, command) << key;
  }
  EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, "Shell\\KvVerb"));
  EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, "\\Shell\\KvVerb"));

  ASSERT_TRUE(PerformOpenWithOp("KvVerb", "", "", false, "kvtb;kvtc"));
  EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, "Folder\\shell\\KvVerb"));
  EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, "KvTestB.File\\Shell\\KvVerb"));
  EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, "KvTestC.File\\Shell\\KvVerb"));
  EXPECT_TRUE(KeyThere(HKEY_CLASSES_ROOT, "Folder\\shell"));

  // Nothing to do, or a verb that is no single key name: failure, nothing written.
  EXPECT_FALSE(PerformOpenWithOp("KvVerb", "c", program, true, " ; *, ."));
  EXPECT_FALSE(PerformOpenWithOp("", "c", program, true, ".kvtb"));
  EXPECT_FALSE(PerformOpenWithOp("\\", "c", program, false, ".kvtb"));
  EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, "Folder\\shell\\KvVerb"));
  EXPECT_TRUE(KeyThere(HKEY_CLASSES_ROOT, "Folder\\shell"));
  for (const char* k : {"KvTestB.File", "KvTestC.File", ".kvtb", ".kvtc", ".kvtd"}) RemoveKey(HKEY_CLASSES_ROOT, k);
}

// The check of an INI edit made beside the file: the edited bytes hold the original's sections,
// keys and values with the changes, and nothing else.
TEST(RegOp, IniEditCheckFindsWhatAWriteLostOrCut) {
  const std::string long40 = std::string(40, 'x');
  const std::string original = "; a comment\r\n[Main]\r\nA=1\r\nLong=" + long40 + "\r\n[Other]\r\nLast=important\r\n";
  const std::string other = "[Other]\r\nLast=important\r\n";
  TIniChange add;
  add.section = "Main";
  add.key = "Added";
  add.value = "yes";
  TIniChange remove;
  remove.section = "main";
  remove.key = "LONG";
  remove.remove = true;
  const struct {
    const char* name;
    std::string edited;
    std::vector<TIniChange> changes;
    bool holds;
  } rows[] = {
      {"the key added", original.substr(0, original.find("[Other]")) + "Added=yes\r\n" + other, {add}, true},
      {"written again without blanks",
       "; a comment\n[Main]\nA = 1\nLong=" + long40 + "\nAdded=yes\n[Other]\nLast=important\n",
       {add},
       true},
      {"the key removed", "; a comment\r\n[Main]\r\nA=1\r\n" + other, {remove}, true},
      {"both", "; a comment\r\n[Main]\r\nA=1\r\nAdded=yes\r\n" + other, {add, remove}, true},
      {"a UTF-8 mark kept", "\xEF\xBB\xBF" + original + "[Main]\r\nAdded=yes\r\n", {add}, true},
      {"cut inside the last line", original.substr(0, original.size() - 6) + "Added=yes\r\n", {add}, false},
      {"cut before the new key", original, {add}, false},
      {"another value changed", "; a comment\r\n[Main]\r\nA=2\r\nAdded=yes\r\n" + other, {add, remove}, false},
      {"the removed key still there", original, {remove}, false},
      {"the new key with another value", original + "[Main]\r\nAdded=no\r\n", {add}, false},
      {"empty", "", {add}, false},
  };
  for (const auto& row : rows) EXPECT_EQ(IniHoldsChanges(original, row.edited, row.changes), row.holds) << row.name;
}

// As the system's profile calls resolve a name: a bare one is the Windows folder's, a path
// with a folder is taken from the current folder.
TEST(RegOp, IniFilePathResolvesAsTheProfileCallsDo) {
  const std::string windows = GetWindowsDir(true);
  EXPECT_EQ(IniFilePath("hostile.ini"), windows + "hostile.ini");
  EXPECT_EQ(IniFilePath("C:\\Some\\x.ini"), "C:\\Some\\x.ini");
  char current[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, current), 0u);
  EXPECT_TRUE(EqualTextNoCase(IniFilePath("sub\\x.ini"), SetTrailingBackslash(current, true) + "sub\\x.ini"));
  EXPECT_EQ(IniFilePath(""), "");
}
