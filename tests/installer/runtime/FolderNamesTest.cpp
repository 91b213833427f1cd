#include "FolderNames.h"

#include <gtest/gtest.h>

namespace {

TEST(FolderListing, AnswersOnlyForPlainNamesDirectlyInItsFolder) {
  TFolderNames names;
  EXPECT_EQ(names.KindOf("C:\\T\\a.txt"), TFolderNames::Unknown);  // nothing listed yet
  names.Reset("C:\\Target");
  names.Add("ReadMe.TXT", false);
  names.Add("Data", true);
  names.Add("FILE~1.DAT", false);
  names.Note("C:\\TARGET\\new.bin");
  names.Note("C:\\Other\\elsewhere.bin");
  names.Add("gone.txt", false);
  names.Forget("c:\\target\\GONE.TXT");
  const struct {
    const char* path;
    TFolderNames::Kind kind;
  } rows[] = {{"C:\\Target\\readme.txt", TFolderNames::File},
              {"c:\\target\\README.txt", TFolderNames::File},
              {"C:\\Target\\data", TFolderNames::Folder},
              {"C:\\Target\\new.bin", TFolderNames::File},
              {"C:\\Target\\gone.txt", TFolderNames::Absent},
              {"C:\\Target\\missing.txt", TFolderNames::Absent},
              {"C:\\Other\\elsewhere.bin", TFolderNames::Unknown},
              {"C:\\Target\\Data\\inner.txt", TFolderNames::Unknown},
              {"C:\\TargetX\\readme.txt", TFolderNames::Unknown},
              {"C:\\Target\\FILE~1.DAT", TFolderNames::Unknown},   // a short name may match another
              {"C:\\Target\\readme.txt.", TFolderNames::Unknown},  // trailing dots and blanks are dropped
              {"C:\\Target\\readme.txt ", TFolderNames::Unknown},
              {"C:\\Target\\\xC4pfel.txt", TFolderNames::Unknown},  // case beyond ASCII
              {"C:\\Target\\", TFolderNames::Unknown}};
  for (const auto& r : rows) EXPECT_EQ(names.KindOf(r.path), r.kind) << r.path;
}

}  // namespace
