// Files of the card-game program: one data file, the all-users access descriptor.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Case-insensitive comparison by the system's default locale.
bool EqualNoCase(const std::string& a, const std::string& b);

class DataFile {
 public:
  explicit DataFile(const std::string& name = "filename.txt") : name_(name) {}
  ~DataFile() { Close(); }
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;

  const std::string& Name() const { return name_; }
  DWORD LastError() const { return lastError_; }

  // Reading shares reads with others; the file must exist.
  bool OpenRead();
  // Writing creates or empties the file and shares nothing.
  bool OpenWrite(SECURITY_ATTRIBUTES* security = nullptr);
  // Reads exactly size bytes.
  bool Read(void* bytes, DWORD size);
  bool ReadRest(std::vector<uint8_t>& bytes);
  bool Write(const void* bytes, DWORD size);
  // Writes what the system still holds for the file to the disk.
  bool Flush();
  void Close();
  // Renames the (closed) file; a change of letter case only goes through a temporary name.
  bool Rename(const std::string& newName);

 private:
  bool Fail();

  std::string name_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  DWORD lastError_ = 0;
};

// Called by SaveChecked once the new file is complete beside its target, just before it
// replaces the target (null: nothing); tests stop a save there.
void SetBeforeReplace(void (*hook)(const std::string& written));

// Security attributes granting every access right to Everyone.
class FolderAcl {
 public:
  FolderAcl();
  ~FolderAcl();
  FolderAcl(const FolderAcl&) = delete;
  FolderAcl& operator=(const FolderAcl&) = delete;
  // Null when the descriptor could not be built.
  SECURITY_ATTRIBUTES* Attributes() { return ok_ ? &attributes_ : nullptr; }

 private:
  PSID everyone_ = nullptr;
  std::vector<uint8_t> acl_;
  SECURITY_DESCRIPTOR descriptor_;
  SECURITY_ATTRIBUTES attributes_;
  bool ok_ = false;
};
