// Weapon loadouts: the Weapons section, the per-tier pools and arming a new hunter.
#pragma once
#include "natives/types.h"

void LoadLoadouts();
void LoadTierLoadoutPools();
// Strips and arms a human ped from a loadout of the tier's pool; tag may be null or empty.
void ApplyLoadout(Ped ped, const char* tierTag);
