// The two vocabularies of the execute-operation engine: condition rows and execution
// rows, each a delimited list ("|code|...|caption|...|"). The engine reads the code
// (field 0) and the caption (field 7 of a condition row, field 8 of an execution row);
// the other fields describe the row to an authoring tool and are carried unchanged.
#pragma once
#include <string>

const int kConditionRowCount = 31;
const int kExecutionRowCount = 44;
const int kConditionCaptionField = 7;
const int kExecutionCaptionField = 8;

// Any field of a row; empty outside the table.
std::string ConditionField(int row, int field);
std::string ExecutionField(int row, int field);
// Field 0 as a number; -1 outside the table.
int ConditionCode(int row);
int ExecutionCode(int row);
std::string ConditionCaption(int row);
std::string ExecutionCaption(int row);
// The whole row text; empty outside the table.
std::string ConditionRow(int row);
std::string ExecutionRow(int row);
