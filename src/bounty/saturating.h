// Sums computed wide and held to the int32 range, so a large bounty pool or increase, or a
// streak count at its limit, can never wrap into a negative (or garbage) value. Sums within
// range are unchanged.
#pragma once
#include <cstdint>
#include <limits>

inline int32_t SaturateToInt32(int64_t value) {
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

inline int32_t SaturatingAdd(int32_t a, int32_t b) {
    return SaturateToInt32(static_cast<int64_t>(a) + b);
}
