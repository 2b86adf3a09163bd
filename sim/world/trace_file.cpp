// Opens the native-call trace, gzip-compressed through zlib when the name ends in ".gz"; apart
// so the stand-in host, which writes plain lines, builds without zlib.
#include "world/trace_file.h"

#include <sys/types.h>
#include <zlib.h>

namespace {

// zlib's default level: a game day's trace shrinks about thirtyfold, and compressing costs less
// than formatting the lines. Its header carries no time stamp, so equal runs give equal bytes.
constexpr const char* GzipMode = "wb6";
constexpr unsigned GzipBufferBytes = 1u << 17;
constexpr size_t StreamBufferBytes = 1u << 16;

ssize_t WriteCompressed(void* cookie, const char* data, size_t size) {
    if (size == 0) return 0;
    // The stream hands over at most its buffer at a time, well inside zlib's unsigned count.
    const int written = gzwrite(static_cast<gzFile>(cookie), data, static_cast<unsigned>(size));
    return written > 0 ? written : -1;
}

int CloseCompressed(void* cookie) {
    return gzclose(static_cast<gzFile>(cookie)) == Z_OK ? 0 : EOF;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

std::FILE* OpenTraceFile(const std::string& path) {
    if (!EndsWith(path, ".gz")) return std::fopen(path.c_str(), "wb");
    gzFile gz = gzopen(path.c_str(), GzipMode);
    if (!gz) return nullptr;
    gzbuffer(gz, GzipBufferBytes);
    // The world writes its lines to a stdio stream; this one compresses what it is given.
    cookie_io_functions_t io{};
    io.write = WriteCompressed;
    io.close = CloseCompressed;
    std::FILE* file = fopencookie(gz, "w", io);
    if (!file) {
        gzclose(gz);
        return nullptr;
    }
    std::setvbuf(file, nullptr, _IOFBF, StreamBufferBytes);
    return file;
}
