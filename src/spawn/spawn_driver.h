// One spawn attempt: bounty gate, tier, variant, size, placement and creation of a posse.
#pragma once
#include "natives/types.h"

void SpawnDriver();
