#include "RegOp.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Common.h"
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
