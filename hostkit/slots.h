// The host's 64-bit argument and result slots, read and written as the plug-in's natives encode
// them: integers, handles and hashes in the low 32 bits, a float as its 32-bit pattern in the low
// half, pointers whole, a vector as three floats in three slots.
#pragma once
#include <cstdint>
#include <cstring>

#include "natives/types.h"

inline int32_t SlotInt(uint64_t slot) {
    return static_cast<int32_t>(static_cast<uint32_t>(slot));
}
inline uint32_t SlotU32(uint64_t slot) {
    return static_cast<uint32_t>(slot);
}
inline float SlotFloat(uint64_t slot) {
    const uint32_t bits = static_cast<uint32_t>(slot);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}
template <typename T> T* SlotPointer(uint64_t slot) {
    return reinterpret_cast<T*>(static_cast<uintptr_t>(slot));
}

inline uint64_t FloatSlot(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}
// x, y and z into three consecutive slots (a vector result, or a vector out-pointer's storage).
inline void WriteVec3Slots(uint64_t* slots, float x, float y, float z) {
    slots[0] = FloatSlot(x);
    slots[1] = FloatSlot(y);
    slots[2] = FloatSlot(z);
}
