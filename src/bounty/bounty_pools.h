// Per-region bounty pools, kept in BountyPools.dat, and the on-screen pool tracker.
#pragma once
#include <cstdint>

#include "natives/types.h"

int RegionOfPosition(const Vec3& position);
void LoadBountyPools();
void SaveBountyPools();
void StartBountyPooling();
void UpdateBountyPools();
int32_t PooledBountyTotal();
