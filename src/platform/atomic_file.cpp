#include "platform/atomic_file.h"

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

bool FlushToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

bool RenameOver(const char* from, const char* to) {
#ifdef _WIN32
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(from, to) == 0;
#endif
}

} // namespace

bool ReplaceFileContents(const char* path, const char* data, size_t size) {
    std::string temp = std::string(path) + ".tmp";
    std::FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file) return false;
    bool written = std::fwrite(data, 1, size, file) == size && FlushToDisk(file);
    written = std::fclose(file) == 0 && written;
    if (!written || !RenameOver(temp.c_str(), path)) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}
