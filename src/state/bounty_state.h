// Bounty book state: region pools and the witness tracker.
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "natives/types.h"
#include "state/ped_table.h"

inline constexpr int PoolRegionCount = 5; // regions 0..4 are pooled
inline constexpr int RegionNeverPooled = 5;
inline constexpr int RegionUnknown = 6;

inline constexpr int MaxWitnesses = 512;
inline constexpr int MaxTrackedPeds = 256;
inline constexpr int SeenSlotCount = 512;

struct PoolState {
    int32_t PoolFileValues[6] = {0, 0, 0, 0, 0, 0};
    int32_t RegionPools[PoolRegionCount] = {0, 0, 0, 0, 0};
    bool RegionCounted[PoolRegionCount] = {false, false, false, false, false};
    bool PoolsLoaded = false;
    bool PoolFileWasMissing = false; // the load found no file and created it
    bool PoolsStarted = false;
    bool PoolsDirty = false;
    uint32_t HoldoffUntilMs = 0;
    uint32_t WriteDueMs = 0;
    uint32_t LastSampleMs = 0;
    int32_t LastTrackerSum = -1;
    int32_t LastRegion = RegionUnknown;
};

struct TrackedPed {
    Ped ped = 0;
    bool sawPlayer = false;
};

struct WitnessState {
    std::vector<Ped> Witnesses;          // up to 512
    std::vector<TrackedPed> TrackedPeds; // up to 256
    Ped SeenPeds[SeenSlotCount] = {};
    int32_t SeenUsed = 0; // slots are filled front to back and freed only all together
    // Lookup tables beside the ordered ones: ped -> index in TrackedPeds; membership of
    // SeenPeds and Witnesses.
    PedTable<2 * MaxTrackedPeds> TrackedIndex;
    PedTable<2 * SeenSlotCount> SeenSet;
    PedTable<2 * MaxWitnesses> WitnessSet;
    int32_t LastShownWitnessCount = -1;
    bool SearchNoticeShown = false;
    uint32_t NextWitnessCheckMs = 0;
    bool PlayerWasAlive = true;
};
