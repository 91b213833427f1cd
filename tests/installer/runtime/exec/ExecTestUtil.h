// Shared steps of the execute-operation tests: items built from their fields, a user who
// answers the engine's boxes, registry and service clean-up.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class TExecDll;

namespace exectest {

struct Condition {
  Condition(std::string c = "", std::string a = "", std::string r = "", std::string b = "", bool inv = false)
      : caption(c), p1(a), relation(r), p2(b), invert(inv) {}
  std::string caption, p1, relation, p2;
  bool invert;
};
struct Slot {
  Slot(std::string c = "", std::string a = "", std::string b = "", std::string d = "", bool on = true)
      : caption(c), p1(a), p2(b), p3(d), enabled(on) {}
  std::string caption, p1, p2, p3;
  bool enabled;
};
struct Item {
  std::string name = "Test Item";
  std::string stage = "After Copy";
  std::string kind = "UnConditional";
  std::string loops, delay;
  std::vector<Condition> conditions;  // up to three
  std::string join1, join2;           // "1" and, "2" or, "3" xor
  std::vector<Slot> slots;            // up to four; missing ones are disabled
};

// The item text: "#" outer separator, "|" inner lists.
std::string MakeItem(const Item& item);
// Runs the item at the stage of its own name (esAfterCopy by default).
struct ItemRun {
  bool result = false;
  bool exitRequest = false;
  std::string log;
};
ItemRun RunItem(const Item& item, int stage = 3, const TExecDll* plugins = nullptr);
// An unconditional item whose last slot is the operation; its result.
bool Perform(const std::string& caption, const std::string& p1 = "", const std::string& p2 = "",
             const std::string& p3 = "");
// A conditional item of one condition; its chain's result as the log shows it.
bool ConditionHolds(const std::string& caption, const std::string& p1 = "", const std::string& relation = "",
          const std::string& p2 = "");

// Runs `call` on this thread while another thread waits for `count` boxes of the engine
// (top-level windows with buttons), one after the other, hands each to `act` and checks
// that the call then returned. The boxes' texts are added to boxText.
void WithBox(const std::function<void()>& call, const std::function<void(HWND)>& act, std::string* boxText = nullptr,
             int count = 1);

// Test keys below HKEY_CURRENT_USER\Software\KvRuntimeTests\Exec.
extern const char* const kExecKey;  // "HKEY_CURRENT_USER\Software\KvRuntimeTests\Exec"
void RemoveKeyTree(HKEY root, const std::string& key);
std::string ReadString(HKEY root, const std::string& key, const std::string& value, bool* found = nullptr);

// Runs a command line through cmd and returns what it printed.
std::string Capture(const std::string& commandLine);

std::string Content(const std::string& path);
bool Exists(const std::string& path);
std::string BinDir();  // the folder of the test programs, with a trailing backslash

}  // namespace exectest
