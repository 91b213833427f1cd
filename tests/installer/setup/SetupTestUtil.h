// Runs copies of Setup.exe in scratch folders and plays the user at its windows.
#pragma once
#include <windows.h>

#include <map>
#include <set>
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
  bool background = false;            // the background window was shown
  std::set<std::string> shown;        // classes of the top-level windows shown, from the run's window events
  int exitCode = -1;                  // -1: still running after the time limit (then killed)
};
SetupResult RunSetup(const std::string& exe, const std::string& args = std::string());

// A running setup whose wizard a test walks by clicks, as a person would.
class Wizard {
 public:
  explicit Wizard(const std::string& exe);
  ~Wizard();  // a setup still running then is ended
  Wizard(const Wizard&) = delete;
  Wizard& operator=(const Wizard&) = delete;

  HWND wnd = nullptr;  // the wizard window, once shown
  std::string Caption() const;
  // Waits until the wizard's caption reads so; false on time-out.
  bool WaitCaption(const std::string& caption, unsigned ms = 10000) const;
  // A control by class and text ("&" ignored); the visible one first.
  HWND Control(const std::string& cls, const std::string& text) const;
  // Visible controls of a class, in creation order.
  std::vector<HWND> Visible(const std::string& cls) const;
  bool Enabled(const std::string& caption) const;
  bool Shown(const std::string& caption) const;
  RECT Place(const std::string& caption) const;  // in the wizard's client area
  // Presses a visible, enabled button (a check box or a choice too).
  bool Click(const std::string& caption);
  bool Checked(const std::string& caption) const;
  // Text of the visible control of the class after the one whose text is given (an edit
  // after its label), or of the nth visible one.
  std::string TextOf(const std::string& cls, size_t index) const;
  void SetText(HWND control, const std::string& text);
  // Lines of the nth visible check list, each with its state: "[x] " checked, "[ ] " not,
  // "(x) "/"( ) " for a line that cannot be changed.
  std::vector<std::string> ListLines(size_t index) const;
  // Waits for an engine box, reads it and answers OK.
  bool AnswerBox(Box& box, unsigned ms = 10000);
  // Waits for the exit confirmation and presses one of its buttons.
  bool AnswerExit(const std::string& button, unsigned ms = 10000);
  // Waits for the end; the exit code or -1.
  int WaitEnd(unsigned ms = 30000);

 private:
  struct Impl;
  Impl* p_;
};

// Removes the programs-cache keys an install makes (App Management, ARPCache) while they
// are empty: a fresh prefix has none, and the round trip counts them as the machine's.
void RemoveEmptyProgramsCacheKeys();

// What a part of the machine holds: file, folder, key or value -> its contents.
using State = std::map<std::string, std::string>;
// Files and folders below `dir` (with its trailing backslash): each file with its bytes, or
// with its size only. The folders in `skip` (upper case, with trailing backslash) are left out.
void SnapFiles(const std::string& dir, State& out, bool bytes, const std::vector<std::string>& skip = {});
// A key with its values (type and data) and everything below it, named "<rootName>\<sub>\".
void SnapKey(HKEY root, const std::string& rootName, const std::string& sub, State& out);
// Takes out the entries whose names start so.
void EraseBelow(State& s, const std::string& prefix);

// Text of an engine box: the caption upper-cased, a blank line, the text, as the box shows it.
std::string TitledText(const std::string& caption, const std::string& text);

}  // namespace setuptest
