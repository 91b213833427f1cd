#include <gtest/gtest.h>

#include "Utils.h"

TEST(DelimitedList, CountAndItems) {
  struct Case { const char* list; int count; int index; const char* item; };
  const Case cases[] = {
      {"|a|b|", 2, 0, "a"}, {"|a|b|", 2, 1, "b"}, {"|a|b|", 2, 2, ""},
      {"|", 0, 0, ""},      {"|a|b", 1, 0, "a"}, {"|a|b", 1, 1, ""},
      {"", 0, 0, ""},       {",x,", 1, 0, "x"},   {"|a||c|", 3, 1, ""},
      {"|a||c|", 3, 2, "c"}, {"|a||c|", 3, 3, ""}, {"||x|", 2, 0, ""},
      {"| a |", 1, 0, " a "}, {"|a|b|", 2, -1, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ListItemCount(c.list), c.count) << c.list;
    EXPECT_EQ(GetListItem(c.list, c.index), c.item) << c.list << " #" << c.index;
  }
}

TEST(DelimitedList, SetItem) {
  struct Case { const char* before; int index; const char* value; const char* after; };
  const Case cases[] = {
      {"", 2, "z", "|||z|"},
      {"|a|b|", 0, "x", "|x|b|"},
      {"|a|b|", 3, "d", "|a|b||d|"},
      {",a,", 1, "b", ",a,b,"},
      {"|a|b", 0, "q", "|q|"},
  };
  for (const auto& c : cases) {
    std::string l = c.before;
    SetListItem(l, c.index, c.value);
    EXPECT_EQ(l, c.after) << c.before;
  }
}

TEST(DelimitedList, IndexOfItem) {
  EXPECT_EQ(ListItemIndex("| Yes |No|", "yes"), -1);  // items are not trimmed
  EXPECT_EQ(ListItemIndex("|Yes|No|", "  no "), 1);   // the text is
  EXPECT_EQ(ListItemIndex("|Yes|No|", ""), -1);
  EXPECT_EQ(ListItemIndex("", "a"), -1);
  EXPECT_EQ(ListItemIndex("|a|b|a|", "A"), 0);
  EXPECT_EQ(ListItemIndex("|a|b|", "c"), -1);
}

TEST(DelimitedList, Iterator) {
  int cur = -1;
  std::string item;
  NextListItem("|a|b|", cur, item);
  EXPECT_EQ(item, "a");
  ASSERT_GE(cur, 0);
  NextListItem("|a|b|", cur, item);
  EXPECT_EQ(item, "b");
  ASSERT_GE(cur, 0);
  NextListItem("|a|b|", cur, item);
  EXPECT_LT(cur, 0);
  EXPECT_EQ(item, "b");

  cur = -1;
  item = "old";
  NextListItem("|a|b", cur, item);  // ends differ
  EXPECT_LT(cur, 0);
  EXPECT_EQ(item, "");

  cur = -1;
  item = "old";
  NextListItem("||", cur, item);  // too short
  EXPECT_LT(cur, 0);
  EXPECT_EQ(item, "");

  std::vector<std::string> seen;
  cur = -1;
  do {
    NextListItem(",x,,y,", cur, item);
    if (cur >= 0) seen.push_back(item);
  } while (cur >= 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"x", "", "y"}));
}

TEST(TextRoutines, SearchAndPositions) {
  EXPECT_EQ(TextAfter("key=value", "="), "value");
  EXPECT_EQ(TextAfter("plain", "="), "plain");
  EXPECT_EQ(TextBefore("key=value", "="), "key");
  EXPECT_EQ(TextBefore("plain", "="), "");
  EXPECT_EQ(ReverseText("abc"), "cba");
  EXPECT_EQ(LastPos("a", "banana"), 6);
  EXPECT_EQ(LastPos("an", "banana"), 4);
  EXPECT_EQ(LastPos("x", "banana"), 0);
  EXPECT_EQ(LastPosNoCase(".EXE", "setup.exe"), 1);
  EXPECT_EQ(LastPosNoCase("SET", "setup.exe"), 7);
  EXPECT_EQ(LastPosNoCase("zz", "setup.exe"), 0);
  EXPECT_TRUE(EqualTextNoCase("Hello", "hELLO"));
  EXPECT_FALSE(EqualTextNoCase("Hello", "Hell"));
  EXPECT_EQ(PosNoCase("LO", "hello"), 4);
  EXPECT_EQ(PosNoCase("x", "hello"), 0);
  EXPECT_EQ(PosFrom("a", "banana", 3), 4);
  EXPECT_EQ(PosFrom("a", "banana", 0), 0);
  EXPECT_EQ(PosFrom("a", "banana", 7), 0);
  EXPECT_EQ(PosFromNoCase("A", "banana", 5), 6);
  EXPECT_EQ(IntMin(3, -2), -2);
  EXPECT_EQ(IntMax(3, -2), 3);
}

TEST(TextRoutines, PaddingAndFlags) {
  EXPECT_EQ(PadRight("ab", 5, '.'), "ab...");
  EXPECT_EQ(PadRight("abcdef", 3, '.'), "abcdef");
  EXPECT_EQ(PadLeftZero("7", 3), "007");
  EXPECT_EQ(PadLeftZero("1234", 3), "1234");
  EXPECT_EQ(BoolToText(true), "TRUE");
  EXPECT_EQ(BoolToText(false), "FALSE");
  EXPECT_EQ(BoolToDigit(true), "1");
  EXPECT_EQ(BoolToDigit(false), "0");
}

TEST(TextRoutines, ReplaceAll) {
  struct Case { const char* text; const char* search; const char* repl; const char* out; };
  const Case cases[] = {
      {"aaaa", "aa", "a", "a"},     // restarts at the start: joined matches go too
      {"a.b", ".", "..", "a..b"},   // search inside replacement: placeholder road
      {"a.b.c", ".", "..", "a..b..c"},
      {"abc", "", "x", "abc"},      // empty search never matches
      {"abc", "B", "x", "abc"},     // case-sensitive
      {"x\x01y", "y", "yy", "x\x01yy"},  // placeholder skips used characters
      {"ab", "b", "bb", "abb"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReplaceAll(c.text, c.search, c.repl), c.out) << c.text;

  // Texts that hold every character a placeholder could be: each match is still replaced
  // once, and the characters already there stay as they are.
  std::string codes;
  for (int ch = 1; ch <= 9; ++ch) codes += char(ch);
  const std::string ff(1, char(255));
  EXPECT_EQ(ReplaceAll(codes + ff + "." + ff, ff, ff + ff), codes + ff + ff + "." + ff + ff);
  EXPECT_EQ(ReplaceAll(codes + ff + "a.b", ".", ".."), codes + ff + "a..b");

  // Joins across a replacement count, also far into a long text with many matches.
  EXPECT_EQ(ReplaceAll("xaaab", "ab", "b"), "xb");
  EXPECT_EQ(ReplaceAll("aabbab", "ab", "ba"), "bbbaaa");
  std::string many, expanded;
  for (int i = 0; i < 200000; ++i) {
    many += "line<p>";
    expanded += "line\r\n";
  }
  EXPECT_EQ(ExpandTextEscapes(many), expanded);
}

// `times` copies of a text.
std::string Times(const std::string& text, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all += text;
  return all;
}

TEST(TextRoutines, ReplaceRepeatedlyUnderMatchRules) {
  struct Case { std::string text, search, repl; bool noCase, word; std::string out; int count; };
  const std::string path(250, 'p'), license(3000, 'l'), tail = std::string(2000, 'c') + "a";
  const std::string cascade = std::string(50, 'A') + std::string(72, '\\');
  const Case cases[] = {
      {"xAAAAy", "aa", "a", true, false, "xay", 3},
      {"a\tcat\ncat. Cat", "CAT", "dog", true, true, "a\tdog\ncat. dog", 2},  // control characters part words
      {"x x  ", "x ", " ", false, true, "   ", 2},  // a replacement can make the word before it whole
      {"Dog", "dog", "DOG dog", true, false, "DOG dog", 1},  // holds the search: once each
      // A whole word that starts with a blank: the replacement holds the search text, but
      // never as a whole word, so every new one it makes with its neighbours goes too.
      {"   a y", " a", "A\taA", true, true, "A\taA\taA\taA y", 3},
      {"   a y", " a", "a b\tac", false, true, "a b\tac b\tac b\tac y", 3},
      // Long rewritings that end are followed to their end, however much longer the text
      // becomes and however many replacements it takes; each "ab" made anew goes as well.
      {Times("dir=%D%\r\n", 20000), "%D%", path, false, false, Times("dir=" + path + "\r\n", 20000), 20000},
      {Times("<%LIC%>", 2000), "%lic%", license, true, false, Times("<" + license + ">", 2000), 2000},
      {std::string(3000, 'b') + std::string(3000, 'a'), "ba", "ab", false, false,
       std::string(3000, 'a') + std::string(3000, 'b'), 9000000},
      // One that would take far more steps than any real text needs is given up.
      {std::string(10000, 'b') + std::string(10000, 'a'), "ba", "ab", false, false,
       std::string(10000, 'b') + std::string(10000, 'a'), -1},
      // A short text whose replacements set one another off, each costing 21 characters for
      // the one it adds, is given up long before it would end (28,299 replacements later).
      {cascade, "A" + std::string(9, '\\'), std::string(8, '\\') + "A\\\\", false, false, cascade, -1},
      {std::string(600, 'a') + "b", "ab", "b" + tail, false, false, "b" + Times(tail, 600), 600},
      {std::string(3000, 'a') + "b", "ab", "b" + tail, false, false, "b" + Times(tail, 3000), 3000},
      // One that is seen to grow without end is given up, and the text stays as it was.
      {"aab", "ab", "bbaa", false, false, "aab", -1},
      {std::string(3, '\\') + std::string(2, '\0'), std::string(3, '\\') + '\0', std::string(3, '\0') + std::string(6, '\\'),
       false, false, std::string(3, '\\') + std::string(2, '\0'), -1},
  };
  for (const auto& c : cases) {
    TTextMatch how;
    how.ignoreCase = c.noCase;
    how.wholeWord = c.word;
    int count = -2;
    const std::string out = ReplaceRepeatedly(c.text, c.search, c.repl, how, &count);
    EXPECT_TRUE(out == c.out) << c.text.substr(0, 40) << " / " << c.search << ": " << out.size() << " characters";
    EXPECT_EQ(count, c.count) << c.text.substr(0, 40) << " / " << c.search;
  }
  // A result that would pass the limit is given up; one that reaches it is made.
  int count = 0;
  EXPECT_EQ(ReplaceRepeatedly("a-a", "a", "bb", TTextMatch(), &count, 5), "bb-bb");
  EXPECT_EQ(count, 2);
  EXPECT_EQ(ReplaceRepeatedly("a-a", "a", "bb", TTextMatch(), &count, 4), "a-a");
  EXPECT_EQ(count, -1);
  EXPECT_EQ(ReplaceRepeatedly("a-a", "a", "aa", TTextMatch(), &count, 4), "a-a");  // once each, as long
  EXPECT_EQ(count, -1);
  EXPECT_EQ(ReplaceAllNoCase("a-a", "A", "bb", 4), "a-a");
}

TEST(TextRoutines, ReplaceAllNoCase) {
  EXPECT_EQ(ReplaceAllNoCase("Hello World", "world", "there"), "Hello there");
  EXPECT_EQ(ReplaceAllNoCase("PROG_NAME and prog_name", "Prog_Name", "Demo"), "Demo and Demo");
  // A replacement that holds the search text is inserted once per occurrence; no endless loop.
  EXPECT_EQ(ReplaceAllNoCase("a-A", "a", "AA"), "AA-AA");
  EXPECT_EQ(ReplaceAllNoCase("xyz", "Y", "yY"), "xyYz");
  EXPECT_EQ(ReplaceAllNoCase("abc", "", "x"), "abc");
  // Otherwise every search starts again at the start, the replacement standing in the
  // upper-cased copy as it is written.
  EXPECT_EQ(ReplaceAllNoCase("xAAAAy", "aa", "A"), "xAy");
  EXPECT_EQ(ReplaceAllNoCase("xAAAAy", "aa", "a"), "xaay");
  EXPECT_EQ(ReplaceAllNoCase("<InstallDir>\\\\Sub", "\\\\", "\\"), "<InstallDir>\\Sub");
  EXPECT_EQ(ReplaceAllNoCase(std::string(300, 'b') + std::string(300, 'a'), "BA", "AB"),
            std::string(300, 'A') + std::string(300, 'B'));
  const std::string slow = std::string(10000, 'b') + std::string(10000, 'a');
  EXPECT_TRUE(ReplaceAllNoCase(slow, "BA", "AB") == slow);
  // One that grows without end is given up: the text comes back as it was.
  const std::string grows = std::string(3, '\\') + std::string(2, '\0');
  EXPECT_EQ(ReplaceAllNoCase(grows, std::string(3, '\\') + '\0', std::string(3, '\0') + std::string(6, '\\')), grows);
}

TEST(TextRoutines, EscapesBackslashesHex) {
  EXPECT_EQ(ExpandTextEscapes("a\\\\nb\\\\tc<p>d<P>e"), "a\r\nb\tc\r\nd\r\ne");
  EXPECT_EQ(ExpandTextEscapes("a\\nb"), "a\\nb");  // single backslash stays
  EXPECT_EQ(CollapseBackslashes("\\\\server\\\\share\\\\\\x"), "\\\\server\\share\\x");
  EXPECT_EQ(CollapseBackslashes("C:\\a\\\\\\b"), "C:\\a\\b");
  EXPECT_EQ(CollapseBackslashes(""), "");
  EXPECT_EQ(ParseHexNumber("ff"), 255);
  EXPECT_EQ(ParseHexNumber(" 1A2b "), 0x1A2B);
  EXPECT_EQ(ParseHexNumber(""), 0);
  EXPECT_EQ(ParseHexNumber("FFFFFFFF"), 0xFFFFFFFFLL);
  EXPECT_EQ(ParseHexNumber("1G"), 1 * 16 - 1);  // a foreign character counts as -1
}

TEST(TextRoutines, TrimCaseNumbers) {
  EXPECT_EQ(Trim("\t a b \r\n"), "a b");
  EXPECT_EQ(UpperCase("abc\xE4z"), "ABC\xE4Z");
  EXPECT_EQ(StrToIntDef(" 42 ", 0), 42);
  EXPECT_EQ(StrToIntDef("-7", 0), -7);
  EXPECT_EQ(StrToIntDef("4x", 9), 9);
  EXPECT_EQ(StrToIntDef("", 1), 1);
  EXPECT_EQ(StrToIntDef("99999999999", 3), 3);
}
