// What an installation records about itself: the uninstall script, the setup log, and the
// rules that decide which files are copied. Plain file I/O only, so it builds natively too.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

using TLineList = std::vector<std::string>;

// Splits a text into CR LF (or bare LF) lines; a last line without an end counts too.
TLineList SplitTextLines(const std::string& text);
// True for "KEY=value" where KEY is only letters, digits and "_".
bool IsHeaderLine(const std::string& line);
// "<target>\UnInstall.txt", or "UnInstall_<stamp>.txt" with a stamp.
std::string UninstallScriptPathFor(const std::string& targetFolder, const std::string& stamp);
// The uninstaller beside the script: the same path with ".exe".
std::string UninstallerPathFor(const std::string& scriptPath);

// The uninstall script of one run. Lines are kept in memory and the file grows by appending;
// it is written whole only when an earlier line changed (a reinstall's header value).
class TUninstallScript {
 public:
  // key: the scramble key of this run (ignored unless scramble is set).
  TUninstallScript(const std::string& path, bool enabled, bool scramble, unsigned char key);
  ~TUninstallScript();
  TUninstallScript(const TUninstallScript&) = delete;
  TUninstallScript& operator=(const TUninstallScript&) = delete;
  // Adds one line by the writer's rules. False only when an equal line was there already.
  bool AddUninstallLine(const std::string& line, bool force);
  const TLineList& Lines() const { return lines_; }
  const std::string& Path() const { return path_; }
  bool Enabled() const { return enabled_; }
  // The file's text as it stands in memory (plain, unscrambled).
  std::string Text() const;
  // Writes what a failed write left out (after a full disk made room again).
  void Flush() {
    if (enabled_ && loaded_ && !Whole()) Write();
  }
  // Every line in memory is in the file. False after a write that failed (the file may then
  // end inside a line) until a later write succeeds.
  bool Whole() const { return !enabled_ || error_ == 0; }
  // The system's code (the last error on Windows, errno elsewhere; -1 when it gave none) for
  // the write that failed last; 0 once the file is whole again.
  int WriteError() const { return error_; }
  // Lines the file held before this run (an earlier installation's); this run's follow them.
  size_t EarlierCount() const { return earlierCount_; }
  // Writes nothing more; a file the run began is removed. An earlier installation's file is
  // the run record's to put back (the run goes on in a copy of it).
  void Withdraw();

 private:
  void LoadEarlier();
  void Write();

  std::string path_;
  FILE* file_ = nullptr;  // kept open while lines are appended
  bool enabled_;
  bool scramble_;
  unsigned char key_;
  bool loaded_ = false;
  bool hadEarlier_ = false;
  size_t earlierCount_ = 0;
  int error_ = 0;
  TLineList lines_;
  std::unordered_set<std::string> seen_;  // lower-case lines
  size_t onDisk_ = 0;      // lines already in the file
  size_t bodySize_ = 0;    // bytes of plain text already in the file
  bool rewrite_ = true;    // the next write replaces the file
};

// The setup log. Lines wait in memory until the run names its file (once the target folder
// exists); after that each finished line is appended. A "\\x" entry joins the last line, so
// the last line is written only when the next one starts or on Flush.
class TSetupLog {
 public:
  explicit TSetupLog(bool enabled) : enabled_(enabled) {}
  ~TSetupLog();
  TSetupLog(const TSetupLog&) = delete;
  TSetupLog& operator=(const TSetupLog&) = delete;
  void AddSetupLogLine(const std::string& text);
  // Starts writing to the file: everything logged so far replaces what it held.
  void SetFile(const std::string& path);
  void Flush();
  const TLineList& Lines() const { return lines_; }
  const std::string& Path() const { return path_; }
  // Writes nothing more; a file SetFile began is removed. An earlier log is the run record's
  // to put back (the run goes on in a copy of it).
  void Withdraw();
  bool Enabled() const { return enabled_; }

 private:
  void WritePending(bool all);
  bool enabled_;
  std::string path_;
  bool hadEarlier_ = false;
  FILE* file_ = nullptr;
  TLineList lines_;
  size_t onDisk_ = 0;
  bool rewrite_ = true;
};

// What the overwrite rule needs to know of both files.
struct TOverwriteFacts {
  bool sourceExists = true;
  bool destExists = true;
  std::string sourceVersion, destVersion;  // padded version texts; empty when none
  uint32_t sourceDate = 0, destDate = 0;    // DOS date-time stamps; 0 when unknown
};
// Overwrite modes: 0 and 1 always, 2 same or newer, 3 newer, 4 only when absent. A mode in
// the file's flags (bits 24 to 26) above 0 replaces the given one.
bool DecideOverwrite(int mode, uint32_t flags, const TOverwriteFacts& facts);

// One entry of a file list: "name", "*name" (flags 1) or "<flags>*name".
void ParseFileEntry(const std::string& entry, uint32_t& flags, std::string& name);
// One copy item "<overwrite>|<sub folder>|<file list>".
struct TCopyItem {
  int overwrite = 0;
  std::string subFolder;
  std::string fileList;
};
TCopyItem ParseCopyItem(const std::string& item);
