// The game clock as one increasing number of hours (every month counts 31 days), its day
// number, and the one wrap-safe comparison of game-timer moments.
#pragma once
#include <cstdint>

double GameHours();
// The day number of a clock reading in hours: hours / 24, truncated toward zero, held within
// the range of int32 so that a clock reporting an absurd year still gives a day.
int32_t GameDayOf(double hours);

// Game-timer milliseconds wrap at 2^32 (about 49 days of play). The signed 32-bit difference
// a - b tells which of two moments comes first across the wrap, while they lie less than 2^31 ms
// apart: negative when a is before b. The passes that compare raw values (`now >= due`) do so on
// purpose, as the game's own rate limits do, and say so where they stand.
inline int32_t TimerDiff(uint32_t a, uint32_t b) {
    return static_cast<int32_t>(a - b);
}
