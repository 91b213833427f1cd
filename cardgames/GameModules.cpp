// The game modules built into the program.
#include "Exacta.h"
#include "GameRegistry.h"
#include "GermanWhist.h"
#include "Knaves.h"
#include "OhHell.h"
#include "ScotchWhist.h"
#include "Spades.h"
#include "Whist.h"

const std::vector<GameDescriptor>& GameModules() {
  static const std::vector<GameDescriptor> modules = {
      {&ExactaName, &GameVersion, &ExactaId, &CreateExactaGame},
      {&GermanWhistName, &GameVersion, &GermanWhistId, &CreateGermanWhistGame},
      {&KnavesName, &GameVersion, &KnavesId, &CreateKnavesGame},
      {&OhHellName, &GameVersion, &OhHellId, &CreateOhHellGame},
      {&ScotchWhistName, &GameVersion, &ScotchWhistId, &CreateScotchWhistGame},
      {&SpadesName, &GameVersion, &SpadesId, &CreateSpadesGame},
      {&WhistName, &GameVersion, &WhistId, &CreateWhistGame},
  };
  return modules;
}
