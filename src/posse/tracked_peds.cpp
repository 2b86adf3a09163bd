#include "posse/tracked_peds.h"

#include "host/plugin_state.h"

void ForgetStaleTimers(Ped ped) {
    G.pursuit.ApproachStart.erase(ped);
    G.pursuit.SecondTaskStart.erase(ped);
    G.harkvane.LeashCooldown.erase(ped);
}

void TrackSpawnedPed(Ped ped) {
    G.spawn.SpawnedPeds.push_back(ped);
    ForgetStaleTimers(ped);
}
