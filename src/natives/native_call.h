// One native call is nativeInit, one nativePush64 per argument, then nativeCall. These helpers
// encode each argument into its 64-bit slot and decode the first result slot.
#pragma once
#include <cstdint>
#include <cstring>

#include "natives/host_interface.h"
#include "natives/types.h"

namespace native {

inline void Begin(uint64_t hash) { nativeInit(hash); }

// Integers, bools, hashes and handles fill the low 32 bits; -1 becomes 0x00000000FFFFFFFF.
inline void PushInt(int32_t v) { nativePush64(static_cast<uint64_t>(static_cast<uint32_t>(v))); }
inline void PushU32(uint32_t v) { nativePush64(static_cast<uint64_t>(v)); }
// A float travels as its single-precision bit pattern in the low 32 bits.
inline void PushFloat(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    nativePush64(static_cast<uint64_t>(bits));
}
inline void PushPtr(const void* p) { nativePush64(reinterpret_cast<uint64_t>(p)); }
inline void PushU64(uint64_t v) { nativePush64(v); }

inline uint64_t* Call() { return nativeCall(); }

inline int32_t ResultInt(const uint64_t* r) {
    return static_cast<int32_t>(static_cast<uint32_t>(r[0]));
}
inline uint32_t ResultU32(const uint64_t* r) { return static_cast<uint32_t>(r[0]); }
inline bool ResultBool(const uint64_t* r) { return static_cast<uint32_t>(r[0]) != 0; }
inline float ResultFloat(const uint64_t* r) {
    uint32_t bits = static_cast<uint32_t>(r[0]);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}
inline Vec3 ResultVec3(const uint64_t* r) {
    Vec3 v;
    std::memcpy(static_cast<void*>(&v), r, sizeof v);
    return v;
}

// A position as three float slots, the form most world queries take.
inline void PushXYZ(float x, float y, float z) {
    PushFloat(x);
    PushFloat(y);
    PushFloat(z);
}

// The three shared push helpers of the catalogue.
inline void PushFourInts(int32_t a, int32_t b, int32_t c, int32_t d) {
    PushInt(a);
    PushInt(b);
    PushInt(c);
    PushInt(d);
}
inline void PushXYZThenInt(float x, float y, float z, int32_t a) {
    PushXYZ(x, y, z);
    PushInt(a);
}
inline void PushXYZThenA0BC(float x, float y, float z, int32_t a, int32_t b, int32_t c) {
    PushXYZ(x, y, z);
    PushInt(a);
    PushInt(0);
    PushInt(b);
    PushInt(c);
}

} // namespace native
