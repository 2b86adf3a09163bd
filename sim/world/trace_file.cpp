// Opens the native-call trace, gzip-compressed through zlib when the name ends in ".gz"; apart
// so the stand-in host, which writes plain lines, builds without zlib.
#include "world/trace_file.h"

#include <zlib.h>

#include "os/os.h"

namespace {

// zlib's default level: a game day's trace shrinks about thirtyfold, and compressing costs less
// than formatting the lines. The gzip header carries no time stamp and names Unix as the system
// whatever the build, so equal runs give equal bytes on Linux and Windows.
constexpr int GzipLevel = 6;
constexpr int GzipWindowBits = 15 + 16; // a gzip wrapper around the deflate stream
constexpr int GzipSystemUnix = 3;
constexpr size_t OutputBytes = 1u << 17;
constexpr size_t StreamBufferBytes = 1u << 16;

struct Compressor {
    std::FILE* file = nullptr;
    z_stream z{};
    gz_header header{};
    unsigned char out[OutputBytes];
};

// Runs deflate over what is pending and writes what it gives; false when the file refuses it.
bool Deflate(Compressor& c, int flush) {
    int rc;
    do {
        c.z.next_out = c.out;
        c.z.avail_out = sizeof c.out;
        rc = deflate(&c.z, flush);
        if (rc == Z_STREAM_ERROR) return false;
        const size_t have = sizeof c.out - c.z.avail_out;
        if (have > 0 && std::fwrite(c.out, 1, have, c.file) != have) return false;
    } while (c.z.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
    return true;
}

long WriteCompressed(void* cookie, const char* data, size_t size) {
    Compressor& c = *static_cast<Compressor*>(cookie);
    // The stream hands over at most its buffer at a time, well inside zlib's unsigned count.
    c.z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    c.z.avail_in = static_cast<uInt>(size);
    return Deflate(c, Z_NO_FLUSH) ? static_cast<long>(size) : -1;
}

int CloseCompressed(void* cookie) {
    auto* c = static_cast<Compressor*>(cookie);
    c->z.next_in = nullptr;
    c->z.avail_in = 0;
    bool ok = Deflate(*c, Z_FINISH);
    deflateEnd(&c->z);
    ok = std::fclose(c->file) == 0 && ok;
    delete c;
    return ok ? 0 : EOF;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

std::FILE* OpenTraceFile(const std::string& path) {
    std::FILE* file = os::OpenFile(path, "wb");
    if (!file || !EndsWith(path, ".gz")) return file;
    auto* c = new Compressor;
    c->file = file;
    c->header.os = GzipSystemUnix;
    if (deflateInit2(&c->z, GzipLevel, Z_DEFLATED, GzipWindowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK ||
        deflateSetHeader(&c->z, &c->header) != Z_OK) {
        std::fclose(file);
        delete c;
        return nullptr;
    }
    // The world writes its lines to a stdio stream; this one compresses what it is given.
    std::FILE* stream = os::OpenSinkStream({c, WriteCompressed, CloseCompressed});
    if (!stream) {
        deflateEnd(&c->z);
        std::fclose(file);
        delete c;
        return nullptr;
    }
    std::setvbuf(stream, nullptr, _IOFBF, StreamBufferBytes);
    return stream;
}

int CloseTraceFile(std::FILE* trace) {
    return os::CloseStream(trace);
}
