// The game clock as one increasing number of hours; every month counts 31 days.
#pragma once

#include <cstdint>

double GameHours();
// The day number of a clock reading in hours: hours / 24, truncated toward zero, held within
// the range of int32 so that a clock reporting an absurd year still gives a day.
int32_t GameDayOf(double hours);
