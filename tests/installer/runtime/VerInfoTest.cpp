#include <gtest/gtest.h>

#include <windows.h>

#include "Files.h"
#include "TestTool.h"
#include "Utils.h"
#include "VerInfo.h"

TEST(VerInfo, PadVersionText) {
  struct Case { const char* text; int width; const char* padded; };
  const Case cases[] = {
      {"1.2.3.4", 4, "0001.0002.0003.0004"},
      {"1,2,3,4", 4, "0001.0002.0003.0004"},
      {"1, 0, 2, 5", 4, "0001.0000"},
      {"5.1 (xpsp.080413-2111)", 4, "0005.0001"},
      {"12345.6", 4, "12345.0006"},
      {"2.10", 2, "02.10"},
      {"v1.2", 3, "0v1.002"},  // a leading letter cuts nothing
      {"3..4", 2, "03.00.04"},
  };
  for (const auto& c : cases) EXPECT_EQ(PadVersionText(c.text, c.width), c.padded) << c.text;
}

TEST(VerInfo, ReadsTheResourcesOfTestLibraries) {
  const std::string dir = tt::ProgramDir();
  {
    TVersionInfo one(dir + "kv_verone.dll");
    ASSERT_TRUE(one.Loaded());
    EXPECT_EQ(one.Translations(), std::vector<std::string>{"040904E4"});
    ASSERT_EQ(one.LanguageNames().size(), 1u);
    EXPECT_NE(one.LanguageNames()[0].find("English"), std::string::npos) << one.LanguageNames()[0];
    EXPECT_EQ(one.GetString("CompanyName"), "Kelvane Test Works");
    EXPECT_EQ(one.GetString("FileVersion"), "1, 0, 2, 5");
    EXPECT_EQ(one.GetString("LegalCopyright"), "");
    EXPECT_EQ(one.GetString(""), "");
  }
  {
    // Strings come from the first translation that has them.
    TVersionInfo two(dir + "kv_vertwo.dll");
    ASSERT_TRUE(two.Loaded());
    EXPECT_EQ(two.Translations(), (std::vector<std::string>{"040704E4", "040904B0"}));
    ASSERT_EQ(two.LanguageNames().size(), 2u);
    EXPECT_NE(two.LanguageNames()[0], two.LanguageNames()[1]);
    EXPECT_EQ(two.GetString("ProductName"), "Versionsprobe");
    EXPECT_EQ(two.GetString("FileVersion"), "5.1.2600.0 (xpsp.080413-2111)");
    EXPECT_EQ(two.GetString("comments"), "second only");
  }
  for (const char* path : {"kv_vernone.dll", "no_such_file.dll"}) {
    TVersionInfo none(dir + path);
    EXPECT_FALSE(none.Loaded()) << path;
    EXPECT_TRUE(none.Translations().empty()) << path;
    EXPECT_EQ(none.GetString("FileVersion"), "") << path;
  }
}

TEST(VerInfo, PaddedFileVersions) {
  const std::string dir = tt::ProgramDir();
  struct Case { const char* file; const char* padded; };
  const Case cases[] = {{"kv_verone.dll", "0001.0000"},
                        {"kv_vertwo.dll", "0005.0001.2600.0000"},
                        {"kv_vernone.dll", ""},
                        {"no_such_file.dll", ""}};
  for (const auto& c : cases) EXPECT_EQ(GetPaddedFileVersion(dir + c.file, 4), c.padded) << c.file;
  // Padded texts order as versions do.
  EXPECT_LT(GetPaddedFileVersion(dir + "kv_verone.dll", 4), GetPaddedFileVersion(dir + "kv_vertwo.dll", 4));
}

// Each program's manifest names the architecture it is built for, for itself and for the
// common controls it asks for.
TEST(VerInfo, ProgramManifestsNameTheirOwnArchitecture) {
  const std::string own = sizeof(void*) == 8 ? "processorArchitecture=\"amd64\"" : "processorArchitecture=\"x86\"";
  for (const char* program : {"Setup.exe", "UnInstall.exe", "Rookwell.exe"}) {
    const HMODULE m = LoadLibraryExA((tt::ProgramDir() + program).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const HRSRC r = m ? FindResourceA(m, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)) : nullptr;  // RT_MANIFEST
    const std::string text(r ? static_cast<const char*>(LockResource(LoadResource(m, r))) : "",
                           r ? SizeofResource(m, r) : 0);
    if (m) FreeLibrary(m);
    auto count = [&](const std::string& what) { return (text.size() - ReplaceAll(text, what, "").size()) / what.size(); };
    EXPECT_EQ(count("processorArchitecture="), 2u) << program << ": " << text;
    EXPECT_EQ(count(own), 2u) << program << ": " << text;
  }
}
