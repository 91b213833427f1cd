// Runs the execute items of a file at one stage and prints each item's log, result and
// exit request. A line of the file is an item, or a SET_PERFORM_EXECUTE_OP(...) line of a
// setup script; empty lines and lines starting with ";" are skipped.
//
//   ExecDriver <file> <stage name or number> [/Dll=<plug-in>] [/UserName=<text>]
//              [/CompanyName=<text>] [/Groups=|a|b|] [/SetupType=<text>]
//
// Host actions are printed as "Action: <command>|<target>|<value>" and answered true.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "ExecDll.h"
#include "ExecOp.h"
#include "Files.h"
#include "Utils.h"

namespace {

const char kKeyword[] = "SET_PERFORM_EXECUTE_OP(";

std::vector<std::string> Items(const std::string& text) {
  std::vector<std::string> items;
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    std::string line = Trim(text.substr(at, end - at));
    at = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (PosNoCase(kKeyword, line) == 1) {
      const size_t close = line.rfind(')');
      line = close == std::string::npos || close < sizeof kKeyword - 1
                 ? std::string()
                 : line.substr(sizeof kKeyword - 1, close - (sizeof kKeyword - 1));
    }
    if (!line.empty()) items.push_back(line);
  }
  return items;
}

void Print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  // The log's own line ends go out unchanged.
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 3) {
    Print("usage: ExecDriver <file> <stage> [/Dll=plugin.dll] [/UserName=..] [/CompanyName=..] [/Groups=|a|b|] "
          "[/SetupType=..]\r\n");
    return 1;
  }
  const std::string file = argv[1];
  int stage = StrToIntDef(argv[2], -1);
  if (stage < 0) stage = StageFromName(argv[2]);
  std::map<std::string, std::string> values;
  std::string dllPath;
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    const size_t eq = arg.find('=');
    if (arg.size() < 2 || arg[0] != '/' || eq == std::string::npos) continue;
    const std::string name = arg.substr(1, eq - 1), value = arg.substr(eq + 1);
    if (EqualTextNoCase(name, "Dll"))
      dllPath = value;
    else
      values[EqualTextNoCase(name, "Groups") ? "GroupNameString" : name] = value;
  }
  if (!FileExists(file)) {
    Print("File not found: " + file + "\r\n");
    return 2;
  }
  SetEngineCallbacks(
      [](const std::string& command, const std::string& target, const std::string& value, const std::string&) {
        Print("Action: " + command + "|" + target + "|" + value + "\r\n");
        return true;
      },
      [&values](const std::string& name) {
        const auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
      });
  TExecDll plugins(nullptr);
  if (!dllPath.empty()) LoadExecDll(plugins, dllPath, true, true);
  const std::vector<std::string> items = Items(ReadFileContents(file));
  for (size_t i = 0; i < items.size(); ++i) {
    bool exitRequest = false;
    std::string log;
    Print("--- Item " + std::to_string(i + 1) + "\r\n");
    const bool result = RunExecuteItem(&plugins, items[i], stage, exitRequest, log);
    Print(log + "Result=" + BoolToText(result) + "\r\nExitRequest=" + BoolToText(exitRequest) + "\r\n");
    if (exitRequest) {
      Print("--- Run ended by Exit\r\n");
      break;
    }
  }
  SetEngineCallbacks(nullptr, nullptr);
  return 0;
}
