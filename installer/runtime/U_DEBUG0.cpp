#include "U_DEBUG0.h"

#include <windows.h>

#include <iostream>
#include <streambuf>

const char* const kDebugViewerClass = ".KDebug.";
const char* const kDebugMessageName = ".K_DebugMsg.";

namespace {

UINT g_debugMessage = 0;

// Hands one piece to the viewer as a global atom; the send returns once the viewer has
// read it.
void SendToViewer(const std::string& text) {
  HWND viewer = FindWindowA(kDebugViewerClass, nullptr);
  if (!viewer) return;
  ATOM atom = GlobalAddAtomA(text.c_str());
  if (!atom) return;
  DWORD_PTR result = 0;
  // A viewer that hangs must not hang the engine.
  SendMessageTimeoutA(viewer, g_debugMessage, 1, LPARAM(atom), SMTO_NORMAL | SMTO_ABORTIFHUNG, 5000, &result);
  GlobalDeleteAtom(atom);
}

// 128 characters; flushed on every flush of the stream and whenever it fills.
class DebugBuffer : public std::streambuf {
 public:
  DebugBuffer() { setp(buffer_, buffer_ + sizeof buffer_); }

 protected:
  int_type overflow(int_type c) override {
    Flush();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
  }
  int sync() override {
    Flush();
    return 0;
  }

 private:
  void Flush() {
    const std::ptrdiff_t n = pptr() - pbase();
    if (n <= 0) return;
    std::string piece(pbase(), size_t(n));
    setp(buffer_, buffer_ + sizeof buffer_);
    try {
      SendToViewer(piece);
    } catch (...) {
    }
  }
  char buffer_[128];
};

DebugBuffer* g_buffer = nullptr;

// Start-up of the unit: <iostream> above makes std::cout ready before this runs.
struct Starter {
  Starter() { StartDebugChannel(); }
} g_starter;

}  // namespace

void StartDebugChannel() {
  if (g_buffer) return;
  g_debugMessage = RegisterWindowMessageA(kDebugMessageName);
  g_buffer = new DebugBuffer;  // lives as long as the process
  std::cout.rdbuf(g_buffer);
  std::cout.clear();
}

void WriteDebugLine(const std::string& text) {
  StartDebugChannel();
  std::cout << text << '\n' << std::flush;
}
