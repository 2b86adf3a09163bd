// Appending a line to the plug-in's log. One open, write and close per line, straight through the
// operating system (no buffered stream, nothing on the heap), so a line is on disk as soon as it
// is told and a crash of the game loses none. The file is kept under a size cap: a line that
// would take it past the cap first moves it to "<path>.1" (replacing an older one) and begins a
// new file.
#pragma once
#include <cstddef>
#include <cstdint>

// Longest path taken; a longer one is not written to.
inline constexpr size_t MaxLogPathBytes = 1024;

// False when the line could not be written whole (the folder is missing or closed to us, the
// disk is full, the path is too long); nothing else happens then.
bool AppendLogLine(const char* path, const char* text, size_t size, uint64_t capBytes);
