// The Harkvane army event after its start: waves, leash, success.
#include "posse/harkvane_event.h"

#include <algorithm>
#include <cmath>

#include "bounty/streak_and_notices.h"
#include "bounty/witnesses.h"
#include "natives/game_clock.h"
#include "natives/hash_keys.h"
#include "natives/natives.h"
#include "platform/crt_rand.h"
#include "posse/pursuit.h"
#include "spawn/placement.h"
#include "state/plugin_state.h"
#include "state/story.h"

namespace {

constexpr uint32_t MemberSpacingMs = 2000;
constexpr float LeaderRingInner = 95.0f;
constexpr float LeaderRingOuter = 100.0f;
constexpr uint32_t PursuedHoldMs = 60000;

constexpr float LeashDistanceSquared = 200.0f * 200.0f;
constexpr float LeashReturnMin = 95.0f;
constexpr float LeashReturnSpread = 10.0f;
constexpr float LeashLift = 0.5f;
constexpr float GroundProbeLift = 8.0f;
constexpr float GroundClearance = 0.1f;
constexpr uint32_t LeashCooldownMs = 2500;

struct LawRegion {
    const char* name;
    Hash zones[9];
};

// District zones and the law region each belongs to (the region hash is the host's hash of
// the name). Unused slots hold 0, which no district reports.
constexpr LawRegion LawRegions[] = {
    {"LAW_REGION_LEMOYNE",
     {0x09D7C4E2, 0x2F36E339, 0x5B05B5D5, 0x8153A51F, 0xB87C1024, 0xD218D3D5}},
    {"LAW_REGION_WEST_ELIZABETH", {0x012E4A7A, 0x08D3C72E, 0x2DDB14BF, 0x860A1AC4, 0xF1CBD164}},
    {"LAW_REGION_NEW_HANOVER",
     {0x1D3E259F, 0x1FDD3F58, 0x274AD67B, 0x495E0BF3, 0x5652DFCC, 0x8C3B1E5A, 0x9A8A5F6A,
      0xCA86C400, 0xE6BD5E2B}},
    {"LAW_REGION_NEW_AUSTIN",
     {0x2C1A1C17, 0x8B1AEF44, 0x8C2D63E9, 0x9CF58D5A, 0xB1C4A37E, 0xF25D35DE}},
    {"LAW_REGION_AMBARINO", {0x0E7A5A25, 0x2E33E1A0, 0x86F1BF12, 0xA2DDFE8A}},
    {"LAW_REGION_GUARMA", {0x98E2D2B1}},
};

// Orders a soldier toward a point near the player, reading the player's position afresh.
void ApproachPlayer(Ped ped) {
    Ped player = game::PlayerPed();
    ApproachOrder(ped, player, game::EntityCoords(player), ApproachSpeed, ApproachNoTimeout,
                  ApproachStoppingRange);
}

// Everything a newly created soldier gets, whichever wave it belongs to.
void EnlistSoldier(Ped ped, ArmyWave wave) {
    TrackSpawnedPed(ped);
    if (G.settings.Blip.Style != 0) game::AddBlipForEntity(G.settings.Blip.Style, ped);
    HarkvaneState& hv = G.harkvane;
    hv.HarkvaneMembers.push_back(HarkvaneMember{static_cast<int32_t>(ped), wave});
    hv.HarkvanePeds[wave].push_back(ped);
    ++hv.HarkvaneSpawned;
}

// Drops members that vanished (uncounted) or died (counted), keeping the order of the rest.
void UpdateMemberBookkeeping() {
    HarkvaneState& hv = G.harkvane;
    hv.MemberScratch.clear();
    for (const HarkvaneMember& member : hv.HarkvaneMembers) {
        Ped ped = static_cast<Ped>(member.ped);
        if (ped == 0 || !game::EntityExists(ped)) continue;
        if (game::IsPedDeadOrDying(ped)) {
            ++hv.HarkvaneDeaths;
            continue;
        }
        hv.MemberScratch.push_back(member);
    }
    hv.HarkvaneMembers.swap(hv.MemberScratch);
}

// While the player lies dead the streak stays at 0; the file is written again only when it
// may not hold 0 yet (the last save failed, or the count moved since).
void ResetStreakWhileDead() {
    HarkvaneState& hv = G.harkvane;
    if (hv.DeadStreakSaved && G.loop.StreakCount == 0) return;
    G.loop.StreakCount = 0;
    hv.DeadStreakSaved = SaveStreak();
}

// The leader of wave B or C, placed on a ring 95-100 m from the player.
void SpawnWaveLeader(const Vec3& playerPos, float heading, ArmyWave wave) {
    HarkvaneState& hv = G.harkvane;
    Vec3 point;
    Ped leader = 0;
    if (BoundedRingSearch(playerPos, LeaderRingInner, LeaderRingOuter, &point))
        leader = CreateHunter(G.settings.Harkvane.Model, point,
                              heading - 10.0f + 20.0f * CrtUnitDrawDivided());
    if (leader != 0) {
        EnlistSoldier(leader, wave);
        hv.HarkvaneAnchors[wave].position = game::EntityCoords(leader);
        hv.HarkvaneAnchors[wave].valid = true;
        ApproachPlayer(leader);
    }
    // The wave goes on without a new leader, around whatever anchor it already has.
    hv.HarkvaneWaveCount = 0;
    hv.HarkvaneWaveTarget = WaveTarget(wave);
}

// The wave a filling stage gathers, and the stage after it.
ArmyWave FillingWave(ArmyStage stage) {
    return stage == WaveBFilling ? WaveB : stage == WaveCFilling ? WaveC : WaveA;
}

ArmyStage AfterFilling(ArmyStage stage) {
    return stage == WaveAFilling ? WaitingForB : stage == WaveBFilling ? WaitingForC : AllWavesOut;
}

void FinishWithSuccess() {
    const auto& cfg = G.settings.Harkvane;
    if (cfg.Toasts) ShowToast(cfg.ToastSuccess.c_str());
    EndHarkvaneEvent(ArmyEnd::Won);

    SetBountyCapped(0);

    PlayerIndex player = game::Player();
    Vec3 position = game::EntityCoords(game::PlayerPed());
    Hash zone = game::MapZoneAt(position.x, position.y, position.z, 10);
    game::SetPlayerLawRegion(player, LawRegionOfZone(zone));
    game::LawCallWithZeroedValue();

    game::SetPlayerPursued(player, true);
    G.loop.PursuedHoldUntilMs = game::GameTimer() + PursuedHoldMs;

    G.loop.StreakCount = 0;
    SaveStreak();
}

} // namespace

void EndHarkvaneEvent(ArmyEnd how) {
    HarkvaneState& hv = G.harkvane;
    const bool running = hv.HarkvaneActive;
    if (hv.HarkvaneMarker != 0) {
        game::RemoveEventMarker(hv.HarkvaneMarker);
        hv.HarkvaneMarker = 0;
    }
    hv.HarkvaneActive = false;
    hv.HarkvaneStage = WaveAFilling;
    hv.HarkvaneWaveDueMs = 0;
    for (std::vector<Ped>& peds : hv.HarkvanePeds)
        peds.clear();
    if (running) TellArmyEnded(how);
}

int32_t WaveSize(ArmyWave wave) {
    int tier = G.harkvane.HarkvaneTier;
    if (tier < 1 || tier > TierCount) return 0;
    const Settings& s = G.settings;
    return wave == WaveB   ? s.Harkvane_Counts_B[tier]
           : wave == WaveC ? s.Harkvane_Counts_C[tier]
                           : s.Harkvane_Counts_A[tier];
}

int32_t WaveTarget(ArmyWave wave) {
    const int32_t size = WaveSize(wave);
    return size > 0 ? size - 1 : 0; // the leader is not counted; a negative size means none
}

Hash LawRegionOfZone(Hash zone) {
    if (zone == 0) return 0;
    for (const LawRegion& region : LawRegions)
        for (Hash listed : region.zones)
            if (listed == zone) return HashName(region.name);
    return 0;
}

void UpdateHarkvaneEvent(const Vec3& playerPos, float heading) {
    HarkvaneState& hv = G.harkvane;
    if (!hv.HarkvaneActive) return;

    if (game::IsPedDeadOrDying(game::PlayerPed()))
        ResetStreakWhileDead();
    else
        hv.DeadStreakSaved = false;

    UpdateMemberBookkeeping();
    RebuildHarkvanePeds(WaveA);
    RebuildHarkvanePeds(WaveB);
    RebuildHarkvanePeds(WaveC);

    uint32_t now = game::GameTimer();
    switch (hv.HarkvaneStage) {
    case WaveAFilling:
    case WaveBFilling:
    case WaveCFilling: {
        const ArmyWave wave = FillingWave(hv.HarkvaneStage);
        if (hv.HarkvaneWaveCount < hv.HarkvaneWaveTarget) {
            // A wave whose anchor was never set stays here: nothing to gather around.
            const WaveAnchor& anchor = hv.HarkvaneAnchors[wave];
            // Raw unsigned comparisons here and below, not TimerDiff: the waves keep their
            // timing next to the timer's wrap.
            if (anchor.valid && now >= hv.HarkvaneNextMemberMs) {
                Ped member = SpawnWaveMember(anchor.position, heading, wave);
                hv.HarkvaneNextMemberMs = now + MemberSpacingMs;
                if (member != 0) ++hv.HarkvaneWaveCount;
            }
            return;
        }
        hv.HarkvaneStage = AfterFilling(hv.HarkvaneStage);
        if (hv.HarkvaneStage != AllWavesOut)
            hv.HarkvaneWaveDueMs =
                now + static_cast<uint32_t>(std::max(G.settings.Harkvane.SpawnIntervalMs, 0));
        TellArmyStage();
        return;
    }
    case WaitingForB:
    case WaitingForC:
        if (now >= hv.HarkvaneWaveDueMs) {
            const bool waveB = hv.HarkvaneStage == WaitingForB;
            SpawnWaveLeader(playerPos, heading, waveB ? WaveB : WaveC);
            hv.HarkvaneNextMemberMs = now;
            hv.HarkvaneStage = waveB ? WaveBFilling : WaveCFilling;
            TellArmyStage();
            return;
        }
        break;
    default:
        break;
    }

    // The bounty is cleared only after a fight: soldiers were placed and all of them are dead.
    // An army wiped out while the next wave is still pending counts as beaten too; one that
    // placed nobody waits for the next wave, and ends empty-handed when none is left to come.
    if (hv.HarkvaneSpawned > 0) {
        if (hv.HarkvaneDeaths >= hv.HarkvaneSpawned) FinishWithSuccess();
    } else if (hv.HarkvaneStage == AllWavesOut) {
        EndHarkvaneEvent(ArmyEnd::NobodyPlaced);
    }
}

Ped SpawnWaveMember(const Vec3& anchor, float heading, ArmyWave wave) {
    Vec3 point;
    if (!AnchorClusterSearch(anchor, false, &point)) return 0;
    Ped ped = CreateHunter(G.settings.Harkvane.Model, point,
                           heading + 20.0f * (CrtUnitDrawDivided() - 0.5f));
    if (ped == 0) return 0;

    EnlistSoldier(ped, wave);
    // Wave A closes in first; the later waves open fire at once.
    if (wave == WaveA) {
        ApproachPlayer(ped);
    } else {
        game::ClearTasks(ped, 0);
        AttackOrder(ped, game::PlayerPed());
    }
    return ped;
}

void LeashHarkvaneMembers(const Vec3& playerPos) {
    HarkvaneState& hv = G.harkvane;
    if (!hv.HarkvaneActive) return;
    uint32_t now = game::GameTimer();

    for (Ped ped : G.spawn.SpawnedPeds) {
        if (ped == 0 || !game::EntityExists(ped) || !game::IsEntityAPed(ped)) continue;
        if (!IsHarkvaneMember(ped)) continue;
        if (IsProtectedPed(ped) || game::IsPedDeadOrDying(ped) || game::IsPedInAnyVehicle(ped))
            continue;
        auto cooldown = hv.LeashCooldown.find(ped);
        if (cooldown != hv.LeashCooldown.end() && TimerDiff(cooldown->second, now) > 0) continue;

        Vec3 pos = game::EntityCoords(ped);
        float dx = pos.x - playerPos.x, dy = pos.y - playerPos.y, dz = pos.z - playerPos.z;
        if (dx * dx + dy * dy + dz * dz < LeashDistanceSquared) continue;

        // Bring the straggler back onto the same bearing from the player, at about 100 m.
        float radius = LeashReturnMin + LeashReturnSpread * CrtUnitDrawDivided();
        float bearing = std::atan2(pos.y - playerPos.y, pos.x - playerPos.x);
        Vec3 target{playerPos.x + radius * std::cos(bearing),
                    playerPos.y + radius * std::sin(bearing), playerPos.z + LeashLift};
        Vec3 destination = target;
        Vec3 safe;
        float ground = 0.0f;
        if (game::SafeCoordForPed(target.x, target.y, target.z, &safe, 0))
            destination = safe;
        else if (game::GroundHeight(target.x, target.y, target.z + GroundProbeLift, &ground))
            destination = Vec3{target.x, target.y, ground + GroundClearance};

        // A rider travels with its mount.
        Entity moved = ped;
        if (game::IsPedOnMount(ped)) {
            Ped mount = game::MountOf(ped);
            if (mount != 0 && game::EntityExists(mount)) moved = mount;
        }
        game::SetEntityCoords(moved, destination.x, destination.y, destination.z);
        ApproachPlayer(ped);
        hv.LeashCooldown[ped] = static_cast<int32_t>(now + LeashCooldownMs);
    }
}

void HarkvaneTick() {
    PlayerIndex player = game::Player();
    game::SetPlayerPursued(player, false);
    game::SetLawSetting(5);
    game::ReportCrimeOnPlayer(player);
}

void RebuildHarkvanePeds(ArmyWave wave) {
    HarkvaneState& hv = G.harkvane;
    std::vector<Ped>& peds = hv.HarkvanePeds[wave];
    peds.clear();
    for (const HarkvaneMember& member : hv.HarkvaneMembers)
        if (member.wave == wave) peds.push_back(static_cast<Ped>(member.ped));
}

bool IsHarkvaneMember(Ped ped) {
    for (const HarkvaneMember& member : G.harkvane.HarkvaneMembers)
        if (static_cast<Ped>(member.ped) == ped) return true;
    return false;
}
