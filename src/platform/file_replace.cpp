// Putting a freshly written file in place of the old one in one step, per platform.
#include "platform/file_replace.h"

#ifdef _WIN32
#include <windows.h>

bool ReplaceFileAtomically(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
#else
#include <cstdio>

// rename() replaces the target atomically on POSIX file systems.
bool ReplaceFileAtomically(const char* from, const char* to) {
    return std::rename(from, to) == 0;
}
#endif
