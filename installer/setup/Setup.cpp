// The Setup program: reads Setup.txt beside itself and runs the installation.
#include <windows.h>

#include "SStartup.h"
#include "U_DEBUG0.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  StartDebugChannel();
  EnsurePsapi();
  return SetupMain();
}
