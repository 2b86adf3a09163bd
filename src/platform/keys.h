// Hotkey state. Bit 0 of the result means "pressed since the previous query".
#pragma once
#include "platform/host_kind.h"
#if HARKVANE_WINDOWS_HOST
#include <windows.h>
#else
#include <cstdint>

int16_t GetAsyncKeyState(int virtualKey);
// Hosts (the simulated world, tests) report a key press here.
void FeedKeyPress(int virtualKey);
void ResetKeyState();
#endif
