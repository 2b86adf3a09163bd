// Value types shared by the whole plug-in, laid out as the host expects them.
#pragma once
#include <cstdint>

using Ped = uint32_t;    // host ped handle; 0 = none
using Entity = uint32_t; // any host entity handle; 0 = none
using Blip = uint32_t;   // host blip handle; 0 = none
using Hash = uint32_t;   // host hash key; 0 = none
using PlayerIndex = int32_t;

// The host's vector: three floats, each in its own 8-byte slot (24 bytes in all).
struct Vec3 {
    alignas(8) float x = 0.0f;
    alignas(8) float y = 0.0f;
    alignas(8) float z = 0.0f;
};
static_assert(sizeof(Vec3) == 24, "Vec3 must match the host's 24-byte layout");
