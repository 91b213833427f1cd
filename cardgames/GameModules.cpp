// The game modules built into the program.
#include "Durok.h"
#include "GameRegistry.h"
#include "RubiconBezique.h"
#include "SpiteAndMalice.h"
#include "Tablanette.h"
#include "Whist.h"
#include "Zetema.h"

const std::vector<GameDescriptor>& GameModules() {
  static const std::vector<GameDescriptor> modules = {
      {&RubiconBeziqueName, &GameVersion, &RubiconBeziqueId, &CreateRubiconBeziqueGame},
      {&DurokName, &GameVersion, &DurokId, &CreateDurokGame},
      {&SpiteAndMaliceName, &GameVersion, &SpiteAndMaliceId, &CreateSpiteAndMaliceGame},
      {&TablanetteName, &GameVersion, &TablanetteId, &CreateTablanetteGame},
      {&WhistName, &GameVersion, &WhistId, &CreateWhistGame},
      {&ZetemaName, &GameVersion, &ZetemaId, &CreateZetemaGame},
  };
  return modules;
}
