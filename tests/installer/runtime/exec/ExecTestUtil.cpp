#include "ExecTestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ExecDll.h"
#include "ExecOp.h"
#include "TestTool.h"

namespace exectest {

const char* const kExecKey = "HKEY_CURRENT_USER\\Software\\KvRuntimeTests\\Exec";

std::string MakeItem(const Item& item) {
  std::vector<std::string> h(30), p(25);
  h[0] = "H";
  h[1] = item.name;
  h[2] = item.stage;
  h[3] = item.loops;
  h[4] = item.kind;
  h[5] = item.delay;
  for (size_t k = 0; k < item.conditions.size() && k < 3; ++k) {
    const Condition& c = item.conditions[k];
    h[6 + 5 * k] = c.invert ? "1" : "0";
    h[7 + 5 * k] = c.caption;
    p[1 + 4 * k] = c.p1;
    p[2 + 4 * k] = c.relation;
    p[3 + 4 * k] = c.p2;
  }
  h[9] = item.join1;
  h[14] = item.join2;
  for (size_t s = 0; s < 4; ++s) {
    const bool present = s < item.slots.size();
    h[19 + 3 * s] = present && item.slots[s].enabled ? "1" : "0";
    if (!present) continue;
    h[20 + 3 * s] = item.slots[s].caption;
    p[13 + 3 * s] = item.slots[s].p1;
    p[14 + 3 * s] = item.slots[s].p2;
    p[15 + 3 * s] = item.slots[s].p3;
  }
  std::string header = "|", params = "|";
  for (const auto& f : h) header += f + "|";
  for (const auto& f : p) params += f + "|";
  return "#" + header + "#" + params + "#";
}

ItemRun RunItem(const Item& item, int stage, const TExecDll* plugins) {
  ItemRun run;
  run.result = RunExecuteItem(plugins, MakeItem(item), stage, run.exitRequest, run.log);
  return run;
}

bool Perform(const std::string& caption, const std::string& p1, const std::string& p2, const std::string& p3) {
  // The item's result is its last slot's.
  Item item;
  item.slots = {Slot("", "", "", "", false), Slot("", "", "", "", false), Slot("", "", "", "", false),
                {caption, p1, p2, p3}};
  return RunItem(item).result;
}

bool ConditionHolds(const std::string& caption, const std::string& p1, const std::string& relation, const std::string& p2) {
  Item item;
  item.kind = "Conditional";
  item.conditions = {{caption, p1, relation, p2}};
  const ItemRun run = RunItem(item);
  if (run.log.find("      Result: TRUE\r\n") != std::string::npos) return true;
  EXPECT_NE(run.log.find("      Result: FALSE\r\n"), std::string::npos) << run.log;
  return false;
}

namespace {

HWND WaitForBox(DWORD pid, HWND notThis) {
  for (int i = 0; i < 500; ++i) {
    for (HWND w : tt::FindWindows("", pid)) {
      if (w != notThis && tt::FindChild(w, "Button")) {
        Sleep(150);
        return w;
      }
    }
    Sleep(20);
  }
  return nullptr;
}

}  // namespace

void WithBox(const std::function<void()>& call, const std::function<void(HWND)>& act, std::string* boxText,
             int count) {
  std::atomic<bool> returned{false};
  std::thread user([&] {
    HWND last = nullptr;
    for (int n = 0; n < count; ++n) {
      HWND box = WaitForBox(GetCurrentProcessId(), last);
      if (!box) {
        ADD_FAILURE() << "box " << n + 1 << " did not appear";
        return;
      }
      if (boxText) *boxText += (n ? "\n---\n" : "") + tt::RichText(box);
      act(box);
      tt::WaitWindowGone(box, 5000);
      last = box;
    }
    for (int i = 0; i < 500 && !returned; ++i) Sleep(10);
    if (!returned) {
      ADD_FAILURE() << "the call did not return";
      for (HWND w : tt::FindWindows("", GetCurrentProcessId())) tt::CloseWindowNow(w);
    }
  });
  call();
  returned = true;
  user.join();
}

void RemoveKeyTree(HKEY root, const std::string& key) {
  HKEY h;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ | KEY_WRITE, &h) != ERROR_SUCCESS) return;
  char name[512];
  for (;;) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(h, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    RemoveKeyTree(h, name);
  }
  RegCloseKey(h);
  RegDeleteKeyA(root, key.c_str());
}

std::string ReadString(HKEY root, const std::string& key, const std::string& value, bool* found) {
  char buf[2048] = "";
  DWORD size = sizeof buf - 1, type = 0;
  HKEY h;
  bool ok = false;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS) {
    ok = RegQueryValueExA(h, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) == ERROR_SUCCESS;
    RegCloseKey(h);
  }
  if (found) *found = ok;
  if (!ok) return std::string();
  if (type == REG_DWORD) return std::to_string(*reinterpret_cast<DWORD*>(buf));
  if (type == REG_BINARY) {
    std::string hex;
    char part[4];
    for (DWORD i = 0; i < size; ++i) {
      snprintf(part, sizeof part, i ? ",%02X" : "%02X", (unsigned char)buf[i]);
      hex += part;
    }
    return hex;
  }
  return std::string(buf);
}

std::string Capture(const std::string& commandLine) {
  const std::string out = tt::ScratchDir("exec_capture") + "\\out.txt";
  // /s: cmd takes off only the outer pair of quotes.
  tt::Process p = tt::Start("cmd.exe /s /c \"" + commandLine + " > \"" + out + "\" 2>&1\"");
  EXPECT_TRUE(p.ok()) << commandLine;
  if (p.ok()) {
    EXPECT_NE(tt::WaitExit(p, 60000), -1) << commandLine;
  }
  return Content(out);
}

std::string Content(const std::string& path) {
  std::string s;
  return tt::ReadFile(path, s) ? s : std::string("<missing>");
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string BinDir() { return tt::ProgramDir(); }

}  // namespace exectest
