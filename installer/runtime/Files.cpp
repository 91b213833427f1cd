#include "Files.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "Common.h"
#include "FolderNames.h"
#include "RunTimeDir.h"
#include "Utils.h"

namespace {

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;

// Paths are taken apart at "/" as at "\".
const char kPathDelimiters[] = "\\/:";
bool IsSlash(char c) { return c == '\\' || c == '/'; }
bool IsDelimiter(char c) { return IsSlash(c) || c == ':'; }

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || IsDelimiter(folder.back())) return folder + name;
  return folder + "\\" + name;
}

// Full path with long names, for comparing two spellings of one path.
std::string NormalPath(const std::string& path) {
  if (path.empty()) return path;
  char full[MAX_PATH * 2];
  DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  if (n == 0 || n >= sizeof full) return path;
  char longName[MAX_PATH * 2];
  DWORD m = GetLongPathNameA(full, longName, sizeof longName);
  std::string result = (m > 0 && m < sizeof longName) ? std::string(longName, m) : std::string(full, n);
  return SetTrailingBackslash(result, false);
}

bool IsDots(const char* name) { return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)); }
bool IsFolderEntry(const WIN32_FIND_DATAA& fd) {
  return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsDots(fd.cFileName);
}
bool IsLink(const WIN32_FIND_DATAA& fd) { return (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// Every entry of a search, collected first so that the caller may change the folder.
std::vector<WIN32_FIND_DATAA> FindAll(const std::string& mask) {
  std::vector<WIN32_FIND_DATAA> found;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(mask.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return found;
  do found.push_back(fd);
  while (FindNextFileA(h, &fd));
  FindClose(h);
  return found;
}

std::vector<std::string> MatchingFiles(const std::string& mask) {
  std::vector<std::string> names;
  for (const auto& fd : FindAll(mask))
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
  return names;
}

// Subfolders of a folder; links are reported with their flag set.
struct SubFolder {
  std::string path;
  bool link;
};
std::vector<SubFolder> SubFolders(const std::string& folder) {
  std::vector<SubFolder> subs;
  for (const auto& fd : FindAll(JoinPath(folder, "*")))
    if (IsFolderEntry(fd)) subs.push_back({JoinPath(folder, fd.cFileName), IsLink(fd)});
  return subs;
}

// A drive root ("C:\", or "\" and "C:" when they lead there) or a share root
// ("\\server\share"): emptying it would empty a whole volume.
bool IsVolumeRoot(const std::string& path) {
  char full[MAX_PATH * 2];
  const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  std::string p = (n > 0 && n < sizeof full) ? std::string(full, n) : path;
  while (p.size() > 2 && IsSlash(p.back())) p.pop_back();
  if (p.size() == 2 && p[1] == ':') return true;
  if (p.compare(0, 2, "\\\\") != 0) return false;
  const size_t server = p.find('\\', 2);
  return server == std::string::npos || p.find('\\', server + 1) == std::string::npos;
}

// Size of an open file, or -1 when it is not known or too large for one text.
int64_t SizeOf(HANDLE h) {
  DWORD high = 0;
  DWORD low = GetFileSize(h, &high);
  if ((low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0 || low > 0x7FFFFFF0u) return -1;
  return low;
}

// Reads or writes `total` bytes in steps of at most `chunk` bytes, reporting before the
// first step and after each one. Returns the bytes moved.
template <class Step>
DWORD Transfer(DWORD total, DWORD chunk, const TProgressProc& progress, Step step) {
  auto report = [&](DWORD done) {
    if (progress) progress(0, 0, int32_t(total), int32_t(done), 1);
  };
  report(0);
  DWORD done = 0;
  for (;;) {
    DWORD want = chunk < total - done ? chunk : total - done;
    DWORD moved = want ? step(done, want) : 0;
    done += moved;
    report(done);
    if (moved == 0 || done >= total) break;
  }
  return done;
}

// Without a receiver a whole file moves in one call.
DWORD ChunkFor(DWORD total, const TProgressProc& progress) {
  return progress ? DWORD(GetChunkSize(total, 10, 1048576)) : total;
}

bool WriteAll(HANDLE h, const std::string& data, const TProgressProc& progress) {
  const DWORD total = DWORD(data.size());
  DWORD done = Transfer(total, ChunkFor(total, progress), progress, [&](DWORD at, DWORD count) {
    DWORD put = 0;
    return WriteFile(h, data.data() + at, count, &put, nullptr) ? put : 0;
  });
  return done == total;
}

// A new empty file beside `dest`: "~kv", four hexadecimal digits and ".tmp" where the
// folder leaves room for that within the path limit, else a shorter name ("~" and digits
// and letters, as many as fit), so any folder that can hold dest can hold it too. Empty
// when none could be made; the reason is then the last error.
std::string MakeTemporaryBeside(const std::string& dest) {
  static const char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  static unsigned calls = 0;
  const std::string folder = ExtractFilePath(dest);
  const size_t longest = MAX_PATH - 1;
  if (folder.size() >= longest) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return std::string();
  }
  const size_t room = longest - folder.size();
  const bool usual = room >= 11;
  const size_t width = usual ? 4 : room > 1 ? std::min<size_t>(room - 1, 6) : 1;
  const unsigned base = usual ? 16 : 36;
  uint64_t names = 1;
  for (size_t k = 0; k < width; ++k) names *= base;
  const uint64_t start = (GetTickCount() ^ (uint64_t(GetCurrentProcessId()) << 8)) + uint64_t(calls++) * 7919;
  for (uint64_t t = 0; t < names && t < 65536; ++t) {
    std::string digits(width, '0');
    uint64_t v = (start + t) % names;
    for (size_t k = width; k-- > 0; v /= base) digits[k] = kDigits[v % base];
    const std::string path = folder + (usual ? "~kv" + digits + ".tmp" : room > 1 ? "~" + digits : digits);
    if (EqualTextNoCase(path, dest)) continue;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
      return path;
    }
    // A name taken (by a file or a folder) is passed over; any other failure ends the search.
    const DWORD reason = GetLastError();
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
      SetLastError(reason);
      return std::string();
    }
  }
  SetLastError(ERROR_FILE_EXISTS);
  return std::string();
}

// Makes the new content of `dest` through `make` in a temporary file beside it (handed its
// path), and puts that in dest's place only once it is made whole: a failure leaves dest
// as it was, and its reason as the last error. A read-only destination is not replaced.
template <class Make>
bool ReplaceThroughTemporary(const std::string& dest, Make make) {
  const DWORD old = GetFileAttributesA(dest.c_str());
  if (old != INVALID_FILE_ATTRIBUTES && (old & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  const std::string temporary = MakeTemporaryBeside(dest);
  if (temporary.empty()) return false;
  if (make(temporary.c_str()) && MoveFileExA(temporary.c_str(), dest.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  const DWORD reason = GetLastError();
  SetFileAttributesA(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(temporary.c_str());
  SetLastError(reason);
  return false;
}

bool CopyOneFile(const std::string& source, const std::string& dest) {
  if (IsSameFile(source, dest) || !FileExists(source)) return false;
  return ReplaceThroughTemporary(
      dest, [&](const char* temporary) { return CopyFileA(source.c_str(), temporary, FALSE) != 0; });
}

// Found name under a destination name that may hold a star.
std::string MaskTargetName(const std::string& found, const std::string& destName) {
  const std::string d = destName.empty() ? "*.*" : destName;
  if (d == "*.*") return found;
  if (d[0] == '*') {
    size_t dot = found.rfind('.');
    size_t destDot = d.rfind('.');
    return found.substr(0, dot) + (destDot == std::string::npos ? "" : d.substr(destDot));
  }
  if (d.back() == '*') {
    size_t destDot = d.rfind('.');
    std::string base = destDot == std::string::npos ? d.substr(0, d.size() - 1) : d.substr(0, destDot);
    size_t dot = found.rfind('.');
    return base + (dot == std::string::npos ? "" : found.substr(dot));
  }
  return d;
}

bool HasStar(const std::string& s) { return s.find('*') != std::string::npos; }

void ListTree(const std::string& folder, std::string& list) {
  for (const auto& sub : SubFolders(folder)) {
    list += sub.path + "|";
    if (!sub.link) ListTree(sub.path, list);
  }
}

}  // namespace

void SetHandleDate(HANDLE h, uint32_t date) {
  FILETIME local, utc;
  if (DosDateTimeToFileTime(HIWORD(date), LOWORD(date), &local) && LocalFileTimeToFileTime(&local, &utc))
    SetFileTime(h, nullptr, nullptr, &utc);
}

std::string ShortPath(const std::string& path) {
  char buf[MAX_PATH];
  const DWORD n = GetShortPathNameA(path.c_str(), buf, sizeof(buf));
  return n > 0 && n < sizeof(buf) ? std::string(buf, n) : path;
}

std::string ExtractFilePath(const std::string& path) {
  size_t i = path.find_last_of(kPathDelimiters);
  return i == std::string::npos ? std::string() : path.substr(0, i + 1);
}

std::string ExtractFileDir(const std::string& path) {
  std::string dir = ExtractFilePath(path);
  if (dir.size() > 2 && dir.back() == '/' && dir[dir.size() - 2] != ':') dir.back() = '\\';
  return SetTrailingBackslash(dir, false);
}

std::string ExtractFileName(const std::string& path) {
  size_t i = path.find_last_of(kPathDelimiters);
  return i == std::string::npos ? path : path.substr(i + 1);
}

bool FileExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return !path.empty() && a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return !path.empty() && a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::string& folder) {
  const std::string f = SetTrailingBackslash(folder, false);
  if (f.empty()) return false;
  if (DirectoryExists(f)) return true;
  const std::string parent = ExtractFileDir(f);
  if (!parent.empty() && parent != f && !EqualTextNoCase(parent, f)) ForceDirectories(parent);
  CreateDirectoryA(f.c_str(), nullptr);
  return DirectoryExists(f);
}

bool IsSameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  if (EqualTextNoCase(NormalPath(a), NormalPath(b))) return true;
  HANDLE ha = CreateFileA(a.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (ha == INVALID_HANDLE_VALUE) return false;
  bool same = false;
  HANDLE hb = CreateFileA(b.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (hb != INVALID_HANDLE_VALUE) {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (GetFileInformationByHandle(ha, &ia) && GetFileInformationByHandle(hb, &ib))
      same = ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
             ia.nFileIndexLow == ib.nFileIndexLow;
    CloseHandle(hb);
  }
  CloseHandle(ha);
  return same;
}

uint32_t GetFileDate(const std::string& mask) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(mask.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  FindClose(h);
  FILETIME local;
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&fd.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, &date, &time)) return 0;
  return (uint32_t(date) << 16) | time;
}

int64_t GetChunkSize(int64_t size, int64_t parts, int64_t cap) {
  int64_t chunk = size / (parts > 0 ? parts : 1);
  if (chunk <= 1024) return size < 1024 ? size : 1024;
  return chunk < cap ? chunk : cap;
}

std::string LoadFileToString(const std::string& path, const TProgressProc& progress) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::string();
  const int64_t size = SizeOf(h);
  std::string data;
  if (size >= 0) {
    data.assign(size_t(size), '\0');
    DWORD done = Transfer(DWORD(size), ChunkFor(DWORD(size), progress), progress, [&](DWORD at, DWORD count) {
      DWORD got = 0;
      return ReadFile(h, &data[at], count, &got, nullptr) ? got : 0;
    });
    if (done < size) data.clear();
  }
  CloseHandle(h);
  return data;
}

std::string ReadFileContents(const std::string& path) { return LoadFileToString(path, nullptr); }

bool SaveStringToFile(const std::string& path, const std::string& data, uint32_t date, const TProgressProc& progress) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(h, data, progress);
  if (ok && date) SetHandleDate(h, date);
  CloseHandle(h);
  return ok;
}

bool WriteFileContents(const std::string& path, const std::string& data, uint32_t date) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(h, data, nullptr);
  if (date) SetHandleDate(h, date);
  CloseHandle(h);
  return ok;
}

bool RewriteFile(const std::string& path, const std::string& data) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return ReplaceThroughTemporary(path, [&](const char* temporary) {
    HANDLE h = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = WriteWhole(h, data.data(), uint32_t(data.size()));
    const DWORD reason = GetLastError();
    ok = CloseHandle(h) && ok;
    if (!ok) SetLastError(reason);
    return ok && SetFileAttributesA(temporary, attributes);
  });
}

bool AppendToFile(const std::string& path, const std::string& data, uint32_t date) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
  LARGE_INTEGER end = {}, none = {};
  const bool ok = SetFilePointerEx(h, none, &end, FILE_END) && WriteWhole(h, data.data(), uint32_t(data.size()));
  // What did not all fit goes again: the file ends where it ended.
  if (!ok && SetFilePointerEx(h, end, nullptr, FILE_BEGIN)) SetEndOfFile(h);
  if (date) SetHandleDate(h, date);
  CloseHandle(h);
  if (!ok && created) DeleteFileA(path.c_str());
  return ok;
}

bool WriteWhole(void* file, const void* data, uint32_t count) {
  const char* at = static_cast<const char*>(data);
  while (count > 0) {
    DWORD put = 0;
    if (!WriteFile(file, at, count, &put, nullptr)) return false;
    if (put == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    at += put;
    count -= put;
  }
  return true;
}

bool CopyFileWithProgress(const std::string& source, const std::string& dest, const TProgressProc& progress) {
  HANDLE in = CreateFileA(source.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (in == INVALID_HANDLE_VALUE) return false;
  const int64_t size = SizeOf(in);
  // Creating the destination would cut the source to nothing when both are one file.
  if (size < 0 || IsSameFile(source, dest)) {
    CloseHandle(in);
    return false;
  }
  HANDLE out = CreateFileA(dest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    CloseHandle(in);
    return false;
  }
  std::vector<char> buffer(32768);
  DWORD written = 0, reason = 0;
  // A chunk is never larger than the buffer; a failed write ends the copy. Its reason is
  // kept apart: the progress report after it may change the last error.
  DWORD done = Transfer(DWORD(size), DWORD(GetChunkSize(size, 10, 32768)), progress, [&](DWORD, DWORD count) {
                          DWORD got = 0;
                          const bool read = ReadFile(in, buffer.data(), count, &got, nullptr) != 0;
                          if (!read || got == 0) {
                            reason = read ? ERROR_HANDLE_EOF : GetLastError();
                            return DWORD(0);
                          }
                          if (!WriteWhole(out, buffer.data(), got)) {
                            reason = GetLastError();
                            return DWORD(0);
                          }
                          written += got;
                          return got;
                        });
  CloseHandle(out);
  CloseHandle(in);
  const bool ok = done == size && written == size;
  if (!ok) SetLastError(reason ? reason : ERROR_READ_FAULT);
  return ok;
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  const size_t slash = path.find_last_of(kPathDelimiters);
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ext;
  return path.substr(0, dot) + ext;
}

std::string FileNameWithoutExt(const std::string& path) {
  const std::string name = ExtractFileName(path);
  return name.substr(0, name.rfind('.'));
}

double GetDiskFreeBytes(const std::string& path) {
  std::string root = path.empty() ? std::string() : std::string(1, path[0]) + ":\\";
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (!GetDiskFreeSpaceA(root.empty() ? nullptr : root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                         &clusters))
    return -1;
  return double(sectorsPerCluster) * double(bytesPerSector) * double(freeClusters);
}

std::string ListFiles(const std::string& mask, bool keepExtension) {
  std::string list = "|";
  for (const auto& name : MatchingFiles(mask)) list += (keepExtension ? name : FileNameWithoutExt(name)) + "|";
  return list;
}

bool SetFilesAttributes(const std::string& mask, uint32_t attributes) {
  const std::string folder = ExtractFilePath(mask);
  const auto names = MatchingFiles(mask);
  for (const auto& name : names) SetFileAttributesA((folder + name).c_str(), attributes);
  return !names.empty();
}

bool DeleteFiles(const std::string& mask, bool clearReadOnly) {
  const std::string folder = ExtractFilePath(mask);
  const auto names = MatchingFiles(mask);
  for (const auto& name : names) {
    const std::string path = folder + name;
    if (clearReadOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
  }
  return !names.empty();
}

namespace {

// Upper-cased full long path without trailing backslash; empty when it is no absolute
// path. Device paths ("\\.\") read as empty too.
std::string ComparablePath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  if (path.compare(0, 4, "\\\\?\\") == 0) {
    path.erase(0, 4);
    if (EqualTextNoCase(path.substr(0, 4), "UNC\\")) path = "\\" + path.substr(3);
  }
  const bool drive = path.size() >= 3 && isalpha((unsigned char)path[0]) && path[1] == ':' && path[2] == '\\';
  const bool share = path.compare(0, 2, "\\\\") == 0 && path.compare(0, 4, "\\\\.\\") != 0 &&
                     path.compare(0, 4, "\\\\?\\") != 0;
  if (!drive && !share) return std::string();
  std::string p = NormalPath(path);
  while (p.size() > 2 && p.back() == '\\') p.pop_back();
  return UpperCase(p);
}

typedef HRESULT(WINAPI* TGetFolderPath)(HWND, int, HANDLE, DWORD, LPSTR);

TGetFolderPath FolderPathFunction() {
  for (const char* dll : {"shell32.dll", "shfolder.dll"}) {
    HMODULE lib = LoadLibraryA(dll);
    if (!lib) continue;
    if (auto f = reinterpret_cast<TGetFolderPath>(reinterpret_cast<void*>(GetProcAddress(lib, "SHGetFolderPathA"))))
      return f;
  }
  return nullptr;
}

const std::vector<std::string>& SystemFolders() {
  static std::vector<std::string> folders;
  static bool known = false;
  if (known) return folders;
  known = true;
  std::vector<std::string> raw = {GetWindowsDir(false), GetSystemDir(false), GetProgramFilesDir()};
  // Windows, system, Program Files, profile, Desktop, Documents, Start menu, Programs,
  // Startup and application data, each for the user and for all users.
  const int ids[] = {0x24, 0x25, 0x26, 0x28, 0x10, 0x19, 0x05, 0x2E, 0x0B, 0x16,
                     0x02, 0x17, 0x07, 0x18, 0x1A, 0x23, 0x1C};
  if (TGetFolderPath getFolder = FolderPathFunction()) {
    for (int id : ids) {
      char buf[MAX_PATH] = "";
      if (SUCCEEDED(getFolder(nullptr, id, nullptr, 0, buf))) raw.push_back(buf);
    }
  }
  const char* const shellFolders[] = {"Desktop", "Personal", "Start Menu", "Programs", "Startup", "AppData",
                                      "Local AppData", "Common Desktop", "Common Documents", "Common Start Menu",
                                      "Common Programs", "Common Startup", "Common AppData"};
  for (const char* root : {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"})
    for (const char* name : shellFolders)
      raw.push_back(ReadRegValue(std::string(root) + "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                                 name, ""));
  for (const char* var : {"USERPROFILE", "ALLUSERSPROFILE"}) {
    char buf[MAX_PATH] = "";
    const DWORD n = GetEnvironmentVariableA(var, buf, sizeof buf);
    if (n > 0 && n < sizeof buf) raw.push_back(buf);
  }
  for (const auto& r : raw) {
    const std::string p = ComparablePath(r);
    if (!p.empty()) folders.push_back(p);
  }
  return folders;
}

}  // namespace

bool IsProtectedFolder(const std::string& path) {
  const std::string p = ComparablePath(path);
  if (p.empty()) return true;
  // A drive root, a bare server or a share root.
  if (p.size() == 2 && p[1] == ':') return true;
  if (p.compare(0, 2, "\\\\") == 0) {
    const size_t server = p.find('\\', 2);
    if (server == std::string::npos || p.find('\\', server + 1) == std::string::npos) return true;
  }
  for (const auto& folder : SystemFolders())
    if (folder == p || (folder.size() > p.size() && folder.compare(0, p.size(), p) == 0 && folder[p.size()] == '\\'))
      return true;
  return false;
}

bool DeleteTree(const std::string& folder, bool clearReadOnly, const std::function<bool(const std::string&)>& keep) {
  const std::string f = SetTrailingBackslash(folder, false);
  const DWORD attrs = GetFileAttributesA(f.c_str());
  // Nothing to do (and nothing touched) unless the folder exists; never a whole volume.
  if (f.empty() || attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (IsVolumeRoot(f)) return false;
  if (!(attrs & FILE_ATTRIBUTE_REPARSE_POINT)) {
    if (!keep) {
      DeleteFiles(JoinPath(f, "*.*"), clearReadOnly);
    } else {
      for (const auto& name : MatchingFiles(JoinPath(f, "*.*"))) {
        const std::string path = JoinPath(f, name);
        if (keep(path)) continue;
        if (clearReadOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    }
    for (const auto& sub : SubFolders(f)) {
      // A link goes as a link; its target is not ours to empty.
      if (!sub.link) DeleteTree(sub.path, clearReadOnly, keep);
      RemoveDirectoryA(sub.path.c_str());
    }
  }
  RemoveDirectoryA(f.c_str());
  return GetFileAttributesA(f.c_str()) == INVALID_FILE_ATTRIBUTES;
}

std::string ListDirTree(const std::string& folder) {
  if (!DirectoryExists(folder)) return std::string();
  std::string list = "|" + folder + "|";
  ListTree(SetTrailingBackslash(folder, false), list);
  return list;
}

bool CopyDirTree(const std::string& source, const std::string& dest) {
  const std::string s = SetTrailingBackslash(source, false), d = SetTrailingBackslash(dest, false);
  const std::string ns = NormalPath(s), nd = NormalPath(d);
  if (EqualTextNoCase(ns, nd) || !DirectoryExists(s)) return false;
  // A destination inside the source would be copied into itself again and again.
  if (nd.size() > ns.size() && EqualTextNoCase(nd.substr(0, ns.size()), ns) &&
      (nd[ns.size()] == '\\' || ns.back() == '\\'))
    return false;
  ForceDirectories(d);
  if (!DirectoryExists(d)) return false;
  // A file or folder that fails does not stop the others.
  bool whole = true;
  for (const auto& name : MatchingFiles(JoinPath(s, "*")))
    if (!CopyOneFile(JoinPath(s, name), JoinPath(d, name))) whole = false;
  for (const auto& sub : SubFolders(s))
    if (!sub.link && !CopyDirTree(sub.path, JoinPath(d, ExtractFileName(sub.path)))) whole = false;
  return whole;
}

int CopyFiles(const std::string& sourceMask, const std::string& dest, bool createFolders) {
  if (!HasStar(sourceMask) && !HasStar(dest)) return CopyOneFile(sourceMask, dest) ? 1 : 0;
  std::string d = dest;
  if (DirectoryExists(d) && !IsSlash(d.back())) d += '\\';
  const std::string destFolder = ExtractFilePath(d);
  if (createFolders) ForceDirectories(destFolder);
  if (!DirectoryExists(destFolder)) return 0;
  const std::string destName = ExtractFileName(d), sourceFolder = ExtractFilePath(sourceMask);
  int count = 0;
  for (const auto& name : MatchingFiles(sourceMask))
    if (CopyOneFile(sourceFolder + name, destFolder + MaskTargetName(name, destName))) ++count;
  return count;
}

int MoveFiles(const std::string& sourceMask, const std::string& dest) {
  if (!HasStar(sourceMask) && !HasStar(dest)) {
    if (!CopyOneFile(sourceMask, dest)) return 0;
    if (!IsSameFile(sourceMask, dest)) DeleteFileA(sourceMask.c_str());
    return 1;
  }
  std::string d = dest;
  if (DirectoryExists(d) && !IsSlash(d.back())) d += '\\';
  const std::string destFolder = ExtractFilePath(d);
  ForceDirectories(destFolder);
  if (!DirectoryExists(destFolder)) return 0;
  const std::string destName = ExtractFileName(d), sourceFolder = ExtractFilePath(sourceMask);
  // The list is made before the first copy: a target inside the source folder that
  // matches the mask is no source.
  int count = 0;
  for (const auto& name : MatchingFiles(sourceMask)) {
    const std::string source = sourceFolder + name, target = destFolder + MaskTargetName(name, destName);
    if (!CopyOneFile(source, target)) continue;
    ++count;
    if (!IsSameFile(source, target)) DeleteFileA(source.c_str());
  }
  return count;
}

int RenameFiles(const std::string& sourceMask, const std::string& dest) {
  if (!HasStar(sourceMask) && !HasStar(dest)) return MoveFileA(sourceMask.c_str(), dest.c_str()) ? 1 : 0;
  const std::string folder = ExtractFilePath(sourceMask), destName = ExtractFileName(dest);
  int count = 0;
  for (const auto& name : MatchingFiles(sourceMask))
    if (MoveFileA((folder + name).c_str(), (folder + MaskTargetName(name, destName)).c_str())) ++count;
  return count;
}

bool RenameFolder(const std::string& folder, const std::string& newPath) {
  const std::string f = SetTrailingBackslash(folder, false), n = SetTrailingBackslash(newPath, false);
  if (!DirectoryExists(f)) return false;
  std::string parent = ExtractFileDir(n);
  if (parent.empty()) parent = ExtractFileDir(f);
  const std::string name = ExtractFileName(n);
  if (!DirectoryExists(parent) || name.empty()) return false;
  return MoveFileA(f.c_str(), JoinPath(parent, name).c_str()) != 0;
}

std::string FindFileInTree(const std::string& root, const std::string& fileName) {
  if (root.empty() || fileName.empty()) return std::string();
  for (const auto& fd : FindAll(JoinPath(root, fileName)))
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return JoinPath(root, fd.cFileName);
  for (const auto& sub : SubFolders(root)) {
    if (sub.link) continue;
    std::string hit = FindFileInTree(sub.path, fileName);
    if (!hit.empty()) return hit;
  }
  return std::string();
}

std::string FindFolderInTree(const std::string& root, const std::string& folderName) {
  const std::string name = SetTrailingBackslash(folderName, false), r = SetTrailingBackslash(root, false);
  if (r.empty() || name.empty() || name == "\\") return std::string();
  if (r.size() >= name.size() && EqualTextNoCase(r.substr(r.size() - name.size()), name)) return root;
  for (const auto& sub : SubFolders(root)) {
    if (sub.link) continue;
    std::string hit = FindFolderInTree(sub.path, folderName);
    if (!hit.empty()) return hit;
  }
  return std::string();
}

namespace {
template <class Search>
std::string SearchDrives(unsigned driveType, Search search) {
  for (char letter = 'C'; letter <= 'Z'; ++letter) {
    const std::string root = std::string(1, letter) + ":\\";
    if (GetDriveTypeA(root.c_str()) != driveType) continue;
    std::string hit = search(root);
    if (!hit.empty()) return hit;
  }
  return std::string();
}
}  // namespace

std::string FindFileOnDrives(const std::string& fileName, unsigned driveType) {
  return SearchDrives(driveType, [&](const std::string& root) { return FindFileInTree(root, fileName); });
}

std::string FindFolderOnDrives(const std::string& folderName, unsigned driveType) {
  return SearchDrives(driveType, [&](const std::string& root) { return FindFolderInTree(root, folderName); });
}

// The system's text for an error code, on one line.
std::string SystemErrorText(DWORD code) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string out = n && text ? Trim(ReplaceAll(ReplaceAll(std::string(text, n), "\r", " "), "\n", " ")) : std::string();
  if (text) LocalFree(text);
  return out.empty() ? "Error " + std::to_string(code) : out;
}

bool IsDiskFull(DWORD code) { return code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL; }

// A plain copy, overwriting.
bool PlainCopy(const std::string& source, const std::string& dest) {
  return CopyFileA(source.c_str(), dest.c_str(), FALSE) != 0;
}

namespace {

// The ntdll calls the copy uses where the system has them; looked up at run time: Windows 9x
// has no such calls, and there the ordinary road is taken.
struct TNtCalls {
  decltype(&NtCreateFile) create = nullptr;
  decltype(&NtSetInformationFile) setInfo = nullptr;
  decltype(&RtlDosPathNameToNtPathName_U) toNt = nullptr;
  decltype(&RtlFreeUnicodeString) release = nullptr;
  TNtCalls() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    Bind(ntdll, "NtCreateFile", create);
    Bind(ntdll, "NtSetInformationFile", setInfo);
    Bind(ntdll, "RtlDosPathNameToNtPathName_U", toNt);
    Bind(ntdll, "RtlFreeUnicodeString", release);
  }
  template <typename F>
  static void Bind(HMODULE module, const char* name, F& call) {
    call = module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
  }
};
const TNtCalls& Nt() {
  static const TNtCalls calls;
  return calls;
}

}  // namespace

// Makes `path` as a new empty file under exactly that name, open for writing, without the
// case-blind search for a name that is not there (under Wine that reads the whole folder).
// INVALID_HANDLE_VALUE when anything is in the way.
HANDLE CreateExactFile(const std::string& path) {
  const TNtCalls& nt = Nt();
  const int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  if (!nt.create || !nt.toNt || !nt.release || n <= 0) return INVALID_HANDLE_VALUE;
  std::wstring wide(size_t(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], n);
  UNICODE_STRING name;
  if (!nt.toNt(wide.c_str(), &name, nullptr, nullptr)) return INVALID_HANDLE_VALUE;
  OBJECT_ATTRIBUTES attr;
  InitializeObjectAttributes(&attr, &name, 0, nullptr, nullptr);
  IO_STATUS_BLOCK io;
  HANDLE h = nullptr;
  const NTSTATUS status = nt.create(&h, GENERIC_WRITE | SYNCHRONIZE, &attr, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_CREATE,
                                    FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  nt.release(&name);
  return status < 0 ? INVALID_HANDLE_VALUE : h;
}

namespace {
// One piece of information set on an open file; false when the system cannot.
template <typename T>
bool SetFileInfo(HANDLE file, T& info, int kind) {
  IO_STATUS_BLOCK io;
  return Nt().setInfo && Nt().setInfo(file, &io, &info, sizeof info, FILE_INFORMATION_CLASS(kind)) >= 0;
}

}  // namespace

// Gives an open file its attributes through the handle, without opening it again by name.
bool SetAttributesOf(HANDLE file, DWORD attributes) {
  struct {
    LARGE_INTEGER created, accessed, written, changed;  // zero: left as they are
    ULONG attributes;
  } basic = {};
  basic.attributes = attributes;
  return SetFileInfo(file, basic, 4);  // FileBasicInformation
}

bool ChangeName(const std::string& path, const std::function<bool()>& change) {
  const DWORD special = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & special)) return change();
  const HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  BY_HANDLE_FILE_INFORMATION info;
  if (file == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(file, &info) || info.nNumberOfLinks < 2) {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return change();
  }
  SetFileAttributesA(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
  const bool changed = change();
  const DWORD reason = GetLastError();
  SetAttributesOf(file, attributes);
  CloseHandle(file);
  SetLastError(reason);
  return changed;
}

bool CopyIntoFile(const std::string& source, HANDLE out, TCopyFinish& finish) {
  finish.attributesSet = false;
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE in =
      CreateFileA(source.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  bool ok = in != INVALID_HANDLE_VALUE;
  if (ok) {
    // One buffer for the whole run: a fresh one for every file costs more than a small file's copy.
    static std::vector<char> buffer(256 * 1024);
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(in, buffer.data(), DWORD(buffer.size()), &got, nullptr)) ok = false;
      if (!ok || got == 0) break;
      if (!WriteWhole(out, buffer.data(), got)) {
        ok = false;
        break;
      }
    }
    FILETIME written;
    if (ok && GetFileTime(in, nullptr, nullptr, &written)) SetFileTime(out, nullptr, nullptr, &written);
    if (ok) finish.attributesSet = SetAttributesOf(out, finish.attributes);
  }
  DWORD reason = GetLastError();
  // The destination is whole only once its close succeeded.
  if (!CloseHandle(out) && ok) {
    ok = false;
    reason = GetLastError();
  }
  if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
  if (!ok) SetLastError(reason);
  return ok;
}

// The entries of one folder (without trailing backslash) into `names`; a folder that cannot
// be listed whole leaves it knowing nothing.
void ListFolder(const std::string& folder, TFolderNames& names) {
  names.Reset(std::string());
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  names.Reset(folder);
  do {
    names.Add(fd.cFileName, (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
  } while (FindNextFileA(h, &fd));
  if (GetLastError() != ERROR_NO_MORE_FILES) names.Reset(std::string());
  FindClose(h);
}
