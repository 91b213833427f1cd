// The game modules built into the program.
#include "FunnyGame.h"
#include "GameRegistry.h"
#include "Whist.h"

const std::vector<GameDescriptor>& GameModules() {
  static const std::vector<GameDescriptor> modules = {
      {&FunnyGameName, &GameVersion, &FunnyGameId, &CreateFunnyGame},
      {&WhistName, &GameVersion, &WhistId, &CreateWhistGame},
  };
  return modules;
}
