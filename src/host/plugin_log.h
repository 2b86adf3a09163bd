// The player's log ([Debug] LogFile): one line per decision a player may ask about, from the
// plug-in's own account of what it decides (state/story.h), stamped with the game's clock and
// timer. While the setting is empty nothing listens and no file is touched. While on, a line is
// formatted in a fixed buffer and appended only when something happens: a frame in which nothing
// is decided writes nothing and allocates nothing. A line the file will not take is kept in
// memory and tried again before the next one; it never changes the game.
#pragma once
#include <cstdint>

// Kept under this size; a full log is moved to "<name>.1".
inline constexpr uint64_t LogCapBytes = uint64_t{1} << 20;

// Listens while Debug.LogFile names a file, stops when it is emptied. Called after every load.
void FollowLogSetting();
// Whether the log is on (the loaders' findings are worth gathering for it).
bool LogIsOn();
// The stamp of the lines to come: the loop calls these where it reads the clock and the timer.
void StampLogHours(double hours);
void StampLogTimer(uint32_t timerMs);
