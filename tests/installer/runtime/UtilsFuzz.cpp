// Fuzz target: the list and text routines every script line passes through. The input
// is split at zero bytes into a text, a second text and a third; the first byte picks
// an index and a width.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Utils.h"

namespace {

std::string Part(const std::string& input, size_t& at) {
  if (at >= input.size()) return std::string();
  size_t end = input.find('\0', at);
  if (end == std::string::npos) end = input.size();
  std::string part = input.substr(at, end - at);
  at = end + 1;
  return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int pick = int(int8_t(data[0]));
  const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  size_t at = 0;
  const std::string a = Part(input, at);
  const std::string b = Part(input, at);
  const std::string c = Part(input, at);

  // Lists: the iterator and the indexed reader agree.
  const int count = ListItemCount(a);
  int cursor = 0;
  std::string item;
  for (int i = 1; i <= count + 1; ++i) {
    GetListItem(a, i);
    NextListItem(a, cursor, item);
    if (cursor < 0) break;
  }
  GetListItem(a, pick);
  ListItemIndex(a, b);
  std::string list = a;
  SetListItem(list, pick, b);
  SetListItem(list, count + 1, c);

  TextBefore(a, b);
  TextAfter(a, b);
  ReverseText(a);
  LastPos(b, a);
  LastPosNoCase(b, a);
  EqualTextNoCase(a, b);
  PosNoCase(b, a);
  Pos(b, a);
  PosFrom(b, a, pick);
  PosFromNoCase(b, a, pick);
  PadRight(a, pick, '*');
  PadLeftZero(a, pick);
  // A rewriting is followed to its end, which may lie far away: here up to a small limit,
  // from texts short enough that its steps stay few.
  if (a.size() <= 1024) {
    const size_t limit = size_t(1) << 16;
    int made = 0;
    const std::string all = ReplaceRepeatedly(a, b, c, TTextMatch(), &made, limit);  // ReplaceAll's
    if (made >= 0 && all.size() > limit) std::abort();
    TTextMatch how;
    how.ignoreCase = pick & 1;
    how.wholeWord = pick & 2;
    ReplaceRepeatedly(a, b, c, how, nullptr, limit);
    ReplaceAllNoCase(a, b, c, limit);
  }
  ExpandTextEscapes(a);
  CollapseBackslashes(a);
  ParseHexNumber(a);
  StrToIntDef(a, pick);
  if (UpperCase(a).size() != a.size() || LowerCase(a).size() != a.size()) std::abort();
  if (Trim(a).size() > a.size()) std::abort();
  return 0;
}
