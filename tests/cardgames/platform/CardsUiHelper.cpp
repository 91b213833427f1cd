// Helper program of the card-platform tests, started in its own process.
//   cards_ui_helper cards <file>  loads the card images; writes the error text to <file>
//   cards_ui_helper exit <n>      ends with exit code n
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "CardImages.h"

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "exit") == 0) return std::atoi(argv[2]);
  if (argc >= 3 && std::strcmp(argv[1], "cards") == 0) {
    std::string text = "loaded";
    int code = 0;
    try {
      CardImages images;
    } catch (const std::runtime_error& e) {
      text = e.what();
      code = 3;
    }
    if (FILE* f = std::fopen(argv[2], "wb")) {
      std::fputs(text.c_str(), f);
      std::fclose(f);
    }
    return code;
  }
  return 100;
}
