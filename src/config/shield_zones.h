// Protected places: the gang camps and the town where no posse may reach the player.
#pragma once
#include "natives/types.h"

struct ShieldZone {
    const char* Name;
    Vec3 Centre;
    const bool* Enabled; // the setting (or loop flag) that switches the zone on
};

inline constexpr int CampZoneCount = 8;

// Tested in this order; all use CampShield.RadiusMeters.
extern const ShieldZone CampZones[CampZoneCount];
// Enabled by the loop's copy of TownShield.Rhodes; radius TownShield.RadiusMeters.
extern const ShieldZone TownZone;

// Horizontal distance only; standing exactly on the edge counts as inside.
bool ZoneHolds(const ShieldZone& zone, float radius, const Vec3& position);
// The first enabled camp, in table order, that holds the position; nullptr when none does.
const ShieldZone* CampZoneHoldingPlayer(const Vec3& position);
// Whether the town zone is enabled and holds the position.
bool TownZoneHoldsPlayer(const Vec3& position);
