// Registering a newly created ped in SpawnedPeds. The host reuses handles, so timers kept for
// an earlier ped with the same handle must not carry over to the new one.
#pragma once
#include "natives/types.h"

// Drops the approach, second-stage and leash timers kept under this handle.
void ForgetStaleTimers(Ped ped);
// Appends a newly created ped to SpawnedPeds and forgets stale timers under its handle.
void TrackSpawnedPed(Ped ped);
