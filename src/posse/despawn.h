// Removing hunters: stragglers, the tracked-list cap, and the whole posse at once.
#pragma once
#include "natives/types.h"
#include "spawn/posse_seam.h" // DespawnPosse

void DespawnFarPeds(const Vec3& playerPos);
void CompactSpawnedPeds();
