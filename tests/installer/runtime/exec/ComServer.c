/* A self-registering COM server for the tests: it records each registration under
   HKCU\Software\KvRuntimeTests\ComServer\<its file name>. A copy whose name holds
   "sfalse" answers S_FALSE and records nothing. */
#include <windows.h>
#include <ole2.h>
#include <string.h>

static HINSTANCE g_self;

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) g_self = self;
  return TRUE;
}

static const char* OwnName(char* buf, DWORD size) {
  const char* name;
  GetModuleFileNameA(g_self, buf, size);
  name = strrchr(buf, '\\');
  return name ? name + 1 : buf;
}

static HRESULT Record(const char* state) {
  char path[MAX_PATH], key[MAX_PATH + 64];
  const char* name = OwnName(path, sizeof path);
  HKEY h;
  DWORD mode, com;
  HRESULT init;
  if (strstr(CharLowerA(path), "sfalse")) return S_FALSE;
  strcpy(key, "Software\\KvRuntimeTests\\ComServer\\");
  strcat(key, name);
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, NULL, 0, KEY_SET_VALUE, NULL, &h, NULL) != ERROR_SUCCESS)
    return E_FAIL;
  RegSetValueExA(h, "State", 0, REG_SZ, (const BYTE*)state, (DWORD)strlen(state) + 1);
  /* The error mode the caller set, and whether COM was ready on this thread. */
  mode = SetErrorMode(0);
  SetErrorMode(mode);
  RegSetValueExA(h, "ErrorMode", 0, REG_DWORD, (const BYTE*)&mode, sizeof mode);
  init = CoInitialize(NULL);
  com = init == S_FALSE;
  if (SUCCEEDED(init)) CoUninitialize();
  RegSetValueExA(h, "ComReady", 0, REG_DWORD, (const BYTE*)&com, sizeof com);
  RegCloseKey(h);
  return S_OK;
}

__declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer(void) { return Record("registered"); }
__declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer(void) { return Record("unregistered"); }
