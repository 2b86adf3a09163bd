// The settings file's keys in reading order, each tied to its field and its rule for a missing
// key. The loader and the configuration report both walk this one list, so they cannot drift.
#pragma once
#include <cstdint>
#include <span>

#include "config/count_bounds.h"
#include "state/settings.h"

struct WordChoice {
    const char* word; // lower case, compared whole
    int32_t value;
};

// Any other word means 0; the 0 entry names that value in the report.
inline constexpr WordChoice RoadBiasWords[] = {
    {"require", RoadBiasRequire}, {"prefer", RoadBiasPrefer}, {"none", RoadBiasNone}};
inline constexpr WordChoice ForceVariantWords[] = {
    {"foot", VariantFoot}, {"dog", VariantDogs}, {"horse", VariantHorse}, {"auto", VariantAuto}};

// The visitor gets, for every key in order:
//   Int/Float/Bool(section, key, field)          missing key keeps the field's present value
//   Int/Float/Bool(section, key, field, fixed)   missing key gives the fixed value
//   Word(section, key, field, words, missingText), Text(...), HashKey(...), Hotkey(...)
//   AnchorRoadBias(section, key, field, givenFlag, horseRoadBias)
//   AtLeast(section, key, field, floor, floorKey) after the key it limits, AtMost(section, key,
//   field, bound, what) after a count that has an upper bound (`what` names the counted thing
//   for the report), and Rosters(settings) at the roster step.
// Where and how posses are placed, mounted, cleaned up and marked.
template <typename Visitor> void VisitSpawnKeys(Settings& s, Visitor& v) {
    v.Float("Spawner", "MinSpawnHours", s.Spawner.MinSpawnHours);
    v.Float("Spawner", "MaxSpawnHours", s.Spawner.MaxSpawnHours);
    v.AtLeast("Spawner", "MaxSpawnHours", s.Spawner.MaxSpawnHours, s.Spawner.MinSpawnHours,
              "MinSpawnHours");
    v.Int("Spawner", "MaxAlive", s.Spawner.MaxAlive);
    v.AtMost("Spawner", "MaxAlive", s.Spawner.MaxAlive, MaxAliveBound, "tracked peds (MaxAlive)");
    v.Int("Spawner", "SpawnAttemptsPerMember", s.Spawner.SpawnAttemptsPerMember);
    v.AtMost("Spawner", "SpawnAttemptsPerMember", s.Spawner.SpawnAttemptsPerMember,
             MaxSpawnAttemptsPerMember, "placement tries a member (SpawnAttemptsPerMember)");
    v.Float("Spawner", "SpawnNearMinMeters", s.Spawner.SpawnNearMinMeters);
    v.Float("Spawner", "SpawnNearMaxMeters", s.Spawner.SpawnNearMaxMeters);
    v.Float("Spawner", "SpawnRingStepMeters", s.Spawner.SpawnRingStepMeters);
    v.Float("Spawner", "MinSeparationMeters", s.Spawner.MinSeparationMeters);
    v.Word("Spawner", "HorseRoadBias", s.Spawner.HorseRoadBias, std::span(RoadBiasWords),
           "Require");
    v.Float("Spawner", "AnchorClusterMinMeters", s.Spawner.AnchorClusterMinMeters);
    v.Float("Spawner", "AnchorClusterMaxMeters", s.Spawner.AnchorClusterMaxMeters);
    v.Float("Spawner", "AnchorClusterStepMeters", s.Spawner.AnchorClusterStepMeters);
    v.Float("Spawner", "AnchorClusterSeparation", s.Spawner.AnchorClusterSeparation);
    v.AnchorRoadBias("Spawner", "AnchorClusterHorseRoadBias", s.Spawner.AnchorClusterHorseRoadBias,
                     s.Spawner.AnchorClusterHorseRoadBiasGiven, s.Spawner.HorseRoadBias);

    v.Bool("SpawnPlacement", "LimitAbovePlayer", s.SpawnPlacement.LimitAbovePlayer);
    v.Float("SpawnPlacement", "MaxAbovePlayerMeters", s.SpawnPlacement.MaxAbovePlayerMeters);
    v.Bool("SpawnPlacement", "EnforceSurfaceSnap", s.SpawnPlacement.EnforceSurfaceSnap);
    v.Float("SpawnPlacement", "MaxAboveSurfaceMeters", s.SpawnPlacement.MaxAboveSurfaceMeters);

    v.Bool("Mounting", "AutoPair", s.Mounting.AutoPair, true);
    v.Float("Mounting", "PairRadiusMeters", s.Mounting.PairRadiusMeters, 50.0f);
    v.Bool("Mounting", "DeleteUnpairedHorses", s.Mounting.DeleteUnpairedHorses, true);
    v.Bool("HorseCleanup", "ProtectIfPlayerMounted", s.HorseCleanup.ProtectIfPlayerMounted, true);
    v.Bool("HorseCleanup", "DeleteIfMountedByNPC", s.HorseCleanup.DeleteIfMountedByNPC, false);

    v.HashKey("Blip", "Style", s.Blip.Style, "BLIP_STYLE_ENEMY");
    v.Bool("Blip", "BountyHunterHorse", s.Blip.BountyHunterHorse, true);
}

// The bounty book, the clean-ups, the camp and town shields, witnesses and the spawn gates.
template <typename Visitor>
void VisitBountyAndShieldKeys(Settings& s, bool& disableVanillaBountyHunters, Visitor& v) {
    v.Bool("Bounty", "DailyIncreaseEnabled", s.Bounty.DailyIncreaseEnabled);
    v.Int("Bounty", "DailyBountyIncrease", s.Bounty.DailyBountyIncrease);
    v.Int("Bounty", "BountyCap", s.Bounty.BountyCap);

    v.Bool("Cleanup", "DespawnOnPlayerDeath", s.Cleanup.DespawnOnPlayerDeath);
    v.Bool("Cleanup", "DespawnDuringMissions", s.Cleanup.DespawnDuringMissions);
    v.Int("Cleanup", "MissionPollMs", s.Cleanup.MissionPollMs);

    v.Bool("CampShield", "Enabled", s.CampShield.Enabled);
    v.Bool("CampShield", "BlockInCamp", s.CampShield.BlockInCamp);
    v.Float("CampShield", "RadiusMeters", s.CampShield.RadiusMeters);
    v.Int("CampShield", "HoldoffSeconds", s.CampShield.HoldoffSeconds);
    v.Bool("CampShield", "HorseshoeOverlook", s.CampShield.HorseshoeOverlook);
    v.Bool("CampShield", "ClemensPoint", s.CampShield.ClemensPoint);
    v.Bool("CampShield", "ShadyBelle", s.CampShield.ShadyBelle);
    v.Bool("CampShield", "Lakay", s.CampShield.Lakay);
    v.Bool("CampShield", "BeaverHollow", s.CampShield.BeaverHollow);
    v.Bool("CampShield", "PronghornRanch", s.CampShield.PronghornRanch);
    v.Bool("CampShield", "BeechersHope", s.CampShield.BeechersHope);
    v.Bool("CampShield", "Guarma", s.CampShield.Guarma);
    v.Bool("TownShield", "Rhodes", s.TownShield.Rhodes);

    v.Bool("WitnessTracker", "Enabled", s.WitnessTracker.Enabled);
    v.Float("WitnessTracker", "WitnessRangeMeters", s.WitnessTracker.WitnessRangeMeters);
    v.Int("WitnessTracker", "WitnessAmount", s.WitnessTracker.WitnessAmount);
    v.Int("WitnessTracker", "WitnessCap", s.WitnessTracker.WitnessCap);
    v.Bool("WitnessTracker", "WitnessNumberDisplay", s.WitnessTracker.WitnessNumberDisplay);
    v.Bool("WitnessTracker", "DeathReset", s.WitnessTracker.DeathReset);

    v.Int("TierGates", "T1Max", s.TierGates.T1Max);
    v.Int("TierGates", "T2Max", s.TierGates.T2Max);
    v.Int("TierGates", "T3Max", s.TierGates.T3Max);
    v.Int("TierGates", "T4Max", s.TierGates.T4Max);

    v.Bool("Vanilla Bounty Hunters", "DisableVanillaBountyHunters", disableVanillaBountyHunters);

    v.Bool("BountyGates", "BountyPooling", s.BountyGates.BountyPooling);
    v.Bool("BountyGates", "ZeroBountySpawns", s.BountyGates.ZeroBountySpawns);
    v.Bool("BountyGates", "BountyPoolTracker", s.BountyGates.BountyPoolTracker);
    v.Bool("BountyGates", "BlockMissionSpawns", s.BountyGates.BlockMissionSpawns);
}

// The army event and its waves.
template <typename Visitor> void VisitArmyKeys(Settings& s, Visitor& v) {
    v.Bool("Harkvane", "Enabled", s.Harkvane.Enabled, true);
    v.Int("Harkvane", "TriggerEvery", s.Harkvane.TriggerEvery, 5);
    v.Float("Harkvane", "AnchorRadiusMeters", s.Harkvane.AnchorRadiusMeters, 120.0f);
    v.Int("Harkvane", "SpawnIntervalMs", s.Harkvane.SpawnIntervalMs, 2500);
    v.Bool("Harkvane", "ProtectFromMaxAlive", s.Harkvane.ProtectFromMaxAlive, true);
    v.Bool("Harkvane", "Toasts", s.Harkvane.Toasts, true);
    v.Text("Harkvane", "ToastStart", s.Harkvane.ToastStart, "You Are The HARKVANE");
    v.Text("Harkvane", "ToastSuccess", s.Harkvane.ToastSuccess, "Bounty Cleared");
    v.HashKey("Harkvane", "Model", s.Harkvane.Model, "S_M_Y_Army_01");
    static constexpr const char* tierKeys[TierCount + 1] = {"", "T1", "T2", "T3", "T4", "T5"};
    const auto waveSize = [&](const char* section, int t, int32_t& field) {
        v.Int(section, tierKeys[t], field);
        v.AtMost(section, tierKeys[t], field, MaxWaveSize, "soldiers a wave");
    };
    for (int t = 1; t <= TierCount; ++t)
        waveSize("Harkvane_Counts_A", t, s.Harkvane_Counts_A[t]);
    for (int t = 1; t <= TierCount; ++t)
        waveSize("Harkvane_Counts_B", t, s.Harkvane_Counts_B[t]);
    for (int t = 1; t <= TierCount; ++t)
        waveSize("Harkvane_Counts_C", t, s.Harkvane_Counts_C[t]);
    v.Bool("Harkvane", "ResetOnPlayerDeath", s.Harkvane.ResetOnPlayerDeath, false);
}

template <typename Visitor>
void VisitSettingKeys(Settings& s, bool& disableVanillaBountyHunters, Visitor& v) {
    VisitSpawnKeys(s, v);
    VisitBountyAndShieldKeys(s, disableVanillaBountyHunters, v);
    VisitArmyKeys(s, v);

    v.Int("Debug", "ForceTier", s.Debug.ForceTier, -1);
    v.Word("Debug", "ForceVariant", s.Debug.ForceVariant, std::span(ForceVariantWords), "Auto");
    v.Text("Debug", "LogFile", s.Debug.LogFile, "");

    v.Rosters(s);
    v.HashKey("Test", "Model", s.Test.Model, "S_M_M_DispatchLawRural_01");

    v.Hotkey("Keys", "SendPosse", s.Keys.SendPosse, "F7");
    v.Hotkey("Keys", "ReloadSettings", s.Keys.ReloadSettings, "F9");
    v.Bool("Keys", "ReloadNotice", s.Keys.ReloadNotice, false);
}
