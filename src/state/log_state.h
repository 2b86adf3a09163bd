// State of the player's log ([Debug] LogFile): the game clock and timer as the frame last read
// them (each line's stamp), and lines the file would not take yet.
#pragma once
#include <cstddef>
#include <cstdint>

// Lines kept while the log cannot be written (a locked file, a full disk); a line that does not
// fit any more is counted instead.
inline constexpr size_t LogPendingBytes = 16 * 1024;

struct LogState {
    double StampHours = -1.0; // as GameHours counts them; below 0 before the first reading
    uint32_t StampTimerMs = 0;
    bool StampTimerRead = false;
    char Pending[LogPendingBytes];
    size_t PendingBytes = 0;
    uint32_t LinesLost = 0;
};
