// Helpers shared by the spawning tests: a private copy of the C runtime's generator (so tests can
// predict the plug-in's draws without drawing from it) and host answers for terrain.
#pragma once
#include <cmath>
#include <cstdint>

#include "recording_host.h"

// The Windows C runtime's rand() sequence from a seed, kept apart from the plug-in's generator.
struct PredictedRand {
    uint32_t state;
    explicit PredictedRand(uint32_t seed) : state(seed) {}
    int Next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFFu);
    }
    float Unit() { return static_cast<float>(Next()) * 3.0518509e-05f; }
    float Bearing() { return static_cast<float>(Next()) * 0.00019175345f; }
};

inline float HorizontalRadius(const RecordedCall& c) {
    return std::sqrt(c.Float(0) * c.Float(0) + c.Float(1) * c.Float(1));
}

// Every water probe finds a surface at the probed height: every candidate is rejected as wet.
inline void FloodEverything(RecordingHost& host) {
    host.handlers[nh::GET_WATER_HEIGHT] = [](RecordedCall& c, uint64_t* out) {
        *reinterpret_cast<float*>(c.args[3]) = c.Float(2);
        out[0] = 1;
    };
}

// Every safe-coordinate query succeeds with the given point.
inline void SafeCoordAlways(RecordingHost& host, Vec3 point) {
    host.handlers[nh::GET_SAFE_COORD_FOR_PED] = [point](RecordedCall& c, uint64_t* out) {
        *reinterpret_cast<Vec3*>(c.args[4]) = point;
        out[0] = 1;
    };
}
