// A program that only waits a minute: the running copy of a program for the tests.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  Sleep(60000);
  return 0;
}
