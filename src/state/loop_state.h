// State of the main loop: spawn timer, latches, shields, pursued state, streak.
#pragma once
#include <cstdint>

struct LoopState {
    double LastSpawnHour = 0.0;
    double NextSpawnHour = 0.0;
    float SpawnInterval = 0.0f;
    int32_t DayIndex = -1;
    int32_t StreakCount = 0;
    bool SpawnDueLatch = false;
    bool WitnessGate = false;
    bool PosseSentMarker = false;
    bool PursuitFlag = false;
    uint32_t PursuedHoldUntilMs = 0;
    double CampHoldoffUntil = 0.0;
    double TownHoldoffUntil = 0.0;
    bool InCampLatch = false;
    bool InTownLatch = false;
    bool PlayerDeadLatch = false;
    bool MissionLatch = false;
    uint32_t MissionPollNextMs = 0;
    bool DeathResetLatch = false;
    uint32_t VanillaCooldownHash = 0;
    uint32_t VanillaCooldownNextMs = 0;
    bool VanillaDisablePrev = false;
    bool TownShieldActive = false;
    // `Vanilla Bounty Hunters.DisableVanillaBountyHunters`, kept beside the settings record.
    bool DisableVanillaBountyHunters = false;
};
