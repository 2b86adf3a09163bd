#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>

#include "config/config_diagnostics.h"
#include "config/config_report.h"
#include "config/count_bounds.h"
#include "config/loadouts.h"
#include "config/rosters.h"
#include "config/settings_loader.h"
#include "platform/crt_rand.h"
#include "platform/profile.h"
#include "recording_host.h"
#include "scratch_dir.h"
#include "state/plugin_state.h"

namespace fs = std::filesystem;

namespace {

const fs::path SourceRoot = fs::path(HARKVANE_TEST_DATA).parent_path().parent_path();

// Runs each test in its own empty working directory, where ".\Harkvane.ini" is looked for.
struct Config : ::testing::Test {
    RecordingHost host;
    ScratchDir scratch;
    const fs::path& dir = scratch.dir;

    void SetUp() override {
        ResetPluginState();
        host.Install();
    }
    void TearDown() override { host.Uninstall(); }

    void WriteIni(const std::string& text) {
        std::ofstream(dir / "Harkvane.ini", std::ios::binary) << text;
    }
    void LoadAll() {
        LoadSettings(G.settings);
        LoadVariantWeights();
        LoadLoadouts();
        LoadTierLoadoutPools();
    }
    const Loadout* Find(const std::string& name) {
        for (const auto& entry : G.config.LoadoutTable)
            if (entry.first == name) return &entry.second;
        return nullptr;
    }
};

TEST_F(Config, ValueReadersFollowTheirWords) {
    WriteIni("[CampShield]\nEnabled=TRUE\nBlockInCamp=On\nShadyBelle=YES\nLakay=y\n"
             "BeaverHollow=2\nGuarma=enabled\nClemensPoint=\n"
             "[Spawner]\nHorseRoadBias=PreFer\nMinSpawnHours=1\nMaxSpawnHours=0.5\n"
             "SpawnNearMinMeters=7.5 metres\nSpawnNearMaxMeters=far\n"
             "[Debug]\nForceVariant=Dogs\nForceTier=9\n"
             "[Harkvane]\nToastStart=  Run  \nModel=0x10\n");
    G.settings.Spawner.SpawnNearMaxMeters = 14.25f;
    LoadSettings(G.settings);
    const Settings& s = G.settings;
    EXPECT_TRUE(s.CampShield.Enabled);
    EXPECT_TRUE(s.CampShield.BlockInCamp);
    EXPECT_TRUE(s.CampShield.ShadyBelle);
    EXPECT_FALSE(s.CampShield.Lakay);
    EXPECT_FALSE(s.CampShield.BeaverHollow);
    EXPECT_FALSE(s.CampShield.Guarma);
    EXPECT_FALSE(s.CampShield.ClemensPoint); // empty value
    EXPECT_TRUE(s.CampShield.HorseshoeOverlook);
    EXPECT_EQ(s.Spawner.HorseRoadBias, RoadBiasPrefer);
    // Not given: follows HorseRoadBias.
    EXPECT_FALSE(s.Spawner.AnchorClusterHorseRoadBiasGiven);
    EXPECT_EQ(s.Spawner.AnchorClusterHorseRoadBias, RoadBiasPrefer);
    EXPECT_FLOAT_EQ(s.Spawner.MinSpawnHours, 1.0f);
    EXPECT_FLOAT_EQ(s.Spawner.MaxSpawnHours, 1.0f);
    EXPECT_FLOAT_EQ(s.Spawner.SpawnNearMinMeters, 7.5f);
    EXPECT_EQ(s.Spawner.SpawnNearMaxMeters, 14.25f); // letters only: unchanged, unrounded
    EXPECT_EQ(s.Debug.ForceVariant, VariantAuto);
    EXPECT_EQ(s.Debug.ForceTier, 9);
    EXPECT_EQ(s.Harkvane.ToastStart, "Run");
    EXPECT_EQ(s.Harkvane.Model, 0x10u);
    EXPECT_FALSE(s.Harkvane.ResetOnPlayerDeath); // absent means off
    EXPECT_EQ(s.Blip.Style, GameNameHash("BLIP_STYLE_ENEMY"));
    EXPECT_EQ(s.Test.Model, GameNameHash("S_M_M_DispatchLawRural_01"));

    WriteIni("[Spawner]\nHorseRoadBias=required\nAnchorClusterHorseRoadBias=sometimes\n"
             "MinSpawnHours=0.5\nMaxSpawnHours=nan\n[Debug]\nForceVariant=DOG\n"
             "[Harkvane]\nResetOnPlayerDeath=1\n");
    LoadSettings(G.settings);
    EXPECT_EQ(s.Spawner.HorseRoadBias, RoadBiasNone);
    EXPECT_TRUE(s.Spawner.AnchorClusterHorseRoadBiasGiven);
    EXPECT_EQ(s.Spawner.AnchorClusterHorseRoadBias, RoadBiasNone);
    EXPECT_EQ(s.Spawner.MaxSpawnHours, 0.5f); // not comparable: raised to the minimum
    EXPECT_EQ(s.Debug.ForceVariant, VariantDogs);
    EXPECT_TRUE(s.Harkvane.ResetOnPlayerDeath);

    WriteIni("");
    LoadSettings(G.settings);
    EXPECT_EQ(s.Spawner.HorseRoadBias, RoadBiasRequire);
    EXPECT_EQ(s.Spawner.AnchorClusterHorseRoadBias, RoadBiasRequire);
}

// A hotkey is a key name (any case) or a virtual-key number; anything else keeps the key's
// built-in one, so a slip never leaves the player without it; "none" switches it off.
TEST_F(Config, HotkeysReadNamesNumbersAndNone) {
    const std::pair<const char*, int32_t> cases[] = {
        {"F7", 0x76}, {"f12", 0x7B}, {"F24", 0x87},      {"NumPad5", 0x65}, {" insert ", 0x2D},
        {"q", 0x51},  {"7", 0x37},   {"PageDown", 0x22}, {"0x2d", 0x2D},    {"118", 0x76},
        {"none", 0},  {"NONE", 0},   {"F25", 0x76},      {"F0", 0x76},      {"255", 0x76},
        {"0", 0x30},  {"", 0x76},    {"F7 key", 0x76},   {"0xZZ", 0x76},
    };
    for (const auto& [text, code] : cases) {
        G.settings.Keys.SendPosse = 0x41;
        WriteIni(std::string("[Keys]\nSendPosse=") + text + "\n");
        LoadSettings(G.settings);
        EXPECT_EQ(G.settings.Keys.SendPosse, code) << '"' << text << '"';
        EXPECT_EQ(G.settings.Keys.ReloadSettings, 0x78);
    }
    WriteIni("[Keys]\nReloadSettings=Home\n");
    LoadSettings(G.settings);
    EXPECT_EQ(G.settings.Keys.SendPosse, 0x76);
    EXPECT_EQ(G.settings.Keys.ReloadSettings, 0x24);
    WriteIni("");
    LoadSettings(G.settings);
    EXPECT_EQ(G.settings.Keys.ReloadSettings, 0x78); // removed: back to F9
}

TEST_F(Config, ReloadKeepsCurrentValuesButRestoresFixedDefaults) {
    WriteIni("[Spawner]\nMaxAlive=7\nMinSeparationMeters=1.23456\n[Harkvane]\nTriggerEvery=9\n"
             "AnchorRadiusMeters=80\n[Mounting]\nAutoPair=no\n"
             "[Vanilla Bounty Hunters]\nDisableVanillaBountyHunters=yes\n");
    LoadSettings(G.settings);
    EXPECT_EQ(G.settings.Spawner.MaxAlive, 7);
    EXPECT_EQ(G.settings.Harkvane.TriggerEvery, 9);
    EXPECT_FALSE(G.settings.Mounting.AutoPair);
    EXPECT_TRUE(G.loop.DisableVanillaBountyHunters);

    WriteIni("[Spawner]\n");
    LoadSettings(G.settings);
    EXPECT_EQ(G.settings.Spawner.MaxAlive, 7);
    EXPECT_EQ(G.settings.Spawner.MinSeparationMeters, 1.235f); // kept, rounded to 3 decimals
    EXPECT_TRUE(G.loop.DisableVanillaBountyHunters);
    EXPECT_EQ(G.settings.Harkvane.TriggerEvery, 5);
    EXPECT_EQ(G.settings.Harkvane.AnchorRadiusMeters, 120.0f);
    EXPECT_TRUE(G.settings.Mounting.AutoPair);
}

TEST_F(Config, RosterListsAndRanges) {
    host.invalidModels.insert(GameNameHash("A_C_Unknown"));
    host.invalidModels.insert(GameNameHash("S_M_M_MarshallsRural_01"));
    WriteIni("[Extras]\nT3=1.5, -2, x ,0.25,,nan,1e99\n"
             "[DogCounts]\nT1=-\nT2=3-1\nT3=2\nT4=9999999999\nT5= -4-7 \n"
             "[Dogs]\nModels=A_C_Unknown, ,A_C_Unknown\n"
             "[Horse_T2]\nModels= 0 , A_C_Horse_01 ,\tA_C_Horse_01 ,0x0\n"
             "[HorseCounts]\nT1=2 - 3\n[Test]\nModel=S_M_M_Stand_In\n");
    LoadSettings(G.settings);
    const Settings& s = G.settings;
    // "nan" converts, so it is kept (it takes a draw and never adds a member); 1e99 does not fit.
    ASSERT_EQ(s.ExtraChances[3].size(), 4u);
    EXPECT_EQ(std::vector<float>(s.ExtraChances[3].begin(), s.ExtraChances[3].begin() + 3),
              (std::vector<float>{1.0f, 0.0f, 0.25f}));
    EXPECT_TRUE(std::isnan(s.ExtraChances[3][3]));
    EXPECT_EQ(s.ExtraChances[1], (std::vector<float>{0.5f}));
    EXPECT_EQ(s.ExtraChances[5], (std::vector<float>{0.9f, 0.5f}));
    auto range = [](const CountRange& r) { return std::make_pair(r.min, r.max); };
    EXPECT_EQ(range(s.DogCountRange[1]), std::make_pair(0, 0));
    EXPECT_EQ(range(s.DogCountRange[2]), std::make_pair(3, 1));
    EXPECT_EQ(range(s.DogCountRange[3]), std::make_pair(2, 2));
    EXPECT_EQ(range(s.DogCountRange[4]), std::make_pair(10, 10)); // atol wraps, then the bound
    EXPECT_EQ(range(s.DogCountRange[5]), std::make_pair(-4, 7));
    EXPECT_EQ(range(s.HorseCountRange[1]), std::make_pair(2, 2));
    EXPECT_EQ(range(s.HorseCountRange[2]), std::make_pair(0, 0));
    EXPECT_TRUE(s.DogModels.empty());
    Hash horse = GameNameHash("A_C_Horse_01");
    EXPECT_EQ(s.HorseModels[2], (std::vector<Hash>{horse, horse}));
    EXPECT_TRUE(s.HorseModels[1].empty());

    // Tier 4: three leads then fills; the invalid lead falls back to Test.Model.
    std::vector<Hash> models;
    RosterModels(4, 6, models);
    Hash test = GameNameHash("S_M_M_Stand_In"), fill = GameNameHash("S_M_M_DispatchLawRural_01");
    EXPECT_EQ(models, (std::vector<Hash>{test, test, test, fill, fill, fill}));
    RosterModels(5, 5, models);
    Hash pin = GameNameHash("S_M_M_PinLaw_01");
    EXPECT_EQ(models, (std::vector<Hash>{pin, pin, pin, pin, test}));
    RosterModels(7, 2, models);
    EXPECT_EQ(models, (std::vector<Hash>(2, GameNameHash("A_M_M_RANCHER_01"))));
    RosterModels(2, 0, models);
    EXPECT_TRUE(models.empty());
}

// A typing slip in a count must not make one spawn attempt create peds for minutes: every count
// has an upper bound, applied at load, and the configuration report says so.
TEST_F(Config, CountsReadFromTheFileAreHeldToTheirBounds) {
    WriteIni("[DogCounts]\nT1=1000000\nT2=3-1000000\nT3=-2147483648-2147483647\nT4=10\n"
             "[HorseCounts]\nT1=2147483647\nT2=16-2\nT3=15\n"
             "[Extras]\nT1=1,1,1,1,1,1,1,1,1,0.5,0.25,0.125\nT2=1,x,1,1,1,1,1,1,1,1,1,0.5\n"
             "[Harkvane_Counts_A]\nT1=1000000\nT2=20\n"
             "[Harkvane_Counts_B]\nT3=2147483647\nT4=-2147483648\n"
             "[Harkvane_Counts_C]\nT5=21\n"
             "[Spawner]\nMaxAlive=1000000\nSpawnAttemptsPerMember=200000000\n");
    ConfigDiagnostics checker; // the settings checker is told of every lowered count
    G.config.Diagnostics = &checker;
    LoadSettings(G.settings);
    G.config.Diagnostics = nullptr;
    std::string notes;
    for (const ConfigNote& note : checker.notes)
        notes += note.section + " " + note.key + ": " + note.text + "\n";
    for (const char* expected :
         {"Spawner MaxAlive: 1000000 is above the bound of 150; 150 tracked peds (hunters, dogs, "
          "horses and soldiers kept at once) is used\n",
          "Spawner SpawnAttemptsPerMember: 200000000 is above the bound of 100; 100 tries (to find "
          "a place for a member) is used\n",
          "Harkvane_Counts_A T1: 1000000 is above the bound of 20; 20 soldiers (in the first "
          "wave) is used\n"})
        EXPECT_NE(notes.find(expected), std::string::npos) << expected << "\nin\n" << notes;
    const Settings& s = G.settings;
    auto range = [](const CountRange& r) { return std::make_pair(r.min, r.max); };
    EXPECT_EQ(range(s.DogCountRange[1]), std::make_pair(10, 10));
    EXPECT_EQ(range(s.DogCountRange[2]), std::make_pair(3, 10));
    EXPECT_EQ(range(s.DogCountRange[3]), std::make_pair(INT32_MIN, 10));
    EXPECT_EQ(range(s.DogCountRange[4]), std::make_pair(10, 10));
    EXPECT_EQ(range(s.HorseCountRange[1]), std::make_pair(15, 15));
    EXPECT_EQ(range(s.HorseCountRange[2]), std::make_pair(15, 2));
    EXPECT_EQ(range(s.HorseCountRange[3]), std::make_pair(15, 15));
    ASSERT_EQ(s.ExtraChances[1].size(), 10u); // the first ten chances, in file order
    EXPECT_EQ(s.ExtraChances[1][9], 0.5f);
    EXPECT_EQ(s.ExtraChances[2], std::vector<float>(10, 1.0f)); // counted after dropping "x"
    EXPECT_EQ(s.Harkvane_Counts_A[1], 20);
    EXPECT_EQ(s.Harkvane_Counts_A[2], 20);
    EXPECT_EQ(s.Harkvane_Counts_B[3], 20);
    EXPECT_EQ(s.Harkvane_Counts_B[4], INT32_MIN); // no lower bound: a negative wave has no one
    EXPECT_EQ(s.Harkvane_Counts_C[5], 20);
    EXPECT_EQ(s.Spawner.MaxAlive, MaxAliveBound);
    EXPECT_EQ(s.Spawner.SpawnAttemptsPerMember, MaxSpawnAttemptsPerMember);

    const std::string report = RenderEffectiveConfig();
    for (const char* expected :
         {"[DogCounts]\n; at most 10 dogs a posse: a larger count is read as 10\nT1 = 10-10\n",
          "[HorseCounts]\n; at most 15 horses a posse: a larger count is read as 15\nT1 = 15-15\n",
          "[Extras]\n; at most 10 chances a tier: later ones are dropped\nT1 = ",
          "[Harkvane_Counts_A]\n; at most 20 soldiers a wave: a larger count is read as 20\n"
          "T1 = 20\n",
          "; at most 100 placement tries a member (SpawnAttemptsPerMember): a larger count is "
          "read as 100\n",
          "SpawnAttemptsPerMember = 100\n"})
        EXPECT_NE(report.find(expected), std::string::npos) << expected << "\nin\n" << report;
}

TEST_F(Config, VariantWeightsBecomePercentages) {
    WriteIni("[VariantWeights_T1]\nFoot=1\nDog=1\nHorse=1\n"
             "[VariantWeights_T2]\nFoot=0\nDog=0\nHorse=0\n"
             "[VariantWeights_T3]\nFoot=0\nDog=0\nHorse=5\n"
             "[VariantWeights_T4]\nFoot=-10\nDog=50\nHorse=60\n"
             "[VariantWeights_T5]\nFoot=2000000000\nDog=2000000000\nHorse=0\n");
    LoadVariantWeights();
    auto row = [](int t) {
        const VariantPercent& p = G.config.VariantWeights[t];
        return std::vector<int32_t>{p.Foot, p.Dogs, p.Horse};
    };
    EXPECT_EQ(row(1), (std::vector<int32_t>{33, 33, 34}));
    EXPECT_EQ(row(2), (std::vector<int32_t>{40, 30, 30}));
    EXPECT_EQ(row(3), (std::vector<int32_t>{0, 0, 100}));
    EXPECT_EQ(row(4), (std::vector<int32_t>{-9, 50, 59}));
    EXPECT_EQ(row(5), (std::vector<int32_t>{50, 50, 0})); // the total does not wrap

    // Computed in single precision: double arithmetic would give 99 %, 0 %, 1 % here.
    WriteIni("[VariantWeights_T1]\nFoot=131538\nDog=0\nHorse=661\n");
    LoadVariantWeights();
    EXPECT_EQ(row(1), (std::vector<int32_t>{100, 0, 0}));
}

TEST_F(Config, WeaponsSectionAndTierPools) {
    WriteIni("[Weapons]\nAmmoPrimary=0\nAmmoSidearm=30\nbogus=1\n"
             "Rifleman=\nPrimary=WEAPON_RIFLE_SPRINGFIELD\nSidearm1=WEAPON_REVOLVER_SCHOFIELD\n"
             "AmmoPrimary=15\n"
             "; note=\n"
             "Gunner\nprimary = nOnE\nMelee = WEAPON_MELEE_KNIFE \n"
             "rifleman=\nSidearm2=WEAPON_PISTOL_VOLCANIC\n"
             "[TierLoadouts.T1]\nGUNNER=3\nrifleman=-1\n;gunner=5\ngunner=2\n"
             "[TierLoadouts.T3]\nrifleman=0\ngunner=x\n");
    LoadLoadouts();
    LoadTierLoadoutPools();
    const ConfigState& c = G.config;
    EXPECT_EQ(c.Weapons.AmmoPrimary, 0);
    EXPECT_EQ(c.Weapons.AmmoSidearm, 30);
    ASSERT_EQ(c.LoadoutTable.size(), 2u);
    EXPECT_EQ(c.LoadoutTable[0].first, "rifleman"); // keeps the place of its first definition
    EXPECT_EQ(c.LoadoutTable[1].first, "gunner");
    const Loadout* rifleman = Find("rifleman");
    EXPECT_EQ(rifleman->primary, 0u); // the second block replaced the first entirely
    EXPECT_EQ(rifleman->sidearm2, GameNameHash("WEAPON_PISTOL_VOLCANIC"));
    EXPECT_EQ(rifleman->ammoPrimary, -1);
    const Loadout* gunner = Find("gunner");
    EXPECT_EQ(gunner->primary, 0u);
    EXPECT_EQ(gunner->melee, GameNameHash("WEAPON_MELEE_KNIFE"));

    ASSERT_EQ(c.TierLoadoutPools.size(), 1u);
    const auto& t1 = c.TierLoadoutPools.at("t1");
    ASSERT_EQ(t1.size(), 2u);
    EXPECT_EQ(t1[0].name, "gunner");
    EXPECT_EQ(t1[0].weight, 3);
    EXPECT_EQ(t1[1].weight, 2);

    // A loadout header followed by AmmoPrimary sets the loadout, not the section fallback.
    WriteIni("[Weapons]\nscout=\nAmmoPrimary=5\n");
    LoadLoadouts();
    EXPECT_EQ(c.Weapons.AmmoPrimary, 0); // kept from the earlier load
    EXPECT_EQ(Find("scout")->ammoPrimary, 5);

    // No section, or one that did not fit: only the built-in repeater, pooled by default.
    std::string big = "[Weapons]\n";
    for (int i = 0; big.size() < 9000; ++i) {
        big += 'l';
        big += std::to_string(i);
        big += "=\nprimary=WEAPON_X\n";
    }
    for (const std::string& text : {std::string(), big}) {
        WriteIni(text);
        LoadLoadouts();
        LoadTierLoadoutPools();
        ASSERT_EQ(c.LoadoutTable.size(), 1u);
        EXPECT_EQ(c.LoadoutTable[0].first, "repeater");
        ASSERT_EQ(c.TierLoadoutPools.count("default"), 1u);
        EXPECT_EQ(c.TierLoadoutPools.at("default").size(), 1u);
    }
}

// The calls ApplyLoadout makes for one give, as slots.
std::vector<uint64_t> GiveSlots(Ped ped, const char* weapon, int32_t ammo, int inHand) {
    return {ped,
            GameNameHash(weapon),
            static_cast<uint32_t>(ammo),
            static_cast<uint64_t>(inHand),
            static_cast<uint64_t>(1 - inHand),
            0,
            0,
            0x3F800000u,
            0,
            GameNameHash("ADD_REASON_DEFAULT"),
            1,
            0,
            0};
}

TEST_F(Config, ArmingGivesWeaponsInOrder) {
    Ped ped = host.AddPed(Vec3{});
    ApplyLoadout(ped, "T1"); // nothing loaded yet: stripped, and no empty table is read
    EXPECT_EQ(host.Hashes(), (std::vector<uint64_t>{nh::IS_PED_HUMAN, nh::REMOVE_ALL_PED_WEAPONS}));

    LoadLoadouts(); // no file: the repeater
    LoadTierLoadoutPools();
    host.ClearCalls();
    ApplyLoadout(ped, "T2");
    ASSERT_EQ(host.Hashes(), (std::vector<uint64_t>{nh::IS_PED_HUMAN, nh::REMOVE_ALL_PED_WEAPONS,
                                                    nh::GET_HASH_KEY, nh::GIVE_WEAPON_TO_PED,
                                                    nh::GET_HASH_KEY, nh::GIVE_WEAPON_TO_PED}));
    EXPECT_EQ(host.calls[1].args, (std::vector<uint64_t>{ped, 1, 1}));
    EXPECT_EQ(host.calls[2].texts.at(0), "ADD_REASON_DEFAULT");
    EXPECT_EQ(host.calls[3].args, GiveSlots(ped, "WEAPON_REPEATER_CARBINE", 40, 1));
    EXPECT_EQ(host.calls[5].args, GiveSlots(ped, "WEAPON_REVOLVER_CATTLEMAN", 24, 0));

    WriteIni("[Weapons]\nAmmoSidearm=0\n"
             "bomber=\nthrowable=WEAPON_THROWN_DYNAMITE\nsidearm1=A\nsidearm2=B\nmelee=K\n"
             "zeroed=\nthrowable=WEAPON_THROWN_DYNAMITE\nammoprimary=0\n"
             "[TierLoadouts.HV]\nzeroed=1\n[TierLoadouts.Default]\nbomber=1\n");
    LoadLoadouts();
    LoadTierLoadoutPools();
    host.ClearCalls();
    ApplyLoadout(ped, nullptr); // no tag outside the event: T1, which falls back to Default
    std::vector<const RecordedCall*> gives = host.CallsOf(nh::GIVE_WEAPON_TO_PED);
    ASSERT_EQ(gives.size(), 4u);
    EXPECT_EQ(gives[0]->args, GiveSlots(ped, "A", 12, 0));
    EXPECT_EQ(gives[1]->args, GiveSlots(ped, "B", 12, 0));
    EXPECT_EQ(gives[2]->args, GiveSlots(ped, "WEAPON_THROWN_DYNAMITE", 40, 0));
    EXPECT_EQ(gives[3]->args, GiveSlots(ped, "K", 1, 0));
    auto ammo = host.CallsOf(nh::SET_PED_AMMO);
    ASSERT_EQ(ammo.size(), 1u);
    EXPECT_EQ(ammo[0]->args,
              (std::vector<uint64_t>{ped, GameNameHash("WEAPON_THROWN_DYNAMITE"), 25}));
    EXPECT_EQ(host.Hashes().back(), nh::GIVE_WEAPON_TO_PED); // the ammo call precedes the melee

    G.harkvane.HarkvaneActive = true;
    host.ClearCalls();
    ApplyLoadout(ped, "");
    ASSERT_EQ(host.CountOf(nh::GIVE_WEAPON_TO_PED), 1u);
    EXPECT_EQ(host.CallsOf(nh::GIVE_WEAPON_TO_PED)[0]->Int(2), 20);
    EXPECT_EQ(host.CallsOf(nh::SET_PED_AMMO)[0]->Int(2), 20);

    host.entities[ped].human = false;
    host.ClearCalls();
    ApplyLoadout(ped, "T1");
    EXPECT_EQ(host.Hashes(), (std::vector<uint64_t>{nh::IS_PED_HUMAN}));
}

TEST_F(Config, WeightedPickDrawsOnceModuloTheTotal) {
    WriteIni("[Weapons]\na=\nprimary=WA\nb=\nprimary=WB\nc=\nprimary=WC\n"
             "[TierLoadouts.T1]\na=32767\nb=5\n"
             "[TierLoadouts.T2]\nb=2147483647\nc=2147483647\na=2147483647\n"
             "[TierLoadouts.T4]\nmissing=1\n");
    LoadLoadouts();
    LoadTierLoadoutPools();
    Ped ped = host.AddPed(Vec3{});
    auto picked = [&](const char* tag) {
        host.ClearCalls();
        ApplyLoadout(ped, tag);
        return host.CallsOf(nh::GIVE_WEAPON_TO_PED).at(0)->U32(1);
    };
    CrtSrand(12345);
    for (int i = 0; i < 500; ++i)
        EXPECT_EQ(picked("t1"), GameNameHash("WA")); // b's running sum starts at 32767
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(picked("T2"), GameNameHash("WB")); // the total exceeds 32 bits without wrapping
    EXPECT_EQ(picked("T4"), GameNameHash("WA"));     // an undefined name arms the first loadout

    // The "default" fallback (every loadout, weight 1) takes one draw modulo the count.
    CrtSrand(99);
    std::vector<int> draws;
    for (int i = 0; i < 20; ++i)
        draws.push_back(CrtRand() % 3);
    CrtSrand(99);
    const char* names[] = {"WA", "WB", "WC"};
    for (int d : draws)
        EXPECT_EQ(picked("T3"), GameNameHash(names[d]));
}

// Everything the loaders read, from the shipped file, equals what the loaders give when the
// file is empty, except where the file's comment says "this file:"; and every key they ask for
// is written in the shipped file.
TEST_F(Config, ShippedSettingsFileMatchesBuiltInDefaults) {
    ConfigDiagnostics diagnostics;
    G.config.Diagnostics = &diagnostics;
    WriteIni("");
    LoadAll();
    std::string fromEmpty = RenderEffectiveConfig();

    std::ifstream shipped(SourceRoot / "dist" / "Harkvane.ini", std::ios::binary);
    ASSERT_TRUE(shipped.good());
    std::stringstream text;
    text << shipped.rdbuf();
    ResetPluginState();
    G.config.Diagnostics = &diagnostics;
    WriteIni(text.str());
    LoadSettings(G.settings);
    LoadVariantWeights();
    std::string fromShipped = RenderEffectiveConfig();

    EXPECT_NE(fromShipped.find("[Horse_T5]\nModels = A_C_Horse"), std::string::npos);
    // Sections and keys written in the file (case-insensitive, as the reader matches them).
    auto lower = [](std::string t) {
        for (char& ch : t)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return t;
    };
    std::set<std::pair<std::string, std::string>> written;
    std::map<std::string, std::string> comments;  // per section, its comment lines
    std::map<std::string, std::string> commentOf; // "section.key" -> the comment above it
    std::istringstream lines(text.str());
    std::string line, section, comment;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == ';') {
            comments[section] += line + "\n";
            comment += line + "\n";
        }
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            section = lower(line.substr(1, line.find(']') - 1));
            written.insert({section, ""});
            comment.clear();
            continue;
        }
        std::string key = line.substr(0, line.find('='));
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t'))
            key.pop_back();
        written.insert({section, lower(key)});
        commentOf[section + "." + lower(key)] = comment;
        comment.clear();
    }

    // Compare line by line up to the weapons, which the shipped file defines on purpose.
    std::istringstream a(fromEmpty), b(fromShipped);
    std::string lineA, lineB, renderedSection;
    int differing = 0;
    while (std::getline(a, lineA) && lineA != "[Weapons]") {
        ASSERT_TRUE(std::getline(b, lineB));
        if (!lineA.empty() && lineA[0] == '[')
            renderedSection = lower(lineA.substr(1, lineA.find(']') - 1));
        if (lineB == lineA) continue;
        ++differing;
        const std::string key = lower(lineA.substr(0, lineA.find(" =")));
        EXPECT_NE(commentOf[renderedSection + "." + key].find("this file:"), std::string::npos)
            << "differs from the built-in default without saying so: [" << renderedSection << "] "
            << lineB << " (built in: " << lineA << ")";
    }
    EXPECT_GT(differing, 0); // the horses, at least, are the shipped file's own
    LoadLoadouts();
    LoadTierLoadoutPools();
    EXPECT_GT(G.config.LoadoutTable.size(), 2u);
    for (const char* tag : {"t1", "t2", "t3", "t4", "t5", "hv", "default"})
        EXPECT_EQ(G.config.TierLoadoutPools.count(tag), 1u) << tag;
    ASSERT_GT(diagnostics.queries.size(), 100u);
    for (const auto& [sec, key] : diagnostics.queries)
        EXPECT_TRUE(written.count({lower(sec), lower(key)})) << "[" << sec << "] " << key;

    // The file tells players the bounds the loader applies.
    const std::pair<const char*, int32_t> bounds[] = {
        {"dogcounts", MaxDogsPerPosse},     {"horsecounts", MaxHorsesPerPosse},
        {"extras", MaxExtraMembers},        {"harkvane_counts_a", MaxWaveSize},
        {"harkvane_counts_b", MaxWaveSize}, {"harkvane_counts_c", MaxWaveSize},
        {"spawner", MaxAliveBound},         {"spawner", MaxSpawnAttemptsPerMember}};
    for (const auto& [sec, bound] : bounds)
        EXPECT_NE(comments[sec].find("At most " + std::to_string(bound) + " "), std::string::npos)
            << sec << ":\n"
            << comments[sec];
}

// Bounty amounts are cents: the shipped file says so for every amount and shows the dollar value
// of its example, so a player following the comment does not set them a hundred times too low.
TEST_F(Config, ShippedSettingsFileGivesBountyAmountsInCents) {
    std::ifstream shipped(SourceRoot / "dist" / "Harkvane.ini", std::ios::binary);
    ASSERT_TRUE(shipped.good());
    std::map<std::string, std::string> commentOf; // "section.key" -> the comment lines above it
    std::string line, section, comment;
    while (std::getline(shipped, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        EXPECT_EQ(line.find("dollar"), std::string::npos) << line;
        if (line.empty()) {
            comment.clear();
        } else if (line[0] == ';') {
            comment += line + "\n";
        } else if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            comment.clear();
        } else {
            std::string key = line.substr(0, line.find_first_of(" ="));
            commentOf[section + "." + key] = comment;
            comment.clear();
        }
    }
    for (const char* amount : {"Bounty.DailyBountyIncrease", "Bounty.BountyCap", "TierGates.T1Max",
                               "TierGates.T2Max", "TierGates.T3Max", "TierGates.T4Max"}) {
        const std::string& text = commentOf[amount];
        int cents = -1, dollars = -1, rest = -1;
        const size_t at = text.find("in cents: ");
        ASSERT_NE(at, std::string::npos) << amount << ": " << text;
        ASSERT_EQ(std::sscanf(text.c_str() + at, "in cents: %d = $%d.%2d", &cents, &dollars, &rest),
                  3)
            << amount << ": " << text;
        EXPECT_EQ(cents, dollars * 100 + rest) << amount;
    }

    // The army comes on the TriggerEvery-th posse: the ordinary ones before it are one fewer.
    const std::string& every = commentOf["Harkvane.TriggerEvery"];
    int trigger = 0, ordinary = 0;
    const size_t at = every.find("with ");
    ASSERT_NE(at, std::string::npos) << every;
    ASSERT_EQ(std::sscanf(every.c_str() + at, "with %d, %d ordinary posses", &trigger, &ordinary),
              2)
        << every;
    EXPECT_EQ(ordinary, trigger - 1);
}

// The report's sections and setting names up to the weapons, without values or notes: the same
// for every file, since each setting is listed whatever the file said about it.
std::vector<std::string> ReportSkeleton(const std::string& report) {
    std::vector<std::string> skeleton;
    std::istringstream lines(report);
    std::string line;
    std::getline(lines, line); // the header names the file
    while (std::getline(lines, line) && line != "[Weapons]") {
        if (line.empty() || line[0] == ';') continue;
        skeleton.push_back(line[0] == '[' ? line : line.substr(0, line.find(" =")));
    }
    return skeleton;
}

TEST_F(Config, OddFilesNeverBreakTheLoaders) {
    WriteIni("");
    LoadAll();
    const std::vector<std::string> skeleton = ReportSkeleton(RenderEffectiveConfig());
    ASSERT_GT(skeleton.size(), 100u);

    std::vector<std::string> texts;
    const fs::path corpus = SourceRoot / "tests" / "profile_corpus";
    ASSERT_TRUE(fs::is_directory(corpus)) << corpus;
    for (const auto& entry : fs::directory_iterator(corpus))
        if (entry.path().extension() == ".ini") {
            std::ifstream in(entry.path(), std::ios::binary);
            std::stringstream ss;
            ss << in.rdbuf();
            texts.push_back(ss.str());
        }
    ASSERT_GE(texts.size(), 10u) << "the odd files of " << corpus;
    std::mt19937 gen(20240611); // private generator: CrtRand stays the plug-in's
    for (int n : {64, 5000, 20000}) {
        std::string noise(static_cast<size_t>(n), '\0');
        for (char& ch : noise)
            ch = static_cast<char>(gen());
        texts.push_back(noise);
        // Noise shaped like the sections the loaders read, with long and odd values.
        std::string shaped = "[Weapons]\n" + noise.substr(0, 3000) + "\n=\n;\nx=\n[Spawner]\n" +
                             "MaxAlive=" + std::string(5000, '9') +
                             "\nMinSpawnHours=" + noise.substr(0, 200) +
                             "\n[TierLoadouts.T1]\nx=" + std::string(300, '7') +
                             "\n[Extras]\nT1=" + std::string(5000, ',');
        texts.push_back(shaped);
    }
    Ped ped = host.AddPed(Vec3{});
    for (const std::string& text : texts) {
        ResetPluginState();
        WriteIni(text);
        LoadAll();
        ApplyLoadout(ped, "T1");
        std::vector<Hash> models;
        RosterModels(3, 4, models);
        // The report still lists every setting, and every loadout the table holds.
        const std::string report = RenderEffectiveConfig();
        EXPECT_EQ(ReportSkeleton(report), skeleton);
        ASSERT_FALSE(G.config.LoadoutTable.empty());
        const size_t weaponsAt = report.find("\n[Weapons]\n");
        ASSERT_NE(weaponsAt, std::string::npos);
        const std::string weapons = report.substr(weaponsAt);
        for (const auto& [name, loadout] : G.config.LoadoutTable)
            EXPECT_NE(weapons.find("\n" + name + " =\n"), std::string::npos) << name;
    }
}

} // namespace
