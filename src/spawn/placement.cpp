// Spawn-point searches and the creation of hunters, dogs and horses.
#include "spawn/placement.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "config/loadouts.h"
#include "natives/host_interface.h"
#include "natives/natives.h"
#include "platform/crt_rand.h"
#include "spawn/posse_seam.h"
#include "state/plugin_state.h"

namespace {

// rand() scaled to a bearing of 0..2 pi radians, in 32-bit floats.
constexpr float BearingScale = 0.00019175345f;

constexpr float PlayerRingFloor = 2.0f;
constexpr float AnchorClusterFloor = 1.0f;
constexpr float SafeCoordLift = 1.0f;    // the safe-coordinate query starts 1 m above the centre
constexpr float GroundProbeLift = 9.0f;  // fallback ground probe above the centre
constexpr float GroundClearance = 0.1f;  // a probed point stands this far above the ground
constexpr float WaterClearance = 1.0f;   // candidates this close to a water surface are wet
constexpr float SurfaceProbeLift = 8.0f; // the height check probes the ground from here
constexpr int32_t RoadFlags = 16;

constexpr float PursuitBaseDistance = 15.0f;
constexpr float PursuitHighProbe = 100.0f;
constexpr float PursuitHigherProbe = 1000.0f;
constexpr float PursuitLift = 0.15f;

constexpr int MaxModelWaits = 300;
constexpr uint32_t ModelWaitMs = 10;

constexpr float ApproachSpeed = 2.8f;
constexpr int32_t ApproachTimeoutMs = -1;
constexpr float ApproachStoppingRange = 2.5f;

float BearingDraw() {
    return CrtRandFloat() * BearingScale;
}

struct RingParams {
    float inner;
    float outer;
    float step;
    float separation;
    float floor;
    int32_t roadMode;
    bool heightChecks;
};

// The surface under a raw candidate: the host's safe coordinate (a road attempt asks for a road
// first), else the probed ground. False when neither knows the ground there.
bool SurfacePoint(float x, float y, float centreZ, bool roadAttempt, Vec3* candidate) {
    const float z = centreZ + SafeCoordLift;
    Vec3 safe;
    bool found = false;
    if (roadAttempt) found = game::SafeCoordForPed(x, y, z, &safe, RoadFlags);
    if (!found) found = game::SafeCoordForPed(x, y, z, &safe, 0);
    if (found) {
        *candidate = safe;
        return true;
    }
    float ground = 0.0f;
    if (!game::GroundHeight(x, y, centreZ + GroundProbeLift, &ground)) return false;
    *candidate = Vec3{x, y, ground + GroundClearance};
    return true;
}

// Wet: less than a metre above the water surface, or under it. A point well above the water
// (a bridge, a bank) stays usable; a point on a river bed does not.
bool IsWet(const Vec3& p) {
    float water = 0.0f;
    return game::WaterHeight(p.x, p.y, p.z, &water) && p.z - water < WaterClearance;
}

// Keeps members from spawning inside each other or inside earlier hunters.
bool CrowdsTrackedPed(const Vec3& p, float separation) {
    const float limit = separation * separation;
    for (Ped tracked : G.spawn.SpawnedPeds) {
        if (tracked == 0 || !game::EntityExists(tracked)) continue;
        const Vec3 q = game::EntityCoords(tracked);
        const float dx = p.x - q.x, dy = p.y - q.y;
        if (dx * dx + dy * dy < limit) return true;
    }
    return false;
}

// Keeps hunters off rooftops and ledges above the player and off points floating above ground.
bool TooHigh(const Vec3& p) {
    const auto& placement = G.settings.SpawnPlacement;
    if (placement.LimitAbovePlayer) {
        const Ped player = game::PlayerPed();
        if (player != 0) {
            const Vec3 playerPos = game::EntityCoords(player);
            if (p.z > playerPos.z + placement.MaxAbovePlayerMeters) return true;
        }
    }
    if (placement.EnforceSurfaceSnap) {
        float ground = 0.0f;
        if (game::GroundHeight(p.x, p.y, p.z + SurfaceProbeLift, &ground) &&
            p.z - ground > placement.MaxAboveSurfaceMeters)
            return true;
    }
    return false;
}

bool IsRoadAttempt(int32_t roadMode, int attempt, int attempts) {
    if (roadMode == RoadBiasRequire) return true;
    if (roadMode == RoadBiasPrefer) return attempt < attempts / 2;
    return false;
}

bool RingSearch(const Vec3& centre, RingParams ring, Vec3* out) {
    const int attempts = std::max(1, G.settings.Spawner.SpawnAttemptsPerMember);
    float a = ring.inner;
    float b = ring.outer;
    for (int i = 0; i < attempts; ++i) {
        const float theta = BearingDraw();
        const float r = a + (b - a) * CrtUnitDraw();
        const float x = centre.x + r * std::cos(theta);
        const float y = centre.y + r * std::sin(theta);

        Vec3 candidate;
        const bool accepted =
            SurfacePoint(x, y, centre.z, IsRoadAttempt(ring.roadMode, i, attempts), &candidate) &&
            !IsWet(candidate) && !CrowdsTrackedPed(candidate, ring.separation) &&
            !(ring.heightChecks && TooHigh(candidate));
        if (accepted) {
            *out = candidate;
            return true;
        }
        if (i % 3 == 2) {
            a = std::max(a - ring.step / 2.0f, ring.floor);
            b = b + ring.step;
        }
    }
    return false;
}

int32_t AnchorRoadMode(bool forHorse) {
    if (!forHorse) return RoadBiasNone;
    const auto& spawner = G.settings.Spawner;
    return spawner.AnchorClusterHorseRoadBiasGiven ? spawner.AnchorClusterHorseRoadBias
                                                   : spawner.HorseRoadBias;
}

// The first order every new ped gets: head for a spot beside the player.
void FirstApproach(Ped ped) {
    game::SetPathCanUseClimbovers(ped);
    game::SetPathCanUseLadders(ped);
    FollowToPursuitPoint(ped, ApproachSpeed, ApproachTimeoutMs, ApproachStoppingRange);
}

enum class PedKind { Hunter, Dog, Horse };

bool HasHorseRecord(Ped horse) {
    for (const HorseRecord& record : G.spawn.HorseRecords)
        if (record.horse == horse) return true;
    return false;
}

Ped CreateMember(PedKind kind, Hash model, const Vec3& point, float heading) {
    if (!LoadModel(model)) return 0;
    const Ped ped = game::CreatePed(model, point.x, point.y, point.z, heading);
    game::ReleaseModel(model);
    if (ped == 0) return 0;
    ForgetEarlierPed(ped);

    game::MarkOwnedByScript(ped);
    game::RandomOutfit(ped);
    game::RefreshAppearance(ped);
    game::FinishAppearance(ped);

    switch (kind) {
    case PedKind::Hunter:
        if (game::IsPedHuman(ped)) {
            const std::string& tag = G.settings.CurrentTierTag;
            ApplyLoadout(ped, tag.empty() ? nullptr : tag.c_str());
        }
        break;
    case PedKind::Dog:
        break;
    case PedKind::Horse:
        if (game::EntityExists(ped)) {
            game::ApplyHorsePreset(ped);
            game::RefreshAppearance(ped);
        }
        // Asked again: the preset step may have cost the game the horse.
        if (game::EntityExists(ped) && !HasHorseRecord(ped)) {
            HorseRecord record;
            record.horse = ped;
            record.spawnAttempt = G.spawn.SpawnAttemptId;
            G.spawn.HorseRecords.push_back(record);
            ++G.spawn.HorseRecordsEdits;
        }
        break;
    }

    FirstApproach(ped);
    return ped;
}

} // namespace

bool PlayerRingSearch(const Vec3& centre, Vec3* out) {
    const auto& s = G.settings.Spawner;
    return RingSearch(centre,
                      {s.SpawnNearMinMeters, s.SpawnNearMaxMeters, s.SpawnRingStepMeters,
                       s.MinSeparationMeters, PlayerRingFloor, RoadBiasNone, true},
                      out);
}

bool AnchorClusterSearch(const Vec3& centre, bool forHorse, Vec3* out) {
    const auto& s = G.settings.Spawner;
    return RingSearch(centre,
                      {s.AnchorClusterMinMeters, s.AnchorClusterMaxMeters,
                       s.AnchorClusterStepMeters, s.AnchorClusterSeparation, AnchorClusterFloor,
                       AnchorRoadMode(forHorse), true},
                      out);
}

bool BoundedRingSearch(const Vec3& centre, float innerRadius, float outerRadius, Vec3* out) {
    const auto& s = G.settings.Spawner;
    return RingSearch(centre,
                      {innerRadius, outerRadius, s.SpawnRingStepMeters, s.MinSeparationMeters,
                       PlayerRingFloor, RoadBiasNone, false},
                      out);
}

Vec3 PursuitPoint() {
    const Vec3 p = game::EntityCoords(game::PlayerPed());
    const float theta = BearingDraw();
    const float distance = PursuitBaseDistance + CrtUnitDraw();
    const float x = p.x + distance * std::cos(theta);
    const float y = p.y + distance * std::sin(theta);

    float z = 0.0f;
    if (!game::GroundHeight(x, y, p.z + PursuitHighProbe, &z) &&
        !game::GroundHeight(x, y, p.z + PursuitHigherProbe, &z)) {
        Vec3 safe;
        if (game::SafeCoordForPed(x, y, p.z + SafeCoordLift, &safe, 0))
            z = safe.z;
        else
            z = p.z + SafeCoordLift;
    }
    return Vec3{x, y, z + PursuitLift};
}

void FollowToPursuitPoint(Ped ped, float speed, int32_t timeoutMs, float stoppingRange) {
    const Vec3 target = PursuitPoint();
    const Ped player = game::PlayerPed();
    const Vec3 playerPos = game::EntityCoords(player);
    game::TaskFollowAtOffset(ped, player, target.x - playerPos.x, target.y - playerPos.y,
                             target.z - playerPos.z, speed, timeoutMs, stoppingRange);
}

bool LoadModel(Hash model) {
    if (!game::IsModelValid(model)) return false;
    game::RequestModel(model);
    // The answer is asked afresh after the wait loop, whichever way the loop ended.
    for (int waits = 0; !game::HasModelLoaded(model) && waits < MaxModelWaits; ++waits)
        scriptWait(ModelWaitMs);
    return game::HasModelLoaded(model);
}

Ped CreateHunter(Hash model, const Vec3& point, float heading) {
    return CreateMember(PedKind::Hunter, model, point, heading);
}

Ped CreateDog(Hash model, const Vec3& point, float heading) {
    return CreateMember(PedKind::Dog, model, point, heading);
}

Ped CreateHorse(Hash model, const Vec3& point, float heading) {
    return CreateMember(PedKind::Horse, model, point, heading);
}

void TrackSpawnedPed(Ped ped) {
    G.spawn.SpawnedPeds.push_back(ped);
}
