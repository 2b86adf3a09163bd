// Retries for posse members that could not be placed at once.
#pragma once
#include "natives/types.h"

void ProcessDeferredSpawns(const Vec3& playerPos, float heading);
