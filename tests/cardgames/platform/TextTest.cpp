#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Text.h"

TEST(SplitQuotedTest, QuotedStretchesStayWhole) {
  typedef std::vector<std::string> Items;
  struct Case {
    std::string text;
    char separator;
    Items items;
  } cases[] = {
      {"a b c", ' ', {"a", "b", "c"}},
      {"\"C:\\Program Files\\rw.exe\" /TEST=2", ' ', {"\"C:\\Program Files\\rw.exe\"", "/TEST=2"}},
      {"x,\"1,2\",,y", ',', {"x", "\"1,2\"", "", "y"}},
      {"", ',', {""}},
      {"\"open,", ',', {"\"open,"}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.items, SplitQuoted(c.text, c.separator)) << c.text;
}
