#include "posse/deferred_spawns.h"

void ProcessDeferredSpawns(const Vec3&, float) {}
