// Where spawning hands over to the posse, and spawn's only way up: a ped just created drops
// whatever the posse kept under its handle for an earlier ped, the driver clears the posse when
// the player walks into a camp, and it starts the army event in place of a posse. The posse
// implements these (posse/tracked_peds.cpp, posse/despawn.cpp, posse/harkvane_start.cpp); nothing
// under spawn/ includes a posse header.
#pragma once
#include "natives/types.h"
#include "state/story.h" // ClearReason

// The host reuses handles, so nothing kept under a handle for an earlier ped may carry over to
// the new one. Drops every record kept under this handle for an earlier ped: its horse record,
// stuck-watch entry, engagement flag, approach, second-stage and leash timers, army membership,
// and stale entries in SpawnedPeds (zeroed in place; the compaction drops them). Called as the
// host hands the handle out, before the new ped gets records of its own.
void ForgetEarlierPed(Ped ped);
// Removes the whole posse at once (the reason goes into the plug-in's story).
void DespawnPosse(ClearReason why);
// Starts the Harkvane army event instead of a posse (tier, player position, bearing behind).
void StartHarkvaneEvent(int tier, const Vec3& playerPos, float bearing);
