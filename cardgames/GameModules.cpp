// The game modules built into the program.
#include "Arlington.h"
#include "Canasta.h"
#include "Comet.h"
#include "Durok.h"
#include "FanTan.h"
#include "GameRegistry.h"
#include "RubiconBezique.h"
#include "SpiteAndMalice.h"
#include "Tablanette.h"
#include "War.h"
#include "Whist.h"
#include "Zetema.h"

const std::vector<GameDescriptor>& GameModules() {
  static const std::vector<GameDescriptor> modules = {
      {&ArlingtonName, &GameVersion, &ArlingtonId, &CreateArlingtonGame},
      {&CanastaName, &GameVersion, &CanastaId, &CreateCanastaGame},
      {&CometName, &GameVersion, &CometId, &CreateCometGame},
      {&DurokName, &GameVersion, &DurokId, &CreateDurokGame},
      {&FanTanName, &GameVersion, &FanTanId, &CreateFanTanGame},
      {&RubiconBeziqueName, &GameVersion, &RubiconBeziqueId, &CreateRubiconBeziqueGame},
      {&SpiteAndMaliceName, &GameVersion, &SpiteAndMaliceId, &CreateSpiteAndMaliceGame},
      {&TablanetteName, &GameVersion, &TablanetteId, &CreateTablanetteGame},
      {&WarName, &GameVersion, &WarId, &CreateWarGame},
      {&WhistName, &GameVersion, &WhistId, &CreateWhistGame},
      {&ZetemaName, &GameVersion, &ZetemaId, &CreateZetemaGame},
  };
  return modules;
}
