// Retries for posse members that could not be placed at once, joined to their wave or posse.
#include "posse/deferred_spawns.h"

#include <algorithm>
#include <cstdint>

#include "natives/natives.h"
#include "platform/crt_rand.h"
#include "posse/harkvane_event.h"
#include "spawn/placement.h"
#include "state/plugin_state.h"

namespace {

constexpr uint32_t RetryWaitMs = 250;
constexpr int32_t AnchorTries = 2;
constexpr int32_t MaxAttempts = 6;
constexpr float MinInnerRadius = 2.0f;
constexpr float OuterRadiusStepPerTry = 20.0f;
constexpr float HeadingJitterDegrees = 10.0f;

const DeferredPlacement RealPlacement = {AnchorClusterSearch, BoundedRingSearch, CreateHunter,
                                         CreateDog, CreateHorse};
const DeferredPlacement* Placement = &RealPlacement;

struct WaveRoom {
    int32_t counts[ArmyWaveCount] = {0, 0, 0};
};

// Wave sizes of the running event's tier; none while no event runs.
WaveRoom CurrentWaveCounts() {
    WaveRoom room;
    if (!G.harkvane.HarkvaneActive) return room;
    for (int w = 0; w < ArmyWaveCount; ++w)
        room.counts[w] = WaveSize(static_cast<ArmyWave>(w));
    return room;
}

bool WaveHasRoom(const WaveRoom& room, int wave) {
    return static_cast<int64_t>(G.harkvane.HarkvanePeds[wave].size()) < room.counts[wave];
}

// The first wave whose leader stands and which still has room, or -1.
int ChooseAnchor(const WaveRoom& room) {
    if (!G.harkvane.HarkvaneActive) return -1;
    for (int w = 0; w < ArmyWaveCount; ++w)
        if (G.harkvane.HarkvaneAnchors[w].valid && WaveHasRoom(room, w)) return w;
    return -1;
}

bool FindPoint(const DeferredSpawn& rec, const Vec3& playerPos, const WaveRoom& room, Vec3* out) {
    const int anchor = ChooseAnchor(room);
    if (!rec.noAnchor && anchor >= 0 && rec.attempts < AnchorTries &&
        Placement->anchorClusterSearch(G.harkvane.HarkvaneAnchors[anchor].position,
                                       rec.isHorse != 0, out))
        return true;

    float inner = std::max(G.settings.Spawner.SpawnNearMinMeters, MinInnerRadius);
    if (G.harkvane.HarkvaneActive && G.settings.Harkvane.AnchorRadiusMeters > inner)
        inner = G.settings.Harkvane.AnchorRadiusMeters;
    const float outer = G.settings.Spawner.SpawnNearMaxMeters +
                        OuterRadiusStepPerTry * static_cast<float>(std::max(rec.attempts - 1, 0));
    return Placement->boundedRingSearch(playerPos, inner, outer, out);
}

Ped Create(const DeferredSpawn& rec, const Vec3& point, float heading) {
    if (rec.isHorse) return Placement->createHorse(rec.model, point, heading);
    if (rec.isDog) return Placement->createDog(rec.model, point, heading);
    return Placement->createHunter(rec.model, point, heading);
}

// A soldier placed late still belongs to the army: it fills the first wave with room.
void JoinWave(Ped ped, const WaveRoom& room) {
    HarkvaneState& hv = G.harkvane;
    for (int w = 0; w < ArmyWaveCount; ++w) {
        if (!WaveHasRoom(room, w)) continue;
        hv.HarkvaneMembers.push_back(
            HarkvaneMember{static_cast<int32_t>(ped), static_cast<ArmyWave>(w)});
        hv.HarkvanePeds[w].push_back(ped);
        ++hv.HarkvaneSpawned;
        return;
    }
}

} // namespace

void UseDeferredPlacement(const DeferredPlacement* placement) {
    Placement = placement ? placement : &RealPlacement;
}

void ProcessDeferredSpawns(const Vec3& playerPos, float heading) {
    std::vector<DeferredSpawn>& queue = G.spawn.DeferredSpawns;
    if (queue.empty()) return;

    const WaveRoom room = CurrentWaveCounts();
    const uint32_t now = game::GameTimer();
    std::vector<DeferredSpawn>& next = G.despawn.DeferredScratch;
    next.clear();

    for (size_t i = 0; i < queue.size(); ++i) {
        DeferredSpawn rec = queue[i];
        if (rec.firstSeenMs == 0) rec.firstSeenMs = now;
        if (rec.attempts > 0 && now - rec.firstSeenMs < RetryWaitMs) {
            next.push_back(rec);
            continue;
        }

        Vec3 point;
        Ped ped = 0;
        if (FindPoint(rec, playerPos, room, &point)) {
            // The jitter's product is divided as a whole (see CrtUnitDraw on rounding).
            const float jittered =
                heading - HeadingJitterDegrees +
                2.0f * HeadingJitterDegrees * CrtRandFloat() / static_cast<float>(CrtRandMax);
            ped = Create(rec, point, jittered);
        }
        if (ped != 0) {
            TrackSpawnedPed(ped);
            if (!rec.isHorse && G.settings.Blip.Style != 0)
                game::AddBlipForEntity(G.settings.Blip.Style, ped);
            if (G.harkvane.HarkvaneActive && game::IsPedHuman(ped)) JoinWave(ped, room);
            continue;
        }

        ++rec.attempts;
        if (rec.attempts == AnchorTries) rec.noAnchor = 1;
        if (rec.attempts >= MaxAttempts) continue;
        next.push_back(rec);
    }

    queue.swap(next);
    next.clear();
}
