// Removing hunters: stragglers, the tracked-list cap, and the whole posse at once.
#include "posse/despawn.h"

#include <algorithm>
#include <cstdint>

#include "natives/natives.h"
#include "posse/harkvane_event.h"
#include "posse/pursuit.h"
#include "spawn/horses.h"
#include "state/plugin_state.h"
#include "state/story.h"

namespace {

constexpr uint32_t FarPassPeriodMs = 500;
constexpr float FarDespawnRangeSq = 200.0f * 200.0f;
constexpr int64_t CapSlack = 10;
constexpr int64_t CapRemovalsPerFrame = 5;

float DistanceSq(const Vec3& a, const Vec3& b) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return dx * dx + dy * dy + dz * dz;
}

// The host may zero the handle it is given, so it never sees our list element.
void DeleteTracked(Ped ped) {
    Entity copy = ped;
    game::DeleteEntity(&copy);
}

// Rebuilds SpawnedPeds in order without the handles that vanished, deleting the live peds that
// `deletes` picks; the rest stay tracked. Returns how many it deleted.
template <class Picks> int RebuildSpawnedPeds(Picks deletes) {
    std::vector<Ped>& kept = G.despawn.PedScratch;
    kept.clear();
    int deleted = 0;
    const std::vector<Ped>& peds = G.spawn.SpawnedPeds;
    for (size_t i = 0; i < peds.size(); ++i) {
        const Ped ped = peds[i];
        if (ped == 0 || !game::EntityExists(ped)) continue;
        if (deletes(ped)) {
            DeleteTracked(ped);
            ++deleted;
        } else {
            kept.push_back(ped);
        }
    }
    G.spawn.SpawnedPeds.swap(kept);
    kept.clear();
    return deleted;
}

// The cap never takes the horse the player has claimed, and takes army soldiers only when
// they are not protected from it.
bool SparedByCap(Ped ped) {
    if (ped == 0 || !game::EntityExists(ped)) return false;
    if (IsClaimedHorse(ped)) return true;
    return G.settings.Harkvane.ProtectFromMaxAlive && IsHarkvaneMember(ped);
}

} // namespace

// Deletes living hunters left far behind; the army event keeps its soldiers however far.
void DespawnFarPeds(const Vec3& playerPos) {
    if (G.harkvane.HarkvaneActive) return;
    const uint32_t now = game::GameTimer();
    // Raw unsigned comparison, not TimerDiff: the pass keeps its timing next to the wrap.
    if (now < G.despawn.DespawnNextMs) return;
    G.despawn.DespawnNextMs = now + FarPassPeriodMs;

    RebuildSpawnedPeds([&playerPos](Ped ped) {
        const bool spared = !game::IsEntityAPed(ped) || IsProtectedPed(ped) ||
                            IsHarkvaneMember(ped) || game::IsPedDeadOrDying(ped);
        const bool behind =
            !spared && DistanceSq(game::EntityCoords(ped), playerPos) > FarDespawnRangeSq;
        if (behind) TellPedDespawned(DespawnReason::FellBehind, ped);
        return behind;
    });
}

int64_t TrackedListTrimAbove() {
    return int64_t{G.settings.Spawner.MaxAlive} + CapSlack;
}

// Drops vanished handles every frame and trims a list that has grown well past the limit,
// oldest first, a few per frame.
void CompactSpawnedPeds() {
    RebuildSpawnedPeds([](Ped) { return false; });

    std::vector<Ped>& list = G.spawn.SpawnedPeds;
    const int64_t n = static_cast<int64_t>(list.size());
    if (n > TrackedListTrimAbove()) {
        const int64_t removals = std::min(n - G.settings.Spawner.MaxAlive, CapRemovalsPerFrame);
        for (int64_t k = 0; k < removals; ++k) {
            size_t victim = 0;
            while (victim < list.size() && SparedByCap(list[victim]))
                ++victim;
            if (victim == list.size()) break;
            const Ped ped = list[victim];
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(victim));
            if (ped != 0 && game::EntityExists(ped)) {
                TellPedDespawned(DespawnReason::ListCap, ped);
                DeleteTracked(ped);
            }
        }
    }

    if (!G.settings.Blip.BountyHunterHorse) {
        for (HorseRecord& r : G.spawn.HorseRecords) {
            if (r.blip == 0) continue;
            game::RemoveBlip(&r.blip);
            r.blip = 0;
        }
    }
}

// Clears the whole posse (horses excepted), ends a running army event and drops the retries.
void DespawnPosse(ClearReason why) {
    const int removed = RebuildSpawnedPeds([](Ped ped) { return !IsProtectedPed(ped); });
    TellPosseCleared(why, removed);

    EndHarkvaneEvent(ArmyEnd::Cleared);
    G.harkvane.HarkvaneMembers.clear();
    G.spawn.DeferredSpawns.clear();
}
