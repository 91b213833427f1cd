#include "Music.h"

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "U_DEBUG0.h"
#include "Utils.h"

namespace {

// ---------------------------------------------------------------- system backend

std::string McierrorText(DWORD code) {
  char text[256] = {};
  if (!mciGetErrorStringA(code, text, sizeof text)) return "Undefined error code";
  return text;
}

class TSystemMusic : public TMusicBackend {
 public:
  unsigned Open(const std::string& file, bool midi, std::string& error) override {
    MCI_OPEN_PARMSA p = {};
    p.lpstrDeviceType = reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(midi ? MCI_DEVTYPE_SEQUENCER
                                                                             : MCI_DEVTYPE_WAVEFORM_AUDIO));
    p.lpstrElementName = file.c_str();
    const DWORD r = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID,
                                    reinterpret_cast<DWORD_PTR>(&p));
    if (r) {
      error = McierrorText(r);
      return 0;
    }
    return p.wDeviceID;
  }
  bool Play(unsigned device, std::string& error) override {
    MCI_PLAY_PARMS p = {};
    p.dwFrom = 0;
    const DWORD r = mciSendCommandA(device, MCI_PLAY, MCI_FROM, reinterpret_cast<DWORD_PTR>(&p));
    if (r) error = McierrorText(r);
    return r == 0;
  }
  unsigned Status(unsigned device, DWORD item) {
    MCI_STATUS_PARMS p = {};
    p.dwItem = item;
    if (mciSendCommandA(device, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&p))) return 0;
    return unsigned(p.dwReturn);
  }
  unsigned Length(unsigned device) override { return Status(device, MCI_STATUS_LENGTH); }
  unsigned Position(unsigned device) override { return Status(device, MCI_STATUS_POSITION); }
  void SeekToStart(unsigned device) override { mciSendCommandA(device, MCI_SEEK, MCI_SEEK_TO_START, 0); }
  std::string Close(unsigned device) override {
    const DWORD r = mciSendCommandA(device, MCI_CLOSE, 0, 0);
    return r ? McierrorText(r) : std::string("The specified command was carried out.");
  }
  int GetVolume(TMusicLine line) override {
    const DWORD id = Control(line);
    if (!id) return 0;
    MIXERCONTROLDETAILS_UNSIGNED value = {};
    MIXERCONTROLDETAILS d = Details(id, &value);
    if (mixerGetControlDetailsA(reinterpret_cast<HMIXEROBJ>(mixer_), &d, MIXER_GETCONTROLDETAILSF_VALUE)) return 0;
    return int(value.dwValue > 65535 ? 65535 : value.dwValue);
  }
  void SetVolume(TMusicLine line, int v) override {
    const DWORD id = Control(line);
    if (!id) return;
    MIXERCONTROLDETAILS_UNSIGNED value = {DWORD(v < 0 ? 0 : v > 65535 ? 65535 : v)};
    MIXERCONTROLDETAILS d = Details(id, &value);
    mixerSetControlDetails(reinterpret_cast<HMIXEROBJ>(mixer_), &d, MIXER_SETCONTROLDETAILSF_VALUE);
  }

 private:
  static MIXERCONTROLDETAILS Details(DWORD id, MIXERCONTROLDETAILS_UNSIGNED* value) {
    MIXERCONTROLDETAILS d = {};
    d.cbStruct = sizeof d;
    d.dwControlID = id;
    d.cChannels = 1;  // all channels alike
    d.cbDetails = sizeof *value;
    d.paDetails = value;
    return d;
  }
  // The volume control of a source line, looked up once; 0 when there is none.
  DWORD Control(TMusicLine line) {
    const int k = line == TMusicLine::Synthesizer ? 1 : 0;
    if (!looked_[k]) {
      looked_[k] = true;
      std::string failure;
      ids_[k] = Lookup(line, failure);
      if (!failure.empty()) WriteDebugLine(">" + failure + "<");
    }
    return ids_[k];
  }
  DWORD Lookup(TMusicLine line, std::string& failure) {
    if (!mixerTried_) {
      mixerTried_ = true;
      if (mixerOpen(&mixer_, 0, 0, 0, MIXER_OBJECTF_MIXER)) mixer_ = nullptr;
    }
    if (!mixer_) return failure = "Can't open Mixer", 0;
    HMIXEROBJ obj = reinterpret_cast<HMIXEROBJ>(mixer_);
    MIXERLINEA dest = {};
    dest.cbStruct = sizeof dest;
    dest.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    if (mixerGetLineInfoA(obj, &dest, MIXER_GETLINEINFOF_COMPONENTTYPE)) return failure = "Can't find speaker line", 0;
    const DWORD wanted =
        line == TMusicLine::Synthesizer ? MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER : MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
    for (DWORD i = 0; i < dest.cConnections; ++i) {
      MIXERLINEA src = {};
      src.cbStruct = sizeof src;
      src.dwDestination = dest.dwDestination;
      src.dwSource = i;
      if (mixerGetLineInfoA(obj, &src, MIXER_GETLINEINFOF_SOURCE)) return failure = "Can't get source line", 0;
      if (src.dwComponentType != wanted) continue;
      MIXERCONTROLA control = {};
      control.cbStruct = sizeof control;
      MIXERLINECONTROLSA lc = {};
      lc.cbStruct = sizeof lc;
      lc.dwLineID = src.dwLineID;
      lc.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
      lc.cControls = 1;
      lc.cbmxctrl = sizeof control;
      lc.pamxctrl = &control;
      if (mixerGetLineControlsA(obj, &lc, MIXER_GETLINECONTROLSF_ONEBYTYPE)) return failure = "Can't find control", 0;
      return control.dwControlID;
    }
    return failure = "Can't find wave out device", 0;
  }
  HMIXER mixer_ = nullptr;
  bool mixerTried_ = false;
  bool looked_[2] = {false, false};
  DWORD ids_[2] = {0, 0};
};

TMusicBackend* g_backend = nullptr;

// ---------------------------------------------------------------- music state

std::atomic<int> g_starting{0};
std::atomic<int> g_playing{0};
std::atomic<bool> g_midi{false};
std::atomic<bool> g_finished{true};
std::atomic<bool> g_stop{false};
std::mutex g_savedLock;
bool g_saved = false;
int g_savedVolume = 0;
TMusicLine g_savedLine = TMusicLine::WaveOut;
std::thread g_thread;

TMusicLine CurrentLine() { return g_midi ? TMusicLine::Synthesizer : TMusicLine::WaveOut; }

// Puts back the volume a fade saved, once.
void RestoreSavedVolume() {
  std::lock_guard<std::mutex> lock(g_savedLock);
  if (!g_saved) return;
  g_saved = false;
  MusicBackend().SetVolume(g_savedLine, g_savedVolume);
}

// Polls in steps of 50 ms so a stop takes effect quickly.
void SleepUnlessStopped(int ms) {
  for (int t = 0; t < ms && !g_stop; t += 50) Sleep(50);
}

void Play(const std::string& file, int count) {
  TMusicBackend& b = MusicBackend();
  WriteDebugLine("START");
  std::string openError;
  const unsigned device = b.Open(file, g_midi, openError);
  WriteDebugLine("DeviceID=" + std::to_string(device));
  if (device) ++g_playing;
  const long long times = count <= 0 ? 2147483646LL : count;
  for (long long i = 0; i < times && !g_stop && device; ++i) {
    std::string error;
    if (b.Play(device, error)) {
      const unsigned length = b.Length(device);
      while (!g_stop && b.Position(device) < length) SleepUnlessStopped(500);
      b.SeekToStart(device);
    } else {
      WriteDebugLine(error.empty() ? "Undefined error code" : error);
    }
    Sleep(100);
  }
  RestoreSavedVolume();
  if (device) --g_playing;
  if (device) WriteDebugLine("CLOSE=" + std::to_string(device) + "  " + b.Close(device));
  if (!openError.empty()) WriteDebugLine(openError);
  g_finished = true;
}

}  // namespace

TMusicBackend& MusicBackend() {
  static TSystemMusic system;
  return g_backend ? *g_backend : system;
}

void SetMusicBackend(TMusicBackend* backend) { g_backend = backend; }

bool IsMidiFile(const std::string& file) {
  const size_t dot = file.rfind('.');
  const std::string ext = dot == std::string::npos ? std::string() : UpperCase(file.substr(dot));
  return ext == ".MID" || ext == ".MIDI";
}

void PlayMusic(const std::string& file, int count) {
  ++g_starting;
  FadeOutMusic(0);
  g_stop = false;
  g_finished = false;
  g_midi = IsMidiFile(file);
  g_thread = std::thread(Play, file, count);
  --g_starting;
}

void FadeOutMusic(int ms) {
  if (ms > 0 && g_playing > 0) {
    const int v = GetMusicVolume();
    {
      std::lock_guard<std::mutex> lock(g_savedLock);
      g_saved = true;
      g_savedVolume = v;
      g_savedLine = CurrentLine();
    }
    // At least one per step, and never more rounds than the fade has steps.
    const int steps = ms / 50 > 0 ? ms / 50 : 1;
    const int step = v / steps > 0 ? v / steps : 1;
    int c = v;
    for (int round = 0; c > 0 && round <= steps + 1; ++round) {
      c = c - step < 0 || round == steps + 1 ? 0 : c - step;
      SetMusicVolume(c);
      Sleep(50);
    }
  }
  g_finished = true;
  g_stop = true;
  if (g_thread.joinable()) g_thread.join();
  // The thread restores the volume as it closes; a thread that never got there leaves it here.
  RestoreSavedVolume();
}

int GetMusicVolume() {
  if (g_starting > 0 || g_playing <= 0) return 0;
  return MusicBackend().GetVolume(CurrentLine());
}

void SetMusicVolume(int value) {
  if (g_starting > 0 || g_playing <= 0) return;
  MusicBackend().SetVolume(CurrentLine(), value);
}

bool MusicPlaying() { return g_playing > 0; }
bool MusicFinished() { return g_finished; }
