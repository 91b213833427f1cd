#include "RegSvr.h"

#include <windows.h>
#include <ole2.h>

#include "Utils.h"

bool RegisterComServer(const std::string& path, bool doRegister) {
  const size_t dot = path.rfind('.');
  const std::string ext = dot == std::string::npos ? std::string() : LowerCase(path.substr(dot));
  if (ext != ".ocx" && ext != ".dll" && ext != ".ax") return false;
  // Only a successful initialisation (S_OK or S_FALSE) is paired with an uninitialisation.
  const HRESULT init = OleInitialize(nullptr);
  if (init != S_OK && init != S_FALSE) return false;
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  bool ok = false;
  if (HMODULE lib = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) {
    typedef HRESULT(STDAPICALLTYPE * TRegProc)();
    auto proc = reinterpret_cast<TRegProc>(reinterpret_cast<void*>(
        GetProcAddress(lib, doRegister ? "DllRegisterServer" : "DllUnregisterServer")));
    if (proc) ok = proc() == S_OK;
    FreeLibrary(lib);
  }
  SetErrorMode(oldMode);
  OleUninitialize();
  return ok;
}
