// Forgetting what the posse kept under a handle the host hands out again.
#include <algorithm>

#include "spawn/posse_seam.h"
#include "state/plugin_state.h"

namespace {

template <class List, class Match> void EraseIf(List& list, Match match) {
    list.erase(std::remove_if(list.begin(), list.end(), match), list.end());
}

} // namespace

void ForgetEarlierPed(Ped ped) {
    if (ped == 0) return;
    // Zeroed rather than erased: a spawn attempt in progress holds positions in this list.
    for (Ped& tracked : G.spawn.SpawnedPeds)
        if (tracked == ped) tracked = 0;

    std::vector<HorseRecord>& horses = G.spawn.HorseRecords;
    const size_t horseCount = horses.size();
    EraseIf(horses, [ped](const HorseRecord& r) { return r.horse == ped; });
    if (horses.size() != horseCount) ++G.spawn.HorseRecordsEdits;

    PursuitState& ps = G.pursuit;
    ps.StuckWatch.erase(ped);
    ps.EngagedLastPass.Erase(ped);
    ps.ApproachStart.erase(ped);
    ps.SecondTaskStart.erase(ped);

    HarkvaneState& hv = G.harkvane;
    hv.LeashCooldown.erase(ped);
    EraseIf(hv.HarkvaneMembers,
            [ped](const HarkvaneMember& m) { return static_cast<Ped>(m.ped) == ped; });
    for (std::vector<Ped>& wave : hv.HarkvanePeds)
        EraseIf(wave, [ped](Ped p) { return p == ped; });
}
