#include "GameRegistry.h"

#include <algorithm>
#include <cctype>

#include "Random.h"

std::string GameVersion() { return "8.2.5.2"; }

const GameSlot kGameSlots[21] = {
    {"Arlington", 0x11},        {"Rubicon Bezique", 0x21},   {"Canasta", 0x1000001},  {"Comet", 0x41},
    {"Durok", 0x81},            {"Euchre", 0x101},           {"Exacta", 0x201},       {"Fan Tan", 0x401},
    {"Funny Game", 0x801},      {"German Whist", 0x1001},    {"Klabberjass", 0x2001}, {"Knaves", 0x4001},
    {"Oh Hell", 0x8001},        {"Scotch Whist", 0x10001},   {"Rauber Skat", 0x20001}, {"Spades", 0x40001},
    {"Spite and Malice", 0x80001}, {"Tablanette", 0x100001}, {"War", 0x200001},       {"Whist", 0x400001},
    {"Zetema", 0x800001},
};

const char* const kComputerNames[25] = {
    "Alfred", "Betty",  "Charles", "Diane",    "Edward", "Felicity", "Gordon",   "Hannah",  "Igor",
    "Josephine", "Kevin", "Loretta", "Mark",   "Nancy",  "Ogden",    "Persephone", "Quincy", "Rose",
    "Stuart", "Tabitha", "Ulrich", "Veronica", "William", "Yasmine", "Zeke",
};

namespace {

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::vector<std::string> DrawComputerNames(RandomSource& rng, std::size_t count, const std::string& playerName) {
  std::vector<std::string> free;
  for (const char* name : kComputerNames)
    if (!SameName(name, playerName)) free.push_back(name);
  std::vector<std::string> drawn;
  while (drawn.size() < count && !free.empty()) {
    const std::size_t i = rng.Next(static_cast<std::uint32_t>(free.size())) % free.size();
    drawn.push_back(free[i]);
    free.erase(free.begin() + static_cast<std::ptrdiff_t>(i));
  }
  return drawn;
}

GameRegistry OrderedGameModules(const std::vector<GameDescriptor>& modules) {
  GameRegistry ordered;
  for (const GameSlot& slot : kGameSlots) {
    for (const GameDescriptor& module : modules) {
      if (module.id && module.id() == slot.id) {
        GameDescriptor d = module;
        d.idValue = slot.id;
        ordered.push_back(d);
        break;
      }
    }
  }
  return ordered;
}
