#include "platform/log_file.h"

#include <cstring>

#include "platform/file_replace.h"
#include "platform/file_writes.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
using LogHandle = HANDLE;
const LogHandle NoHandle = INVALID_HANDLE_VALUE;

LogHandle OpenForAppend(const char* path) {
    // Others may read the log while the game runs, and rename or delete it between lines.
    return CreateFileA(path, FILE_APPEND_DATA,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool SizeOf(LogHandle file, uint64_t* size) {
    LARGE_INTEGER value;
    if (!GetFileSizeEx(file, &value)) return false;
    *size = static_cast<uint64_t>(value.QuadPart);
    return true;
}

bool WriteAll(LogHandle file, const char* text, size_t size) {
    DWORD written = 0;
    return WriteFile(file, text, static_cast<DWORD>(size), &written, nullptr) != 0 &&
           written == size;
}

void Close(LogHandle file) {
    CloseHandle(file);
}
#else
using LogHandle = int;
const LogHandle NoHandle = -1;

LogHandle OpenForAppend(const char* path) {
    return open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

bool SizeOf(LogHandle file, uint64_t* size) {
    struct stat info {};
    if (fstat(file, &info) != 0) return false;
    *size = static_cast<uint64_t>(info.st_size);
    return true;
}

bool WriteAll(LogHandle file, const char* text, size_t size) {
    while (size > 0) {
        const ssize_t n = write(file, text, size);
        if (n <= 0) return false;
        text += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void Close(LogHandle file) {
    close(file);
}
#endif

// A line longer than the cap still goes into an empty file.
bool WouldPassCap(LogHandle file, size_t size, uint64_t capBytes) {
    uint64_t present = 0;
    if (!SizeOf(file, &present)) return false;
    return present > 0 && present + size > capBytes;
}

// Moves a full log aside as "<path>.1"; the next open begins a new one.
void RollOver(const char* path) {
    char rolled[MaxLogPathBytes + 3];
    const size_t length = std::strlen(path);
    std::memcpy(rolled, path, length);
    std::memcpy(rolled + length, ".1", 3);
    ReplaceFileAtomically(path, rolled);
}

} // namespace

bool AppendLogLine(const char* path, const char* text, size_t size, uint64_t capBytes) {
    NoteFileWritten();
    if (path[0] == '\0' || std::strlen(path) > MaxLogPathBytes) return false;
    LogHandle file = OpenForAppend(path);
    if (file == NoHandle) return false;
    if (WouldPassCap(file, size, capBytes)) {
        Close(file);
        RollOver(path);
        file = OpenForAppend(path);
        if (file == NoHandle) return false;
        // The old log could not be moved aside: the cap holds all the same.
        if (WouldPassCap(file, size, capBytes)) {
            Close(file);
            return false;
        }
    }
    const bool written = WriteAll(file, text, size);
    Close(file);
    return written;
}
