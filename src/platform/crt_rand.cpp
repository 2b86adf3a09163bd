// The C runtime's rand()/srand() and calendar clock: the real ones on Windows, a copy of the
// Windows sequence and a clock a host can pin elsewhere.
#include "platform/crt_rand.h"

#include "platform/host_kind.h"
#if HARKVANE_WINDOWS_HOST
#include <cstdlib>
#include <ctime>

int CrtRand() {
    return std::rand();
}
void CrtSrand(unsigned seed) {
    std::srand(seed);
}
int64_t CalendarTimeSeconds() {
    return static_cast<int64_t>(std::time(nullptr));
}

#else
#include <ctime>

#include "state/plugin_state.h"

// The Windows C runtime's generator: a 32-bit linear congruential state, of which bits 16..30
// are returned. The state lives in the plug-in's state block so a reset restarts it.
int CrtRand() {
    uint32_t& state = G.platform.RandState;
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

void CrtSrand(unsigned seed) {
    G.platform.RandState = seed;
}

namespace {
int64_t PinnedTime = -1;
}

void PinCalendarTime(int64_t seconds) {
    PinnedTime = seconds;
}

int64_t CalendarTimeSeconds() {
    if (PinnedTime >= 0) return PinnedTime;
    return static_cast<int64_t>(std::time(nullptr));
}
#endif
