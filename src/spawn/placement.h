// Spawn-point searches and the creation of hunters, dogs and horses.
#pragma once
#include "natives/types.h"

bool PlayerRingSearch(const Vec3& centre, Vec3* out);
bool AnchorClusterSearch(const Vec3& centre, bool forHorse, Vec3* out);
bool BoundedRingSearch(const Vec3& centre, float innerRadius, float outerRadius, Vec3* out);
// A point 15 to 16 m from the player, on the ground.
Vec3 PursuitPoint();
// Sends ped after the player toward a fresh PursuitPoint, held as an offset from the player.
void FollowToPursuitPoint(Ped ped, float speed, int32_t timeoutMs, float stoppingRange);
bool LoadModel(Hash model);
Ped CreateHunter(Hash model, const Vec3& point, float heading);
Ped CreateDog(Hash model, const Vec3& point, float heading);
Ped CreateHorse(Hash model, const Vec3& point, float heading);
// Appends a newly created ped to SpawnedPeds.
void TrackSpawnedPed(Ped ped);
