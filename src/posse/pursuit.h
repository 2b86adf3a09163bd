// What hunters do after they appear: approach, attack, re-send when stuck, give up.
#pragma once
#include <cstdint>

#include "natives/types.h"

bool IsProtectedPed(Ped ped);
void ApproachOrder(Ped ped, Ped target, const Vec3& playerPos, float speed, int32_t timeoutMs,
                   float stoppingRange);
void AttackOrder(Ped ped, Ped player);
void UpdateMountedPursuit();
void UpdateStuckWatch();
void UpdateEngagement();
