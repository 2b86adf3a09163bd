#include "posse/harkvane_event.h"

void UpdateHarkvaneEvent(const Vec3&, float) {}
void LeashHarkvaneMembers(const Vec3&) {}
void HarkvaneTick() {}
Ped SpawnWaveMember(const Vec3&, float, char) { return 0; }
void RebuildHarkvanePeds(char) {}
bool IsHarkvaneMember(Ped) { return false; }
