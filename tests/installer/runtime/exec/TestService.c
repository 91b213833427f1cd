/* A service program for the tests. It runs until it is told to stop (at most ten
   minutes); a copy whose file name or service name holds "Stopping" stops again while it
   is starting. */
#include <windows.h>
#include <string.h>

static SERVICE_STATUS_HANDLE g_handle;
static SERVICE_STATUS g_status;
static HANDLE g_stop;

static void Report(DWORD state) {
  g_status.dwCurrentState = state;
  g_status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
  SetServiceStatus(g_handle, &g_status);
}

static void WINAPI Handler(DWORD control) {
  if (control == SERVICE_CONTROL_STOP) {
    Report(SERVICE_STOP_PENDING);
    SetEvent(g_stop);
  }
}

static void WINAPI ServiceMain(DWORD argc, LPSTR* argv) {
  char self[MAX_PATH];
  const char* name = argc > 0 ? argv[0] : "";
  GetModuleFileNameA(NULL, self, sizeof self);
  g_handle = RegisterServiceCtrlHandlerA(name, Handler);
  if (!g_handle) return;
  g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  g_status.dwWaitHint = 2000;
  Report(SERVICE_START_PENDING);
  if (strstr(name, "Stopping") || strstr(self, "Stopping")) {
    Sleep(300);
    g_status.dwWin32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
    g_status.dwServiceSpecificExitCode = 1;
    Report(SERVICE_STOPPED);
    return;
  }
  g_stop = CreateEventA(NULL, TRUE, FALSE, NULL);
  Report(SERVICE_RUNNING);
  WaitForSingleObject(g_stop, 600000);
  Report(SERVICE_STOPPED);
}

int main(void) {
  char empty[] = "";
  SERVICE_TABLE_ENTRYA table[] = {{empty, ServiceMain}, {NULL, NULL}};
  return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
