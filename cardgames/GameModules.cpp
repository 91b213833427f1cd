// The game modules built into the program.
#include "Arlington.h"
#include "Canasta.h"
#include "Comet.h"
#include "Durok.h"
#include "Euchre.h"
#include "Exacta.h"
#include "FanTan.h"
#include "FunnyGame.h"
#include "GameRegistry.h"
#include "GermanWhist.h"
#include "Klabberjass.h"
#include "Knaves.h"
#include "OhHell.h"
#include "RauberSkat.h"
#include "RubiconBezique.h"
#include "ScotchWhist.h"
#include "Spades.h"
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
      {&EuchreName, &GameVersion, &EuchreId, &CreateEuchreGame},
      {&ExactaName, &GameVersion, &ExactaId, &CreateExactaGame},
      {&FanTanName, &GameVersion, &FanTanId, &CreateFanTanGame},
      {&FunnyGameName, &GameVersion, &FunnyGameId, &CreateFunnyGame},
      {&GermanWhistName, &GameVersion, &GermanWhistId, &CreateGermanWhistGame},
      {&KlabberjassName, &GameVersion, &KlabberjassId, &CreateKlabberjassGame},
      {&KnavesName, &GameVersion, &KnavesId, &CreateKnavesGame},
      {&OhHellName, &GameVersion, &OhHellId, &CreateOhHellGame},
      {&RauberSkatName, &GameVersion, &RauberSkatId, &CreateRauberSkatGame},
      {&RubiconBeziqueName, &GameVersion, &RubiconBeziqueId, &CreateRubiconBeziqueGame},
      {&ScotchWhistName, &GameVersion, &ScotchWhistId, &CreateScotchWhistGame},
      {&SpadesName, &GameVersion, &SpadesId, &CreateSpadesGame},
      {&SpiteAndMaliceName, &GameVersion, &SpiteAndMaliceId, &CreateSpiteAndMaliceGame},
      {&TablanetteName, &GameVersion, &TablanetteId, &CreateTablanetteGame},
      {&WarName, &GameVersion, &WarId, &CreateWarGame},
      {&WhistName, &GameVersion, &WhistId, &CreateWhistGame},
      {&ZetemaName, &GameVersion, &ZetemaId, &CreateZetemaGame},
  };
  return modules;
}
