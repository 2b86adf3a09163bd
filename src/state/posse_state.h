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

// The army's three waves, in the order they come; a wave indexes the per-wave lists and anchors.
enum ArmyWave : uint8_t { WaveA = 0, WaveB = 1, WaveC = 2 };
inline constexpr int ArmyWaveCount = 3;

// The army's wave machine. A wave "filling" gathers its members around its leader; "waiting"
// is the pause before the next wave's leader. The numbers are the event's own stage values.
enum ArmyStage : int32_t {
    WaveAFilling = 0,
    WaitingForB = 1,
    WaveBFilling = 10,
    WaitingForC = 2,
    WaveCFilling = 20,
    AllWavesOut = 3,
};

// How a running army event ended.
enum class ArmyEnd : uint8_t {
    Won,          // every soldier it placed is dead: the bounty is cleared
    NobodyPlaced, // all waves came and not one soldier could be placed: nothing was fought
    PlayerDied,   // the death reset stopped it
    Cleared,      // the posse was cleared (camp, town, death, mission)
    Reinforced,   // a new army started over it and takes its soldiers in
    Unloaded,     // the plug-in is unloading
};

struct HarkvaneMember {
    int32_t ped = 0;
    ArmyWave wave = WaveA;
};

struct WaveAnchor {
    Vec3 position;
    bool valid = false;
};

struct HarkvaneState {
    bool HarkvaneActive = false;
    int32_t HarkvaneTier = 0;
    ArmyStage HarkvaneStage = WaveAFilling;
    std::vector<HarkvaneMember> HarkvaneMembers;
    std::vector<Ped> HarkvanePeds[ArmyWaveCount]; // by wave, rebuilt from HarkvaneMembers
    WaveAnchor HarkvaneAnchors[ArmyWaveCount];
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
