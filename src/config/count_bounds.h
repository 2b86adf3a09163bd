// Upper bounds of the counts read from the settings file. No real posse comes near them; they
// keep a slip of the keyboard ("T1=1000000") from making one spawn attempt create peds for
// minutes while the game stands still.
#pragma once
#include <cstdint>

inline constexpr int32_t MaxDogsPerPosse = 10;
inline constexpr int32_t MaxHorsesPerPosse = 15; // a horse for every member of the largest posse
inline constexpr int32_t MaxExtraMembers = 10;   // extra-member chances kept per tier
inline constexpr int32_t MaxWaveSize = 20;       // soldiers in one wave of the army event

// The spawn-point searches run inside one frame, one search per member, dog and horse of a
// posse (at most 5 + MaxExtraMembers + MaxDogsPerPosse + MaxHorsesPerPosse = 40), and the game
// stands still until they end. One try costs at most 7 native calls plus 2 for every tracked
// ped (two safe-coordinate queries, a ground probe, a water probe, the spacing test's existence
// check and position of each tracked ped, the player's ped and position and a second ground
// probe for the height checks). With 40 tracked peds that is 87 calls; at about a microsecond a
// call, one frame (16.7 ms at 60 frames a second) holds some 190 tries, so 100 tries keep one
// member's search within about half a frame. More tries would not help either: every third
// failed try widens the ring by a step, so the 100th already searches some 33 steps out.
inline constexpr int32_t MaxSpawnAttemptsPerMember = 100;
// The ring steps and the separations only decide whether a try succeeds, not what it costs: a
// step of 0 or a separation no point can keep fails every try, within the same bound.
// The tracked list is trimmed above MaxAlive + 10, and every frame walks it (and every try of a
// search walks it again); the frame benchmark measures the passes up to 160 tracked peds.
inline constexpr int32_t MaxAliveBound = 150;

// The one place where the loader lowers a count read from the file to its bound: returns
// `value`, or `bound` when the value is larger.
int32_t LimitCount(const char* section, const char* key, int32_t value, int32_t bound);
