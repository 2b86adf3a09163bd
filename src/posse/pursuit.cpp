#include "posse/pursuit.h"

bool IsProtectedPed(Ped) { return false; }
void ApproachOrder(Ped, Ped, const Vec3&, float, int32_t, float) {}
void AttackOrder(Ped, Ped) {}
void UpdateMountedPursuit() {}
void UpdateStuckWatch() {}
void UpdateEngagement() {}
