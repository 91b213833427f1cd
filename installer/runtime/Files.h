// Whole-file reading and writing with progress, wildcard operations, folder trees and
// searches over the drives. Free functions over paths; nothing raises, nothing shows a box.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

// Progress receiver: mode 0 sets range min..max, position and step; mode 1 steps once.
// The transfers here always report mode 0, min 0, max = total bytes, step 1.
using TProgressProc = std::function<void(int32_t mode, int32_t min, int32_t max, int32_t position, int32_t step)>;

// Path pieces, split at "\", "/" or ":". The folder part keeps its trailing separator;
// the folder keeps it only for a drive root ("C:\").
// The short (8.3) form of an existing path; the path itself when there is none.
std::string ShortPath(const std::string& path);
std::string ExtractFilePath(const std::string& path);
std::string ExtractFileDir(const std::string& path);
std::string ExtractFileName(const std::string& path);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Creates the folder with every missing parent; true when it exists afterwards.
bool ForceDirectories(const std::string& folder);
// True when both paths name one file: the same full path (ignoring case) or, when both
// exist, the same file of the same volume.
bool IsSameFile(const std::string& a, const std::string& b);

// DOS date-time stamp (date high word, time low word) of the first match; 0 when none.
uint32_t GetFileDate(const std::string& mask);
// Sets the last-write time of an open file (a HANDLE) from a DOS date-time stamp.
void SetHandleDate(void* handle, uint32_t date);
int64_t GetChunkSize(int64_t size, int64_t parts, int64_t cap);

std::string LoadFileToString(const std::string& path, const TProgressProc& progress = nullptr);
std::string ReadFileContents(const std::string& path);
bool SaveStringToFile(const std::string& path, const std::string& data, uint32_t date,
                      const TProgressProc& progress = nullptr);
bool WriteFileContents(const std::string& path, const std::string& data, uint32_t date);
// Writes `data` in place of the existing file `path`: into a new file beside it, which
// takes the old one's place and attributes only once it is whole. On failure (a read-only
// file is not replaced) the file stays as it was.
bool RewriteFile(const std::string& path, const std::string& data);
// A failed append takes the file back to its old length (a file it made goes again).
bool AppendToFile(const std::string& path, const std::string& data, uint32_t date);
// Writes all `count` bytes to an open file (a HANDLE). A write the system cut short goes on
// with the rest, so that a failure leaves the system's reason as the last error.
bool WriteWhole(void* file, const void* data, uint32_t count);
// A file copied onto itself is never touched and counts as not copied. A failure leaves
// its reason as the last error.
bool CopyFileWithProgress(const std::string& source, const std::string& dest,
                          const TProgressProc& progress = nullptr);
std::string FileNameWithoutExt(const std::string& path);
// The path with the extension of its file name replaced (or added): ext includes the ".".
std::string ChangeFileExt(const std::string& path, const std::string& ext);
double GetDiskFreeBytes(const std::string& path);

std::string ListFiles(const std::string& mask, bool keepExtension);
bool SetFilesAttributes(const std::string& mask, uint32_t attributes);
bool DeleteFiles(const std::string& mask, bool clearReadOnly);
// Folders no removal may take: an empty or relative path, a drive or share root, the
// system's own folders (Windows, system, Program Files, the profile, Desktop, Documents,
// the Start menu with its Programs and Startup folders, application data, for the user
// and for all users) and every folder that holds one of them. Compared as full long
// paths, ignoring case and a trailing backslash.
bool IsProtectedFolder(const std::string& path);
// Links (junctions and other reparse points) inside the tree are removed, never entered.
// A drive or share root is refused. Files for which keep answers true stay, with the
// folders that hold them.
bool DeleteTree(const std::string& folder, bool clearReadOnly,
                const std::function<bool(const std::string& path)>& keep = nullptr);
std::string ListDirTree(const std::string& folder);
// Files over existing ones are replaced only once copied whole, as in CopyFiles and
// MoveFiles. False when any file or folder of the tree could not be copied.
bool CopyDirTree(const std::string& source, const std::string& dest);
int CopyFiles(const std::string& sourceMask, const std::string& dest, bool createFolders);
// CopyFiles with created folders, then each source whose own copy succeeded is deleted
// (never a source that is its own target). Returns the files moved.
int MoveFiles(const std::string& sourceMask, const std::string& dest);
int RenameFiles(const std::string& sourceMask, const std::string& dest);
bool RenameFolder(const std::string& folder, const std::string& newPath);

// Tree walks and drive searches do not enter links.
std::string FindFileInTree(const std::string& root, const std::string& fileName);
std::string FindFolderInTree(const std::string& root, const std::string& folderName);
// Drive roots C:\ .. Z:\ whose drive type (3 fixed, 4 network) matches; first hit wins.
std::string FindFileOnDrives(const std::string& fileName, unsigned driveType);
std::string FindFolderOnDrives(const std::string& folderName, unsigned driveType);

#ifdef _WIN32
#include <windows.h>

// Windows only: error texts and the direct copy into files made here, through their handles.
// The system's text for an error code, on one line.
std::string SystemErrorText(DWORD code);
bool IsDiskFull(DWORD code);
// A plain copy, overwriting.
bool PlainCopy(const std::string& source, const std::string& dest);
// Makes `path` as a new empty file under exactly that name, open for writing, without the
// case-blind search for a name that is not there (under Wine that reads the whole folder).
// INVALID_HANDLE_VALUE when anything is in the way, or where the system has no such call.
HANDLE CreateExactFile(const std::string& path);
// Gives an open file its attributes through the handle, without opening it again by name.
bool SetAttributesOf(HANDLE file, DWORD attributes);
// Runs `change` (a deletion of the name `path`, or a rename over it) with the name's
// read-only and other attributes out of the way. A name that is one of several of the same
// file keeps that file's attributes for its other names: only the read-only bit is cleared,
// and the attributes are set again through a handle once the change is made.
bool ChangeName(const std::string& path, const std::function<bool()>& change);
// What the direct copy does beyond the bytes, through the handle it holds: the destination's
// attributes (`attributesSet` tells whether they were set).
struct TCopyFinish {
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  bool attributesSet = false;
};
// Copies the source's bytes and last-write time into `out`, which it closes; the source is
// only read. A failure leaves its reason as the last error.
bool CopyIntoFile(const std::string& source, HANDLE out, TCopyFinish& finish);

class TFolderNames;
// The entries of one folder (without trailing backslash) into `names`; a folder that cannot
// be listed whole leaves it knowing nothing.
void ListFolder(const std::string& folder, TFolderNames& names);

#endif
