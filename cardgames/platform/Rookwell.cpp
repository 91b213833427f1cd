// Rookwell: card games against computer players.
#include <windows.h>

#include <memory>
#include <new>
#include <stdexcept>
#include <string>

#include "RookwellApp.h"

namespace {

void FailureBox(const std::string& text) { MessageBoxA(nullptr, text.c_str(), "Rookwell", MB_ICONHAND); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  try {
    std::unique_ptr<RookwellApp> app(new RookwellApp(instance));
    app->CreateMainWindow();
    ShowWindow(app->window, show);
    MSG msg = {};
    while (GetMessageA(&msg, nullptr, 0, 0) != 0) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      RookwellApp::RethrowFailure();
    }
    RookwellApp::RethrowFailure();
    return int(msg.wParam);
  } catch (const std::bad_alloc&) {
    FailureBox("Game Failure: Out of memory");
  } catch (const std::invalid_argument& e) {
    FailureBox(std::string("Game Failure: Invalid Argument(") + e.what() + ")");
  } catch (const std::runtime_error& e) {
    FailureBox(std::string("Game Failure: Runtime Error(") + e.what() + ")");
  } catch (...) {
    FailureBox("Game Failure: Unknown Exception");
  }
  return 1;
}
