// Command-line face of the test tool, for scripts:
//   wtool wait  CLASS TITLE MS   wait for a window ("-" = any); exit 0 when found
//   wtool texts CLASS            print the texts of the window's controls, one a line
//   wtool click CLASS CAPTION    press a button of the window
//   wtool close CLASS            close the window
//   wtool uninstall PROGRAM      run an uninstaller as a person would (Yes, then Close);
//                                print the milliseconds it took, start to end
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "TestTool.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: wtool wait|texts|click|close CLASS ...\n");
    return 2;
  }
  std::string cmd = argv[1];
  if (cmd == "uninstall") {
    const tt::UninstallRun u = tt::RunUninstaller("\"" + std::string(argv[2]) + "\"", 600000);
    std::printf("%lu\n", static_cast<unsigned long>(u.ms));
    for (size_t i = 1; i < u.boxes.size(); ++i) std::fprintf(stderr, "wtool: box: %s\n", u.boxes[i].c_str());
    return u.closed && u.exitCode == 0 ? 0 : 1;
  }
  std::string cls = argv[2];
  if (cls == "-") cls.clear();
  if (cmd == "wait") {
    std::string title = argc > 3 && std::string(argv[3]) != "-" ? argv[3] : "";
    DWORD ms = argc > 4 ? DWORD(std::atoi(argv[4])) : 10000;
    return tt::WaitForWindow(cls, title, ms) ? 0 : 1;
  }
  HWND w = tt::WaitForWindow(cls, "", 5000);
  if (!w) {
    std::fprintf(stderr, "wtool: no window of class %s\n", cls.c_str());
    return 1;
  }
  if (cmd == "texts") {
    std::printf("%s\n", tt::WindowText(w).c_str());
    for (const auto& t : tt::ControlTexts(w)) std::printf("%s\n", t.c_str());
    return 0;
  }
  if (cmd == "click" && argc > 3) return tt::ClickButton(w, argv[3]) ? 0 : 1;
  if (cmd == "close") {
    tt::CloseWindowNow(w);
    return 0;
  }
  return 2;
}
