// The Harkvane army event after its start: waves, leash, success, and the one way it ends.
#pragma once
#include <cstdint>

#include "natives/types.h"
#include "spawn/posse_seam.h" // StartHarkvaneEvent
#include "state/posse_state.h"

void UpdateHarkvaneEvent(const Vec3& playerPos, float heading);
void LeashHarkvaneMembers(const Vec3& playerPos);
void HarkvaneTick();
Ped SpawnWaveMember(const Vec3& anchor, float heading, ArmyWave wave);
void RebuildHarkvanePeds(ArmyWave wave);
bool IsHarkvaneMember(Ped ped);

// Stops the event: releases its marker, rests the wave machine and empties the per-wave lists.
// The members stay listed (the death reset leaves them to the clean-up, which still knows them
// as soldiers); the posse despawn empties that list itself. Every end of the event goes here.
void EndHarkvaneEvent(ArmyEnd how);

// A wave's size (leader included) for the running event's tier, and the members still to come
// around its leader: the size less the leader, never below 0.
int32_t WaveSize(ArmyWave wave);
int32_t WaveTarget(ArmyWave wave);
// The law region of a district zone (the host's hash of its name); 0 for unlisted zones.
Hash LawRegionOfZone(Hash zone);
