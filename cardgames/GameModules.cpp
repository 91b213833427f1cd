// The game modules built into the program.
#include "Euchre.h"
#include "FunnyGame.h"
#include "GameRegistry.h"
#include "Klabberjass.h"
#include "Whist.h"

const std::vector<GameDescriptor>& GameModules() {
  static const std::vector<GameDescriptor> modules = {
      {&EuchreName, &GameVersion, &EuchreId, &CreateEuchreGame},
      {&FunnyGameName, &GameVersion, &FunnyGameId, &CreateFunnyGame},
      {&KlabberjassName, &GameVersion, &KlabberjassId, &CreateKlabberjassGame},
      {&WhistName, &GameVersion, &WhistId, &CreateWhistGame},
  };
  return modules;
}
