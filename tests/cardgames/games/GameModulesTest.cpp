#include <gtest/gtest.h>

#include "Arlington.h"
#include "Canasta.h"
#include "Comet.h"
#include "Durok.h"
#include "Euchre.h"
#include "Exacta.h"
#include "FanTan.h"
#include "FunnyGame.h"
#include "GameResources.h"
#include "GameTable.h"
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

// Every game as the registry lists it and as its factory makes it: title, id, seats, cards,
// hands, options, pack, rules text, and whether the user's hand takes several cards at once.
TEST(GameModulesTest, EveryGameAsRegisteredAndMade) {
  const struct {
    std::string (*name)();
    std::int32_t (*id)();
    CardGame* (*create)(RandomSource&, std::uint32_t, HWND);
    GameFacts facts;
    std::size_t packSize;
    bool multiSelect;
  } rows[] = {
      {&ArlingtonName, &ArlingtonId, &CreateArlingtonGame,
       {"Arlington", 0x11, 2, 13, 8, true, "AC", "JK", "", 0}, 105, true},
      {&CanastaName, &CanastaId, &CreateCanastaGame, {"Canasta", 0x1000001, 4, 11, 6, true, "AC", "JK", "", 0}, 108, true},
      {&CometName, &CometId, &CreateCometGame, {"Comet", 0x41, 4, 12, 8, false, "1C", "2S", "", 0}, 48, false},
      {&DurokName, &DurokId, &CreateDurokGame, {"Durok", 129, 2, 5, 1, false, "AC", "2S", "", 0}, 52, true},
      {&EuchreName, &EuchreId, &CreateEuchreGame, {"Euchre", 0x101, 4, 5, 16, true, "AC", "7S", "", 9406}, 32, false},
      {&ExactaName, &ExactaId, &CreateExactaGame,
       {"Exacta", 0x201, 4, 13, 8, true, "AC", "2S", "an ace means one trick", 0}, 52, false},
      {&FanTanName, &FanTanId, &CreateFanTanGame, {"Fan Tan", 0x401, 4, 13, 0, true, "1C", "KS", "", 0}, 52, false},
      {&FunnyGameName, &FunnyGameId, &CreateFunnyGame,
       {"Funny Game", 0x801, 4, 13, 12, false, "AC", "2S", "", 9702}, 52, false},
      {&GermanWhistName, &GermanWhistId, &CreateGermanWhistGame,
       {"German Whist", 0x1001, 2, 13, 8, false, "AC", "2S", "the last 13 tricks", 0}, 52, false},
      {&KlabberjassName, &KlabberjassId, &CreateKlabberjassGame,
       {"Klabberjass", 0x2001, 2, 6, 12, false, "AC", "7S", "", 9903}, 32, false},
      {&KnavesName, &KnavesId, &CreateKnavesGame,
       {"Knaves", 0x4001, 3, 17, 8, false, "AC", "2S", "Jack of Hearts     4 points", 0}, 52, false},
      {&OhHellName, &OhHellId, &CreateOhHellGame,
       {"Oh Hell", 0x8001, 4, 1, 13, true, "AC", "2S", "Only an exact bid scores.", 0}, 52, false},
      {&RauberSkatName, &RauberSkatId, &CreateRauberSkatGame,
       {"Rauber Skat", 0x20001, 3, 10, 8, false, "AC", "7S", "", IDT_SKAT_RULES}, 32, false},
      {&RubiconBeziqueName, &RubiconBeziqueId, &CreateRubiconBeziqueGame,
       {"Rubicon Bezique", 33, 2, 9, 1, false, "AC", "7S", "", 0}, 128, false},
      {&ScotchWhistName, &ScotchWhistId, &CreateScotchWhistGame,
       {"Scotch Whist", 0x10001, 4, 9, 8, false, "AC", "6S", "Jack of trumps    11 points", 0}, 36, false},
      {&SpadesName, &SpadesId, &CreateSpadesGame,
       {"Spades", 0x40001, 4, 13, 8, true, "AC", "2S", "Spades are always trump.", 0}, 52, false},
      {&SpiteAndMaliceName, &SpiteAndMaliceId, &CreateSpiteAndMaliceGame,
       {"Spite and Malice", 0x80001, 2, 5, 1, false, "JK", "2S", "", 0}, 56, false},
      {&TablanetteName, &TablanetteId, &CreateTablanetteGame,
       {"Tablanette", 0x100001, 2, 4, 4, false, "AC", "2S", "", 0}, 52, false},
      {&WarName, &WarId, &CreateWarGame, {"War", 0x200001, 2, 26, 1, true, "AC", "2S", "", 0}, 52, false},
      {&WhistName, &WhistId, &CreateWhistGame, {"Whist", 0x400001, 4, 13, 8, false, "AC", "2S", "more than six tricks", 0}, 52, false},
      {&ZetemaName, &ZetemaId, &CreateZetemaGame, {"Zetema", 0x800001, 4, 6, 8, false, "1C", "2S", "", 0}, 65, false},
  };
  for (const auto& row : rows) {
    MersenneRandom rng(5);
    std::unique_ptr<CardGame> g = ExpectGameRegistered(row.name, row.id, row.create, row.facts, rng);
    EXPECT_EQ(g->deck.pack.size(), row.packSize) << row.facts.title;
    EXPECT_EQ(g->seatList[0].multiSelect, row.multiSelect) << row.facts.title;
  }
  MersenneRandom rng(5);
  NoGame none(rng);
  EXPECT_EQ(RulesText(none), "");  // no game: the general help instead
}
