#include "Utils.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
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

// Room for the tails of the text kept to see a rewriting repeat itself, and the number of
// replacements followed one inside another (deeper ones count as part of the last).
const size_t kShotLimit = size_t(16) << 20;
const size_t kInsertionLimit = size_t(1) << 20;

// The work a rewriting may take: each replacement costs the search and the replacement
// length. One that replaces what the text holds (or makes a few more where replacements
// meet their neighbours) stays within the text's length and the result's, so far below
// this. One that moves characters through the text one place a step (ba by ab over
// b^x a^y: x * y steps of 4, at most the square of the text's length) takes what the base
// allows, up to 2^26; past that it is given up, as is a short text whose replacements set
// one another off, each costing far more than the characters it adds.
const uint64_t kWorkPerCharacter = 16;
const uint64_t kWorkBaseMost = uint64_t(1) << 26;

// A stack of characters worked on in place: the loop below takes and puts characters
// without a call for each.
struct TCharStack {
  std::vector<char> store;
  char* at = nullptr;
  size_t size = 0, room = 0;
  // Room for `more` characters on top.
  void Room(size_t more) {
    if (size + more <= room) return;
    store.resize(std::max(room * 2, size + more));
    at = store.data();
    room = store.size();
  }
  void Put(const std::string& text) {
    if (text.empty()) return;
    Room(text.size());
    memcpy(at + size, text.data(), text.size());
    size += text.size();
  }
};

// Replaces the first occurrence of `key` again and again, each search from the start.
// Characters of the text are matched by their keys under `how`; those of the inserted
// replacement too, or, with `rawReplacement`, as they are. `count` gets the number of
// replacements, or -1 when the rewriting is given up (the text comes back unchanged):
// when it is seen to go on without end, its text would pass `limit` characters, or its
// work would pass the bound above.
//
// The text kept so far (out) holds no occurrence already known to count, so the first
// occurrence is the one that ends first as the characters are taken one by one. A
// replacement is taken again before the rest (pending), since it may join with what
// surrounds it into a new occurrence. Each step costs the search length at most, so the
// work follows the replacements made, never the length of the text times their number.
std::string Rewrite(const std::string& text, const std::string& key, const std::string& replacement,
                    const TTextMatch& how, bool rawReplacement, size_t limit, int64_t& count) {
  count = 0;
  const size_t n = key.size();
  if (n == 0) return text;
  // Failure links of the search text.
  std::vector<size_t> failLinks(n + 1, 0);
  size_t* const fail = failLinks.data();
  for (size_t i = 1, k = 0; i < n; ++i) {
    while (k > 0 && key[i] != key[k]) k = fail[k];
    if (key[i] == key[k]) ++k;
    fail[i + 1] = k;
  }
  const char* const want = key.data();
  char textKeys[256], replacementKeys[256];
  for (int c = 0; c < 256; ++c) {
    textKeys[c] = MatchKey(char(c), how);
    replacementKeys[c] = rawReplacement ? char(c) : textKeys[c];
  }
  std::string replacementKey;
  for (char c : replacement) replacementKey += replacementKeys[(unsigned char)c];
  const std::string reversed(replacement.rbegin(), replacement.rend());
  // A replacement that holds an occurrence wherever it stands (for whole words: between the
  // edges that bounded the occurrence it replaces) would be found again without end: then
  // each occurrence is replaced once and the search goes on after the inserted text.
  const bool endless = how.wholeWord ? (" " + replacementKey + " ").find(" " + key + " ") != std::string::npos
                                     : replacementKey.find(key) != std::string::npos;
  // Only a rewriting that makes the text longer can pass the limit; one that keeps its
  // length ends, for every step makes the text greater (or smaller) at the first place it
  // changes.
  const bool grows = replacement.size() > n;
  // Only such a one can go on without end: it is watched for repeating itself.
  const bool watch = grows && !endless;
  try {
    TCharStack out, outKeys, pending;  // pending: characters still to take, last one first
    out.Room(text.size() + 1);
    if (rawReplacement) outKeys.Room(text.size() + 1);
    auto keyAt = [&](size_t p) { return rawReplacement ? outKeys.at[p] : textKeys[(unsigned char)out.at[p]]; };
    const char* const source = text.data();
    const size_t length = text.size();
    size_t i = 0, q = 0;  // q: length of the search's start that out ends with
    uint64_t work = 0;
    const uint64_t stepCost = uint64_t(n) + replacement.size();
    const uint64_t workBase = std::min(uint64_t(length) * length, kWorkBaseMost);
    size_t floor = 0;     // out before it is not searched again
    // The state after a match is taken off: the search's start that out ends with lies in
    // its last n characters.
    auto restate = [&]() {
      size_t p = out.size > floor + n ? out.size - n : floor;
      for (q = 0; p < out.size; ++p) {
        const char k = keyAt(p);
        if (q == n) q = fail[n];
        while (q > 0 && k != want[q]) q = fail[q];
        if (k == want[q]) ++q;
      }
    };
    // One replacement being taken again: where its characters end in pending, the length of
    // out when it was inserted and the least length out had since, and the keys of the top
    // of out then.
    struct Insertion {
      size_t pendingBase, outLength, leastOut, shotAt, shotLength;
    };
    std::vector<Insertion> insertions;
    std::string shots;
    const size_t shotWidth = 2 * n + replacement.size();
    // An outer replacement that the later ones are held against too (the one inserted after
    // 1, 2, 4, ... insertions, or the next one once it has been taken): the length of out
    // then and the least since, and the keys of the top of out then.
    const size_t none = size_t(-1);
    size_t checkAt = none, checkLength = 0, checkLeast = 0, made = 0;
    std::string checkShot;
    // A replacement inserted while an earlier one is still being taken, into an out that ends
    // the way out ended when that one was inserted (from n characters below the lowest point
    // out reached since), with nothing shorter: from here the same steps come again and
    // again, each time one more round longer.
    auto repeatsSince = [&](size_t outLength, size_t leastOut, const char* shot, size_t shotLength) {
      if (leastOut < n || out.size < outLength) return false;
      const size_t width = outLength - leastOut + n;
      if (width > shotLength) return false;
      const size_t from = out.size - width;
      shot += shotLength - width;
      for (size_t k = 0; k < width; ++k)
        if (keyAt(from + k) != shot[k]) return false;
      return true;
    };
    auto repeats = [&]() {
      if (insertions.empty()) return false;
      const Insertion& a = insertions.back();
      return repeatsSince(a.outLength, a.leastOut, shots.data() + a.shotAt, a.shotLength) ||
             (checkAt != none && repeatsSince(checkLength, checkLeast, checkShot.data(), checkShot.size()));
    };
    auto insert = [&]() {
      if (watch && insertions.size() < kInsertionLimit) {
        Insertion b = {pending.size, out.size, out.size, shots.size(), 0};
        if (shots.size() + shotWidth <= kShotLimit) {
          b.shotLength = out.size < shotWidth ? out.size : shotWidth;
          for (size_t p = out.size - b.shotLength; p < out.size; ++p) shots += keyAt(p);
        }
        insertions.push_back(b);
        ++made;
        if (checkAt == none || (made & (made - 1)) == 0) {
          checkAt = insertions.size() - 1;
          checkLength = checkLeast = out.size;
          checkShot.assign(shots, b.shotAt, b.shotLength);
        }
      }
      pending.Put(reversed);
    };
    auto takenBack = [&]() {
      while (!insertions.empty() && pending.size <= insertions.back().pendingBase) {
        const Insertion done = insertions.back();
        insertions.pop_back();
        if (checkAt == insertions.size()) checkAt = none;
        shots.resize(done.shotAt);
        if (!insertions.empty() && done.leastOut < insertions.back().leastOut)
          insertions.back().leastOut = done.leastOut;
      }
    };
    // True when out ends with an occurrence that counts.
    auto endsWithMatch = [&]() {
      if (q != n) return false;
      if (!how.wholeWord) return true;
      if (out.size > n && !IsWordEdge(keyAt(out.size - n - 1))) return false;
      if (pending.size) return IsWordEdge(replacementKeys[(unsigned char)pending.at[pending.size - 1]]);
      return i >= length || IsWordEdge(textKeys[(unsigned char)source[i]]);
    };
    for (;;) {
      char c, k;
      if (pending.size) {
        c = pending.at[--pending.size];
        k = replacementKeys[(unsigned char)c];
        if (watch) takenBack();
      } else if (i < length) {
        c = source[i++];
        k = textKeys[(unsigned char)c];
      } else {
        return std::string(out.at, out.size);
      }
      if (q == n) q = fail[n];
      while (q > 0 && k != want[q]) q = fail[q];
      if (k == want[q]) ++q;
      if (out.size == out.room) out.Room(1);
      out.at[out.size++] = c;
      if (rawReplacement) {
        if (outKeys.size == outKeys.room) outKeys.Room(1);
        outKeys.at[outKeys.size++] = k;
      }
      if (q < n) continue;
      // A replacement can complete an occurrence that ends just before it (for whole words,
      // through the character that now follows it): look again until none is left.
      bool givenUp = false;
      while (!givenUp && endsWithMatch()) {
        out.size -= n;
        outKeys.size = rawReplacement ? out.size : 0;
        ++count;
        if (!endless) {
          restate();
          if (!insertions.empty() && out.size < insertions.back().leastOut) insertions.back().leastOut = out.size;
          if (out.size < checkLeast) checkLeast = out.size;
          givenUp = watch && repeats();
          if (!givenUp) insert();
        } else {
          // Taken as it is: no occurrence starts inside it.
          out.Put(replacement);
          if (rawReplacement) outKeys.Put(replacementKey);
          floor = out.size;
          q = 0;
        }
        const size_t size = out.size + pending.size + (length - i);
        if (grows && size > limit) givenUp = true;
        work += stepCost;
        if (work > kWorkPerCharacter * std::max(length, size) + workBase) givenUp = true;
      }
      if (givenUp) break;
    }
  } catch (const std::bad_alloc&) {
  }
  count = -1;
  return text;
}

}  // namespace

std::string ReplaceRepeatedly(const std::string& text, const std::string& search, const std::string& replacement,
                              const TTextMatch& how, int* count, size_t limit) {
  int64_t made = 0;
  std::string result = Rewrite(text, how.ignoreCase ? UpperCase(search) : search, replacement, how, false, limit, made);
  if (count) *count = made > INT_MAX ? INT_MAX : int(made);
  return result;
}

std::string ReplaceAll(const std::string& text, const std::string& search, const std::string& replacement) {
  return ReplaceRepeatedly(text, search, replacement, TTextMatch());
}

// The search goes through an upper-cased copy of the text into which the replacement goes
// as it is.
std::string ReplaceAllNoCase(const std::string& text, const std::string& search, const std::string& replacement,
                             size_t limit) {
  if (search.empty()) return text;
  const std::string key = UpperCase(search);
  if (UpperCase(replacement).find(key) == std::string::npos) {
    TTextMatch how;
    how.ignoreCase = true;
    int64_t count = 0;
    return Rewrite(text, key, replacement, how, true, limit, count);
  }
  // Each occurrence is replaced once: the search goes on after the inserted text, so a
  // replacement that holds the search text cannot be found again.
  const std::string copy = UpperCase(text);
  std::string result;
  size_t from = 0;
  for (size_t p; (p = copy.find(key, from)) != std::string::npos; from = p + key.size())
    result.append(text, from, p - from).append(replacement);
  return result.append(text, from, std::string::npos);
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
