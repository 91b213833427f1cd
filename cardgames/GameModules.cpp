// The game modules built into the program.
#include "Arlington.h"
#include "Canasta.h"
#include "Comet.h"
#include "FanTan.h"
#include "GameRegistry.h"
#include "War.h"
#include "Whist.h"

const std::vector<GameDescriptor>& GameModules() {
  static const std::vector<GameDescriptor> modules = {
      {&ArlingtonName, &GameVersion, &ArlingtonId, &CreateArlingtonGame},
      {&CanastaName, &GameVersion, &CanastaId, &CreateCanastaGame},
      {&CometName, &GameVersion, &CometId, &CreateCometGame},
      {&FanTanName, &GameVersion, &FanTanId, &CreateFanTanGame},
      {&WarName, &GameVersion, &WarId, &CreateWarGame},
      {&WhistName, &GameVersion, &WhistId, &CreateWhistGame},
  };
  return modules;
}
