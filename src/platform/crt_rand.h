// The C runtime's random generator and calendar clock as the plug-in uses them. On Windows these
// are the C runtime's own rand()/srand()/time(); elsewhere a generator that reproduces the
// Windows sequence (values 0..32767), and a calendar clock a host may pin.
#pragma once
#include <cstdint>

inline constexpr int CrtRandMax = 32767;

int CrtRand();
void CrtSrand(unsigned seed);
int64_t CalendarTimeSeconds();

#ifndef _WIN32
// Pins the value CalendarTimeSeconds returns (tests, the simulated world); -1 unpins.
void PinCalendarTime(int64_t seconds);
#endif
