// Text helpers of the card-game program.
#pragma once
#include <string>
#include <vector>

// Splits text at the separator, except inside double-quoted stretches; the quotes stay.
std::vector<std::string> SplitQuoted(const std::string& text, char separator);
