// Registry records of an installation and the registry, INI, environment, association and
// open-with operations of the setup and uninstall scripts.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Add/Remove Programs entry, its size cache, App Paths, application key, user information.
// A program name longer than a key can hold names the keys cut to fit (the entry's display
// name stays whole).
// The key text of a program's Add/Remove Programs entry; empty when the name cannot be one.
std::string UninstallEntryKey(const std::string& displayName);
void WriteUninstallEntry(const std::string& displayName, const std::string& command, const std::string& version,
                         std::string& keyText, const std::string& url, const std::string& modifyPath,
                         const std::string& publisher);
void WriteArpCacheEntry(const std::string& displayName, const std::string& programPath, std::string& keyText,
                        int64_t installedSize);
std::string FindUninstallKey(const std::string& displayName);
std::string ReadUninstallString(const std::string& displayName);
std::string WriteAppPath(const std::string& exePath);
std::string ReadAppPath(const std::string& exeName);
std::string ReadAppPathDir(const std::string& exeName);
std::string CreateApplicationKey(const std::string& company, const std::string& program, const std::string& version);
void WriteUserInfo(const std::string& company, const std::string& program, const std::string& version,
                   std::string& keyText, const std::string& name, const std::string& companyName);
// The keys the writers above write, for a caller that puts back what they held: the size
// cache entry, the App Paths entry and the program's key under its company (which holds the
// application key and the user information); empty when there is none.
std::string ArpCacheEntryKey(const std::string& displayName);
std::string AppPathKey(const std::string& exePath);
std::string ProgramKeyPath(const std::string& company, const std::string& program, const std::string& version);
// Shared-file reference counts, values of this key named by the file's path.
extern const char* const kSharedDllsKeyPath;
// Shared-file reference counts.
int IncSharedDllCount(const std::string& filePath);
int ReleaseSharedDll(const std::string& filePath);
std::string GetRegisteredOwner();
std::string GetRegisteredOrganization();

// Descriptor operations of the scripts (delimited lists); install true runs the install
// action, false the uninstall action. Each returns success.
bool PerformRegistryOp(const std::string& item, bool install);
bool PerformIniFileOp(const std::string& item, bool install);
// The file an INI operation or profile call on `name` reaches, as the system resolves it: a
// bare name is the Windows folder's, any other path is taken from the current folder.
std::string IniFilePath(const std::string& name);
// One value an INI edit writes (`remove`: deletes it).
struct TIniChange {
  std::string section, key, value;
  bool remove = false;
};
// The change an INI operation's install action makes; false when it makes none.
bool IniOpChange(const std::string& item, TIniChange& change);
// Whether the bytes `edited` hold exactly the sections, keys and values of `original` with the
// changes made, nothing lost or cut.
bool IniHoldsChanges(const std::string& original, const std::string& edited, const std::vector<TIniChange>& changes);
bool PerformEnvironmentOp(const std::string& item, bool install);
bool PerformAssociationOp(const std::string& item, bool install);
bool PerformOpenWithOp(const std::string& verb, const std::string& caption, const std::string& program, bool install,
                       const std::string& extensions);
// Tells the shell once that associations changed, when any did; true when it told it.
bool FlushAssociationChanges();

// Generic key and value routines on registry path texts. "(Default)" or "" is the
// key's default value.
bool RegKeyExists(const std::string& path);
bool RegValueExists(const std::string& path, const std::string& valueName);
std::string ReadRegValueTyped(const std::string& path, const std::string& valueName, bool& isInteger);
bool WriteRegValueSimple(const std::string& path, const std::string& valueName, const std::string& text,
                         bool asInteger);
// type: "String", "Integer" or "Hex" (two-digit bytes separated by commas: "00,1A,FF").
bool WriteRegValueTyped(const std::string& path, const std::string& valueName, const std::string& data,
                        const std::string& type);
// Deletes the key with its subkeys; refuses a bare root. True when the key is gone.
bool DeleteRegKey(const std::string& path);
// Deletes the key only when it holds no value and no subkey; true when it went.
bool DeleteEmptyRegKey(const std::string& path);
bool DeleteRegValueText(const std::string& path, const std::string& valueName);

// Replaces each %NAME% of a defined variable by its value, once; others stay as written.
std::string ExpandEnvReferences(const std::string& value);
void BroadcastEnvironmentChange();
// Registry path of the user's ("User", any case) or else the system's variables.
std::string EnvironmentKeyPath(const std::string& scope);
bool CreateAssociation(const std::string& typeKey, const std::string& description, const std::string& extension,
                       const std::string& command);
bool RemoveAssociation(const std::string& typeKey, const std::string& extension);
