#include "Utils.h"

#include <climits>
#include <cstdlib>
#include <vector>

namespace {

char UpChar(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
char LowChar(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::string UpperCase(const std::string& text) {
  std::string r(text);
  for (char& c : r) c = UpChar(c);
  return r;
}

std::string LowerCase(const std::string& text) {
  std::string r(text);
  for (char& c : r) c = LowChar(c);
  return r;
}

std::string Trim(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && IsTrimmed(text[b])) ++b;
  while (e > b && IsTrimmed(text[e - 1])) --e;
  return text.substr(b, e - b);
}

int Pos(const std::string& sub, const std::string& text) {
  if (sub.empty()) return 0;
  size_t p = text.find(sub);
  return p == std::string::npos ? 0 : int(p) + 1;
}

int StrToIntDef(const std::string& text, int def) {
  std::string t = Trim(text);
  if (t.empty()) return def;
  size_t i = 0;
  bool neg = false;
  if (t[0] == '+' || t[0] == '-') {
    neg = t[0] == '-';
    i = 1;
  }
  if (i >= t.size()) return def;
  long long v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return def;
    v = v * 10 + (t[i] - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) return def;
  }
  if (neg) v = -v;
  if (v > INT_MAX || v < INT_MIN) return def;
  return int(v);
}

int ListItemCount(const std::string& list) {
  if (list.empty()) return 0;
  int n = 0;
  for (size_t i = 1; i < list.size(); ++i)
    if (list[i] == list[0]) ++n;
  return n;
}

std::string GetListItem(const std::string& list, int index) {
  if (list.empty() || index < 0) return std::string();
  const char d = list[0];
  size_t start = 1;
  for (int i = 0;; ++i) {
    size_t end = list.find(d, start);
    if (end == std::string::npos) return std::string();
    if (i == index) return list.substr(start, end - start);
    start = end + 1;
  }
}

void NextListItem(const std::string& list, int& cursor, std::string& item) {
  if (list.size() < 3 || list.front() != list.back()) {
    item.clear();
    cursor = -1;
    return;
  }
  const char d = list[0];
  size_t from = cursor < 0 ? 1 : size_t(cursor) + 1;
  if (from >= list.size()) {
    cursor = -1;
    return;
  }
  size_t end = list.find(d, from);
  if (end == std::string::npos) {
    cursor = -1;
    return;
  }
  item = list.substr(from, end - from);
  cursor = int(end);
}

void SetListItem(std::string& list, int index, const std::string& value) {
  if (index < 0) return;
  if (list.empty()) list = "|";
  int n = ListItemCount(list);
  if (index >= n) n = index + 1;
  const char d = list[0];
  std::string out(1, d);
  for (int i = 0; i < n; ++i) {
    out += (i == index) ? value : GetListItem(list, i);
    out += d;
  }
  list = out;
}

int ListItemIndex(const std::string& list, const std::string& text) {
  const std::string l = Trim(list), t = Trim(text);
  if (l.empty() || t.empty()) return -1;
  int n = ListItemCount(l);
  for (int i = 0; i < n; ++i)
    if (EqualTextNoCase(GetListItem(l, i), t)) return i;
  return -1;
}

int IntMin(int a, int b) { return a < b ? a : b; }
int IntMax(int a, int b) { return a > b ? a : b; }

std::string TextBefore(const std::string& text, const std::string& separator) {
  int p = Pos(separator, text);
  return p == 0 ? std::string() : text.substr(0, p - 1);
}

std::string TextAfter(const std::string& text, const std::string& separator) {
  int p = Pos(separator, text);
  return p == 0 ? text : text.substr(p);
}

std::string ReverseText(const std::string& text) { return std::string(text.rbegin(), text.rend()); }

int LastPos(const std::string& sub, const std::string& text) {
  if (sub.empty()) return 0;
  size_t p = text.rfind(sub);
  return p == std::string::npos ? 0 : int(p) + 1;
}

int LastPosNoCase(const std::string& sub, const std::string& text) {
  // Counted from the end: 1 means the text ends with the substring.
  int p = LastPos(UpperCase(sub), UpperCase(text));
  if (p == 0) return 0;
  int lastChar = p + int(sub.size()) - 1;  // 1-based from the start
  return int(text.size()) - lastChar + 1;
}

bool EqualTextNoCase(const std::string& a, const std::string& b) { return UpperCase(a) == UpperCase(b); }

int PosNoCase(const std::string& sub, const std::string& text) { return Pos(UpperCase(sub), UpperCase(text)); }

int PosFrom(const std::string& sub, const std::string& text, int start) {
  if (start < 1 || sub.empty() || size_t(start) > text.size()) return 0;
  size_t p = text.find(sub, size_t(start) - 1);
  return p == std::string::npos ? 0 : int(p) + 1;
}

int PosFromNoCase(const std::string& sub, const std::string& text, int start) {
  return PosFrom(UpperCase(sub), UpperCase(text), start);
}

std::string PadRight(const std::string& text, int width, char fill) {
  if (width <= int(text.size())) return text;
  return text + std::string(size_t(width) - text.size(), fill);
}

std::string PadLeftZero(const std::string& text, int width) {
  if (width <= int(text.size())) return text;
  return std::string(size_t(width) - text.size(), '0') + text;
}

namespace {

// Key of a text character under a match's rules: case folded when asked, and for whole
// words a control character reads as a blank.
char MatchKey(char c, const TTextMatch& how) {
  if (how.wholeWord && static_cast<unsigned char>(c) < ' ') return ' ';
  return how.ignoreCase ? UpChar(c) : c;
}

bool IsWordEdge(char key) { return key == ' '; }

}  // namespace

// The text kept so far holds no occurrence that is already known to be complete, so the
// first occurrence is the one that ends first as the characters are taken one by one. A
// replacement is taken again before the rest, since it may join with what surrounds it into
// a new occurrence; an automaton state is kept per character taken, so that taking back a
// match costs nothing and the whole pass stays linear in the characters taken.
std::string ReplaceRepeatedly(const std::string& text, const std::string& search, const std::string& replacement,
                              const TTextMatch& how, int* count) {
  if (count) *count = 0;
  std::string key(search);
  if (how.ignoreCase) key = UpperCase(key);
  const size_t n = key.size();
  if (n == 0) return text;
  // Failure links of the search text.
  std::vector<size_t> fail(n + 1, 0);
  for (size_t i = 1, k = 0; i < n; ++i) {
    while (k > 0 && key[i] != key[k]) k = fail[k];
    if (key[i] == key[k]) ++k;
    fail[i + 1] = k;
  }
  std::string replacementKey;
  for (char c : replacement) replacementKey += MatchKey(c, how);
  // A replacement that holds an occurrence wherever it stands (for whole words: between the
  // edges that bounded the occurrence it replaces) would be found again without end: then
  // each occurrence is replaced once and the search goes on after the inserted text.
  const bool endless = how.wholeWord ? (" " + replacementKey + " ").find(" " + key + " ") != std::string::npos
                                     : replacementKey.find(key) != std::string::npos;
  // Any other rewriting is followed to its end. One that is seen to repeat itself while it
  // grows, or that outgrows these bounds, is given up, the text left as it was: it either
  // never ends or has no room to.
  const size_t maxLength = text.size() * 4 + (size_t(1) << 22);
  const uint64_t maxTaken = (uint64_t(text.size()) + (uint64_t(1) << 22)) * 4;
  uint64_t taken = 0;
  std::string out, pending;  // pending: characters still to take, last one first
  std::vector<uint32_t> state;  // matched length after each character of out
  out.reserve(text.size());
  state.reserve(text.size());
  size_t i = 0;
  // One replacement being taken again: where its characters end in pending, the length of
  // out when it was inserted and the least length out had since, and the top of out then.
  struct Insertion {
    size_t pendingBase, outLength, leastOut, shotAt, shotLength;
  };
  std::vector<Insertion> insertions;
  std::string shots;
  const size_t shotWidth = 2 * n + replacement.size();
  // A replacement inserted while the one before it is still being taken, into an out that
  // ends the way out ended when that one was inserted (from n characters below the lowest
  // point out reached since), with nothing shorter: from here the same steps come again and
  // again, each time one more round longer.
  auto repeats = [&]() {
    if (insertions.empty()) return false;
    const Insertion& a = insertions.back();
    if (a.leastOut < n || out.size() < a.outLength) return false;
    const size_t width = a.outLength - a.leastOut + n;
    return width <= a.shotLength &&
           out.compare(out.size() - width, width, shots, a.shotAt + a.shotLength - width, width) == 0;
  };
  auto insert = [&]() {
    if (replacement.empty()) return;
    Insertion b = {pending.size(), out.size(), out.size(), shots.size(), 0};
    if (shots.size() + shotWidth <= maxLength) {
      b.shotLength = out.size() < shotWidth ? out.size() : shotWidth;
      shots.append(out, out.size() - b.shotLength, b.shotLength);
    }
    insertions.push_back(b);
    pending.append(replacement.rbegin(), replacement.rend());
  };
  auto taken_back = [&]() {
    while (!insertions.empty() && pending.size() <= insertions.back().pendingBase) {
      const Insertion done = insertions.back();
      insertions.pop_back();
      shots.resize(done.shotAt);
      if (!insertions.empty() && done.leastOut < insertions.back().leastOut)
        insertions.back().leastOut = done.leastOut;
    }
  };
  auto nextKey = [&](char& k) {
    if (!pending.empty()) k = MatchKey(pending.back(), how);
    else if (i < text.size()) k = MatchKey(text[i], how);
    else return false;
    return true;
  };
  // True when out ends with an occurrence that counts.
  auto endsWithMatch = [&]() {
    if (state.empty() || state.back() != n) return false;
    if (!how.wholeWord) return true;
    char k;
    if (out.size() > n && !IsWordEdge(MatchKey(out[out.size() - n - 1], how))) return false;
    return !nextKey(k) || IsWordEdge(k);
  };
  for (;;) {
    char c;
    if (!pending.empty()) {
      c = pending.back();
      pending.pop_back();
      taken_back();
    } else if (i < text.size()) {
      c = text[i++];
    } else {
      return out;
    }
    if (++taken > maxTaken) break;
    const char k = MatchKey(c, how);
    size_t q = state.empty() ? 0 : state.back();
    if (q == n) q = fail[n];
    while (q > 0 && k != key[q]) q = fail[q];
    if (k == key[q]) ++q;
    out += c;
    state.push_back(uint32_t(q));
    // A replacement can complete an occurrence that ends just before it (for whole words,
    // through the character that now follows it): look again until none is left.
    bool again = false;
    while (endsWithMatch()) {
      out.resize(out.size() - n);
      state.resize(state.size() - n);
      if (count) ++*count;
      if (!endless) {
        if (!insertions.empty() && out.size() < insertions.back().leastOut) insertions.back().leastOut = out.size();
        again = repeats();
        if (again) break;
        insert();
      } else {
        // Taken as it is: no occurrence starts inside it.
        out += replacement;
        state.insert(state.end(), replacement.size(), 0);
      }
    }
    if (again || out.size() + pending.size() + (text.size() - i) > maxLength) break;
  }
  if (count) *count = -1;
  return text;
}

std::string ReplaceAll(const std::string& text, const std::string& search, const std::string& replacement) {
  return ReplaceRepeatedly(text, search, replacement, TTextMatch());
}

std::string ReplaceAllNoCase(const std::string& text, const std::string& search, const std::string& replacement) {
  if (search.empty()) return text;
  const std::string upSearch = UpperCase(search);
  std::string copy = UpperCase(text);
  std::string result = text;
  // Each occurrence is replaced once: the search goes on after the inserted text, so a
  // replacement that holds the search text cannot be found again.
  size_t from = 0;
  for (;;) {
    size_t p = copy.find(upSearch, from);
    if (p == std::string::npos) return result;
    copy.replace(p, upSearch.size(), replacement);
    result.replace(p, upSearch.size(), replacement);
    from = UpperCase(replacement).find(upSearch) == std::string::npos ? 0 : p + replacement.size();
  }
}

std::string ExpandTextEscapes(const std::string& text) {
  std::string t = ReplaceAll(text, "\\\\n", "\r\n");
  t = ReplaceAll(t, "\\\\t", "\t");
  t = ReplaceAll(t, "<p>", "\r\n");
  t = ReplaceAll(t, "<P>", "\r\n");
  return t;
}

std::string CollapseBackslashes(const std::string& path) {
  if (path.empty()) return path;
  std::string rest = path.substr(1);
  for (;;) {
    size_t p = rest.find("\\\\");
    if (p == std::string::npos) break;
    rest.erase(p, 1);
  }
  return path.substr(0, 1) + rest;
}

int64_t ParseHexNumber(const std::string& text) {
  std::string t = UpperCase(Trim(text));
  int64_t sum = 0;
  uint64_t place = 1;
  for (size_t i = t.size(); i-- > 0;) {
    char c = t[i];
    int64_t digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else digit = -1;
    sum = int64_t(uint64_t(sum) + uint64_t(digit) * place);
    place *= 16;
  }
  return sum;
}

std::string BoolToText(bool flag) { return flag ? "TRUE" : "FALSE"; }
std::string BoolToDigit(bool flag) { return flag ? "1" : "0"; }

bool HasUtf8Bom(const std::string& text) { return text.compare(0, 3, "\xEF\xBB\xBF") == 0; }

std::string WithoutUtf8Bom(const std::string& text) { return HasUtf8Bom(text) ? text.substr(3) : text; }
