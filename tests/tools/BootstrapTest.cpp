// The bootstrap's road when the package mirror fails 32-bit Wine: run with stand-in apt-get
// and dpkg on PATH, it must install the toolchain first, then try Wine from the main suite,
// then take the 64-bit route.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "ToolTest.h"

namespace {

void WriteScript(const std::string& path, const std::string& text) {
  std::ofstream(path) << text;
  chmod(path.c_str(), 0755);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Codename() {
  for (const auto& line : Lines(ReadFile("/etc/os-release")))
    if (line.rfind("VERSION_CODENAME=", 0) == 0) return line.substr(17);
  return "";
}

class Bootstrap : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kv-bootstrap-XXXXXX";
    dir_ = mkdtemp(tmpl);
    mkdir((dir_ + "/bin").c_str(), 0755);
    mkdir((dir_ + "/cache").c_str(), 0755);
    // apt-get logs its calls and fails Wine's 32-bit install as KV_FAIL says: "first" fails
    // it unless a target release is named, "both" fails it always.
    WriteScript(dir_ + "/bin/apt-get",
                "#!/bin/sh\necho \"$*\" >> \"$KV_LOG\"\n"
                "case \"$*\" in *install*wine32:i386*)\n"
                "  case \"$KV_FAIL\" in both) exit 100;; first) case \"$*\" in *\" -t \"*) ;; *) exit 100;; esac;; esac;;\n"
                "esac\nexit 0\n");
    // dpkg: nothing is installed, i386 is known.
    WriteScript(dir_ + "/bin/dpkg",
                "#!/bin/sh\ncase \"$1\" in -s) exit 1;; --print-foreign-architectures) echo i386;; esac\nexit 0\n");
    // Only the plain tools the script needs: the toolchain counts as missing.
    for (const char* tool : {"bash", "dirname", "mkdir", "ls", "grep", "sed", "head", "cat", "rm", "date",
                             "sleep", "find", "tr", "awk", "mktemp"}) {
      std::string found = "/usr/bin/" + std::string(tool);
      if (access(found.c_str(), X_OK) != 0) found = "/bin/" + std::string(tool);
      symlink(found.c_str(), (dir_ + "/bin/" + tool).c_str());
    }
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  // Runs the bootstrap's package step; returns its output, the apt-get calls in calls_.
  std::string Run(const std::string& fail) {
    std::string cmd = "env -i PATH='" + dir_ + "/bin' KV_WIN_ARCH=i686 KV_BOOTSTRAP_PACKAGES_ONLY=1 "
                      "KV_APT_RETRY_PAUSE=0 KV_BOOTSTRAP_CACHE='" + dir_ + "/cache' KV_LOG='" + dir_ +
                      "/apt.log' KV_FAIL=" + fail + " bash '" KV_SOURCE_DIR "/tools/bootstrap.sh' > '" + dir_ +
                      "/out.txt' 2>&1";
    status_ = std::system(cmd.c_str());
    calls_ = Lines(ReadFile(dir_ + "/apt.log"));
    return ReadFile(dir_ + "/out.txt");
  }
  std::vector<std::string> Installs() const {
    std::vector<std::string> installs;
    for (const auto& call : calls_)
      if (call.find("install") != std::string::npos) installs.push_back(call);
    return installs;
  }
  bool Marked() const { return access((dir_ + "/cache/wine32-failed").c_str(), F_OK) == 0; }

  std::string dir_;
  int status_ = -1;
  std::vector<std::string> calls_;
};

TEST_F(Bootstrap, ToolchainFirstThenWineFromTheMainSuiteThenTheSixtyFourBitRoute) {
  const std::string codename = Codename();
  ASSERT_FALSE(codename.empty());
  struct Case {
    const char* fail;
    std::vector<std::string> wineInstalls;  // the Wine install calls after the toolchain's, in order
    bool fallback;
  } cases[] = {
      {"none", {"wine wine32:i386"}, false},
      {"first", {"wine wine32:i386", "-t " + codename + " wine wine32:i386"}, false},
      {"both", {"wine wine32:i386", "-t " + codename + " wine wine32:i386", "wine wine64"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fail);
    std::remove((dir_ + "/apt.log").c_str());
    std::remove((dir_ + "/cache/wine32-failed").c_str());
    const std::string out = Run(c.fail);
    EXPECT_EQ(0, status_) << out;
    const auto installs = Installs();
    ASSERT_EQ(c.wineInstalls.size() + 1, installs.size()) << out;
    // The toolchain and the test tools come first, without Wine.
    EXPECT_NE(std::string::npos, installs[0].find("mingw-w64"));
    EXPECT_NE(std::string::npos, installs[0].find("xvfb"));
    EXPECT_EQ(std::string::npos, installs[0].find("wine"));
    for (size_t i = 0; i < c.wineInstalls.size(); ++i) {
      const std::string& call = installs[i + 1];
      EXPECT_EQ(c.wineInstalls[i], call.substr(call.size() - c.wineInstalls[i].size())) << call;
    }
    EXPECT_EQ(c.fallback, Marked());
    EXPECT_EQ(c.fallback, out.find("64-bit route") != std::string::npos) << out;
  }
  // Soon after a failure the next run goes the 64-bit way at once.
  std::remove((dir_ + "/apt.log").c_str());
  Run("none");
  const auto installs = Installs();
  ASSERT_EQ(2u, installs.size());
  EXPECT_NE(std::string::npos, installs[1].find("wine wine64"));
}

TEST(WinArch, AnswersI686OnlyWhereThirtyTwoBitWineIsInstalled) {
  char tmpl[] = "/tmp/kv-winarch-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  WriteScript(dir + "/dpkg", "#!/bin/sh\nexit 1\n");  // nothing installed
  auto ask = [&](const std::string& args) {
    std::string cmd = "unset KV_WIN_ARCH; PATH='" + dir + "':\"$PATH\" bash '" KV_SOURCE_DIR
                      "/tools/win-arch.sh' " + args + " > '" + dir + "/out.txt'";
    std::system(cmd.c_str());
    std::string out = ReadFile(dir + "/out.txt");
    return out.substr(0, out.find('\n'));
  };
  const std::string machine = ask("--machine");
  EXPECT_TRUE(machine == "i686" || machine == "x86_64") << machine;
  EXPECT_EQ("x86_64", ask(""));
  std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
