// Rookwell: card games against computer players.
#include <windows.h>

#include <memory>

#include "RookwellApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  return RunGuarded([instance, show]() {
    std::unique_ptr<RookwellApp> app(new RookwellApp(instance));
    app->CreateMainWindow();
    ShowWindow(app->window, show);
    return RunMessageLoop();
  });
}
