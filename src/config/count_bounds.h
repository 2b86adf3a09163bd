// Upper bounds of the counts read from the settings file. No real posse comes near them; they
// keep a slip of the keyboard ("T1=1000000") from making one spawn attempt create peds for
// minutes while the game stands still.
#pragma once
#include <cstdint>

inline constexpr int32_t MaxDogsPerPosse = 10;
inline constexpr int32_t MaxHorsesPerPosse = 15; // a horse for every member of the largest posse
inline constexpr int32_t MaxExtraMembers = 10;   // extra-member chances kept per tier
inline constexpr int32_t MaxWaveSize = 20;       // soldiers in one wave of the army event

// The one place where the loader lowers a count read from the file to its bound: returns
// `value`, or `bound` when the value is larger.
int32_t LimitCount(const char* section, const char* key, int32_t value, int32_t bound);
