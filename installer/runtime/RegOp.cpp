#include "RegOp.h"

#include <windows.h>

#include "Common.h"
#include "Utils.h"

namespace {

const char kAppPathsKey[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";

// Folder part of a path with its trailing backslash; "" when it has none.
std::string FolderPart(const std::string& path) {
  const size_t slash = path.find_last_of("\\:");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

std::string ReadAppPath(const std::string& exeName) {
  if (Trim(exeName).empty()) return std::string();
  return ReadRegValue(std::string(kAppPathsKey) + "\\" + exeName, "", "");
}

std::string ReadAppPathDir(const std::string& exeName) { return FolderPart(ReadAppPath(exeName)); }
