// What the wizard form and its install run (SInstall.cpp) share.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FolderNames.h"
#include "SDialog.h"
#include "SRecord.h"
#include "SRunRecord.h"

// The setup log of this run: opened with the script, written by the pages and the run.
extern std::unique_ptr<TSetupLog> g_setupLog;

// Field i of a "|" list written without its outer bars.
std::string Field(const std::string& item, int index);
// Field i of a "|" list that may already carry its outer bars (component lines do).
std::string ListField(const std::string& list, int index);

// One install run: the state of the copy page's run from its first step to its last, and
// the record of what it changes. The wizard starts it, shows its progress and asks it to
// stop; a run that stops short is undone from its record.
class TInstallRun {
 public:
  TInstallRun() = default;
  TInstallRun(const TInstallRun&) = delete;
  TInstallRun& operator=(const TInstallRun&) = delete;

  // Opens the uninstall script of the run; `failure` is called when a line cannot be written.
  void OpenScript(const std::string& path, bool enabled, bool scramble, unsigned char key,
                  std::function<void()> failure);
  // The only way lines reach the uninstall script (none before it is open).
  bool AddUninstallLine(const std::string& line, bool force = false);
  std::string UninstallScriptPath() const { return uninstall_ ? uninstall_->Path() : std::string(); }
  TUninstallScript* Script() const { return uninstall_.get(); }

  TRunRecord record;
  bool uninstallerMissing = false;  // the run could not place its uninstaller
  bool entryMissing = false;        // nor its Add/Remove Programs entry
  bool recordsFailed = false;       // a write of the uninstall script failed
  std::vector<std::string> unrecordedParents;  // parents the run made whose lines wait for the script
  std::vector<std::string> keptFolders;        // the "*3" folders of the selected groups, lower case
  std::vector<std::string> comServers, fonts;  // collected by the copy, registered after it
  bool infoCopied = false, infoTried = false;
  std::string setupFolder;
  std::string diskSetFolders;
  bool diskSetKnown = false;
  bool sourceDamaged = false;
  std::string unpackInto;          // where a packed source may be unpacked directly
  bool unpackedInPlace = false;    // the last located source went there
  DWORD unpackAttributes = 0;      // the attributes it is given there
  bool unpackAttributesSet = false;
  TFolderNames sourceNames, destNames;  // the two folders of the list being copied
  int filesStepped = 0;

 private:
  std::unique_ptr<TUninstallScript> uninstall_;
  std::function<void()> recordsFailure_;
};
