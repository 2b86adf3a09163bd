#include "spawn/placement.h"

bool PlayerRingSearch(const Vec3&, Vec3*) { return false; }
bool AnchorClusterSearch(const Vec3&, bool, Vec3*) { return false; }
bool BoundedRingSearch(const Vec3&, float, float, Vec3*) { return false; }
Vec3 PursuitPoint() { return Vec3{}; }
bool LoadModel(Hash) { return false; }
Ped CreateHunter(Hash, const Vec3&, float) { return 0; }
Ped CreateDog(Hash, const Vec3&, float) { return 0; }
Ped CreateHorse(Hash, const Vec3&, float) { return 0; }
