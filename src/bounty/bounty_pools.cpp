#include "bounty/bounty_pools.h"

int RegionOfPosition(const Vec3&) { return 6; }
void LoadBountyPools() {}
void SaveBountyPools() {}
void StartBountyPooling() {}
void UpdateBountyPools() {}
int32_t PooledBountyTotal() { return 0; }
