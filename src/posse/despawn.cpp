#include "posse/despawn.h"

void DespawnFarPeds(const Vec3&) {}
void CompactSpawnedPeds() {}
void DespawnPosse() {}
