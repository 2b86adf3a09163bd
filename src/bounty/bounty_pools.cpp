// The regional bounty pools: their file (BountyPools.dat), the region of a position, the
// on-screen tracker. Apart from the witnesses, which only feed them.
#include "bounty/bounty_pools.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "bounty/saturating.h"
#include "bounty/streak_and_notices.h"
#include "bounty/witnesses.h"
#include "natives/game_clock.h"
#include "natives/natives.h"
#include "platform/atomic_file.h"
#include "platform/file_presence.h"
#include "platform/paths.h"
#include "state/plugin_state.h"
#include "state/story.h"

namespace {

constexpr char PoolFileName[] = ".\\BountyPools.dat";
constexpr int PoolFileFieldCount = 6;
constexpr uint32_t SamplePeriodMs = 1000;
constexpr uint32_t StartHoldoffMs = 4000;
constexpr uint32_t WriteDelayMs = 1500;

// The zone types asked in turn until one names a zone: district first, then the wider kinds.
constexpr int32_t ZoneTypes[] = {10, 1, 0};

struct ZoneRegion {
    Hash zone;
    int region;
};

constexpr ZoneRegion RegionZones[] = {
    {0x0DC99072, 0}, {0x2350238D, 0}, {0x26C17D4B, 0}, {0x2F6910A6, 0}, {0x43DCBEC5, 0},
    {0x62162401, 0}, {0x93A4FA9D, 0}, {0xF8D68DC1, 0},

    {0x197DEE02, 1}, {0x1C68EA97, 1}, {0x3108C492, 1}, {0x3EC4B1F5, 1}, {0x57350B23, 1},
    {0x6467EF09, 1}, {0x95D61B35, 1}, {0x9A2C155A, 1}, {0xABEF3DDB, 1}, {0xB205F19C, 1},
    {0xB27BFCD7, 1}, {0xF446F723, 1},

    {0x19700C95, 2}, {0x35390B10, 2}, {0x56A7C746, 2}, {0x8016C23F, 2}, {0x84D7AD0E, 2},
    {0xA51AF855, 2}, {0xA65449E9, 2}, {0xAE5A3E96, 2}, {0xB1531168, 2}, {0xD39FE932, 2},
    {0xF13A02FD, 2}, {0xF9831C72, 2},

    {0x00704B67, 3}, {0x07D4FF5F, 3}, {0x0AA5F25D, 3}, {0x160ED9C7, 3}, {0x1B6880B3, 3},
    {0x68A0D069, 3}, {0x6D67801E, 3}, {0x7EBD16BD, 3}, {0x8BECCBA3, 3}, {0x91A7512E, 3},
    {0xCBFCD82E, 3}, {0xE3CDCF62, 3}, {0xF9B4B176, 3},

    {0x4DFA0B50, 4}, {0x6A07DAD2, 4}, {0x6F0248BE, 4}, {0x78BFE1AC, 4}, {0x79FF6291, 4},
    {0x7FFE0593, 4}, {0xB6B5E477, 4}, {0xCC7C3314, 4}, {0xD25EC74F, 4}, {0xDEC86BB3, 4},

    {0x0BFD6F0A, 5}, {0x4D704A4B, 5}, {0x62A26859, 5}, {0xB80C99B7, 5}, {0xE1736CD7, 5},
    {0xFD09B97D, 5},
};

// File field of each region's pool: the file lists regions 0, 3, 1, 4, 2, then their sum.
constexpr int FileFieldOfRegion[PoolRegionCount] = {0, 2, 4, 1, 3};
constexpr int FileSumField = 5;

bool IsPooled(int region) {
    return region >= 0 && region < PoolRegionCount;
}

bool TimerBefore(uint32_t now, uint32_t mark) {
    return TimerDiff(now, mark) < 0;
}

bool WritePoolFile(const int32_t (&values)[PoolFileFieldCount]) {
    char text[PoolFileFieldCount * 12 + 2];
    int length = std::snprintf(text, sizeof text, "%d %d %d %d %d %d\n", values[0], values[1],
                               values[2], values[3], values[4], values[5]);
    if (length <= 0 || length >= static_cast<int>(sizeof text)) return false;
    const bool written =
        ReplaceFileContents(PlatformPath(PoolFileName), text, static_cast<size_t>(length));
    // A failed write leaves the values in memory only, until the next change is saved.
    TellStateFileWritten(PoolFileName, written, text);
    return written;
}

int32_t SumOfPools(bool countedOnly) {
    const PoolState& s = G.pools;
    int64_t sum = 0;
    for (int region = 0; region < PoolRegionCount; ++region)
        if (!countedOnly || s.RegionCounted[region]) sum += s.RegionPools[region];
    return SaturateToInt32(sum);
}

void ShowPoolTracker(int32_t sum) {
    int32_t shown = std::max(sum, 0);
    char text[64];
    std::snprintf(text, sizeof text, "$%d.%02d", shown / 100, shown % 100);
    ShowNotice(text);
}

} // namespace

int RegionOfPosition(const Vec3& position) {
    Hash zone = 0;
    for (int32_t type : ZoneTypes) {
        zone = game::MapZoneAt(position.x, position.y, position.z, type);
        if (zone != 0) break;
    }
    if (zone == 0) return RegionUnknown;
    for (const ZoneRegion& entry : RegionZones)
        if (entry.zone == zone) return entry.region;
    return RegionUnknown;
}

void LoadBountyPools() {
    PoolState& s = G.pools;
    const char* path = PlatformPath(PoolFileName);
    bool created = false;
    // Only a missing file is created; one that is there but cannot be read is left alone.
    s.PoolFileWasMissing = !std::ifstream(path) && FileIsMissing(path);
    if (s.PoolFileWasMissing) {
        constexpr int32_t Fresh[PoolFileFieldCount] = {0, 0, 0, 0, 0, 0};
        created = WritePoolFile(Fresh);
    }
    std::ifstream in(path);
    bool complete = false;
    if (!in) {
        std::fill(std::begin(s.PoolFileValues), std::end(s.PoolFileValues), 0);
    } else {
        int32_t read[PoolFileFieldCount];
        complete = true;
        for (int32_t& value : read)
            if (!(in >> value)) {
                complete = false;
                break;
            }
        // A short or malformed file leaves every value as it was.
        if (complete)
            for (int i = 0; i < PoolFileFieldCount; ++i)
                s.PoolFileValues[i] = std::max(read[i], 0);
    }
    TellStateFileRead(PoolFileName, complete, created, complete ? s.PoolFileValues : nullptr,
                      complete ? PoolFileFieldCount : 0);
    s.PoolsLoaded = true;
}

void SaveBountyPools() {
    WritePoolFile(G.pools.PoolFileValues);
}

void StartBountyPooling() {
    PoolState& s = G.pools;
    if (!G.settings.BountyGates.BountyPooling) return;
    if (!s.PoolsLoaded) LoadBountyPools();

    for (int region = 0; region < PoolRegionCount; ++region) {
        s.RegionPools[region] = s.PoolFileValues[FileFieldOfRegion[region]];
        s.RegionCounted[region] = s.RegionPools[region] > 0;
    }

    Ped player = game::PlayerPed();
    Vec3 position = player != 0 ? game::EntityCoords(player) : Vec3{};
    int region = RegionOfPosition(position);
    if (s.PoolFileWasMissing) {
        // No pools to restore (a first start, or a file the player deleted): the game's bounty
        // stays as it is and the region the player stands in starts from it.
        if (IsPooled(region)) {
            const int32_t bounty = game::PlayerBounty(game::Player());
            s.RegionPools[region] = bounty;
            s.RegionCounted[region] = bounty > 0;
        }
    } else {
        SetBountyCapped(IsPooled(region) ? s.RegionPools[region] : 0);
    }

    s.PoolsStarted = true;
    s.PoolsDirty = false;
    s.HoldoffUntilMs = game::GameTimer() + StartHoldoffMs;
}

void UpdateBountyPools() {
    PoolState& s = G.pools;
    const auto& gates = G.settings.BountyGates;
    if (gates.BountyPooling && !s.PoolsStarted) StartBountyPooling();

    Ped player = game::PlayerPed();
    if (player == 0 || !game::EntityExists(player)) return;
    int region = RegionOfPosition(game::EntityCoords(player));
    uint32_t now = game::GameTimer();

    // The pool of the region the player stands in follows the current bounty (after the
    // start-up hold-off, which lets the restored bounty settle first). Elapsed time, unsigned.
    if (now - s.LastSampleMs >= SamplePeriodMs) {
        s.LastSampleMs = now;
        int32_t bounty = game::PlayerBounty(game::Player());
        if (IsPooled(region)) {
            if (!(s.PoolsStarted && TimerBefore(now, s.HoldoffUntilMs)))
                s.RegionPools[region] = bounty;
            s.RegionCounted[region] = true;
        }
        if (gates.BountyPoolTracker) {
            int32_t sum = PooledBountyTotal();
            if (sum != s.LastTrackerSum) {
                s.LastTrackerSum = sum;
                if (IsPooled(region)) ShowPoolTracker(sum);
            }
        }
    }

    if (region == RegionUnknown)
        region = s.LastRegion;
    else
        s.LastRegion = region;

    if (!gates.BountyPooling) return;
    if (!s.PoolsStarted) {
        StartBountyPooling();
        return;
    }
    // Outside the pooled regions (and during the start-up hold-off) no new values are taken,
    // but a change made just before still reaches the file when its write falls due.
    if (IsPooled(region) && !TimerBefore(now, s.HoldoffUntilMs)) {
        int32_t values[PoolFileFieldCount];
        for (int r = 0; r < PoolRegionCount; ++r)
            values[FileFieldOfRegion[r]] = s.RegionPools[r];
        values[FileSumField] = SumOfPools(false);
        if (!std::equal(std::begin(values), std::end(values), std::begin(s.PoolFileValues))) {
            std::copy(std::begin(values), std::end(values), std::begin(s.PoolFileValues));
            s.PoolsDirty = true;
            s.WriteDueMs = now + WriteDelayMs;
        }
    }
    if (s.PoolsDirty && !TimerBefore(now, s.WriteDueMs)) {
        SaveBountyPools();
        s.PoolsDirty = false;
    }
}

int32_t PooledBountyTotal() {
    return SumOfPools(true);
}
