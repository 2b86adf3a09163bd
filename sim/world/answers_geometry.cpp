// The answers about the ground and the map: distances, ground and water heights, safe spots for
// a ped, and the volumes and event markers the plug-in creates there.
#include <cmath>
#include <cstring>

#include "natives/native_hashes.h"
#include "world/native_answers.h"
#include "world/world_story.h"

namespace {

// A position into the Vec3 a native's out-pointer names (three floats, 8 bytes apart).
void WriteVec(void* dst, const Point3& p) {
    const float v[3] = {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
    char* d = static_cast<char*>(dst);
    for (int i = 0; i < 3; ++i)
        std::memcpy(d + 8 * i, &v[i], sizeof(float));
}

const NativeAnswer Geometry[] = {
    {nh::GET_DISTANCE_BETWEEN_COORDS,
     [](World&, Args a, uint64_t* r) {
         const double dx = a.F(0) - a.F(3), dy = a.F(1) - a.F(4), dz = a.F(2) - a.F(5);
         SetFloat(r, static_cast<float>(a.I(6) ? std::sqrt(dx * dx + dy * dy + dz * dz)
                                               : std::sqrt(dx * dx + dy * dy)));
     }},
    {nh::GET_GROUND_Z_FOR_3D_COORD,
     [](World& w, Args a, uint64_t* r) {
         const double g = GroundHeight(w, a.F(0), a.F(1));
         if (a.F(2) > g) {
             if (float* out = a.P<float>(3)) *out = static_cast<float>(g);
             r[0] = 1;
             if (PlateauRise(w, a.F(0), a.F(1)) > 0) Tally(w, &WorldCounters::raisedGroundAnswers);
         }
     }},
    {nh::GET_SAFE_COORD_FOR_PED,
     [](World& w, Args a, uint64_t* r) {
         Point3 p;
         if (SafeCoordForPed(w, a.F(0), a.F(1), a.F(2), a.I(5), &p)) {
             if (void* out = a.P<void>(4)) WriteVec(out, p);
             r[0] = 1;
             if (PlateauRise(w, p.x, p.y) > 0) Tally(w, &WorldCounters::raisedGroundAnswers);
         }
     }},
    {nh::GET_WATER_HEIGHT,
     [](World& w, Args a, uint64_t* r) {
         double surface;
         if (WaterAt(w, a.F(0), a.F(1), &surface)) {
             if (float* out = a.P<float>(3)) *out = static_cast<float>(surface);
             r[0] = 1;
         }
     }},
    {nh::CREATE_BOX_VOLUME,
     [](World& w, Args, uint64_t* r) { r[0] = static_cast<uint32_t>(w.nextVolume++); }},
    {nh::CREATE_EVENT_MARKER,
     [](World& w, Args a, uint64_t* r) {
         const uint64_t m = w.nextMarker++;
         w.markers[m] = a.I(0);
         Tally(w, &WorldCounters::markersCreated);
         r[0] = m;
     }},
    {nh::REMOVE_EVENT_MARKER,
     [](World& w, Args a, uint64_t*) {
         if (w.markers.erase(a.Q(0)))
             Tally(w, &WorldCounters::markersRemoved);
         else
             WorldLog(w, "anomaly", "removal of an unknown event marker");
     }},
};

} // namespace

std::span<const NativeAnswer> GeometryAnswers() {
    return Geometry;
}
