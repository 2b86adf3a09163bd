// Weapon loadouts: the Weapons section, the per-tier pools and arming a new hunter.
#pragma once
#include <cstdint>

#include "natives/types.h"

// Ammunition given when neither the loadout nor the Weapons section gives a positive amount.
inline constexpr int32_t LastResortPrimaryAmmo = 20;
inline constexpr int32_t LastResortSidearmAmmo = 12;

void LoadLoadouts();
void LoadTierLoadoutPools();
// Strips and arms a human ped from a loadout of the tier's pool; tag may be null or empty.
void ApplyLoadout(Ped ped, const char* tierTag);
