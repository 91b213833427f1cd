#include "DataFile.h"

#include <new>
#include <string>

#include "ByteBuffer.h"

namespace {

void (*beforeReplace)(const std::string& written) = nullptr;

// Puts the written file in the target's place in one step. A reader of the target (another
// copy of the program) holds it a moment: the step is tried again a few times.
bool ReplaceTarget(const std::string& written, const std::string& target) {
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExA(written.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD error = GetLastError();
    if (attempt >= 9 || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)) return false;
    Sleep(20);
  }
}

}  // namespace

void SetBeforeReplace(void (*hook)(const std::string& written)) { beforeReplace = hook; }

bool EqualNoCase(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.data(), int(a.size()), b.data(),
                        int(b.size())) == CSTR_EQUAL;
}

bool DataFile::Fail() {
  lastError_ = GetLastError();
  return false;
}

bool DataFile::OpenRead() {
  Close();
  handle_ = CreateFileA(name_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  return handle_ != INVALID_HANDLE_VALUE || Fail();
}

bool DataFile::OpenWrite(SECURITY_ATTRIBUTES* security) {
  Close();
  handle_ = CreateFileA(name_.c_str(), GENERIC_WRITE, 0, security, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return handle_ != INVALID_HANDLE_VALUE || Fail();
}

bool DataFile::Read(void* bytes, DWORD size) {
  DWORD done = 0;
  if (!ReadFile(handle_, bytes, size, &done, nullptr)) return Fail();
  if (done != size) {
    lastError_ = ERROR_HANDLE_EOF;
    return false;
  }
  return true;
}

bool DataFile::ReadRest(std::vector<uint8_t>& bytes) {
  LARGE_INTEGER size, at, zero = {};
  if (!GetFileSizeEx(handle_, &size) || !SetFilePointerEx(handle_, zero, &at, FILE_CURRENT)) return Fail();
  LONGLONG rest = size.QuadPart - at.QuadPart;
  if (rest < 0 || rest > 0x7FFFFFFF) {
    lastError_ = ERROR_FILE_TOO_LARGE;
    return false;
  }
  bytes.resize(size_t(rest));
  return rest == 0 || Read(bytes.data(), DWORD(rest));
}

bool DataFile::Write(const void* bytes, DWORD size) {
  DWORD done = 0;
  if (!WriteFile(handle_, bytes, size, &done, nullptr)) return Fail();
  if (done != size) {
    lastError_ = ERROR_DISK_FULL;
    return false;
  }
  return true;
}

bool DataFile::Flush() { return FlushFileBuffers(handle_) || Fail(); }

void DataFile::Close() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

bool DataFile::Rename(const std::string& newName) {
  Close();
  if (EqualNoCase(name_, newName)) {
    std::string step = name_ + ".rename";
    if (!MoveFileA(name_.c_str(), step.c_str())) return Fail();
    if (!MoveFileA(step.c_str(), newName.c_str())) {
      Fail();
      MoveFileA(step.c_str(), name_.c_str());
      return false;
    }
  } else {
    DeleteFileA(newName.c_str());
    if (!MoveFileA(name_.c_str(), newName.c_str())) return Fail();
  }
  name_ = newName;
  return true;
}

FolderAcl::FolderAcl() {
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  attributes_.nLength = sizeof(attributes_);
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
  if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone_)) return;
  acl_.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(everyone_));
  PACL acl = reinterpret_cast<PACL>(acl_.data());
  ok_ = InitializeAcl(acl, DWORD(acl_.size()), ACL_REVISION) &&
        AddAccessAllowedAce(acl, ACL_REVISION, 0x1FFFFF, everyone_) &&
        InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE);
}

FolderAcl::~FolderAcl() {
  if (everyone_) FreeSid(everyone_);
}

bool ByteBufferPtr::LoadChecked(const std::string& path, uint32_t typeWord) {
  DataFile file(path);
  std::vector<uint8_t> bytes, payload;
  try {
    if (!file.OpenRead() || !file.ReadRest(bytes)) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  file.Close();
  if (!CheckedFile::Parse(bytes, typeWord, payload)) return false;
  (*this)->data.swap(payload);
  (*this)->readPos = 0;
  return true;
}

void ByteBufferPtr::SaveChecked(const std::string& path, uint32_t typeWord) {
  std::vector<uint8_t> bytes = CheckedFile::Compose((*this)->data, typeWord);
  FolderAcl acl;
  // The whole file is written beside the target first (named for this process, so that two
  // copies saving at once do not share it); the old file stays whole until then.
  const std::string written = path + "." + std::to_string(GetCurrentProcessId()) + ".new";
  DataFile file(written);
  const bool complete = file.OpenWrite((*this)->shared ? acl.Attributes() : nullptr) &&
                        file.Write(bytes.data(), DWORD(bytes.size())) && file.Flush();
  file.Close();
  if (complete && beforeReplace) beforeReplace(written);
  if (!complete || !ReplaceTarget(written, path)) DeleteFileA(written.c_str());
}
