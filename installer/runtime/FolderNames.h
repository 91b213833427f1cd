// The entries of a folder as one listing found them. Pure, so it builds natively too.
#pragma once
#include <string>
#include <unordered_map>

// The entries of one folder, from one listing, looked up ignoring case. Under Wine every
// look-up of a missing name reads the whole folder; a copy loop asks this instead. Names
// that the system may match in other ways (short "~" names, letters beyond ASCII) are left
// to the file system.
class TFolderNames {
 public:
  enum Kind { Unknown, Absent, File, Folder };
  // Forgets every entry and starts over for `folder` (without trailing backslash).
  void Reset(const std::string& folder);
  // An entry of the listing.
  void Add(const std::string& name, bool folder);
  // A file made or removed at `path` since the listing (ignored when not in the folder).
  void Note(const std::string& path);
  void Forget(const std::string& path);
  // What the listing says of `path`; Unknown when the path is not directly in the folder
  // or its name is left to the file system.
  Kind KindOf(const std::string& path) const;

 private:
  bool Covers(const std::string& path, std::string& key) const;
  std::string folder_;
  std::unordered_map<std::string, bool> entries_;  // lower-case name -> is a folder
};
