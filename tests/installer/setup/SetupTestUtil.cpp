#include "SetupTestUtil.h"

#include <algorithm>

#include "TestTool.h"
#include "Utils.h"

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
  tt::WindowWatch watch;
  tt::Process p = tt::Start("\"" + exe + "\"" + (args.empty() ? "" : " " + args), std::string(), &watch);
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
  for (const tt::WindowEvent& e : watch.Events())
    if (e.kind == tt::WindowEvent::Shown) r.shown.insert(e.cls);
  r.background = r.shown.count("TSMainForm") > 0;
  return r;
}

struct Wizard::Impl {
  tt::Process proc;
  bool ended = false;
};

Wizard::Wizard(const std::string& exe) : p_(new Impl) {
  p_->proc = tt::Start("\"" + exe + "\"");
  if (p_->proc.ok()) wnd = tt::WaitForWindow(".SDialog_Class_Name.", "", 20000, p_->proc.pid);
}

Wizard::~Wizard() {
  if (p_->proc.ok() && !p_->ended) tt::WaitExit(p_->proc, 1);
  delete p_;
}

std::string Wizard::Caption() const { return tt::WindowText(wnd); }

bool Wizard::WaitCaption(const std::string& caption, unsigned ms) const {
  const DWORD start = GetTickCount();
  while (Caption() != caption) {
    if (GetTickCount() - start > ms) return false;
    Sleep(20);
  }
  return true;
}

namespace {
std::string NoAmp(std::string s) {
  s.erase(std::remove(s.begin(), s.end(), '&'), s.end());
  return s;
}
}  // namespace

HWND Wizard::Control(const std::string& cls, const std::string& text) const {
  HWND hidden = nullptr;
  for (HWND c : tt::Children(wnd)) {
    if (!cls.empty() && _stricmp(tt::ClassOf(c).c_str(), cls.c_str()) != 0) continue;
    if (NoAmp(tt::WindowText(c)) != NoAmp(text)) continue;
    if (IsWindowVisible(c)) return c;
    if (!hidden) hidden = c;
  }
  return hidden;
}

std::vector<HWND> Wizard::Visible(const std::string& cls) const {
  std::vector<HWND> out;
  for (HWND c : tt::Children(wnd))
    if (IsWindowVisible(c) && _stricmp(tt::ClassOf(c).c_str(), cls.c_str()) == 0) out.push_back(c);
  return out;
}

bool Wizard::Enabled(const std::string& caption) const {
  HWND c = Control("Button", caption);
  return c && IsWindowEnabled(c);
}

bool Wizard::Shown(const std::string& caption) const {
  HWND c = Control("", caption);
  return c && IsWindowVisible(c);
}

RECT Wizard::Place(const std::string& caption) const {
  HWND c = Control("", caption);
  return c ? tt::ChildRect(wnd, c) : RECT{-1, -1, -1, -1};
}

bool Wizard::Click(const std::string& caption) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 5000) {
    HWND b = Control("Button", caption);
    if (b && IsWindowVisible(b) && IsWindowEnabled(b)) {
      DWORD_PTR r = 0;
      const LONG kind = GetWindowLongA(b, GWL_STYLE) & 0xF;
      if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_3STATE || kind == BS_AUTO3STATE) {
        // A check box changes itself when pressed.
        SendMessageTimeoutA(b, BM_CLICK, 0, 0, SMTO_NORMAL, 2000, &r);
        return true;
      }
      SendMessageTimeoutA(GetParent(b), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(b), BN_CLICKED), reinterpret_cast<LPARAM>(b),
                          SMTO_NORMAL, 2000, &r);
      return true;
    }
    Sleep(20);
  }
  return false;
}

bool Wizard::Checked(const std::string& caption) const {
  HWND c = Control("Button", caption);
  return c && SendMessageA(c, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::string Wizard::TextOf(const std::string& cls, size_t index) const {
  const std::vector<HWND> list = Visible(cls);
  return index < list.size() ? tt::WindowText(list[index]) : "<none>";
}

void Wizard::SetText(HWND control, const std::string& text) {
  DWORD_PTR r = 0;
  SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 2000, &r);
}

std::vector<std::string> Wizard::ListLines(size_t index) const {
  std::vector<std::string> out;
  const std::vector<HWND> lists = Visible("ListBox");
  if (index >= lists.size()) return out;
  HWND list = lists[index];
  const int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    // Asked in UTF-16: the list lives in another process.
    wchar_t wide[512] = L"";
    SendMessageW(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(wide));
    char buf[1024] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, buf, sizeof buf, nullptr, nullptr);
    const LRESULT state = SendMessageA(list, LB_GETITEMDATA, WPARAM(i), 0);
    const char* mark = (state & 2) ? ((state & 1) ? "(x) " : "( ) ") : ((state & 1) ? "[x] " : "[ ] ");
    out.push_back(mark + std::string(buf));
  }
  return out;
}

bool Wizard::AnswerBox(Box& box, unsigned ms) {
  HWND w = tt::WaitForWindow("KMsgBox", "", ms, p_->proc.pid);
  if (!w) return false;
  box.caption = tt::WindowText(w);
  box.text = tt::RichText(w);
  tt::ClickButton(w, "OK");
  return tt::WaitWindowGone(w, 5000);
}

bool Wizard::AnswerExit(const std::string& button, unsigned ms) {
  HWND w = tt::WaitForWindow("TExitSetupForm", "", ms, p_->proc.pid);
  if (!w) return false;
  tt::ClickButton(w, button);
  return tt::WaitWindowGone(w, 5000);
}

int Wizard::WaitEnd(unsigned ms) {
  p_->ended = true;
  return tt::WaitExit(p_->proc, ms);
}

void RemoveEmptyProgramsCacheKeys() {
  const std::string cache = "Software\\Microsoft\\Windows\\CurrentVersion\\App Management";
  // Deleting a key fails while it has subkeys: other programs' records stay.
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, (cache + "\\ARPCache").c_str());
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, cache.c_str());
}

std::string TitledText(const std::string& caption, const std::string& text) {
  std::string upper = caption;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; });
  return upper + "\r\n\r\n" + text + "\r\n";
}

// ---------------------------------------------------------------- snapshots

void SnapFiles(const std::string& dir, State& out, bool bytes, const std::vector<std::string>& skip) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = fd.cFileName, path = dir + name;
    if (name == "." || name == "..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (std::find(skip.begin(), skip.end(), UpperCase(path + "\\")) != skip.end()) continue;
      out[path + "\\"] = "<folder>";
      SnapFiles(path + "\\", out, bytes, skip);
    } else if (bytes) {
      tt::ReadFile(path, out[path]);
    } else {
      out[path] = std::to_string(fd.nFileSizeLow);
    }
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

void SnapKey(HKEY root, const std::string& rootName, const std::string& sub, State& out) {
  HKEY key;
  if (RegOpenKeyExA(root, sub.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  const std::string name = rootName + "\\" + sub;
  out[name + "\\"] = "<key>";
  DWORD nameMax = 0, dataMax = 0, subMax = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &subMax, nullptr, nullptr, &nameMax, &dataMax, nullptr,
                   nullptr);
  std::vector<char> text(std::max(nameMax, subMax) + 2);
  std::vector<BYTE> data(dataMax + 1);
  for (DWORD i = 0;; ++i) {
    DWORD textLen = DWORD(text.size()), dataLen = DWORD(data.size()), type = 0;
    if (RegEnumValueA(key, i, text.data(), &textLen, nullptr, &type, data.data(), &dataLen) != ERROR_SUCCESS) break;
    out[name + "\\:" + std::string(text.data(), textLen)] =
        "type " + std::to_string(type) + ": " + std::string(reinterpret_cast<char*>(data.data()), dataLen);
  }
  std::vector<std::string> subs;
  for (DWORD i = 0;; ++i) {
    DWORD len = DWORD(text.size());
    if (RegEnumKeyExA(key, i, text.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subs.push_back(std::string(text.data(), len));
  }
  RegCloseKey(key);
  for (const std::string& s : subs) SnapKey(root, rootName, sub + "\\" + s, out);
}

void EraseBelow(State& s, const std::string& prefix) {
  for (auto e = s.lower_bound(prefix); e != s.end() && e->first.compare(0, prefix.size(), prefix) == 0;) e = s.erase(e);
}

}  // namespace setuptest
