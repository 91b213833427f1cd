// Helper program of the setup tests.
//   SetupHelper stay <file> <ms>   writes <file>, then runs until <file>.stop exists or ms pass
//   SetupHelper psapi <file>       writes what EnsurePsapi answers and whether psapi.dll loads
//   SetupHelper [anything else]    writes its current folder and arguments to <own path>.txt
#include <windows.h>

#include <string>

#include "Common.h"
#include "Files.h"
#include "SStartup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::string args = GetCommandLineArgs();
  if (args.rfind("stay ", 0) == 0 || args.rfind("psapi ", 0) == 0) {
    std::string rest = args.substr(args.find(' ') + 1);
    std::string file, ms;
    if (!rest.empty() && rest[0] == '"') {
      file = rest.substr(1, rest.find('"', 1) - 1);
      ms = rest.substr(rest.find('"', 1) + 1);
    } else {
      file = rest.substr(0, rest.find(' '));
      ms = rest.find(' ') == std::string::npos ? "" : rest.substr(rest.find(' '));
    }
    if (args[0] == 'p') {
      const bool ensured = EnsurePsapi();
      HMODULE lib = LoadLibraryA("psapi.dll");
      if (lib) FreeLibrary(lib);
      WriteFileContents(file, std::string(ensured ? "1" : "0") + (lib ? "1" : "0"), 0);
      return 0;
    }
    WriteFileContents(file, "running", 0);
    const DWORD limit = DWORD(atoi(ms.c_str()));
    const DWORD start = GetTickCount();
    while (!FileExists(file + ".stop") && GetTickCount() - start < limit) Sleep(50);
    return 0;
  }
  char cwd[MAX_PATH] = "";
  GetCurrentDirectoryA(MAX_PATH, cwd);
  WriteFileContents(GetExeFileName() + ".txt", std::string(cwd) + "\n" + args, 0);
  return 0;
}
