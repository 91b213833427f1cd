// Runs copies of Setup.exe in scratch folders and plays the user at its windows.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace setuptest {

// A fresh scratch folder holding a copy of Setup.exe under the given name and, unless
// the script is null, a Setup.txt with it. Returns the program's full path.
std::string SetupCopy(const std::string& scratchName, const char* script, const std::string& exeName = "Setup.exe");

struct Box {
  std::string caption, text;
  bool rightToLeft = false;
};
struct SetupResult {
  std::vector<Box> boxes;             // engine message boxes, in order; each answered with OK
  std::vector<std::string> wizards;   // captions of the wizard windows seen; each closed
  bool background = false;            // the background window was seen
  int exitCode = -1;                  // -1: still running after the time limit (then killed)
};
SetupResult RunSetup(const std::string& exe, const std::string& args = std::string());

// Text of an engine box: the caption upper-cased, a blank line, the text, as the box shows it.
std::string TitledText(const std::string& caption, const std::string& text);

}  // namespace setuptest
