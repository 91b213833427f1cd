// Delimited lists and small text routines shared by both engines.
// Pure functions on single-byte strings; no Win32 here.
#pragma once
#include <cstdint>
#include <string>

// A delimited list is a text whose first character is its delimiter and in which
// every item is followed by that delimiter: "|a|b|c|" holds a, b and c.
int ListItemCount(const std::string& list);
std::string GetListItem(const std::string& list, int index);
// Iterator: cursor < 0 means "no position" (start, or finished).
void NextListItem(const std::string& list, int& cursor, std::string& item);
void SetListItem(std::string& list, int index, const std::string& value);
int ListItemIndex(const std::string& list, const std::string& text);

int IntMin(int a, int b);
int IntMax(int a, int b);
std::string TextBefore(const std::string& text, const std::string& separator);
std::string TextAfter(const std::string& text, const std::string& separator);
std::string ReverseText(const std::string& text);
int LastPos(const std::string& sub, const std::string& text);
int LastPosNoCase(const std::string& sub, const std::string& text);
bool EqualTextNoCase(const std::string& a, const std::string& b);
int PosNoCase(const std::string& sub, const std::string& text);
int PosFrom(const std::string& sub, const std::string& text, int start);
int PosFromNoCase(const std::string& sub, const std::string& text, int start);
std::string PadRight(const std::string& text, int width, char fill);
std::string PadLeftZero(const std::string& text, int width);
// How a search text matches: letter case ignored; only as a whole word (between blanks,
// control characters or the ends of the text, a control character counting as a blank).
struct TTextMatch {
  bool ignoreCase = false;
  bool wholeWord = false;
};
// Replaces the first occurrence again and again, each search from the start of the text,
// until none is left (so "aa" by "a" in "aaaa" gives "a"). A replacement that holds the
// search text replaces each occurrence once, going on after the inserted text. `count`
// receives the number of replacements, or -1 when the rewriting is given up: when it is
// seen to go on without end, its text would pass `limit` characters, or it would take
// more than 16 times the length of the text (or of the result, when longer) plus the
// square of the text's length (at most 2^26) in search and replacement characters
// replaced. Then the text comes back unchanged.
// ReplaceAllNoCase follows the same rule.
const size_t kReplaceLimit = size_t(256) << 20;
std::string ReplaceRepeatedly(const std::string& text, const std::string& search, const std::string& replacement,
                              const TTextMatch& how, int* count = nullptr, size_t limit = kReplaceLimit);
std::string ReplaceAll(const std::string& text, const std::string& search, const std::string& replacement);
std::string ReplaceAllNoCase(const std::string& text, const std::string& search, const std::string& replacement,
                             size_t limit = kReplaceLimit);
std::string ExpandTextEscapes(const std::string& text);
std::string CollapseBackslashes(const std::string& path);
int64_t ParseHexNumber(const std::string& text);
std::string BoolToText(bool flag);
std::string BoolToDigit(bool flag);

// Helpers of the same family used across the engines.
std::string UpperCase(const std::string& text);   // ASCII a..z only
std::string LowerCase(const std::string& text);   // ASCII A..Z only
std::string Trim(const std::string& text);        // blanks and control characters at both ends
int Pos(const std::string& sub, const std::string& text);  // 1-based, 0 when none
int StrToIntDef(const std::string& text, int def);          // decimal integer or def

// A leading UTF-8 byte-order mark, as editors may save one, and the text without it.
bool HasUtf8Bom(const std::string& text);
std::string WithoutUtf8Bom(const std::string& text);
