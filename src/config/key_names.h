// Names of the keys a player may bind in [Keys], and their Windows virtual-key codes. The
// settings loader, the settings checker and the simulator's scenarios share this one table.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// No key: the action is switched off.
inline constexpr int32_t KeyNone = 0;
inline constexpr int32_t KeyF7 = 0x76;
inline constexpr int32_t KeyF9 = 0x78;
// Virtual-key codes a key may be given as a number: 1 to 254.
inline constexpr int32_t KeyCodeMax = 254;

// The code for a name ("F7", "numpad5", "Insert", "none"; any case, blanks around ignored) or a
// virtual-key number (decimal, or "0x" and hex digits, 1 to 254). False when it is neither.
bool ParseKeyName(const char* text, int32_t* code);
// The name of a code as the settings file would write it ("F7", "NumPad5", "none"), or the code
// in hex ("0xA5") when it has no name.
std::string KeyNameText(int32_t code);
// The same into a fixed buffer, for the log (nothing allocated).
void FormatKeyName(int32_t code, char* out, size_t size);
// Every name the parser knows, in table order, for "the closest known name" hints.
std::vector<std::string> KnownKeyNames();
