#include "spawn/spawn_driver.h"

void SpawnDriver() {}
