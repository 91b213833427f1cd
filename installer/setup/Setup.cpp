// The Setup program: reads Setup.txt beside itself and runs the installation.
#include <windows.h>

#include <string>

#include "KMsgBox.h"
#include "SScript.h"

namespace {

std::string ProgramFolder() {
  char buf[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  std::string s(buf, n);
  return s.substr(0, s.find_last_of('\\') + 1);
}

bool FileExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::string GetSetupScriptFileName() { return "Setup.txt"; }

void SetupMain() {
  std::string message;
  const std::string path = ProgramFolder() + GetSetupScriptFileName();
  if (!FileExists(path)) message = path + "\\\\nScript file not found.\\\\n\\\\nSetup Aborted!";
  TScript* script = nullptr;
  if (message.empty()) {
    script = new (std::nothrow) TScript();
    if (!script) message = path + "\\\\nError reading script file.\\\\n\\\\nSetup Aborted!";
  }
  if (message.empty()) script->Load(path);
  delete script;
  if (!message.empty()) ErrorBox(KMSG_OWNER_TITLED, message, "Error", kDefaultBtnText, 0);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  SetupMain();
  return 0;
}
