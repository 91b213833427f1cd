// The game modules built into the program.
#include "GameRegistry.h"
#include "Whist.h"

const std::vector<GameDescriptor>& GameModules() {
  static const std::vector<GameDescriptor> modules = {
      {&WhistName, &GameVersion, &WhistId, &CreateWhistGame},
  };
  return modules;
}
