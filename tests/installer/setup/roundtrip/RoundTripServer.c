/* An in-process COM server for the round trip: registering it writes its class and
   program id under HKEY_CLASSES_ROOT, unregistering it takes them away again. */
#include <windows.h>
#include <ole2.h>

#define KV_CLSID "{6F1C2A4E-5B7D-4C3E-9A21-0D4E8B7F3C51}"
#define KV_PROGID "KvRoundTrip.Server"

static HINSTANCE g_self;

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) g_self = self;
  return TRUE;
}

static BOOL SetText(const char* key, const char* name, const char* value) {
  HKEY h;
  LONG r;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key, 0, NULL, 0, KEY_SET_VALUE, NULL, &h, NULL) != ERROR_SUCCESS)
    return FALSE;
  r = RegSetValueExA(h, name, 0, REG_SZ, (const BYTE*)value, (DWORD)lstrlenA(value) + 1);
  RegCloseKey(h);
  return r == ERROR_SUCCESS;
}

__declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID cls, REFIID iid, LPVOID* out) {
  (void)cls;
  (void)iid;
  *out = NULL;
  return CLASS_E_CLASSNOTAVAILABLE;
}

__declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow(void) { return S_OK; }

__declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer(void) {
  char path[MAX_PATH];
  if (!GetModuleFileNameA(g_self, path, sizeof path)) return E_FAIL;
  if (SetText("CLSID\\" KV_CLSID, NULL, "Kelvane round trip server") &&
      SetText("CLSID\\" KV_CLSID "\\InprocServer32", NULL, path) &&
      SetText("CLSID\\" KV_CLSID "\\InprocServer32", "ThreadingModel", "Apartment") &&
      SetText("CLSID\\" KV_CLSID "\\ProgID", NULL, KV_PROGID) && SetText(KV_PROGID, NULL, "Kelvane round trip server") &&
      SetText(KV_PROGID "\\CLSID", NULL, KV_CLSID))
    return S_OK;
  return E_FAIL;
}

__declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer(void) {
  static const char* const keys[] = {"CLSID\\" KV_CLSID "\\InprocServer32", "CLSID\\" KV_CLSID "\\ProgID",
                                     "CLSID\\" KV_CLSID, KV_PROGID "\\CLSID", KV_PROGID};
  size_t i;
  for (i = 0; i < sizeof keys / sizeof keys[0]; ++i) {
    const LONG r = RegDeleteKeyA(HKEY_CLASSES_ROOT, keys[i]);
    if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) return E_FAIL;
  }
  return S_OK;
}
