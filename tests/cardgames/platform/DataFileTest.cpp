#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ByteBuffer.h"
#include "DataFile.h"
#include "TestTool.h"

namespace {

const uint8_t kKey[16] = {0xe0, 0x7a, 0x4d, 0x9b, 0x12, 0xc5, 0x8f, 0x33,
                          0x60, 0xd1, 0xab, 0x94, 0xc2, 0xe7, 0xf5, 0x18};

std::string Raw(const std::string& path) {
  std::string bytes;
  tt::ReadFile(path, bytes);
  return bytes;
}

}  // namespace

TEST(DataFileTest, SavedFileHasCheckedLayoutAndLoadsBack) {
  std::string path = tt::ScratchDir("checked") + "\\Rookwell.cfg";
  ByteBufferPtr out;
  out << true << uint8_t(7) << std::string("Card Shark");
  out.SaveChecked(path, 0x39BB01AC);
  std::vector<uint8_t> expected = CheckedFile::Compose(out->data, 0x39BB01AC);
  EXPECT_EQ(std::string(expected.begin(), expected.end()), Raw(path));
  EXPECT_EQ(std::string("\x39\xBB\x01\xAC", 4), Raw(path).substr(4, 4));

  ByteBufferPtr in;
  in->readPos = 3;
  ASSERT_TRUE(in.LoadChecked(path, 0x39BB01AC));
  EXPECT_EQ(0u, in->readPos);
  EXPECT_TRUE(in.ReadBool());
  EXPECT_EQ(7, in.ReadByte());
  EXPECT_EQ("Card Shark", in.ReadString());

  // An empty payload is the header alone.
  ByteBufferPtr empty;
  empty.SaveChecked(path, 0xEAB29380);
  EXPECT_EQ(std::string("\0\0\0\0\xEA\xB2\x93\x80", 8), Raw(path));
  ASSERT_TRUE(in.LoadChecked(path, 0xEAB29380));
  EXPECT_TRUE(in->data.empty());
}

TEST(DataFileTest, DamagedOrMissingFilesDoNotLoad) {
  std::string dir = tt::ScratchDir("damaged");
  ByteBufferPtr out;
  out << std::string("payload bytes");
  out.SaveChecked(dir + "\\good.hof", 0xEAB29380);
  std::string good = Raw(dir + "\\good.hof");
  std::string flipped = good;
  flipped[12] ^= 0x20;
  struct Case {
    const char* name;
    std::string bytes;
    uint32_t type;
  } cases[] = {
      {"flipped.hof", flipped, 0xEAB29380},
      {"short.hof", good.substr(0, 7), 0xEAB29380},
      {"cut.hof", good.substr(0, good.size() - 1), 0xEAB29380},
      {"empty.hof", "", 0xEAB29380},
      {"type.hof", good, 0x39BB01AC},
      {"missing.hof", std::string(), 0},
  };
  for (const Case& c : cases) {
    std::string path = dir + "\\" + c.name;
    if (c.type) {
      ASSERT_TRUE(tt::WriteFile(path, c.bytes));
    }
    ByteBufferPtr in;
    in->data.assign(3, 9);
    EXPECT_FALSE(in.LoadChecked(path, c.type ? c.type : 0xEAB29380)) << c.name;
    EXPECT_EQ(std::vector<uint8_t>(3, 9), in->data) << c.name;
  }
}

TEST(DataFileTest, EncipheredFileRoundTripsAndPartialBlocksAreDamage) {
  std::string dir = tt::ScratchDir("enciphered");
  ByteBufferPtr out;
  out << std::string("Player") << uint32_t(0xFFFFFFFF) << uint8_t(59);
  out.Encipher(kKey, 16);
  out.SaveChecked(dir + "\\a.cfg", 0x39BB01AC);
  EXPECT_EQ(8u + 16u, Raw(dir + "\\a.cfg").size());

  ByteBufferPtr in;
  ASSERT_TRUE(in.LoadChecked(dir + "\\a.cfg", 0x39BB01AC));
  in.Decipher(kKey, 16);
  EXPECT_EQ("Player", in.ReadString());
  EXPECT_EQ(0xFFFFFFFFu, in.ReadUInt32());
  EXPECT_EQ(59, in.ReadByte());

  // A correct CRC over a payload that is not whole blocks: the buffer's error, nothing read.
  std::string cut = Raw(dir + "\\a.cfg").substr(8, 13);
  std::vector<uint8_t> file = CheckedFile::Compose(std::vector<uint8_t>(cut.begin(), cut.end()), 0x39BB01AC);
  ASSERT_TRUE(tt::WriteFile(dir + "\\b.cfg", std::string(file.begin(), file.end())));
  ByteBufferPtr damaged;
  ASSERT_TRUE(damaged.LoadChecked(dir + "\\b.cfg", 0x39BB01AC));
  EXPECT_THROW(damaged.Decipher(kKey, 16), std::runtime_error);
  EXPECT_EQ(13u, damaged->data.size());
}

// Wine keeps no file DACLs on this file system: the descriptor itself is read back.
TEST(DataFileTest, FolderAclGrantsEveryoneAllAccess) {
  FolderAcl acl;
  SECURITY_ATTRIBUTES* sa = acl.Attributes();
  ASSERT_NE(nullptr, sa);
  EXPECT_EQ(sizeof(SECURITY_ATTRIBUTES), sa->nLength);
  BOOL present = FALSE, defaulted = TRUE;
  PACL dacl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(sa->lpSecurityDescriptor, &present, &dacl, &defaulted));
  ASSERT_TRUE(present);
  ASSERT_NE(nullptr, dacl);
  ASSERT_EQ(1, dacl->AceCount);
  ACCESS_ALLOWED_ACE* ace = nullptr;
  ASSERT_TRUE(GetAce(dacl, 0, reinterpret_cast<void**>(&ace)));
  EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType);
  EXPECT_EQ(0x1FFFFFu, ace->Mask);
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
  EXPECT_TRUE(EqualSid(&ace->SidStart, everyone));
  FreeSid(everyone);

  // A shared buffer is written through it.
  std::string path = tt::ScratchDir("sharedfile") + "\\shared.hof";
  ByteBufferPtr out(true);
  out << uint8_t(1);
  out.SaveChecked(path, 1);
  ByteBufferPtr in;
  EXPECT_TRUE(in.LoadChecked(path, 1));
}

TEST(DataFileTest, Rename) {
  std::string dir = tt::ScratchDir("rename");
  struct Case {
    const char* from;
    const char* to;
    bool targetExists;
  } cases[] = {{"Canasta.cfg", "CANASTA.CFG", false}, {"a.hof", "b.hof", true}, {"c.hof", "d.hof", false}};
  for (const Case& c : cases) {
    std::string from = dir + "\\" + c.from, to = dir + "\\" + c.to;
    ASSERT_TRUE(tt::WriteFile(from, "new"));
    if (c.targetExists) {
      ASSERT_TRUE(tt::WriteFile(to, "old"));
    }
    DataFile f(from);
    EXPECT_TRUE(f.Rename(to)) << c.from;
    EXPECT_EQ(to, f.Name());
    EXPECT_EQ("new", Raw(to));
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(to.c_str(), &fd);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    FindClose(h);
    EXPECT_STREQ(c.to, fd.cFileName);
    if (!EqualNoCase(c.from, c.to)) {
      EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(from.c_str()));
    }
  }
  DataFile missing(dir + "\\none.cfg");
  EXPECT_FALSE(missing.Rename(dir + "\\other.cfg"));
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), missing.LastError());
  EXPECT_FALSE(missing.OpenRead());
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), missing.LastError());
}

namespace {

std::string interruptedTarget;
std::string writtenSeen;
bool targetReadOld = false;

// Stops the save where a crash, a full disk or another copy of the program might.
void StopBeforeReplace(const std::string& written) {
  writtenSeen = Raw(written);
  ByteBufferPtr in;
  targetReadOld = in.LoadChecked(interruptedTarget, 0xEAB29380) && in.ReadString() == "old list";
  throw std::runtime_error("stopped");
}

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return names;
}

}  // namespace

// A save stopped once the new file is written and before it replaces the target leaves
// the old file whole; a save that goes through leaves the target alone, in the same bytes.
TEST(DataFileTest, SaveStoppedBeforeReplaceKeepsTheOldFile) {
  const std::string dir = tt::ScratchDir("interrupted");
  interruptedTarget = dir + "\\Spades.hof";
  ByteBufferPtr old;
  old << std::string("old list");
  old.SaveChecked(interruptedTarget, 0xEAB29380);
  const std::string oldBytes = Raw(interruptedTarget);

  ByteBufferPtr next;
  next << std::string("new list, longer than the old one");
  const std::vector<uint8_t> nextBytes = CheckedFile::Compose(next->data, 0xEAB29380);
  SetBeforeReplace(&StopBeforeReplace);
  EXPECT_THROW(next.SaveChecked(interruptedTarget, 0xEAB29380), std::runtime_error);
  SetBeforeReplace(nullptr);
  EXPECT_EQ(std::string(nextBytes.begin(), nextBytes.end()), writtenSeen);
  EXPECT_TRUE(targetReadOld);
  EXPECT_EQ(oldBytes, Raw(interruptedTarget));
  ByteBufferPtr in;
  ASSERT_TRUE(in.LoadChecked(interruptedTarget, 0xEAB29380));
  EXPECT_EQ("old list", in.ReadString());

  next.SaveChecked(interruptedTarget, 0xEAB29380);
  EXPECT_EQ(std::string(nextBytes.begin(), nextBytes.end()), Raw(interruptedTarget));
  EXPECT_EQ(std::vector<std::string>{"Spades.hof"}, FilesIn(dir));
}
