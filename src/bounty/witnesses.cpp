// Witnesses who see the player and the daily bounty increase they lead to.
#include "bounty/witnesses.h"

#include <algorithm>
#include <cstdio>

#include "bounty/saturating.h"
#include "bounty/streak_and_notices.h"
#include "natives/game_clock.h"
#include "natives/natives.h"
#include "state/plugin_state.h"

namespace {

constexpr uint32_t WitnessCheckPeriodMs = 300;
constexpr int NearbyQueryLimit = 64;
constexpr float MinWitnessRange = 1.0f;
constexpr char ResetCountNotice[] = "Witness: 0";
constexpr char SearchNotice[] = "Bounty Hunters Are Searching For You";

void ShowResetCount() {
    if (G.settings.WitnessTracker.WitnessNumberDisplay) ShowNotice(ResetCountNotice);
}

// A ped's first sighting of the player in this cycle makes it a witness (while the cap allows).
void CountSighting(Ped ped, int32_t cap) {
    WitnessState& w = G.witness;
    if (w.SeenSet.Contains(ped)) return;
    if (w.SeenUsed < SeenSlotCount) {
        w.SeenPeds[w.SeenUsed++] = ped;
        w.SeenSet.Put(ped, 1);
    }
    if (static_cast<int32_t>(w.Witnesses.size()) < cap && !w.WitnessSet.Contains(ped)) {
        w.Witnesses.push_back(ped);
        w.WitnessSet.Put(ped, 1);
    }
}

// One ped returned by the nearby query: track it and count it when it newly sees the player.
void ExamineBystander(Ped ped, Ped player, const Vec3& playerPos, float rangeSquared, int32_t cap) {
    if (ped == 0 || ped == player || !game::EntityExists(ped) || !game::IsPedHuman(ped)) return;
    Vec3 pos = game::EntityCoords(ped);
    float dx = pos.x - playerPos.x, dy = pos.y - playerPos.y, dz = pos.z - playerPos.z;
    if (dx * dx + dy * dy + dz * dz > rangeSquared) return;
    // Both questions are put to the game for every ped in range.
    bool perceives = game::CanPedPerceive(ped, player);
    bool clearSight = game::HasClearLineOfSight(ped, player);
    bool sees = perceives && clearSight;

    WitnessState& w = G.witness;
    if (int32_t* index = w.TrackedIndex.Find(ped)) {
        TrackedPed& tracked = w.TrackedPeds[static_cast<size_t>(*index)];
        if (!tracked.sawPlayer && sees) CountSighting(ped, cap);
        tracked.sawPlayer = sees;
        return;
    }
    if (static_cast<int>(w.TrackedPeds.size()) >= MaxTrackedPeds) return;
    w.TrackedIndex.Put(ped, static_cast<int32_t>(w.TrackedPeds.size()));
    w.TrackedPeds.push_back(TrackedPed{ped, sees});
    if (sees) CountSighting(ped, cap);
}

} // namespace

void ResetWitnesses() {
    WitnessState& w = G.witness;
    w.Witnesses.clear();
    w.TrackedPeds.clear();
    std::fill(std::begin(w.SeenPeds), std::end(w.SeenPeds), Ped{0});
    w.SeenUsed = 0;
    w.TrackedIndex.Clear();
    w.SeenSet.Clear();
    w.WitnessSet.Clear();
    w.LastShownWitnessCount = -1;
    w.SearchNoticeShown = false;
    G.loop.WitnessGate = false;
}

void UpdateWitnesses() {
    WitnessState& w = G.witness;
    const auto& cfg = G.settings.WitnessTracker;

    uint32_t now = game::GameTimer();
    if (TimerDiff(now, w.NextWitnessCheckMs) < 0) return;
    w.NextWitnessCheckMs = now + WitnessCheckPeriodMs;

    Ped player = game::PlayerPed();
    if (player == 0 || !game::EntityExists(player)) return;
    bool dead = game::IsEntityDead(player);
    if (dead && w.PlayerWasAlive && cfg.DeathReset) {
        ResetWitnesses();
        ShowResetCount();
        w.PlayerWasAlive = false;
        return;
    }
    w.PlayerWasAlive = !dead;
    if (dead) return;

    if (G.loop.PosseSentMarker) {
        G.loop.PosseSentMarker = false;
        ResetWitnesses();
        ShowResetCount();
    }

    Vec3 playerPos = game::EntityCoords(player);
    uint64_t slots[NearbyQueryLimit + 1] = {};
    slots[0] = NearbyQueryLimit;
    int32_t found = game::NearbyPeds(player, slots);

    float range = std::max(cfg.WitnessRangeMeters, MinWitnessRange);
    float rangeSquared = range * range;
    int32_t cap = std::clamp(cfg.WitnessCap, 0, MaxWitnesses);
    for (int32_t i = 0; i < found && i < NearbyQueryLimit; ++i)
        ExamineBystander(static_cast<Ped>(slots[i + 1]), player, playerPos, rangeSquared, cap);

    int32_t count = static_cast<int32_t>(w.Witnesses.size());
    if (cfg.WitnessNumberDisplay && count != w.LastShownWitnessCount) {
        w.LastShownWitnessCount = count;
        char text[48];
        std::snprintf(text, sizeof text, "Witness: %d", count);
        ShowNotice(text);
    }
    int32_t threshold = std::max(cfg.WitnessAmount, 1);
    if (!w.SearchNoticeShown && count >= threshold) {
        w.SearchNoticeShown = true;
        ShowNotice(SearchNotice);
    }
    G.loop.WitnessGate = count >= threshold;
}

void SetBountyCapped(int32_t cents) {
    int32_t amount = std::max(cents, 0);
    if (amount > G.settings.Bounty.BountyCap) amount = G.settings.Bounty.BountyCap;
    game::SetPlayerBounty(game::Player(), amount);
}

void UpdateDailyBounty() {
    int32_t& dayIndex = G.loop.DayIndex;
    int32_t today = GameDayOf(GameHours());
    if (dayIndex < 0) {
        dayIndex = today;
        return;
    }
    if (today == dayIndex) return;
    dayIndex = today;

    int32_t increase = G.settings.Bounty.DailyBountyIncrease;
    if (game::PlayerBounty(game::Player()) <= 0 || increase <= 0) return;
    int32_t bounty = game::PlayerBounty(game::Player());
    SetBountyCapped(bounty < 0 ? increase : SaturatingAdd(bounty, increase));
}
