// Arbitrary bytes as the streak file: the start-up read, then a save and a read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "bounty/streak_and_notices.h"
#include "fuzz_support.h"
#include "state/plugin_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::WriteFile("Harkvane.dat", data, size);
    ResetPluginState();
    const int count = ReadStreakFile();
    if (count < 0) std::abort(); // a stored count is never negative
    G.loop.StreakCount = count;
    if (!SaveStreak() || ReadStreakFile() != count) std::abort();
    return 0;
}
