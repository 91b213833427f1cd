// The games the program knows: one descriptor per game module, in a fixed order.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class CardGame;
class RandomSource;

struct GameDescriptor {
  std::string (*name)();
  std::string (*version)();
  std::int32_t (*id)();
  // A new game owned by the caller.
  CardGame* (*create)(RandomSource& rng, std::uint32_t humanSeat, HWND window);
  std::int32_t idValue = 0;  // id() as registered
};

typedef std::vector<GameDescriptor> GameRegistry;

// The version text every game reports.
std::string GameVersion();

// The 21 games in registration order.
struct GameSlot {
  const char* title;
  std::int32_t id;
};
extern const GameSlot kGameSlots[21];

// The 25 names the computer seats draw from.
extern const char* const kComputerNames[25];

// Names for the computer seats of one game: each drawn at random from the names no other
// seat has, the player's own name (in any letter case) included.
std::vector<std::string> DrawComputerNames(RandomSource& rng, std::size_t count, const std::string& playerName);

// Descriptors of the game modules built into the program, in any order.
const std::vector<GameDescriptor>& GameModules();

// The built modules in registration order; games not built are left out.
GameRegistry OrderedGameModules(const std::vector<GameDescriptor>& modules);
