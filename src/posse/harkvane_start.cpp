#include "spawn/spawn_driver.h"

void StartHarkvaneEvent(int, const Vec3&, float) {}
