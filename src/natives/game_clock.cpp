// The game clock as one increasing count of hours (every month counts 31 days).
#include "natives/game_clock.h"

#include <algorithm>
#include <cstdint>

#include "natives/natives.h"

double GameHours() {
    const int64_t year = game::ClockYear();
    const int64_t month = game::ClockMonth();
    const int64_t day = game::ClockDay();
    const int64_t hour = game::ClockHour();
    const int64_t minute = game::ClockMinute();
    const int64_t wholeHours = ((year * 12 + month) * 31 + day) * 24 + hour;
    return static_cast<double>(wholeHours) + static_cast<double>(minute) / 60.0;
}

int32_t GameDayOf(double hours) {
    constexpr double HoursPerDay = 24.0;
    const double days =
        std::clamp(hours * (1.0 / HoursPerDay), double{INT32_MIN}, double{INT32_MAX});
    return static_cast<int32_t>(days);
}
