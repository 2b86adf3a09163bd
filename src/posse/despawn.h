// Removing hunters: stragglers, the tracked-list cap, and the whole posse at once.
#pragma once
#include <cstdint>

#include "natives/types.h"
#include "spawn/posse_seam.h" // DespawnPosse

void DespawnFarPeds(const Vec3& playerPos);
void CompactSpawnedPeds();
// The size of the tracked list above which the clean-up trims it, oldest first, a few peds a
// frame: Spawner.MaxAlive and some slack.
int64_t TrackedListTrimAbove();
