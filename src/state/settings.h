// The settings record: every tunable of the plug-in, named by its INI section and key.
// Member initialisers are the built-in defaults the record has before the first load.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "natives/types.h"

inline constexpr int TierCount = 5; // tiers are 1..5; slot 0 of per-tier tables is never read

enum RoadBias : int32_t { RoadBiasNone = 0, RoadBiasPrefer = 1, RoadBiasRequire = 2 };
enum ForcedVariant : int32_t {
    VariantAuto = 0,
    VariantFoot = 1,
    VariantDogs = 2,
    VariantHorse = 3
};

struct CountRange {
    int32_t min = 1;
    int32_t max = 1;
};

struct FootRosterEntry {
    Hash lead = 0;
    Hash fill = 0;
};

struct Settings {
    struct {
        bool BountyHunterHorse = true;
        Hash Style = 0;
    } Blip;

    struct {
        float MinSpawnHours = 0.25f;
        float MaxSpawnHours = 0.5f;
        int32_t MaxAlive = 30;
        int32_t SpawnAttemptsPerMember = 12;
        float SpawnNearMinMeters = 8.0f;
        float SpawnNearMaxMeters = 14.0f;
        float SpawnRingStepMeters = 2.0f;
        float MinSeparationMeters = 1.2f;
        int32_t HorseRoadBias = RoadBiasRequire;
        float AnchorClusterMinMeters = 2.0f;
        float AnchorClusterMaxMeters = 6.0f;
        float AnchorClusterStepMeters = 1.0f;
        float AnchorClusterSeparation = 0.8f;
        bool AnchorClusterHorseRoadBiasGiven = false;
        int32_t AnchorClusterHorseRoadBias = RoadBiasPrefer;
    } Spawner;

    struct {
        bool LimitAbovePlayer = true;
        float MaxAbovePlayerMeters = 3.0f;
        bool EnforceSurfaceSnap = true;
        float MaxAboveSurfaceMeters = 1.25f;
    } SpawnPlacement;

    struct {
        bool AutoPair = true;
        float PairRadiusMeters = 50.0f;
        bool DeleteUnpairedHorses = true;
    } Mounting;

    struct {
        bool ProtectIfPlayerMounted = true;
        bool DeleteIfMountedByNPC = false;
    } HorseCleanup;

    // Not settings: the tag of the posse being spawned ("T1".."T5", "HV"), and the file path.
    std::string CurrentTierTag;
    std::string IniPath = ".\\Harkvane.ini";

    struct {
        bool DailyIncreaseEnabled = true;
        int32_t DailyBountyIncrease = 0;
        int32_t BountyCap = 1500;
    } Bounty;

    struct {
        bool BlockMissionSpawns = true;
        bool BountyPooling = true;
        bool ZeroBountySpawns = false;
        bool BountyPoolTracker = true;
    } BountyGates;

    struct {
        bool Enabled = true;
        float WitnessRangeMeters = 100.0f;
        int32_t WitnessAmount = 10;
        int32_t WitnessCap = 30;
        bool WitnessNumberDisplay = true;
        bool DeathReset = true;
    } WitnessTracker;

    struct {
        bool DespawnOnPlayerDeath = true;
        bool DespawnDuringMissions = true;
        int32_t MissionPollMs = 750;
    } Cleanup;

    struct {
        bool Enabled = true;
        bool BlockInCamp = true;
        float RadiusMeters = 55.0f;
        int32_t HoldoffSeconds = 10;
        bool HorseshoeOverlook = true;
        bool ClemensPoint = true;
        bool ShadyBelle = true;
        bool Lakay = true;
        bool BeaverHollow = true;
        bool PronghornRanch = true;
        bool BeechersHope = true;
        bool Guarma = true;
    } CampShield;

    struct {
        bool Rhodes = false;
        float RadiusMeters = 85.0f; // fixed; no INI key
    } TownShield;

    struct {
        int32_t T1Max = 300;
        int32_t T2Max = 600;
        int32_t T3Max = 900;
        int32_t T4Max = 1200;
    } TierGates;

    struct {
        int32_t ForceTier = -1;
        int32_t ForceVariant = VariantAuto;
        std::string LogFile; // the player's log; empty: no log
    } Debug;

    // Windows virtual-key codes of the hotkeys; 0 switches a key off.
    struct {
        int32_t SendPosse = 0x76;      // F7
        int32_t ReloadSettings = 0x78; // F9
        bool ReloadNotice = false;     // a notice after the reload key, with the problems found
    } Keys;

    // Per-tier extra-member chances, indexed by tier (slot 0 unused).
    std::vector<float> ExtraChances[TierCount + 1];

    struct {
        bool Enabled = true;
        int32_t TriggerEvery = 5;
        bool ResetOnPlayerDeath = true;
        float AnchorRadiusMeters = 120.0f;
        int32_t SpawnIntervalMs = 2500;
        bool ProtectFromMaxAlive = true;
        bool Toasts = true;
        std::string ToastStart = "You Are The HARKVANE";
        std::string ToastSuccess = "Bounty Cleared";
        Hash Model = 0;
    } Harkvane;

    // Wave sizes of the army event, indexed by tier (slot 0 holds 0).
    int32_t Harkvane_Counts_A[TierCount + 1] = {0, 3, 4, 5, 6, 7};
    int32_t Harkvane_Counts_B[TierCount + 1] = {0, 2, 3, 4, 5, 6};
    int32_t Harkvane_Counts_C[TierCount + 1] = {0, 1, 2, 3, 4, 5};

    // Rosters, indexed by tier where per tier (slot 0 unused).
    std::vector<Hash> DogModels;
    CountRange DogCountRange[TierCount + 1];
    std::vector<Hash> HorseModels[TierCount + 1];
    CountRange HorseCountRange[TierCount + 1];
    FootRosterEntry FootRoster[TierCount + 1];

    struct {
        Hash Model = 0;
    } Test;
};
