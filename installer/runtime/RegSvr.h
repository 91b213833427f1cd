// Registration of self-registering COM servers (.ocx, .dll, .ax) through their own
// DllRegisterServer / DllUnregisterServer exports.
#pragma once
#include <string>

// True when the export was found and returned S_OK.
bool RegisterComServer(const std::string& path, bool doRegister);
