/* COM servers of two shapes that a registration trial must see through. Built with
   OPENS_CLASSES, registering opens HKEY_CLASSES_ROOT\CLSID (and fails when it is missing)
   and writes its class below it; built with WRITES_USERS, it writes a value under
   HKEY_USERS\.DEFAULT; built with WAITS as well, it first sets the event KvTrialServerIn and
   waits for KvTrialServerGo. Each names its own file; unregistering takes its keys away. */
#include <windows.h>
#include <ole2.h>

#define KV_CLSID "{7A2D3B5F-6C8E-4D4F-8B32-1E5F9C8A4D62}"
#define KV_USERS_KEY ".DEFAULT\\Software\\KvTrialServer"

static HINSTANCE g_self;

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) g_self = self;
  return TRUE;
}

static BOOL SetText(HKEY parent, const char* key, const char* name, const char* value) {
  HKEY h;
  LONG r;
  if (RegCreateKeyExA(parent, key, 0, NULL, 0, KEY_SET_VALUE, NULL, &h, NULL) != ERROR_SUCCESS) return FALSE;
  r = RegSetValueExA(h, name, 0, REG_SZ, (const BYTE*)value, (DWORD)lstrlenA(value) + 1);
  RegCloseKey(h);
  return r == ERROR_SUCCESS;
}

__declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer(void) {
  char path[MAX_PATH];
  BOOL ok;
  if (!GetModuleFileNameA(g_self, path, sizeof path)) return E_FAIL;
#ifdef OPENS_CLASSES
  {
    HKEY classes;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_CREATE_SUB_KEY, &classes) != ERROR_SUCCESS) return E_FAIL;
    ok = SetText(classes, KV_CLSID, NULL, "Kelvane trial server") &&
         SetText(classes, KV_CLSID "\\InprocServer32", NULL, path) &&
         SetText(classes, KV_CLSID "\\InprocServer32", "ThreadingModel", "Apartment");
    RegCloseKey(classes);
  }
#else
#ifdef WAITS
  {
    HANDLE in = OpenEventA(EVENT_MODIFY_STATE, FALSE, "KvTrialServerIn");
    HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, "KvTrialServerGo");
    if (in) SetEvent(in);
    if (go) WaitForSingleObject(go, 60000);
    if (in) CloseHandle(in);
    if (go) CloseHandle(go);
  }
#endif
  ok = SetText(HKEY_USERS, KV_USERS_KEY, "Server", path);
#endif
  return ok ? S_OK : E_FAIL;
}

__declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer(void) {
#ifdef OPENS_CLASSES
  static const char* const keys[] = {"CLSID\\" KV_CLSID "\\InprocServer32", "CLSID\\" KV_CLSID};
  const HKEY root = HKEY_CLASSES_ROOT;
#else
  static const char* const keys[] = {KV_USERS_KEY};
  const HKEY root = HKEY_USERS;
#endif
  size_t i;
  for (i = 0; i < sizeof keys / sizeof keys[0]; ++i) {
    const LONG r = RegDeleteKeyA(root, keys[i]);
    if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) return E_FAIL;
  }
  return S_OK;
}
