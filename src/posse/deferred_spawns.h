// Retries for posse members that could not be placed at once.
#pragma once
#include "natives/types.h"

void ProcessDeferredSpawns(const Vec3& playerPos, float heading);

// The searches and creators the retries use. Tests substitute their own to script where a
// point is found and whether a creation succeeds; nullptr restores the real ones.
struct DeferredPlacement {
    bool (*anchorClusterSearch)(const Vec3& centre, bool forHorse, Vec3* out);
    bool (*boundedRingSearch)(const Vec3& centre, float inner, float outer, Vec3* out);
    Ped (*createHunter)(Hash model, const Vec3& point, float heading);
    Ped (*createDog)(Hash model, const Vec3& point, float heading);
    Ped (*createHorse)(Hash model, const Vec3& point, float heading);
};
void UseDeferredPlacement(const DeferredPlacement* placement);
