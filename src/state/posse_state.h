// Posse runtime state: pursuit tables, the Harkvane event, despawn timing.
#pragma once
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "natives/types.h"
#include "state/handle_set.h"
#include "state/recycling_allocator.h"
#include "state/spawn_state.h"

// A table keyed by ped handle. Erased entries leave their storage for the next insert, so
// hunters entering and leaving a table cost no allocation in a steady frame.
template <class V>
using PedMap = std::unordered_map<Ped, V, std::hash<Ped>, std::equal_to<Ped>,
                                  RecyclingAllocator<std::pair<const Ped, V>>>;

struct StuckWatchEntry {
    Vec3 lastPosition;
    int32_t lastMoveMs = 0;
    float lastDistance = 0.0f;
    int32_t lastDistanceMs = 0;
    int32_t repathMs = 0;
};

struct PursuitState {
    PedMap<StuckWatchEntry> StuckWatch;
    HandleSet StuckWatchedThisFrame; // scratch, rebuilt every frame
    HandleSet EngagedLastPass;
    HandleSet EngagedThisPass; // scratch, swapped into EngagedLastPass
    PedMap<int32_t> ApproachStart;
    PedMap<int32_t> SecondTaskStart;
    int32_t EngagementNextMs = 0;
    int32_t MountedPursuitNextMs = 0;
};

struct HarkvaneMember {
    int32_t ped = 0;
    char group = 'A';
};

struct WaveAnchor {
    Vec3 position;
    bool valid = false;
};

struct HarkvaneState {
    bool HarkvaneActive = false;
    int32_t HarkvaneTier = 0;
    int32_t HarkvaneStage = 0;
    std::vector<HarkvaneMember> HarkvaneMembers;
    std::vector<Ped> HarkvanePeds[3]; // groups A, B, C
    WaveAnchor HarkvaneAnchors[3];
    int32_t HarkvaneWaveTarget = 0;
    int32_t HarkvaneWaveCount = 0;
    uint32_t HarkvaneNextMemberMs = 0;
    uint32_t HarkvaneWaveDueMs = 0;
    int32_t HarkvaneDeaths = 0;
    int32_t HarkvaneSpawned = 0;
    uint64_t HarkvaneMarker = 0;
    uint32_t HarkvaneTickNextMs = 0;
    PedMap<int32_t> LeashCooldown;
    // Scratch list for the per-frame member bookkeeping (swapped with HarkvaneMembers).
    std::vector<HarkvaneMember> MemberScratch;
    // The streak file holds 0 from a save made while the player lies dead during the event;
    // cleared when the player is alive again or StreakCount moves.
    bool DeadStreakSaved = false;
};

struct DespawnState {
    uint32_t DespawnNextMs = 0;
    // Reused storage for the lists the posse passes rebuild and swap in, so a frame allocates
    // nothing once they have grown.
    std::vector<Ped> PedScratch;
    std::vector<DeferredSpawn> DeferredScratch;
};
