// The game modules built into the program.
#include "GameRegistry.h"
#include "Tablanette.h"
#include "Whist.h"
#include "Zetema.h"

const std::vector<GameDescriptor>& GameModules() {
  static const std::vector<GameDescriptor> modules = {
      {&TablanetteName, &GameVersion, &TablanetteId, &CreateTablanetteGame},
      {&WhistName, &GameVersion, &WhistId, &CreateWhistGame},
      {&ZetemaName, &GameVersion, &ZetemaId, &CreateZetemaGame},
  };
  return modules;
}
