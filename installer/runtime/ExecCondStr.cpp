#include "ExecCondStr.h"

#include "Utils.h"

namespace {

// Condition row: 0 code; 1 flag; 2 input kind of p1; 3 relation flag; 4 p2 flag; 5 input
// kind of p2; 6 flag; 7 caption; 8..10 prompts of p1, relation and p2.
// Execution row: 0 code; 1 p1 flag; 2 its kind; 3 p2 flag; 4 its kind; 5 p3 flag; 6 its
// kind; 7 flag; 8 caption; 9..11 prompts of p1, p2 and p3.
const char* const kConditionRows[] = {
    "|11|1|91|0|0| 0|1|File Found|Enter file name - sample: <WinSysDir>Msvcrt.dll|||",
    "|12|1| 0|0|0| 0|1|Directory Found|Enter directory - sample: <ProgramFilesDir>Common Files|||",
    "|13|1| 5|0|0| 0|1|Drive Found|Select drive letter|||",
    "|14|1|91|0|1|17|1|Text Found in File|Enter file name - sample: <WinDir>Win.ini||Enter text to find (prefix ! ignores case, !! whole word)|",
    "|21|1| 1|0|0| 0|1|Application Found|Enter application file name - sample: Winword.exe|||",
    "|22|1| 1|0|0| 0|1|Application Path Found|Enter application file name - sample: Winword.exe|||",
    "|23|1| 1|1|1| 0|1|Application Version is|Enter application file name - sample: Winword.exe|Select Condition Relation|Enter file version - Sample: 1.0.9.4|",
    "|31|1|91|0|0| 0|1|Exe is Running|Enter program file name - sample: Notepad.exe|||",
    "|32|1| 2|0|0| 0|1|Service is Running|Enter service display name|||",
    "|33|1| 4|0|0| 0|1|Operating System is in|Select systems - sample: 98,ME,XP|||",
    "|34|1|91|1|1| 0|1|File Version is|Enter file name - sample: <WinSysDir>Comctl32.dll|Select Condition Relation|Enter file version - Sample: 5.80.2614.3600|",
    "|35|1|19|0|1|20|1|HWindow is Found|Enter window class name||Enter window name|",
    "|41|1|92|0|0| 0|1|Registry Key Found|Enter Registry Key|||",
    "|42|1|92|0|1|92|1|Registry Value Found|Enter Registry Key||Enter Value Name|",
    "|43|1|92|1|1| 0|1|Registry Value is|Enter Registry Key and Value Name|Select Condition Relation|Enter value|",
    "|44|1| 6|0|0| 0|1|Environment Variable Found|Enter variable name|||",
    "|45|1| 6|1|1| 0|1|Environment Variable Is|Enter variable name|Select Condition Relation|Enter value|",
    "|46|1| 6|1|1| 0|1|Environment Variable Is (UpCase)|Enter variable name|Select Condition Relation|Enter value|",
    "|51|0| 0|1|1| 0|1|Memory Size is (MB)||Select Condition Relation|Enter memory size in MB - sample: 256|",
    "|52|0| 0|1|1| 0|1|CPU Speed is (MHz)||Select Condition Relation|Enter processor speed in MHz - sample: 800|",
    "|53|0| 0|1|1| 7|1|Screen Resolution is||Select Condition Relation|Select screen resolution - sample: 1024x768|",
    "|54|0| 0|1|1| 8|1|Color Depth is||Select Condition Relation|Select color depth|",
    "|61|0| 0|1|1|11|1|.NET Framework Version is||Select Condition Relation|Select framework version|",
    "|62|0| 0|1|1|12|1|ADO(MDAC) Version is||Select Condition Relation|Select data access version|",
    "|63|1|13|0|0| 0|1|Visual Basic Runtime Found|Select runtime version - 5 or 6|||",
    "|71|1| 0|0|0| 0|1|Ask Yes/No|Enter question text|||",
    "|72|1| 0|0|0| 0|1|Ask OK/Cancel|Enter question text|||",
    "|73|1| 9|0|0| 0|1|Setup Type is|Select setup type|||",
    "|74|1|10|0|0| 0|1|Group Selected|Select group name|||",
    "|75|1| 0|0|0| 0|1|User Name is|Enter user name|||",
    "|76|1| 0|0|0| 0|1|Company Name is|Enter company name|||",
};
const char* const kExecutionRows[] = {
    "|11|1|91|0| 0|0| 0|0|Delete File(s)|Enter file name or mask - sample: <InstallDir>*.tmp|||",
    "|12|1|91|1|91|0| 0|0|Copy File(s)|Enter source file or mask|Enter target file or mask||",
    "|13|1|91|1|91|0| 0|0|Move File(s)|Enter source file or mask|Enter target file or mask||",
    "|14|1|91|1|91|0| 0|0|Rename File(s)|Enter file name or mask|Enter new name or mask||",
    "|15|1|91|1|16|0| 0|0|Set File(s) Attributes|Enter file name or mask - sample: <InstallDir>*.tmp|Select attributes||",
    "|21|1| 0|0| 0|0| 0|0|Remove Directory|Enter directory|||",
    "|22|1| 0|0| 0|0| 0|0|Force Remove Directory|Enter directory|||",
    "|23|1| 0|0| 0|0| 0|0|Set Working Directory|Enter directory|||",
    "|24|1| 0|1| 0|0| 0|0|Copy Directory Tree|Enter source directory|Enter target directory||",
    "|25|1| 0|1| 0|0| 0|0|Rename Directory|Enter directory|Enter new directory name||",
    "|26|1|18|1| 0|0| 0|0|Set Folder To|Select folder|Enter new folder||",
    "|27|1| 0|0| 0|0| 0|0|Set Setup Type|Enter setup type|||",
    "|31|1| 0|0| 0|0| 0|0|Delete Application Executable|Enter application file name - sample: Winword.exe|||",
    "|32|1| 0|0| 0|0| 0|0|Remove Application Directory|Enter application file name - sample: Winword.exe|||",
    "|33|1| 0|0| 0|0| 0|0|UnInstall Application|Enter application display name|||",
    "|34|1| 0|1| 0|1|14|0|Run Application|Enter application file name - sample: Winword.exe|Enter parameters|Select show command|",
    "|35|1| 0|1| 0|1|14|0|Run Application and Wait|Enter application file name - sample: Winword.exe|Enter parameters|Select show command|",
    "|41|1|91|1| 0|1|14|0|Run Executable|Enter program file|Enter parameters|Select show command|",
    "|42|1|91|1| 0|1|14|0|Run Executable and Wait|Enter program file|Enter parameters|Select show command|",
    "|43|1|91|1| 0|1|14|0|Shell Execute|Enter file, document or web address|Enter parameters|Select show command|",
    "|44|1|91|1| 0|0| 0|0|Shell Execute (Hide)|Enter file, document or web address|Enter parameters||",
    "|51|1| 0|0| 0|0| 0|0|Start Service|Enter service display name|||",
    "|52|1| 0|0| 0|0| 0|0|Stop Service|Enter service display name|||",
    "|53|1|91|1| 0|1| 0|0|Create Service|Enter service program file|Enter service name|Enter service display name|",
    "|54|1| 0|0| 0|0| 0|0|Remove Service|Enter service display name|||",
    "|55|1|91|0| 0|0| 0|0|Register OCX/COM Server|Enter server file|||",
    "|56|1|91|0| 0|0| 0|0|UnRegister OCX/COM Server|Enter server file|||",
    "|61|1|92|0| 0|0| 0|0|Create Registry Key|Enter Registry Key|||",
    "|62|1|92|0| 0|0| 0|0|Remove Registry Key|Enter Registry Key|||",
    "|63|1|92|1|92|1|91|0|Create Registry Value (String)|Enter Registry Key|Enter Value Name|Enter STRING Value|",
    "|64|1|92|1|92|1| 0|0|Create Registry Value (Integer)|Enter Registry Key|Enter Value Name|Enter INTEGER Value|",
    "|65|1|92|1|92|1| 0|0|Create Registry Value (Hex)|Enter Registry Key|Enter Value Name|Enter HEX Value - sample: FF,00,01,3A|",
    "|66|1|92|1|92|0| 0|0|Remove Registry Value|Enter Registry Key|Enter Value Name||",
    "|71|1|91|1| 0|1| 0|0|Write INI Item|Enter INI file|Enter section|Enter key=value|",
    "|72|1|91|1| 0|1| 0|0|Delete INI Item|Enter INI file|Enter section|Enter key|",
    "|73|1| 0|1| 0|1|15|0|Create Environment Variable|Enter variable name|Enter value|Select User or System|",
    "|74|1| 0|1|15|0| 0|0|Remove Environment Variable|Enter variable name|Select User or System||",
    "|75|1|91|1| 0|0| 0|0|Append Text to a File|Enter file name|Enter text (\\\\n new line, \\\\t tab)||",
    "|76|1|91|1| 0|1| 0|0|Replace Text in File|Enter file name|Enter text to find (prefix ! ignores case, !! whole word)|Enter replacement text|",
    "|81|1| 0|0| 0|0| 0|0|Set Space Req on Drive|Enter space in MB (! for the computed value)|||",
    "|82|1| 0|0| 0|0| 0|0|ADD to Space Req on Drive|Enter space in MB to add|||",
    "|91|1| 0|0| 0|0| 0|0|Display Message|Enter message text|||",
    "|92|1| 0|0| 0|0| 0|0|Wait (MS)|Enter time in milliseconds|||",
    "|99|0| 0|0| 0|0| 0|0|Exit||||",
};

static_assert(sizeof kConditionRows / sizeof kConditionRows[0] == kConditionRowCount, "condition rows");
static_assert(sizeof kExecutionRows / sizeof kExecutionRows[0] == kExecutionRowCount, "execution rows");

}  // namespace

std::string ConditionRow(int row) {
  return row >= 0 && row < kConditionRowCount ? kConditionRows[row] : std::string();
}
std::string ExecutionRow(int row) {
  return row >= 0 && row < kExecutionRowCount ? kExecutionRows[row] : std::string();
}
std::string ConditionField(int row, int field) { return GetListItem(ConditionRow(row), field); }
std::string ExecutionField(int row, int field) { return GetListItem(ExecutionRow(row), field); }
int ConditionCode(int row) { return StrToIntDef(ConditionField(row, 0), -1); }
int ExecutionCode(int row) { return StrToIntDef(ExecutionField(row, 0), -1); }
std::string ConditionCaption(int row) { return ConditionField(row, kConditionCaptionField); }
std::string ExecutionCaption(int row) { return ExecutionField(row, kExecutionCaptionField); }
