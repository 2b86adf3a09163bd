// The camp and town shelter zones and their membership test. The zones are fixed data; only
// their switches come from the settings (the simulator's map reads the same table).
#include "config/shield_zones.h"

#include <cmath>

#include "state/plugin_state.h"

const ShieldZone CampZones[CampZoneCount] = {
    {"Horseshoe Overlook",
     {-125.572f, -32.097f, 95.893f},
     &G.settings.CampShield.HorseshoeOverlook},
    {"Clemens Point", {678.288f, -1231.933f, 44.487f}, &G.settings.CampShield.ClemensPoint},
    {"Shady Belle", {1899.721f, -1883.294f, 42.218f}, &G.settings.CampShield.ShadyBelle},
    {"Lakay", {2253.612f, -755.578f, 42.784f}, &G.settings.CampShield.Lakay},
    {"Pronghorn Ranch", {-2569.698f, 446.74f, 146.017f}, &G.settings.CampShield.PronghornRanch},
    {"Beecher's Hope", {-1648.642f, -1370.085f, 83.964f}, &G.settings.CampShield.BeechersHope},
    {"Beaver Hollow", {2319.548f, 1442.118f, 85.195f}, &G.settings.CampShield.BeaverHollow},
    {"Guarma Camp", {1194.275f, -7219.732f, 69.404f}, &G.settings.CampShield.Guarma},
};

const ShieldZone TownZone = {"Rhodes", {1383.95f, -1260.199f, 78.121f}, &G.loop.TownShieldActive};

bool ZoneHolds(const ShieldZone& zone, float radius, const Vec3& position) {
    const float dx = position.x - zone.Centre.x;
    const float dy = position.y - zone.Centre.y;
    return std::sqrt(dx * dx + dy * dy) <= radius;
}

const ShieldZone* CampZoneHoldingPlayer(const Vec3& position) {
    const float radius = G.settings.CampShield.RadiusMeters;
    for (const ShieldZone& zone : CampZones) {
        if (*zone.Enabled && ZoneHolds(zone, radius, position)) return &zone;
    }
    return nullptr;
}

bool TownZoneHoldsPlayer(const Vec3& position) {
    return *TownZone.Enabled && ZoneHolds(TownZone, G.settings.TownShield.RadiusMeters, position);
}
