// Installs behind the background window and the slide show: the copy bar and its Cancel,
// closing the background window during the copy, and a silent run with slides and music.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "SetupTestUtil.h"
#include "TestTool.h"

namespace {

struct Package {
  std::string dir, exe, target;
};

// A setup folder whose script copies `files` numbered files into its "target" folder.
Package MakeRun(const std::string& name, const std::string& script, int files,
            const std::vector<std::pair<std::string, std::string>>& extra) {
  Package r;
  r.exe = setuptest::SetupCopy("copybar_" + name, nullptr);
  r.dir = r.exe.substr(0, r.exe.find_last_of('\\') + 1);
  r.target = r.dir + "target";
  std::string list;
  for (int i = 0; i < files; ++i) {
    const std::string f = "f" + std::to_string(i) + ".txt";
    list += (i ? "|" : "") + f;
    tt::WriteFile(r.dir + f, f);
  }
  const std::string text = "SET_TARGET_DIR(" + r.target + ");\r\n" + script + "SET_PROG_NAME(Kv Copy Bar " + name + ");\r\nSET_CREATE_SETUP_LOG;\r\n"
            "SET_GROUP_DATA(|Main|x|1|" + std::to_string(files) + "||||1|);\r\n"
            "SET_SUB_DIR(<InstallDir>);\r\nSET_COPY_FILES(" + list + ");\r\n";
  tt::WriteFile(r.dir + "Setup.txt", text);
  tt::CopyFileTo(tt::ProgramDir() + "UnInstall.exe", r.dir + "UnInstall.exe");
  for (const auto& f : extra) tt::WriteFile(r.dir + f.first, f.second);
  return r;
}

// How many of the files f0.txt, f1.txt... are in the target folder (or in the package).
int Copied(const Package& r, int files, bool inPackage = false) {
  const std::string folder = inPackage ? r.dir : r.target + "\\";
  int n = 0;
  for (int i = 0; i < files; ++i)
    n += GetFileAttributesA((folder + "f" + std::to_string(i) + ".txt").c_str()) != INVALID_FILE_ATTRIBUTES;
  return n;
}

std::string Log(const Package& r) {
  std::string s;
  tt::ReadFile(r.target + "\\Setup.log", s);
  return s;
}

// One second of 8-bit mono silence as a wave file.
std::string WaveFile() {
  const DWORD data = 8000;
  std::string s = "RIFF";
  auto u32 = [&](DWORD v) { s.append(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](WORD v) { s.append(reinterpret_cast<const char*>(&v), 2); };
  u32(36 + data);
  s += "WAVEfmt ";
  u32(16);
  u16(1);
  u16(1);
  u32(8000);
  u32(8000);
  u16(1);
  u16(8);
  s += "data";
  u32(data);
  s.append(data, '\x80');
  return s;
}

RECT WorkArea() {
  RECT r = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

// The billboard descriptor: wait for the last slide, frameless, 200 x 100, centred, one tick
// per `pace` x 500 ms.
std::string Descriptor(int pace) {
  return "1|0|0|1|0|Center|0|0|0|16711680|Arial|12|16777215|1|0|200|100|4|" + std::to_string(pace);
}

const char kSlowCopy[] =
    "SET_SETUP_BACKGROUND;\r\nSET_ADD_BILLBOARD;\r\nSET_BG_WAVE_FILE_NAME(none.wav);\r\nSET_BG_WAVE_DELAY(40);\r\n"
    "SET_DIALOGS(WelcomeDlg,CopyFilesDlg,CompleteDlg);\r\nSET_BILLBOARD_FILE(one.txt);\r\nSET_BILLBOARD_FILE(two.txt);\r\n";

// Starts a slow copy behind the copy bar: Next on the Welcome page, then the bar replaces
// the wizard.
struct SlowCopy {
  Package run;
  tt::Process proc;
  HWND wizard = nullptr, bar = nullptr;
  explicit SlowCopy(const std::string& name) {
    run = MakeRun(name, std::string(kSlowCopy) + "SET_BILLBOARD_DATA(" + Descriptor(1) + ");\r\n", 100,
                  {{"one.txt", "Slide one"}, {"two.txt", "Slide two"}});
    proc = tt::Start("\"" + run.exe + "\"");
    wizard = tt::WaitForWindow(".SDialog_Class_Name.", "", 20000, proc.pid);
    if (!wizard) return;
    Sleep(500);
    tt::ClickButton(wizard, "&Next >");
    bar = tt::WaitForWindow("CopyBarForm", "", 10000, proc.pid);
    Sleep(400);
  }
  // A run that a failed check left behind is ended.
  ~SlowCopy() {
    if (proc.handle) tt::WaitExit(proc, 0);
  }
};

}  // namespace

TEST(CopyBar, StandsInForTheWizardAndItsCancelAsksFirst) {
  for (bool resume : {true, false}) {
    SlowCopy c(resume ? "resume" : "exit");
    ASSERT_TRUE(c.proc.ok());
    ASSERT_TRUE(c.bar) << resume;
    EXPECT_FALSE(IsWindowVisible(c.wizard));
    // At the bottom centre of the work area, 10 pixels up, with the slide show beside it.
    const RECT work = WorkArea();
    RECT r;
    GetWindowRect(c.bar, &r);
    EXPECT_EQ(r.bottom, work.bottom - 10);
    EXPECT_LE(std::abs((r.left + r.right) / 2 - (work.left + work.right) / 2), 1);
    EXPECT_EQ(tt::ClientRectOf(c.bar).right, 324);
    HWND show = tt::WaitForWindow("BillboardForm", "", 5000, c.proc.pid);
    ASSERT_TRUE(show);
    EXPECT_EQ(tt::ClientRectOf(show).right, 200);
    EXPECT_EQ(tt::ClientRectOf(show).bottom, 100);

    EXPECT_TRUE(tt::ClickButton(c.bar, "Cancel"));
    HWND ask = tt::WaitForWindow("TExitSetupForm", "", 10000, c.proc.pid);
    ASSERT_TRUE(ask) << resume;
    Sleep(300);
    const int during = Copied(c.run, 100);
    EXPECT_TRUE(tt::ClickButton(ask, resume ? "&Resume" : "E&xit Setup"));
    EXPECT_TRUE(tt::WaitWindowGone(ask, 5000));
    if (resume) {
      // Copying and the show go on; the wizard comes back on the Complete page.
      Sleep(300);
      EXPECT_TRUE(IsWindow(show) && IsWindowVisible(show));
      const DWORD start = GetTickCount();
      while (GetTickCount() - start < 60000 && !(IsWindowVisible(c.wizard) && tt::ClickButton(c.wizard, "&Finish")))
        Sleep(100);
    }
    // A run the user's Exit stopped says so.
    EXPECT_EQ(tt::WaitExit(c.proc, 60000), resume ? 0 : 2) << resume;
    const int copied = Copied(c.run, 100);
    const std::string log = Log(c.run);
    if (resume) {
      EXPECT_EQ(copied, 100);
      EXPECT_NE(log.find("Execute After Copy"), std::string::npos);
      EXPECT_NE(log.find("Show Screen: Setup Complete"), std::string::npos);
    } else {
      // Stopped inside the copy, and undone: nothing stays installed, the package is whole.
      EXPECT_GT(during, 0);
      EXPECT_LT(during, 100);
      EXPECT_EQ(copied, 0);
      EXPECT_EQ(Copied(c.run, 100, true), 100);
      EXPECT_EQ(log.find("Execute After Copy"), std::string::npos);
    }
  }
}

TEST(CopyBar, ClosingTheBackgroundDuringTheCopyAsksTheWizardsQuestion) {
  SlowCopy c("background");
  ASSERT_TRUE(c.proc.ok());
  ASSERT_TRUE(c.bar);
  HWND background = tt::WaitForWindow("TSMainForm", "", 2000, c.proc.pid);
  ASSERT_TRUE(background);
  tt::CloseWindowNow(background);
  HWND ask = tt::WaitForWindow("TExitSetupForm", "", 10000, c.proc.pid);
  ASSERT_TRUE(ask);
  // The background stays until the copy has stopped.
  EXPECT_TRUE(IsWindowVisible(background));
  Sleep(300);
  const int during = Copied(c.run, 100);
  EXPECT_TRUE(tt::ClickButton(ask, "E&xit Setup"));
  EXPECT_EQ(tt::WaitExit(c.proc, 30000), 2);
  EXPECT_GT(during, 0);
  EXPECT_LT(during, 100);
  EXPECT_EQ(Copied(c.run, 100), 0);
  EXPECT_EQ(Copied(c.run, 100, true), 100);
  EXPECT_EQ(Log(c.run).find("Execute After Copy"), std::string::npos);
}

namespace {

// Starts the setup with a watch on its windows and answers any box with OK until it ends;
// the texts of the boxes.
std::vector<std::string> RunWatched(const Package& run, tt::WindowWatch& watch, int& exitCode) {
  std::vector<std::string> boxes;
  tt::Process proc = tt::Start("\"" + run.exe + "\"", std::string(), &watch);
  exitCode = -2;
  if (!proc.ok()) return boxes;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 60000 && WaitForSingleObject(proc.handle, 30) == WAIT_TIMEOUT) {
    // A box holds the run until it is answered.
    for (HWND box : tt::FindWindows("KMsgBox", proc.pid)) {
      boxes.push_back(tt::WindowText(box));
      tt::ClickButton(box, "OK");
      tt::WaitWindowGone(box, 5000);
    }
  }
  exitCode = tt::WaitExit(proc, 5000);
  return boxes;
}

}  // namespace

TEST(CopyBar, SilentRunWithBackgroundPausesBeforeItStarts) {
  // The start-up timer's half second runs from the background's show to the wizard's.
  Package run = MakeRun("pause", "SET_SILENT_SETUP;\r\nSET_SETUP_BACKGROUND;\r\n", 1, {});
  tt::WindowWatch watch;
  int exitCode = 0;
  EXPECT_TRUE(RunWatched(run, watch, exitCode).empty());
  EXPECT_EQ(exitCode, 0);
  const auto background = tt::FirstEvent(watch.Events("TSMainForm"), tt::WindowEvent::Shown);
  const auto wizard = tt::FirstEvent(watch.Events(".SDialog_Class_Name."), tt::WindowEvent::Shown);
  ASSERT_TRUE(background && wizard);
  EXPECT_GE(wizard->at - background->at, 480u);  // 500 ms, less a tick of a coarse clock
  EXPECT_EQ(Copied(run, 1), 1);
}

TEST(CopyBar, SilentRunWithBackgroundSlidesAndMusicEndsByItself) {
  // Two text slides and a picture that is not there, a tick per 500 ms: the run waits for
  // the last slide (about three seconds) and ends without a click. Wine has no sound
  // device, so the music takes its failure road.
  const std::string script = "SET_SILENT_SETUP;\r\nSET_SETUP_BACKGROUND;\r\nSET_ADD_BILLBOARD;\r\n"
                             "SET_BG_WAVE_FILE_NAME(C:\\nowhere\\tune.wav);\r\nSET_BG_WAVE_SLIDER(Floating);\r\n"
                             "SET_BG_WAVE_LOCATION(Top/Right|0|0);\r\n"
                             "SET_BG_WAVE_LOOP(0);\r\nSET_BILLBOARD_DATA(" + Descriptor(1) + ");\r\n"
                             "SET_BILLBOARD_FILE(one.txt);\r\nSET_BILLBOARD_FILE(two.txt);\r\n"
                             "SET_BILLBOARD_FILE(gone.bmp);\r\n";
  Package run = MakeRun("silent", script, 5, {{"one.txt", "One"}, {"two.txt", "Two"}, {"tune.wav", WaveFile()}});
  tt::WindowWatch watch;
  int exitCode = 0;
  const std::vector<std::string> boxes = RunWatched(run, watch, exitCode);
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : boxes[0]);
  ASSERT_FALSE(watch.Overflowed());
  std::set<std::string> seen;
  for (const char* cls : {"TSMainForm", "CopyBarForm", "BillboardForm", "SliderForm", "KMsgBox"})
    if (tt::FirstEvent(watch.Events(cls), tt::WindowEvent::Shown)) seen.insert(cls);
  EXPECT_EQ(seen, (std::set<std::string>{"TSMainForm", "CopyBarForm", "BillboardForm", "SliderForm"}));
  // The wizard itself is parked out of sight whenever it is shown.
  bool visible = false;
  for (const tt::WindowEvent& e : watch.Events(".SDialog_Class_Name.")) {
    if (e.kind == tt::WindowEvent::Shown) visible = true;
    if (e.kind == tt::WindowEvent::Hidden || e.kind == tt::WindowEvent::Destroyed) visible = false;
    EXPECT_FALSE(visible && e.window.right > 0) << e.window.left << "," << e.window.right;
  }
  // The volume window sits in the top right corner of the background's client area.
  const auto slider = tt::FirstEvent(watch.Events("SliderForm"), tt::WindowEvent::Shown);
  const auto background = tt::FirstEvent(watch.Events("TSMainForm"), tt::WindowEvent::Shown);
  ASSERT_TRUE(slider && background);
  EXPECT_EQ(slider->window.right, background->client.right);
  EXPECT_EQ(slider->window.top, background->client.top);
  EXPECT_GT(slider->window.right - slider->window.left, 45);
  // Three slides of two ticks each were waited for before the show went.
  std::optional<tt::WindowEvent> shown, gone;
  for (const tt::WindowEvent& e : watch.Events("BillboardForm")) {
    if (!shown && e.kind == tt::WindowEvent::Shown) shown = e;
    if (shown && !gone && (e.kind == tt::WindowEvent::Hidden || e.kind == tt::WindowEvent::Destroyed)) gone = e;
  }
  ASSERT_TRUE(shown && gone);
  EXPECT_GE(gone->at - shown->at, 2500u);
  EXPECT_EQ(Copied(run, 5), 5);
  const std::string log = Log(run);
  EXPECT_NE(log.find("Execute After Copy"), std::string::npos) << log;
}
