#include "SysTestUtil.h"

#include <shlwapi.h>

#include "TestTool.h"

namespace systest {

const char* const kTestKey = "HKEY_CURRENT_USER\\Software\\KvRuntimeTests";

std::string Scratch(const std::string& name) { return tt::ScratchDir(name) + "\\"; }

std::string ProbePath() { return tt::ProgramDir() + "SysProbe.exe"; }

std::string ProbeCopy(const std::string& dir, const std::string& name) {
  const std::string path = dir + name;
  tt::CopyFileTo(ProbePath(), path);
  return path;
}

int Run(const std::string& commandLine) {
  tt::Process p = tt::Start(commandLine);
  return p.ok() ? tt::WaitExit(p, 60000) : -1;
}

int RunAs(const std::string& exePath, const std::string& version, const std::string& args) {
  const std::string name = exePath.substr(exePath.find_last_of('\\') + 1);
  tt::SetProgramWindowsVersion(name, version);
  const int code = Run("\"" + exePath + "\" " + args);
  tt::SetProgramWindowsVersion(name, "");
  return code;
}

std::vector<std::string> Lines(const std::string& file) {
  std::string bytes;
  std::vector<std::string> lines;
  if (!tt::ReadFile(file, bytes)) return lines;
  size_t start = 0;
  for (size_t nl; (nl = bytes.find('\n', start)) != std::string::npos; start = nl + 1)
    lines.push_back(bytes.substr(start, nl - start));
  if (start < bytes.size()) lines.push_back(bytes.substr(start));
  return lines;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

HWND MakeWindow(const char* className, WNDPROC proc) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = className;
  RegisterClassA(&wc);
  return CreateWindowA(className, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
}

void RemoveKey(HKEY root, const std::string& key) { SHDeleteKeyA(root, key.c_str()); }

}  // namespace systest
