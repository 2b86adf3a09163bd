// Writing a state file so that a crash at any moment leaves the old contents or the new.
#include "platform/atomic_file.h"

#include "platform/file_replace.h"
#include "platform/file_writes.h"

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

#if !HARKVANE_WINDOWS_HOST
bool FlushedToDisk = true;
#else
constexpr bool FlushedToDisk = true;
#endif

bool FlushToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
    if (!FlushedToDisk) return true;
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

} // namespace

#if !HARKVANE_WINDOWS_HOST
void SetStateFilesFlushedToDisk(bool flushed) {
    FlushedToDisk = flushed;
}
#endif

bool ReplaceFileContents(const char* path, const char* data, size_t size) {
    NoteFileWritten();
    std::string temp = std::string(path) + ".tmp";
    std::FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file) return false;
    bool written = std::fwrite(data, 1, size, file) == size && FlushToDisk(file);
    written = std::fclose(file) == 0 && written;
    if (!written || !ReplaceFileAtomically(temp.c_str(), path)) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}
