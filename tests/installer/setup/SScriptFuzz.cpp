// Fuzz target: the setup-script reader on any text, plain or scrambled, and the
// scrambler's round trip.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "SScript.h"
#include "UtilPlus.h"
#include "Utils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  TScript script;
  size_t unrecognized = 0;
  script.OnUnrecognized = [&](const std::string&) { ++unrecognized; };
  if (!script.LoadFromText(text)) {
    // Nothing of a binary text is read. Its bytes still go through the reader as text.
    if (!script.HoldsBinary() || !script.ScriptLines().empty() || unrecognized > 0) std::abort();
    std::string plain = TScript::PlainScriptText(text);
    std::replace(plain.begin(), plain.end(), '\0', '\n');
    script.LoadFromText(plain);
  }
  // Walk what the wizard and the install run would read.
  const int pages = ListItemCount(script.DialogList());
  for (int i = 0; i <= pages; ++i) {
    script.SetDialogIndex(i);
    script.ContainsDialog(script.CurrentDialog());
  }
  const TStringList pending = script.PendingFileNames();
  for (const std::string& path : pending) script.TakePendingFileName(path);

  // Scrambling a plain text and unscrambling it gives the text back, whatever the key.
  if (!IsScrambledText(text) && size > 0) {
    const unsigned char key = static_cast<unsigned char>(33 + data[0] % 90);
    const std::string scrambled = ScrambleTextWithKey(text, 1, key);
    if (!IsScrambledText(scrambled) || ScrambleTextWithKey(scrambled, 0, key) != text) std::abort();
  }
  return 0;
}
