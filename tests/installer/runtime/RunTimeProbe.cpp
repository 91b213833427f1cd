// Probe program for the run-time folder tests: runs the commands of its command line in
// order, in a process of its own, and appends what it sees to the file named first.
//   d1=.. d2=.. d3=..   descriptors, stored by "apply"
//   get=N               resolve (or take from the cache) run-time folder N
//   abort               the abort flag
//   del=path            delete a file
//   expand=text         expand the folder tokens of the text
//   os                  the Windows bit and which of the six system bits exclude a file
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "RunTimeDir.h"
#include "Common.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc < 2) return 2;
  std::ofstream out(__argv[1], std::ios::app | std::ios::binary);
  std::string d[3];
  for (int i = 2; i < __argc; ++i) {
    const std::string arg = __argv[i];
    const size_t eq = arg.find('=');
    const std::string cmd = arg.substr(0, eq), value = eq == std::string::npos ? "" : arg.substr(eq + 1);
    if (cmd == "d1" || cmd == "d2" || cmd == "d3") d[cmd[1] - '1'] = value;
    else if (cmd == "apply") SetRunTimeDirs(d[0], d[1], d[2]);
    else if (cmd == "get") out << "get" << value << "=" << GetRunTimeDir(atoi(value.c_str())) << "\n";
    else if (cmd == "abort") out << "abort=" << (IsRunTimeDirAbort() ? 1 : 0) << "\n";
    else if (cmd == "del") DeleteFileA(value.c_str());
    else if (cmd == "expand") out << "expand=" << ExpandFolderTokens(value, "\\") << "\n";
    else if (cmd == "os") {
      std::string bits;
      for (int b = 16; b <= 21; ++b) bits += FileFlagExcludesThisOS(1u << b) ? '1' : '0';
      out << "os=" << GetWinOSBit() << " " << bits << " " << (FileFlagExcludesThisOS(0x30000) ? 1 : 0) << "\n";
    }
    out.flush();
  }
  return 0;
}
