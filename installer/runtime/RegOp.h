// Registry records of an installation and the registry, INI, environment, association and
// open-with operations of the setup and uninstall scripts.
#pragma once
#include <cstdint>
#include <string>

// Add/Remove Programs entry, its size cache, App Paths, application key, user information.
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
// Shared-file reference counts.
int IncSharedDllCount(const std::string& filePath);
int ReleaseSharedDll(const std::string& filePath);
std::string GetRegisteredOwner();
std::string GetRegisteredOrganization();
