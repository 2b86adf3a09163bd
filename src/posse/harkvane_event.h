// The Harkvane army event after its start: waves, leash, success.
#pragma once
#include "natives/types.h"

void UpdateHarkvaneEvent(const Vec3& playerPos, float heading);
void LeashHarkvaneMembers(const Vec3& playerPos);
void HarkvaneTick();
Ped SpawnWaveMember(const Vec3& anchor, float heading, char group);
void RebuildHarkvanePeds(char group);
bool IsHarkvaneMember(Ped ped);
