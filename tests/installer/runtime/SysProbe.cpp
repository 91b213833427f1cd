// Helper program of the system tests: runs runtime routines in a process of its own (its
// own Windows version, environment, command line and caches) and writes what they answer
// into a file, one value a line.
//   SysProbe version  OUT          version name, bit, 9x, NT, XP, version text
//   SysProbe dev      OUT          developer answers, then again after DVR/DVX changed
//   SysProbe manifest OUT          manifest present, theme active
//   SysProbe stay     OUT MS       writes its own path and arguments, lives until OUT.stop
//                                  exists or MS passed, then writes OUT.end
//   SysProbe find     OUT WANTED   IsProcessRunning, FindProcess9x, then waits for its end
//   SysProbe arp      OUT NAME PATH SIZE   key text of WriteArpCacheEntry
//   SysProbe exec     OUT          ExecAndWait(%KV_PROBE_PROGRAM%, %KV_PROBE_PARAMS%, wait),
//                                  then whether the file %KV_PROBE_MARK% exists
// With KV_PROBE_ARGS_OUT set, whatever the command line: GetCommandLineArgs and
// GetSwitchValue(%KV_PROBE_SWITCH%) into that file.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "Common.h"
#include "Process.h"
#include "RegOp.h"

namespace {

std::string Env(const char* name) {
  char buf[2048];
  DWORD n = GetEnvironmentVariableA(name, buf, sizeof(buf));
  return n > 0 && n < sizeof(buf) ? std::string(buf, n) : std::string();
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void Save(const std::string& path, const std::string& text) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(f, text.data(), DWORD(text.size()), &written, nullptr);
  CloseHandle(f);
}

std::string Flag(bool b) { return b ? "1" : "0"; }

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MSG msg;
  const std::string argsOut = Env("KV_PROBE_ARGS_OUT");
  if (!argsOut.empty()) {
    Save(argsOut, GetCommandLineArgs() + "\n" + GetSwitchValue(Env("KV_PROBE_SWITCH")) + "\n");
    return 0;
  }
  if (__argc < 3) return 2;
  const std::string mode = __argv[1], out = __argv[2];
  const std::string arg = __argc > 3 ? __argv[3] : "";
  if (mode == "version") {
    Save(out, GetWinVersionName() + "\n" + std::to_string(GetWinOSBit()) + "\n" + Flag(IsWin9x()) + "\n" +
                  Flag(IsWinNT()) + "\n" + Flag(IsWinXP()) + "\n" + GetWinVersionText() + "\n");
  } else if (mode == "dev") {
    std::string text = Flag(IsDeveloperMode()) + Flag(IsDeveloperAutoAccept());
    SetEnvironmentVariableA("DVR", IsDeveloperMode() ? "0" : "846");
    SetEnvironmentVariableA("DVX", IsDeveloperAutoAccept() ? "0" : "846");
    Save(out, text + "\n" + Flag(IsDeveloperMode()) + Flag(IsDeveloperAutoAccept()) + "\n");
  } else if (mode == "manifest") {
    Save(out, Flag(HasManifestResource()) + "\n" + Flag(IsThemeActive()) + "\n");
  } else if (mode == "stay") {
    std::string text = GetExeFileName() + "\n";
    for (int i = 3; i < __argc; ++i) text += std::string(__argv[i]) + "\n";
    Save(out, text);
    const DWORD ms = DWORD(std::atoi(arg.c_str())), start = GetTickCount();
    SetTimer(nullptr, 0, 20, nullptr);
    while (GetTickCount() - start < ms && !Exists(out + ".stop") && GetMessageA(&msg, nullptr, 0, 0) > 0)
      DispatchMessageA(&msg);
    Save(out + ".end", "end\n");
  } else if (mode == "find") {
    std::string text = Flag(IsProcessRunning(arg)) + "\n" + Flag(FindProcess9x(arg, false) != 0) + "\n";
    const DWORD start = GetTickCount();
    WaitForProcessEnd(arg);
    Save(out, text + std::to_string(GetTickCount() - start) + "\n");
  } else if (mode == "arp" && __argc > 5) {
    std::string key;
    WriteArpCacheEntry(__argv[3], __argv[4], key, std::atoll(__argv[5]));
    Save(out, key + "\n");
  } else if (mode == "exec") {
    const bool ok = ExecAndWait(Env("KV_PROBE_PROGRAM"), Env("KV_PROBE_PARAMS"), true, SW_HIDE);
    Save(out, Flag(ok) + "\n" + Flag(Exists(Env("KV_PROBE_MARK"))) + "\n");
  } else {
    return 2;
  }
  return 0;
}
