#include "Text.h"

std::vector<std::string> SplitQuoted(const std::string& text, char separator) {
  std::vector<std::string> items(1);
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (c == separator && !quoted)
      items.emplace_back();
    else
      items.back() += c;
  }
  return items;
}
