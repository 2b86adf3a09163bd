// The C runtime's random generator and calendar clock as the plug-in uses them. On Windows these
// are the C runtime's own rand()/srand()/time(); elsewhere a generator that reproduces the
// Windows sequence (values 0..32767), and a calendar clock a host may pin.
#pragma once
#include <cstdint>

#include "platform/host_kind.h"

inline constexpr int CrtRandMax = 32767;

int CrtRand();
void CrtSrand(unsigned seed);

// One draw as a 32-bit float, 0..32767: every scaled draw starts here.
inline float CrtRandFloat() {
    return static_cast<float>(CrtRand());
}
// The float nearest 1/32767 (3.0518509e-05f).
inline constexpr float CrtUnitScale = 1.0f / static_cast<float>(CrtRandMax);

// The unit draw, 0..1, in its two roundings. Most places multiply by CrtUnitScale; the army's
// headings and leash radius divide by 32767. The two differ in the last bit for about one draw in
// 43, and each result becomes a native's argument, so every place keeps the rounding it has.
// (The spawn timer and the retry queue's heading scale a product instead: they use CrtRandFloat.)
inline float CrtUnitDraw() {
    return CrtRandFloat() * CrtUnitScale;
}
inline float CrtUnitDrawDivided() {
    return CrtRandFloat() / static_cast<float>(CrtRandMax);
}
int64_t CalendarTimeSeconds();

#if !HARKVANE_WINDOWS_HOST
// Pins the value CalendarTimeSeconds returns (tests, the simulated world); -1 unpins.
void PinCalendarTime(int64_t seconds);
#endif
