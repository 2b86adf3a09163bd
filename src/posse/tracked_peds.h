// Registering a newly created ped. The host reuses handles, so nothing kept under a handle for an
// earlier ped may carry over to the new one.
#pragma once
#include "natives/types.h"

// Drops every record kept under this handle for an earlier ped: its horse record, stuck-watch
// entry, engagement flag, approach, second-stage and leash timers, army membership, and stale
// entries in SpawnedPeds (zeroed in place; the compaction drops them). Called as the host hands
// the handle out, before the new ped gets records of its own.
void ForgetEarlierPed(Ped ped);
// Appends a newly created ped to SpawnedPeds.
void TrackSpawnedPed(Ped ped);
