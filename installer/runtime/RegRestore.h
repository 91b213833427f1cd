// What the registry held before a run changed it, to be put back exactly: a key with its
// values and subkeys, one value, and the pending renames a run scheduled.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// A key as it stood when taken: its values (names, types, bytes) and subkeys, all levels.
// A key that was missing is remembered with the highest of its parents that was missing
// too: putting it back deletes that key.
class TRegKeySnapshot {
 public:
  explicit TRegKeySnapshot(const std::string& path);
  ~TRegKeySnapshot();
  TRegKeySnapshot(const TRegKeySnapshot&) = delete;
  TRegKeySnapshot& operator=(const TRegKeySnapshot&) = delete;
  bool Existed() const { return existed_; }
  // Replaces what is there now by what was there; true when it could.
  bool Restore() const;
  // Takes back what changed from this snapshot to `after` (the same key as a run left it),
  // where it is still as `after` holds it: such a value gets back what it was here (or goes,
  // when it was missing); one that another program wrote since is left. A value or subkey the
  // run deleted comes back while it is still missing. A key that was missing goes once no
  // other program's value or subkey is in it, with the parents that were missing with it.
  bool UndoSince(const TRegKeySnapshot& after) const;
  // Whether both hold the same key with the same values and subkeys.
  bool SameAs(const TRegKeySnapshot& other) const;
  // The snapshot as bytes, and back: Read refuses (null) anything it did not write whole.
  std::string Serialize() const;
  static std::unique_ptr<TRegKeySnapshot> Read(const std::string& bytes);

  struct TNode;
  struct TReader;

 private:
  TRegKeySnapshot() = default;
  void Write(std::string& out) const;
  static std::unique_ptr<TRegKeySnapshot> ReadFrom(TReader& in);
  // A key that was missing: it goes while it is empty, and then each parent that was missing
  // with it while that is empty.
  bool RemoveIfEmpty() const;
  friend class TRegValueSnapshot;
  HKEY root_ = nullptr;
  std::wstring key_;      // under root_
  std::wstring missing_;  // the highest missing key, when the key was missing
  bool existed_ = false;
  std::unique_ptr<TNode> node_;
};

// One value as it stood (or that it was missing; with its key too, the key goes as well).
class TRegValueSnapshot {
 public:
  TRegValueSnapshot(const std::string& path, const std::string& valueName);
  bool Restore() const;
  // The same value as it stands now.
  std::unique_ptr<TRegValueSnapshot> Current() const;
  // Takes back the change from this snapshot to `after` where the value is still as `after`
  // holds it (see TRegKeySnapshot::UndoSince); a key that was missing goes once it is empty.
  bool UndoSince(const TRegValueSnapshot& after) const;
  bool SameAs(const TRegValueSnapshot& other) const;
  std::string Serialize() const;
  static std::unique_ptr<TRegValueSnapshot> Read(const std::string& bytes);

 private:
  TRegValueSnapshot() = default;
  // Reads the value as it stands; false when its key is missing.
  bool ReadValue();
  std::unique_ptr<TRegKeySnapshot> missingKey_;
  std::string path_;
  std::wstring name_;
  bool existed_ = false;
  DWORD type_ = 0;
  std::vector<BYTE> data_;
};

// Removes the pending rename of `source` to `target` (MoveFileEx with delay until reboot)
// from the system's list: the last such pair, or with `everyPair` each of them; every other
// pair stays exactly as it was. True when one was there.
bool CancelPendingRename(const std::string& source, const std::string& target, bool everyPair);

// The key and value that hold the system's pending renames and deletions.
extern const char* const kPendingRenamesKeyPath;
extern const char* const kPendingRenamesValue;
// Whether any deletion at the next restart is pending (a pair "path -> nothing").
bool AnyPendingDeletion();
// Whether a deletion of `path` at the next restart is pending.
bool DeletionPending(const std::string& path);
// Removes every pending deletion of `path`; every other pair stays exactly as it was. True
// when one was there.
bool CancelPendingDeletion(const std::string& path);
// Windows 9x: the text of WININIT.INI without the lines "NUL=path" of its [rename] section
// that name `path` (long or short); every other byte stays. True when one went.
bool DropWininitDeletion(std::string& text, const std::string& path);

// A text of the system's code page in wide characters.
std::wstring WideText(const std::string& text);
