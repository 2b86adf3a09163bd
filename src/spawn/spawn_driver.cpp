// One spawn attempt: bounty gate, tier, variant, size, placement and creation of a posse.
#include "spawn/spawn_driver.h"

#include <algorithm>
#include <vector>

#include "bounty/bounty_pools.h"
#include "bounty/saturating.h"
#include "bounty/streak_and_notices.h"
#include "config/rosters.h"
#include "config/shield_zones.h"
#include "natives/game_clock.h"
#include "natives/natives.h"
#include "platform/crt_rand.h"
#include "spawn/horses.h"
#include "spawn/placement.h"
#include "spawn/posse_seam.h"
#include "state/plugin_state.h"
#include "state/story.h"

namespace {

constexpr float JitterScale = 0.0006103702f; // rand() to 0..20 degrees
constexpr float JitterHalfRange = 10.0f;
constexpr float BehindPlayer = 180.0f;
constexpr double SecondsPerHour = 3600.0;
constexpr int BaseSize[TierCount + 1] = {0, 2, 3, 4, 5, 5};
constexpr const char* TierTags[TierCount + 1] = {"", "T1", "T2", "T3", "T4", "T5"};

// Members face back along the bearing, each turned by up to 10 degrees either way.
float JitteredHeading(float bearing) {
    return bearing + (CrtRandFloat() * JitterScale - JitterHalfRange);
}

Hash UniformPick(const std::vector<Hash>& list) {
    const int n = static_cast<int>(list.size());
    const int index = static_cast<int>(static_cast<float>(n) * CrtUnitDraw()) % n;
    return list[static_cast<size_t>(index)];
}

// A count between min and max inclusive; max is raised to min when written the wrong way round.
// The width is taken in 64 bits, so a range over the whole int32 range still takes its one draw.
int DrawCount(CountRange range) {
    const int32_t lo = range.min;
    const int32_t hi = std::max(range.max, lo);
    if (lo == hi) return lo;
    const int64_t width = int64_t{hi} - lo + 1;
    return static_cast<int32_t>(lo + CrtRand() % width);
}

int32_t CurrentBounty() {
    if (G.settings.BountyGates.BountyPooling) return PooledBountyTotal();
    return game::PlayerBounty(game::Player());
}

int ChooseTier() {
    const auto& s = G.settings;
    if (s.Debug.ForceTier >= 1 && s.Debug.ForceTier <= TierCount) return s.Debug.ForceTier;
    int32_t bounty = CurrentBounty();
    if (!s.BountyGates.BountyPooling) bounty = std::max(bounty, 0);
    if (bounty <= s.TierGates.T1Max) return 1;
    if (bounty <= s.TierGates.T2Max) return 2;
    if (bounty <= s.TierGates.T3Max) return 3;
    if (bounty <= s.TierGates.T4Max) return 4;
    return 5;
}

int32_t ChooseVariant(int tier) {
    const int32_t forced = G.settings.Debug.ForceVariant;
    if (forced >= VariantFoot && forced <= VariantHorse) return forced;
    const int r = CrtRand() % 100;
    const VariantPercent& w = G.config.VariantWeights[tier];
    if (r < w.Foot) return VariantFoot;
    if (r - w.Foot < w.Dogs) return VariantDogs;
    return VariantHorse;
}

int ChooseSize(int tier) {
    int size = BaseSize[tier];
    for (float chance : G.settings.ExtraChances[tier])
        if (chance > CrtUnitDraw()) ++size;
    return size;
}

// Entering a camp clears the posse once per stay and holds timed spawns off.
void CampCheck(const Vec3& p) {
    const auto& camp = G.settings.CampShield;
    if (!camp.Enabled || CampZoneHoldingPlayer(p) == nullptr) {
        G.loop.InCampLatch = false;
        return;
    }
    if (!G.loop.InCampLatch) {
        DespawnPosse(ClearReason::Camp);
        G.loop.InCampLatch = true;
    }
    G.loop.CampHoldoffUntil = GameHours() + std::max(0, camp.HoldoffSeconds) / SecondsPerHour;
}

// Where the rest of the posse gathers: the first member that made it into the world. It also
// counts what the attempt placed and left to the retry queue, for the plug-in's story.
struct Gathering {
    bool hasAnchor = false;
    Vec3 point;
    StoryPosse sent{};
};

void Defer(Gathering& g, Hash model, bool isHorse, bool isDog) {
    ++g.sent.deferred;
    DeferredSpawn record;
    record.model = model;
    record.isHorse = isHorse ? 1 : 0;
    record.isDog = isDog ? 1 : 0;
    G.spawn.DeferredSpawns.push_back(record);
}

void GiveBlip(Ped ped) {
    const Hash style = G.settings.Blip.Style;
    if (style != 0) game::AddBlipForEntity(style, ped);
}

void TakeAsAnchor(Gathering& g, Ped ped) {
    G.spawn.AnchorPed = ped;
    G.spawn.AnchorPresent = game::EntityExists(ped);
    // A ped the game has already lost gives no position to gather around.
    if (!G.spawn.AnchorPresent) return;
    g.point = game::EntityCoords(ped);
    g.hasAnchor = true;
}

bool FindMemberPoint(const Gathering& g, const Vec3& playerPos, bool forHorse, Vec3* out) {
    if (g.hasAnchor) return AnchorClusterSearch(g.point, forHorse, out);
    return PlayerRingSearch(playerPos, out);
}

// Creates one hunter or dog at the gathering; failures go to the retry queue.
void SpawnFootMember(Gathering& g, const Vec3& playerPos, float bearing, Hash model, bool dog) {
    Vec3 point;
    if (!FindMemberPoint(g, playerPos, false, &point)) {
        Defer(g, model, false, dog);
        return;
    }
    const float heading = JitteredHeading(bearing);
    const Ped ped = dog ? CreateDog(model, point, heading) : CreateHunter(model, point, heading);
    if (ped == 0) {
        Defer(g, model, false, dog);
        return;
    }
    TrackSpawnedPed(ped);
    ++(dog ? g.sent.dogs : g.sent.hunters);
    GiveBlip(ped);
    if (!g.hasAnchor) TakeAsAnchor(g, ped);
}

void SpawnHorses(int tier, Gathering& g, const Vec3& playerPos, float bearing,
                 std::vector<Ped>& horses) {
    const std::vector<Hash>& models = G.settings.HorseModels[tier];
    if (models.empty()) return;
    const int count = DrawCount(G.settings.HorseCountRange[tier]);
    for (int i = 0; i < count; ++i) {
        const Hash model = UniformPick(models);
        Vec3 point;
        Ped horse = 0;
        if (FindMemberPoint(g, playerPos, true, &point))
            horse = CreateHorse(model, point, JitteredHeading(bearing));
        if (horse == 0) {
            Defer(g, model, true, false);
            continue;
        }
        TrackSpawnedPed(horse);
        ++g.sent.horses;
        horses.push_back(horse);
    }
}

void SeatRiders(size_t startIndex, const std::vector<Ped>& horses) {
    const auto& mounting = G.settings.Mounting;
    if (!mounting.AutoPair || horses.empty()) return;
    std::vector<Ped> riders;
    const auto& peds = G.spawn.SpawnedPeds;
    for (size_t i = startIndex; i < peds.size(); ++i) {
        const Ped ped = peds[i];
        if (ped != 0 && game::EntityExists(ped) && game::IsPedHuman(ped)) riders.push_back(ped);
    }
    PairRidersWithHorses(riders, horses, mounting.PairRadiusMeters, mounting.DeleteUnpairedHorses);
}

// Puts the player in the pursued state unless the law already has them in one.
void MarkPlayerPursued() {
    const PlayerIndex index = game::Player();
    if (game::PlayerStateQuery(index) <= 0) {
        game::SetPlayerPursued(index, true);
        G.loop.PursuitFlag = true;
    } else {
        G.loop.PursuitFlag = false;
    }
}

// The first member is always placed around the player and is taken as the anchor; the posse
// gathers on it when it made it into the world, else on the player.
void PlaceAnchor(Hash model, const Vec3& playerPos, float bearing, Gathering& gathering) {
    Vec3 point;
    Ped ped = 0;
    if (PlayerRingSearch(playerPos, &point))
        ped = CreateHunter(model, point, JitteredHeading(bearing));
    if (ped == 0) {
        Defer(gathering, model, false, false);
    } else {
        TrackSpawnedPed(ped);
        ++gathering.sent.hunters;
        GiveBlip(ped);
        G.spawn.AnchorPed = ped;
        G.spawn.AnchorPresent = game::EntityExists(ped);
    }
    if (G.spawn.AnchorPresent && G.spawn.AnchorPed != 0 && game::EntityExists(G.spawn.AnchorPed)) {
        gathering.hasAnchor = true;
        gathering.point = game::EntityCoords(G.spawn.AnchorPed);
    }
}

} // namespace

void SpawnDriver() {
    auto& s = G.settings;

    const int32_t bounty = CurrentBounty();
    if (!s.BountyGates.ZeroBountySpawns && bounty <= 0) {
        const float lo = s.Spawner.MinSpawnHours, hi = s.Spawner.MaxSpawnHours;
        const float delay = lo == hi ? lo : lo + (hi - lo) * CrtUnitDraw();
        G.loop.NextSpawnHour = GameHours() + delay;
        TellPosseHeldBack(SpawnGate::NoBounty);
        return;
    }

    G.spawn.AnchorPresent = false;
    G.spawn.AnchorPed = 0;
    G.spawn.SpawnAttemptId += 1;
    ProtectPlayerMount();
    PreSpawnHorseCleanup();
    if (s.Harkvane.Enabled) {
        // Held at the int32 limit: a count read from a hand-edited file may already be there.
        G.loop.StreakCount = SaturatingAdd(G.loop.StreakCount, 1);
        SaveStreak();
    }
    size_t startIndex = G.spawn.SpawnedPeds.size();

    const int tier = ChooseTier();
    s.CurrentTierTag = TierTags[tier];
    const int32_t variant = ChooseVariant(tier);
    const int size = ChooseSize(tier);
    std::vector<Hash> models;
    RosterModels(tier, size, models);
    int dogs = 0;
    if (variant == VariantDogs && !s.DogModels.empty())
        dogs = std::max(DrawCount(s.DogCountRange[tier]), 0);

    const Ped player = game::PlayerPed();
    const Vec3 playerPos = game::EntityCoords(player);
    const float bearing = game::EntityHeading(player) + BehindPlayer;

    CampCheck(playerPos);
    // A camp clear-out just now may have shortened the list: this posse starts where it ends.
    startIndex = std::min(startIndex, G.spawn.SpawnedPeds.size());

    if (s.Harkvane.Enabled && s.Harkvane.TriggerEvery >= 1 &&
        G.loop.StreakCount % s.Harkvane.TriggerEvery == 0) {
        s.CurrentTierTag = "HV";
        StartHarkvaneEvent(tier, playerPos, bearing);
        return;
    }

    MarkPlayerPursued();

    Gathering gathering;
    gathering.point = playerPos;
    gathering.sent.attempt = G.spawn.SpawnAttemptId;
    gathering.sent.tier = tier;
    gathering.sent.variant = variant;
    if (!models.empty()) PlaceAnchor(models[0], playerPos, bearing, gathering);
    for (size_t i = 1; i < models.size(); ++i)
        SpawnFootMember(gathering, playerPos, bearing, models[i], false);

    for (int i = 0; i < dogs; ++i)
        SpawnFootMember(gathering, playerPos, bearing, UniformPick(s.DogModels), true);

    std::vector<Ped> horses;
    if (variant == VariantHorse) SpawnHorses(tier, gathering, playerPos, bearing, horses);
    TellPosseSent(gathering.sent);
    SeatRiders(startIndex, horses);
}
