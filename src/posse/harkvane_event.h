// The Harkvane army event after its start: waves, leash, success.
#pragma once
#include <cstdint>

#include "natives/types.h"
#include "spawn/posse_seam.h" // StartHarkvaneEvent

void UpdateHarkvaneEvent(const Vec3& playerPos, float heading);
void LeashHarkvaneMembers(const Vec3& playerPos);
void HarkvaneTick();
Ped SpawnWaveMember(const Vec3& anchor, float heading, char group);
void RebuildHarkvanePeds(char group);
bool IsHarkvaneMember(Ped ped);

// Wave helpers shared with the event start and the deferred spawns: wave index 0..2 of a group
// tag 'A'..'C' and back, and a wave's size (leader included) for the running event's tier.
int WaveIndex(char group);
char WaveTag(int wave);
int32_t WaveSize(int wave);
// Members still to come around the wave's leader: its size less the leader, never below 0.
int32_t WaveTarget(int wave);
// The law region of a district zone (the host's hash of its name); 0 for unlisted zones.
Hash LawRegionOfZone(Hash zone);
