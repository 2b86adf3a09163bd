// One spawn attempt: bounty gate, tier, variant, size, placement and creation of a posse.
#pragma once
#include "natives/types.h"

void SpawnDriver();
// Starts the Harkvane army event instead of a posse (tier, player position, bearing behind).
void StartHarkvaneEvent(int tier, const Vec3& playerPos, float bearing);
