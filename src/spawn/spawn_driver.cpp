#include "spawn/spawn_driver.h"

void SpawnDriver() {}
void StartHarkvaneEvent(int, const Vec3&, float) {}
