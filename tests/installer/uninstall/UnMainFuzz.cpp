// Fuzz target: the uninstall-script reader on any text, plain or scrambled: its lines, its
// header values and the entry lists of a removal run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "UnMain.h"
#include "UtilPlus.h"
#include "Utils.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::vector<const TLines*> AllLists(const TUninstallLists& l) {
  return {&l.ocxFiles, &l.fontFiles, &l.sharedFiles, &l.readOnlyFiles, &l.files,       &l.serviceFiles,
          &l.dirs,     &l.forcedDirs, &l.folders,    &l.forcedFolders,  &l.keepBelow,  &l.keepExactly,
          &l.avoidErr, &l.regKeys,   &l.regOps,     &l.iniOps,         &l.envOps,     &l.associations,
          &l.openWith, &l.executeItems};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  if (IsScrambledText(text)) text = ScrambleText(text, 0);

  // The lines hold every character but the line ends, in order.
  const TLines lines = SplitScriptLines(text);
  std::string joined, bare;
  for (const std::string& line : lines) {
    Check(line.find_first_of("\r\n") == std::string::npos);
    joined += line;
  }
  for (char c : text)
    if (c != '\r' && c != '\n') bare += c;
  Check(joined == bare);

  // A header value found stands in the text; the first line with the key gives it.
  for (size_t i = 0, asked = 0; i < lines.size() && asked < 32; ++i) {
    const size_t eq = lines[i].find('=');
    if (eq == std::string::npos) continue;
    ++asked;
    const std::string key = Trim(lines[i].substr(0, eq));
    const std::string value = ScriptValue(lines, key);
    Check(text.find(value) != std::string::npos);
    if (!key.empty()) Check(value == lines[i].substr(eq + 1) || ScriptValue(TLines(lines.begin(), lines.begin() + i), key) == value);
  }
  Check(ScriptQueryValue(lines, "SetupType") == ScriptValue(lines, "SetupType"));
  Check(ScriptQueryValue(lines, "GroupNameString") == ScriptValue(lines, "GroupNames"));
  ScriptQueryValue(lines, "UserName");
  ScriptQueryValue(lines, "CompanyName");
  Check(ScriptQueryValue(lines, "TargetDir").empty());

  // Parsing twice gives the same lists; every entry stands in the text, and no line
  // gives more than one entry.
  TUninstallLists first, second;
  std::string lastDll = "\x01none";
  ParseUninstallScript(lines, first, [&](const std::string& name) { lastDll = name; });
  ParseUninstallScript(lines, second);
  const std::vector<const TLines*> a = AllLists(first), b = AllLists(second);
  size_t entries = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    Check(*a[i] == *b[i]);
    entries += a[i]->size();
    for (const std::string& entry : *a[i]) Check(text.find(entry) != std::string::npos);
    // The removal order keeps every entry and puts the longest first.
    const TLines ordered = LengthOrder(*a[i]);
    Check(ordered.size() == a[i]->size());
    for (size_t k = 1; k < ordered.size(); ++k) Check(ordered[k - 1].size() >= ordered[k].size());
  }
  Check(entries <= lines.size());
  Check(first.dllName == second.dllName);
  // A script the uninstaller does not refuse has a line it knows.
  Check(IsDamagedScript(text) || entries > 0 || lastDll != "\x01none");
  Check(lastDll == "\x01none" ? first.dllName.empty() : first.dllName == lastDll);
  return 0;
}
