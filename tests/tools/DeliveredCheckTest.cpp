// The test command's check of the delivered programs (tools/common.sh kv_check_delivered),
// run on small programs built here with the cross compilers: it passes a stripped i686
// program within its size and fails one with debug sections, one over its size, a 64-bit
// one and a missing one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include <unistd.h>

#include "ToolTest.h"

namespace {

class DeliveredCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kv-delivered-XXXXXX";
    dir_ = mkdtemp(tmpl);
    std::system(("mkdir -p '" + dir_ + "/bin'").c_str());
    std::ofstream(dir_ + "/small.c") << "int main(void) { return 0; }\n";
    // 1.2 MB of initialised data: over a limit of 1 MB.
    std::ofstream(dir_ + "/large.c") << "const char pad[1250000] = {1};\nint main(void) { return pad[7]; }\n";
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  // Builds bin/NAME.exe from SOURCE with the compiler and options given.
  void Build(const std::string& name, const std::string& compiler, const std::string& source,
             const std::string& options) {
    const std::string cmd = compiler + " " + options + " -o '" + dir_ + "/bin/" + name + ".exe' '" + dir_ +
                            "/" + source + "' 2>&1";
    ASSERT_EQ(0, std::system(cmd.c_str())) << cmd;
  }
  // Runs the check on the programs named ("Name:MB ..."); returns "passed failed" and its
  // output in out_.
  std::string Check(const std::string& delivered) {
    const std::string cmd = "KV_WIN_ARCH=i686 bash -c 'source \"" KV_SOURCE_DIR "/tools/common.sh\" && release_build=\"" +
                            dir_ + "\" kv_delivered=\"" + delivered +
                            "\" && kv_check_delivered && echo \"$delivered_passed $delivered_failed\" >\"" + dir_ +
                            "/counts\"' > '" + dir_ + "/out.txt' 2>&1";
    std::system(cmd.c_str());
    out_ = ReadFile(dir_ + "/out.txt");
    std::string counts = ReadFile(dir_ + "/counts");
    return counts.substr(0, counts.find('\n'));
  }

  std::string dir_;
  std::string out_;
};

TEST_F(DeliveredCheck, PassesOnlyStrippedI686ProgramsWithinTheirSize) {
  const struct {
    const char* name;
    const char* compiler;
    const char* source;
    const char* options;
    bool passes;
    const char* said;  // in the check's line for the program
  } cases[] = {
      {"Stripped", "i686-w64-mingw32-gcc", "small.c", "-O2 -s", true, "no debug sections"},
      {"Debug", "i686-w64-mingw32-gcc", "small.c", "-g", false, ".debug_info"},
      {"Large", "i686-w64-mingw32-gcc", "large.c", "-O2 -s", false, "FAILED"},
      {"Wide", "x86_64-w64-mingw32-gcc", "small.c", "-O2 -s", false, "not an i686 program"},
      {"Missing", nullptr, nullptr, nullptr, false, "MISSING"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.compiler) Build(c.name, c.compiler, c.source, c.options);
    EXPECT_EQ(c.passes ? "1 0" : "0 1", Check(std::string(c.name) + ":1")) << out_;
    EXPECT_NE(std::string::npos, out_.find(std::string(c.name) + ".exe: ")) << out_;
    EXPECT_NE(std::string::npos, out_.find(c.said)) << out_;
  }
  // Each program counts once, failures beside passes.
  EXPECT_EQ("1 3", Check("Stripped:1 Debug:1 Large:1 Missing:1")) << out_;
  // The limit is each program's own: the large one is within 2 MB.
  EXPECT_EQ("1 0", Check("Large:2")) << out_;
}

}  // namespace
