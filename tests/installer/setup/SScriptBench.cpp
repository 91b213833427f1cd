// Reads a 10 MB setup script with 300,000 block comments and says how long it took.
// A benchmark, not a test: run it by hand (build/native/bin/sscript_bench).
#include <chrono>
#include <ctime>
#include <cstdio>
#include <string>

#include "SScript.h"

int main() {
  const int comments = 300000;
  const size_t target = 10u * 1024u * 1024u;
  std::string text;
  text.reserve(target + 1024);
  for (int i = 0; i < comments; ++i) {
    text += "SET_WIN_EXEC(" + std::to_string(i) + ") /* " + std::to_string(i) + " */\r\n";
  }
  // Fill up to the size with a long comment over many lines.
  text += "/*\r\n";
  while (text.size() < target) text += "  padding padding padding padding padding padding padding padding\r\n";
  text += "*/\r\nSET_PROG_NAME(Benchmark)\r\n";

  TScript script;
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpuStart = std::clock();
  script.LoadFromText(text);
  const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("%.1f MB, %d comments: read in %.3f s (%.3f s of processor time; %zu lines, program name %s)\n",
              text.size() / 1048576.0, comments + 1, took.count(), cpu, script.WinExecItems().size(),
              script.ProgName().c_str());
  return script.WinExecItems().size() == size_t(comments) ? 0 : 1;
}
