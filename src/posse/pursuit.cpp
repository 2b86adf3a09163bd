// What hunters do after they appear: approach, attack, re-send when stuck, give up.
#include "posse/pursuit.h"

#include <iterator>

#include "natives/game_clock.h"
#include "natives/natives.h"
#include "spawn/placement.h"
#include "state/plugin_state.h"

namespace {

constexpr int32_t MountedPursuitPeriodMs = 2000;
constexpr float MountFollowSpeed = 3.2f;
constexpr float MountStoppingRange = 3.0f;
constexpr float DismountRangeSq = 50.0f * 50.0f;
constexpr int32_t DismountApproachTimeoutMs = 4000;

constexpr float StuckMoveStepSq = 0.64f; // (0.8 m)²
constexpr int32_t StuckStillMs = 3500;
constexpr int32_t ClosingCheckMs = 4000;
constexpr float ClosingMinGain = 2.0f;
constexpr int32_t RepathSpacingMs = 6000;

constexpr int32_t EngagementPeriodMs = 500;
constexpr float EngageRangeSq = 40.0f * 40.0f;
constexpr size_t EngagedSlack = 8;
constexpr uint32_t SecondStageAfterMs = 10000;
constexpr uint32_t GiveUpAfterMs = 90000;
constexpr float GiveUpFleeDistance = 250.0f;
constexpr float GiveUpFleeSpeed = 2.6f;

// The escalation timers are measured as unsigned elapsed time.
uint32_t ElapsedMs(int32_t now, int32_t since) {
    return static_cast<uint32_t>(now) - static_cast<uint32_t>(since);
}

float DistanceSq(const Vec3& a, const Vec3& b) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return dx * dx + dy * dy + dz * dz;
}

// Asked for every tracked ped several times a frame, so it looks the horse up in a set kept
// beside HorseRecords rather than walking the records.
bool IsRecordedHorse(Ped ped) {
    SpawnState& s = G.spawn;
    if (s.HorseIndexEdits != s.HorseRecordsEdits || s.HorseIndexSize != s.HorseRecords.size() ||
        s.HorseIndexData != s.HorseRecords.data()) {
        s.HorseIndex.Clear();
        for (const HorseRecord& r : s.HorseRecords)
            s.HorseIndex.Insert(r.horse);
        s.HorseIndexEdits = s.HorseRecordsEdits;
        s.HorseIndexSize = s.HorseRecords.size();
        s.HorseIndexData = s.HorseRecords.data();
    }
    return s.HorseIndex.Contains(ped);
}

// A rate-limited pass runs when its next-run time is 0 or has been reached; when it runs, its
// next turn comes a period later (the sum wraps as the game timer does).
bool TakeTurn(int32_t now, int32_t& nextMs, int32_t periodMs) {
    if (nextMs != 0 && TimerDiff(now, nextMs) < 0) return false;
    nextMs = static_cast<int32_t>(static_cast<uint32_t>(now) + static_cast<uint32_t>(periodMs));
    return true;
}

void StandardApproach(Ped ped, Ped player, const Vec3& playerPos) {
    ApproachOrder(ped, player, playerPos, ApproachSpeed, ApproachNoTimeout, ApproachStoppingRange);
}

} // namespace

bool IsProtectedPed(Ped ped) {
    if (ped == 0 || !game::EntityExists(ped) || !game::IsEntityAPed(ped)) return false;
    if (IsRecordedHorse(ped)) return true;
    return game::IsModelAHorse(game::EntityModel(ped));
}

bool IsLiveHunter(Ped ped) {
    return ped != 0 && game::EntityExists(ped) && game::IsEntityAPed(ped) &&
           !game::IsPedDeadOrDying(ped) && !IsProtectedPed(ped);
}

void FollowToPursuitPoint(Ped ped, Ped target, const Vec3& playerPos, float speed,
                          int32_t timeoutMs, float stoppingRange) {
    const Vec3 point = PursuitPoint();
    game::TaskFollowAtOffset(ped, target, point.x - playerPos.x, point.y - playerPos.y,
                             point.z - playerPos.z, speed, timeoutMs, stoppingRange);
}

void ApproachOrder(Ped ped, Ped target, const Vec3& playerPos, float speed, int32_t timeoutMs,
                   float stoppingRange) {
    game::SetPathCanUseClimbovers(ped);
    game::SetPathCanUseLadders(ped);
    FollowToPursuitPoint(ped, target, playerPos, speed, timeoutMs, stoppingRange);
}

void AttackOrder(Ped ped, Ped player) {
    game::BlockNonTemporaryEvents(ped);
    game::TaskCombatPed(ped, player);
    game::KeepTask(ped);
}

// Riders keep pace with a riding player, and get off to close in on a player on foot.
void UpdateMountedPursuit() {
    PursuitState& ps = G.pursuit;
    const int32_t now = static_cast<int32_t>(game::GameTimer());
    if (!TakeTurn(now, ps.MountedPursuitNextMs, MountedPursuitPeriodMs)) return;

    const Ped player = game::PlayerPed();
    const bool playerMounted = game::IsPedOnMount(player) || game::IsPedInAnyVehicle(player);
    const Vec3 playerPos = game::EntityCoords(player);

    const std::vector<Ped>& peds = G.spawn.SpawnedPeds;
    for (size_t i = 0; i < peds.size(); ++i) {
        const Ped hunter = peds[i];
        if (hunter == 0 || !game::EntityExists(hunter) || !game::IsEntityAPed(hunter) ||
            game::IsPedDeadOrDying(hunter) || !game::IsPedHuman(hunter) ||
            !game::IsPedOnMount(hunter))
            continue;

        if (playerMounted) {
            const Ped mount = game::MountOf(hunter);
            if (mount == 0 || !game::EntityExists(mount)) continue;
            FollowToPursuitPoint(mount, player, playerPos, MountFollowSpeed, ApproachNoTimeout,
                                 MountStoppingRange);
            game::KeepTask(hunter);
            if (game::HasClearLineOfSight(hunter, player)) AttackOrder(hunter, player);
        } else {
            if (DistanceSq(game::EntityCoords(hunter), playerPos) > DismountRangeSq) continue;
            game::TaskDismount(hunter, player);
            ApproachOrder(hunter, player, playerPos, ApproachSpeed, DismountApproachTimeoutMs,
                          ApproachStoppingRange);
        }
    }
}

// Re-sends hunters that have stood still without closing in; each is re-sent at most once per
// RepathSpacingMs and only when its periodic closing check finds no progress.
void UpdateStuckWatch() {
    PursuitState& ps = G.pursuit;
    const int32_t now = static_cast<int32_t>(game::GameTimer());
    const Ped player = game::PlayerPed();
    if (player == 0 || !game::EntityExists(player)) return;
    const Vec3 playerPos = game::EntityCoords(player);

    HandleSet& watched = ps.StuckWatchedThisFrame;
    watched.Clear();

    const std::vector<Ped>& peds = G.spawn.SpawnedPeds;
    for (size_t i = 0; i < peds.size(); ++i) {
        const Ped hunter = peds[i];
        if (!IsLiveHunter(hunter) || game::IsPedInCombat(hunter)) continue;
        watched.Insert(hunter);
        const Vec3 pos = game::EntityCoords(hunter);

        auto found = ps.StuckWatch.find(hunter);
        if (found == ps.StuckWatch.end()) {
            StuckWatchEntry entry;
            entry.lastPosition = pos;
            entry.lastMoveMs = now;
            entry.lastDistance = game::DistanceBetween(pos, playerPos);
            entry.lastDistanceMs = now;
            ps.StuckWatch.emplace(hunter, entry);
            continue;
        }
        StuckWatchEntry& e = found->second;

        if (DistanceSq(pos, e.lastPosition) > StuckMoveStepSq) {
            e.lastMoveMs = now;
            e.lastPosition = pos;
        }

        const float d = game::DistanceBetween(pos, playerPos);
        bool notClosing = false;
        if (TimerDiff(now, e.lastDistanceMs) >= ClosingCheckMs) {
            notClosing = e.lastDistance - d < ClosingMinGain;
            e.lastDistance = d;
            e.lastDistanceMs = now;
        }

        const bool repathAllowed = e.repathMs == 0 || TimerDiff(now, e.repathMs) >= 0;
        if (TimerDiff(now, e.lastMoveMs) >= StuckStillMs && notClosing && repathAllowed) {
            StandardApproach(hunter, player, playerPos);
            game::KeepTask(hunter);
            e.repathMs = static_cast<int32_t>(static_cast<uint32_t>(now) +
                                              static_cast<uint32_t>(RepathSpacingMs));
            e.lastPosition = pos;
            e.lastMoveMs = now;
            e.lastDistance = d;
            e.lastDistanceMs = now;
        }
    }

    // Hunters not watched this frame (gone, dead, fighting) start afresh when next watched.
    for (auto it = ps.StuckWatch.begin(); it != ps.StuckWatch.end();) {
        const bool keep = watched.Contains(it->first) && game::EntityExists(it->first);
        it = keep ? std::next(it) : ps.StuckWatch.erase(it);
    }
}

// Hunters near the player attack when they can see the player and close in when they cannot;
// one that keeps arriving without sight escalates to a wider search and finally gives up.
void UpdateEngagement() {
    PursuitState& ps = G.pursuit;
    const int32_t now = static_cast<int32_t>(game::GameTimer());
    if (!TakeTurn(now, ps.EngagementNextMs, EngagementPeriodMs)) return;

    const Ped player = game::PlayerPed();
    if (player == 0 || !game::EntityExists(player)) return;
    const Vec3 playerPos = game::EntityCoords(player);

    HandleSet& fresh = ps.EngagedThisPass;
    fresh.Clear();
    fresh.Reserve(ps.EngagedLastPass.Size() + EngagedSlack);

    const std::vector<Ped>& peds = G.spawn.SpawnedPeds;
    for (size_t i = 0; i < peds.size(); ++i) {
        const Ped hunter = peds[i];
        if (!IsLiveHunter(hunter)) continue;
        if (DistanceSq(game::EntityCoords(hunter), playerPos) > EngageRangeSq) continue;

        const bool wasEngaged = ps.EngagedLastPass.Contains(hunter);
        fresh.Insert(hunter);
        const bool sight = game::HasClearLineOfSight(hunter, player);
        const bool fighting = game::IsPedInCombat(hunter);

        if (game::IsPedOnMount(hunter)) {
            if (sight && !fighting) AttackOrder(hunter, player);
            continue;
        }
        if (wasEngaged) {
            if (sight && !fighting) {
                game::ClearTasks(hunter, 0);
                AttackOrder(hunter, player);
            }
            continue;
        }

        game::ClearTasks(hunter, 0);
        if (sight) {
            AttackOrder(hunter, player);
            continue;
        }
        StandardApproach(hunter, player, playerPos);
        game::KeepTask(hunter);

        const int32_t entryMs = static_cast<int32_t>(game::GameTimer());
        auto approach = ps.ApproachStart.try_emplace(hunter, entryMs).first;
        auto second = ps.SecondTaskStart.find(hunter);
        if (second == ps.SecondTaskStart.end()) {
            if (ElapsedMs(entryMs, approach->second) >= SecondStageAfterMs) {
                game::ClearTasks(hunter, 1);
                game::TaskSecondStagePursuit(hunter, player);
                game::KeepTask(hunter);
                ps.SecondTaskStart.emplace(hunter, entryMs);
            }
        } else if (ElapsedMs(entryMs, second->second) >= GiveUpAfterMs) {
            game::ClearTasks(hunter, 1);
            game::TaskFlee(hunter, player, GiveUpFleeDistance, GiveUpFleeSpeed, 0);
            game::KeepTask(hunter);
            ps.ApproachStart.erase(hunter);
            ps.SecondTaskStart.erase(second);
        }
    }

    ps.EngagedLastPass.Swap(fresh);
}
