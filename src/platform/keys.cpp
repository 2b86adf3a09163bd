// Hotkey state: the Windows key query, and the fed presses a host gives elsewhere.
#include "platform/host_kind.h"
#if !HARKVANE_WINDOWS_HOST
#include "platform/keys.h"

#include <array>

namespace {
// One "pressed since the previous query" flag per virtual-key code.
std::array<bool, 256> PressedSinceQuery{};
} // namespace

int16_t GetAsyncKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey >= 256) return 0;
    const bool pressed = PressedSinceQuery[virtualKey];
    PressedSinceQuery[virtualKey] = false;
    return pressed ? 1 : 0;
}

void FeedKeyPress(int virtualKey) {
    if (virtualKey >= 0 && virtualKey < 256) PressedSinceQuery[virtualKey] = true;
}

void ResetKeyState() { PressedSinceQuery.fill(false); }
#endif
