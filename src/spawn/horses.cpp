// Posse horses: pairing riders, releasing a horse the player takes, sending riderless ones away.
#include "spawn/horses.h"

#include <algorithm>

#include "natives/natives.h"
#include "spawn/placement.h"
#include "state/plugin_state.h"
#include "state/story.h"

namespace {

constexpr uint32_t HorsePassPeriodMs = 1000;
constexpr uint32_t HorseOrderPeriodMs = 3000;
constexpr float SendAwayRadiusSquared = 2025.0f; // 45 m
constexpr float FleeDistance = 600.0f;
constexpr float FleeSpeed = 2.5f;
constexpr float RiderFollowSpeed = 3.2f;
constexpr int32_t RiderFollowTimeoutMs = -1;
constexpr float RiderFollowStoppingRange = 2.5f;
constexpr char HorseBlipStyle[] = "BLIP_STYLE_PLAYER_HORSE";
constexpr char HorseBlipName[] = "Bounty Hunter's Horse";

HorseRecord* FindRecord(Ped horse) {
    for (HorseRecord& record : G.spawn.HorseRecords)
        if (record.horse == horse) return &record;
    return nullptr;
}

// The horse the player sits on, 0 when on foot.
Ped PlayerMount(Ped player) {
    return game::IsPedOnMount(player) ? game::MountOf(player) : 0;
}

bool Exists(Ped ped) {
    return ped != 0 && game::EntityExists(ped);
}

float HorizontalDistanceSquared(const Vec3& a, const Vec3& b) {
    const float dx = a.x - b.x, dy = a.y - b.y;
    return dx * dx + dy * dy;
}

void RemoveHorse(Ped horse) {
    ReleaseHorse(horse);
    auto& peds = G.spawn.SpawnedPeds;
    if (auto it = std::find(peds.begin(), peds.end(), horse); it != peds.end()) peds.erase(it);
    if (game::EntityExists(horse)) {
        TellPedDespawned(DespawnReason::OldHorse, horse);
        Ped doomed = horse;
        game::DeleteEntity(&doomed);
    }
    auto& records = G.spawn.HorseRecords;
    records.erase(std::remove_if(records.begin(), records.end(),
                                 [horse](const HorseRecord& r) { return r.horse == horse; }),
                  records.end());
    ++G.spawn.HorseRecordsEdits;
}

void SendAway(Ped horse, Ped player) {
    game::ClearTasks(horse, 0);
    AddHorseBlip(horse);
    game::TaskFlee(horse, player, FleeDistance, FleeSpeed, player);
}

} // namespace

void ReleaseHorse(Ped horse) {
    if (!Exists(horse)) return;
    game::ClearTasks(horse, 0);
    if (game::EntityHasBlip(horse)) {
        Blip blip = game::BlipOfEntity(horse);
        if (blip != 0) {
            game::BlipReleaseStep(blip);
            game::RemoveBlip(&blip);
        }
    }
    if (HorseRecord* record = FindRecord(horse)) record->blip = 0;
}

void AddHorseBlip(Ped horse) {
    if (!Exists(horse) || game::EntityHasBlip(horse)) return;
    const Hash style = game::HashKey(HorseBlipStyle);
    const Blip blip = game::AddBlipForEntity(style, horse);
    if (blip != 0) {
        game::BlipAddModifier(blip, style);
        game::SetBlipName(blip, HorseBlipName);
    }
    if (HorseRecord* record = FindRecord(horse)) record->blip = blip;
}

bool IsClaimedHorse(Ped ped) {
    const HorseRecord* record = ped != 0 ? FindRecord(ped) : nullptr;
    return record != nullptr && record->playerClaimed != 0;
}

void ProtectPlayerMount() {
    if (!G.settings.HorseCleanup.ProtectIfPlayerMounted) return;
    const Ped mount = PlayerMount(game::PlayerPed());
    if (!Exists(mount)) return;
    if (HorseRecord* record = FindRecord(mount)) {
        record->playerClaimed = 1;
        ReleaseHorse(mount);
    }
}

// Records of horses no longer tracked name entities that are gone (the list drops a handle only
// when its entity vanished or was deleted); without this they would pile up for the whole
// session. Asks the game nothing.
void DropUntrackedHorseRecords() {
    HandleSet& tracked = G.spawn.TrackedScratch;
    tracked.Clear();
    for (Ped ped : G.spawn.SpawnedPeds)
        tracked.Insert(ped);
    auto& records = G.spawn.HorseRecords;
    const auto gone = std::remove_if(records.begin(), records.end(), [&](const HorseRecord& r) {
        return !tracked.Contains(r.horse);
    });
    records.erase(gone, records.end());
    ++G.spawn.HorseRecordsEdits;
}

void PreSpawnHorseCleanup() {
    DropUntrackedHorseRecords();
    const Ped player = game::PlayerPed();
    const Ped playerMount = PlayerMount(player);

    std::vector<Ped> chosen;
    for (const HorseRecord& record : G.spawn.HorseRecords) {
        if (record.spawnAttempt >= G.spawn.SpawnAttemptId || record.playerClaimed) continue;
        if (record.horse == playerMount) continue;
        if (game::IsMountSeatFree(record.horse)) {
            chosen.push_back(record.horse);
        } else if (G.settings.HorseCleanup.DeleteIfMountedByNPC) {
            const Ped rider = game::RiderOfMount(record.horse);
            if (Exists(rider) && rider != player) chosen.push_back(record.horse);
        }
    }
    for (Ped horse : chosen)
        RemoveHorse(horse);
}

void PairRidersWithHorses(const std::vector<Ped>& riders, const std::vector<Ped>& horses,
                          float radius, bool deleteUnpaired) {
    std::vector<Ped> seated;
    for (Ped rider : riders)
        if (Exists(rider) && game::IsPedHuman(rider)) seated.push_back(rider);
    std::vector<Ped> spare;
    for (Ped horse : horses)
        if (Exists(horse)) spare.push_back(horse);

    // Riders already in a saddle keep theirs and get no follow order.
    seated.erase(std::remove_if(seated.begin(), seated.end(),
                                [](Ped rider) { return game::IsPedOnMount(rider); }),
                 seated.end());

    const float limit = radius * radius;
    for (Ped rider : seated) {
        if (spare.empty()) break;
        const Vec3 at = game::EntityCoords(rider);
        size_t best = spare.size();
        float bestDistance = 0.0f;
        for (size_t j = 0; j < spare.size(); ++j) {
            if (!Exists(spare[j])) continue;
            const Vec3 h = game::EntityCoords(spare[j]);
            const float dx = h.x - at.x, dy = h.y - at.y, dz = h.z - at.z;
            const float d = dx * dx + dy * dy + dz * dz;
            // On equal distances the later horse wins.
            if (d <= limit && (best == spare.size() || d <= bestDistance)) {
                best = j;
                bestDistance = d;
            }
        }
        if (best == spare.size()) continue;
        game::PutPedOnMount(rider, spare[best]);
        spare.erase(spare.begin() + static_cast<std::ptrdiff_t>(best));
    }

    if (deleteUnpaired) {
        for (Ped horse : spare) {
            if (!Exists(horse)) continue;
            TellPedDespawned(DespawnReason::UnpairedHorse, horse);
            Ped doomed = horse;
            game::DeleteEntity(&doomed);
        }
    }

    for (Ped rider : seated) {
        if (!Exists(rider) || !game::IsPedOnMount(rider)) continue;
        const Ped mount = game::MountOf(rider);
        if (!Exists(mount) || game::EntityHasBlip(mount)) continue;
        FollowToPursuitPoint(mount, RiderFollowSpeed, RiderFollowTimeoutMs,
                             RiderFollowStoppingRange);
        game::SetPathCanUseClimbovers(mount);
        game::SetPathCanUseLadders(mount);
    }
}

void HorsePass() {
    const uint32_t now = game::GameTimer();
    // Raw unsigned comparisons in this pass, not TimerDiff: it keeps its timing next to the wrap.
    if (now < G.spawn.HorsePassNextMs) return;
    G.spawn.HorsePassNextMs = now + HorsePassPeriodMs;

    const bool protect = G.settings.HorseCleanup.ProtectIfPlayerMounted;
    const Ped player = game::PlayerPed();
    const Vec3 playerPos = game::EntityCoords(player);
    const Ped playerMount = protect ? PlayerMount(player) : 0;

    // Indexed walk: the blip bookkeeping looks records up while we hold one.
    for (size_t i = 0; i < G.spawn.HorseRecords.size(); ++i) {
        const Ped horse = G.spawn.HorseRecords[i].horse;
        if (!Exists(horse)) continue;

        if (protect && playerMount == horse) {
            ReleaseHorse(horse);
            game::ClearTasks(horse, 0);
            HorseRecord& r = G.spawn.HorseRecords[i];
            r.playerClaimed = 1;
            r.wasRidden = 1;
            r.sentAway = 0;
            r.nextOrderMs = 0;
            continue;
        }
        if (!game::IsMountSeatFree(horse)) {
            HorseRecord& r = G.spawn.HorseRecords[i];
            r.wasRidden = 1;
            r.sentAway = 0;
            r.nextOrderMs = 0;
            continue;
        }

        const HorseRecord& seen = G.spawn.HorseRecords[i];
        if (seen.playerClaimed || (!seen.wasRidden && !seen.sentAway)) continue;
        const bool near = HorizontalDistanceSquared(game::EntityCoords(horse), playerPos) <=
                          SendAwayRadiusSquared;
        if (!near) continue;

        if (seen.wasRidden && !seen.sentAway) {
            SendAway(horse, player);
            HorseRecord& r = G.spawn.HorseRecords[i];
            r.sentAway = 1;
            r.nextOrderMs = now + HorseOrderPeriodMs;
        } else if (seen.sentAway && now >= seen.nextOrderMs) {
            SendAway(horse, player);
            G.spawn.HorseRecords[i].nextOrderMs = now + HorseOrderPeriodMs;
        }
    }
}
