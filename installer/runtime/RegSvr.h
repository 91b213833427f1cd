// Registration of self-registering COM servers (.ocx, .dll, .ax) through their own
// DllRegisterServer / DllUnregisterServer exports.
#pragma once
#include <string>
#include <vector>

// True when the export was found and returned S_OK.
bool RegisterComServer(const std::string& path, bool doRegister);

// The registry keys that registering the server writes, learnt by running its
// DllRegisterServer once with every predefined root replaced by a scratch key: nothing real
// is written. Each scratch key starts with the names of the real keys that a server opens
// to write below them (the keys near the root, the entries of HKEY_CLASSES_ROOT and the
// Software\Classes keys and their containers such as CLSID). Each key learnt is a path such
// as "HKEY_CLASSES_ROOT\CLSID\{...}", at the level that holds one entry: a class,
// interface, type library or application id, a program id or file type; elsewhere a key
// that got values, a key taken away, or the first key on a new branch that holds values.
// True when the trial returned S_OK and wrote nothing that cannot be noted: only then does a
// real registration write what `keys` holds.
bool ComServerKeys(const std::string& path, std::vector<std::string>& keys);

// The key of this process's trials (their scratch roots), below HKEY_CURRENT_USER: there only
// while a trial runs.
std::string ComTrialKey();
