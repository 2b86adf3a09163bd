// Spawning state: the tracked peds, the retry queue, horse records and the current attempt.
#pragma once
#include <cstdint>
#include <vector>

#include "natives/types.h"
#include "state/handle_set.h"

struct HorseRecord {
    Ped horse = 0;
    int32_t spawnAttempt = 0;
    uint8_t playerClaimed = 0;
    uint8_t wasRidden = 0;
    uint8_t sentAway = 0;
    Blip blip = 0;
    uint32_t nextOrderMs = 0;
};

struct DeferredSpawn {
    Hash model = 0;
    uint8_t isHorse = 0;
    uint8_t isDog = 0;
    uint8_t noAnchor = 0;
    int32_t attempts = 0;
    uint32_t firstSeenMs = 0;
};

struct SpawnState {
    std::vector<Ped> SpawnedPeds; // oldest first
    std::vector<DeferredSpawn> DeferredSpawns;
    std::vector<HorseRecord> HorseRecords;
    // Bumped by every edit of HorseRecords; the horse lookup below is rebuilt when it moves
    // (or when the list's size or storage changed behind its back).
    uint32_t HorseRecordsEdits = 0;
    HandleSet HorseIndex;
    uint32_t HorseIndexEdits = 0;
    size_t HorseIndexSize = 0;
    const HorseRecord* HorseIndexData = nullptr;
    HandleSet TrackedScratch; // the tracked handles, while stale horse records are dropped
    int32_t SpawnAttemptId = 0;
    Ped AnchorPed = 0;
    bool AnchorPresent = false;
    uint32_t HorsePassNextMs = 0;
};
