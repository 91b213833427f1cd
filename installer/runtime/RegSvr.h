// Registration of self-registering COM servers (.ocx, .dll, .ax) through their own
// DllRegisterServer / DllUnregisterServer exports.
#pragma once
#include <string>
#include <vector>

// True when the export was found and returned S_OK.
bool RegisterComServer(const std::string& path, bool doRegister);

// The registry keys that registering the server writes, learnt by running its
// DllRegisterServer against empty scratch keys in place of HKEY_CLASSES_ROOT,
// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER; nothing real is written. Each is a path such as
// "HKEY_CLASSES_ROOT\CLSID\{...}", at the level that holds one entry: a class, interface,
// type library or application id, a program id or file type, or else the key that holds the
// values. False when the server could not be loaded or the scratch keys made.
bool ComServerKeys(const std::string& path, std::vector<std::string>& keys);
