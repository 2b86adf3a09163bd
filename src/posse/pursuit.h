// What hunters do after they appear: approach, attack, re-send when stuck, give up.
#pragma once
#include <cstdint>

#include "natives/types.h"

// The standard approach: walk at 2.8, no timeout, stop within 2.5 m of the chosen point.
inline constexpr float ApproachSpeed = 2.8f;
inline constexpr int32_t ApproachNoTimeout = -1;
inline constexpr float ApproachStoppingRange = 2.5f;

// Horses (ours or any horse model) are never ordered or deleted by the posse passes.
bool IsProtectedPed(Ped ped);
// A ped we track that is here, alive, a ped and not protected.
bool IsLiveHunter(Ped ped);
// Path flags, then a follow order toward a fresh point beside the player.
void ApproachOrder(Ped ped, Ped target, const Vec3& playerPos, float speed, int32_t timeoutMs,
                   float stoppingRange);
// The follow order of ApproachOrder without the path flags (used for mounts).
void FollowToPursuitPoint(Ped ped, Ped target, const Vec3& playerPos, float speed,
                          int32_t timeoutMs, float stoppingRange);
void AttackOrder(Ped ped, Ped player);
void UpdateMountedPursuit();
void UpdateStuckWatch();
void UpdateEngagement();
