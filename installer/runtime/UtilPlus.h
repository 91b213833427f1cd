// Text scrambler: a light obfuscation of whole script files, with a one-byte key
// stored in the text itself.
#pragma once
#include <string>

extern const char* const kScramblePrefix;  // "Scrambled=01"

// mode 1 scrambles, mode 0 unscrambles; a text already in the asked state is returned unchanged.
std::string ScrambleText(const std::string& text, int mode);
// The same with a given key character (33..122), for repeatable output.
std::string ScrambleTextWithKey(const std::string& text, int mode, unsigned char key);
bool IsScrambledText(const std::string& text);
// A fresh key character (33..122).
unsigned char NewScrambleKey();
// Scrambles (or unscrambles) a piece of a text's body that starts at `offset` within it,
// so that a scrambled file can grow by appending.
std::string ScrambleBodyAt(const std::string& part, unsigned char key, size_t offset);
