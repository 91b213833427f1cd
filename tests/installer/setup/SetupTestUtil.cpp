#include "SetupTestUtil.h"

#include <algorithm>

#include "TestTool.h"

namespace setuptest {

std::string SetupCopy(const std::string& scratchName, const char* script, const std::string& exeName) {
  const std::string dir = tt::ScratchDir(scratchName) + "\\";
  const std::string exe = dir + exeName;
  tt::CopyFileTo(tt::ProgramDir() + "Setup.exe", exe);
  if (script) tt::WriteFile(dir + "Setup.txt", script);
  return exe;
}

SetupResult RunSetup(const std::string& exe, const std::string& args) {
  SetupResult r;
  std::vector<std::pair<HWND, DWORD>> closed;
  tt::Process p = tt::Start("\"" + exe + "\"" + (args.empty() ? "" : " " + args));
  if (!p.ok()) return r;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 30000) {
    if (WaitForSingleObject(p.handle, 0) == WAIT_OBJECT_0) break;
    for (HWND box : tt::FindWindows("KMsgBox", p.pid)) {
      Box b;
      b.caption = tt::WindowText(box);
      b.text = tt::RichText(box);
      HWND rich = tt::FindChild(box, "RICHEDIT");
      b.rightToLeft = rich && (GetWindowLongA(rich, GWL_EXSTYLE) & WS_EX_RTLREADING);
      r.boxes.push_back(b);
      tt::ClickButton(box, "OK");
      tt::WaitWindowGone(box, 5000);
    }
    if (!tt::FindWindows("TSMainForm", p.pid).empty()) r.background = true;
    for (HWND wizard : tt::FindWindows(".SDialog_Class_Name.", p.pid)) {
      // Each wizard window counts once, however slowly it goes; a close that went unheard
      // is asked again.
      auto seen = std::find_if(closed.begin(), closed.end(), [&](const std::pair<HWND, DWORD>& c) { return c.first == wizard; });
      if (seen == closed.end()) {
        closed.push_back({wizard, GetTickCount()});
        r.wizards.push_back(tt::WindowText(wizard));
        tt::CloseWindowNow(wizard);
      } else if (GetTickCount() - seen->second > 3000) {
        seen->second = GetTickCount();
        tt::CloseWindowNow(wizard);
      }
    }
    // Closing asks first: the user leaves.
    for (HWND ask : tt::FindWindows("TExitSetupForm", p.pid)) tt::ClickButton(ask, "E&xit Setup");
    Sleep(30);
  }
  r.exitCode = tt::WaitExit(p, 5000);
  return r;
}

std::string TitledText(const std::string& caption, const std::string& text) {
  std::string upper = caption;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; });
  return upper + "\r\n\r\n" + text + "\r\n";
}

}  // namespace setuptest
