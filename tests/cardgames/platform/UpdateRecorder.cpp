// Stands in for the updater in tests: writes its own path and command line to
// "recorded.txt" beside itself and ends with exit code 7.
#include <windows.h>

#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string self = path;
  std::string out = self.substr(0, self.find_last_of('\\') + 1) + "recorded.txt";
  if (FILE* f = std::fopen(out.c_str(), "wb")) {
    std::fprintf(f, "%s\n%s\n", self.c_str(), GetCommandLineA());
    std::fclose(f);
  }
  return 7;
}
