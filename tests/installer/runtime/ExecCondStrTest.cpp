#include <gtest/gtest.h>

#include <set>

#include "ExecCondStr.h"
#include "Utils.h"

TEST(ExecCondStr, OutsideTheTablesIsEmpty) {
  for (int row : {-1, kConditionRowCount, 1000}) {
    EXPECT_EQ(ConditionCode(row), -1) << row;
    EXPECT_EQ(ConditionCaption(row), "") << row;
    EXPECT_EQ(ConditionField(row, 0), "") << row;
  }
  for (int row : {-1, kExecutionRowCount, 1000}) {
    EXPECT_EQ(ExecutionCode(row), -1) << row;
    EXPECT_EQ(ExecutionCaption(row), "") << row;
  }
}

TEST(ExecCondStr, RowsByIndex) {
  struct Case { bool condition; int row, code; const char* caption; };
  const Case cases[] = {
      {true, 0, 11, "File Found"},          {true, 3, 14, "Text Found in File"},
      {true, 6, 23, "Application Version is"}, {true, 17, 46, "Environment Variable Is (UpCase)"},
      {true, 22, 61, ".NET Framework Version is"}, {true, 23, 62, "ADO(MDAC) Version is"},
      {true, 30, 76, "Company Name is"},     {false, 0, 11, "Delete File(s)"},
      {false, 10, 26, "Set Folder To"},      {false, 29, 63, "Create Registry Value (String)"},
      {false, 38, 76, "Replace Text in File"}, {false, 40, 82, "ADD to Space Req on Drive"},
      {false, 43, 99, "Exit"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.condition ? ConditionCode(c.row) : ExecutionCode(c.row), c.code) << c.row;
    EXPECT_EQ(c.condition ? ConditionCaption(c.row) : ExecutionCaption(c.row), c.caption) << c.row;
  }
}

TEST(ExecCondStr, RowsHaveTheirShape) {
  EXPECT_EQ(ConditionRow(6),
            "|23|1| 1|1|1| 0|1|Application Version is|Enter application file name - sample: Winword.exe|"
            "Select Condition Relation|Enter file version - Sample: 1.0.9.4|");
  EXPECT_EQ(ExecutionRow(29), "|63|1|92|1|92|1|91|0|Create Registry Value (String)|Enter Registry Key|Enter Value Name|"
                              "Enter STRING Value|");
  std::set<int> codes;
  std::set<std::string> captions;
  for (int row = 0; row < kConditionRowCount; ++row) {
    EXPECT_EQ(ListItemCount(ConditionRow(row)), 11) << row;
    EXPECT_EQ(ConditionField(row, 2).size(), 2u) << row;
    EXPECT_EQ(ConditionField(row, 5).size(), 2u) << row;
    codes.insert(ConditionCode(row));
    captions.insert(UpperCase(ConditionCaption(row)));
  }
  EXPECT_EQ(codes.size(), size_t(kConditionRowCount));
  EXPECT_EQ(captions.size(), size_t(kConditionRowCount));
  codes.clear();
  captions.clear();
  for (int row = 0; row < kExecutionRowCount; ++row) {
    EXPECT_EQ(ListItemCount(ExecutionRow(row)), 12) << row;
    for (int field : {2, 4, 6}) EXPECT_EQ(ExecutionField(row, field).size(), 2u) << row;
    codes.insert(ExecutionCode(row));
    captions.insert(UpperCase(ExecutionCaption(row)));
  }
  EXPECT_EQ(codes.size(), size_t(kExecutionRowCount));
  EXPECT_EQ(captions.size(), size_t(kExecutionRowCount));
  // "Exit" reads no parameter.
  for (int field : {1, 3, 5}) EXPECT_EQ(ExecutionField(43, field), "0");
}
