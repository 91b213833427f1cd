// The UnInstall program: removes an installation from the script named like itself.
#include <windows.h>

#include "U_DEBUG0.h"
#include "UnMain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  StartDebugChannel();
  return UninstallMain();
}
