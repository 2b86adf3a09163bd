// Whether a state file is missing (and may be created) or only unreadable (and must be kept).
#include "platform/file_presence.h"

#ifdef _WIN32
#include <windows.h>

// The attributes come from the folder, so a file that another program holds without sharing, or
// whose rights forbid reading it, still has them.
bool FileIsMissing(const char* path) {
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}
#else
#include <sys/stat.h>

#include <cerrno>

bool FileIsMissing(const char* path) {
    struct stat info {};
    return stat(path, &info) != 0 && errno == ENOENT;
}
#endif
