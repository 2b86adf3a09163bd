// Prints what the platform functions answer for a list of queries, one line per query, so the
// same source built for Windows (run under Wine, against the system's own functions) and built
// here (against the portable layer) can be compared byte for byte.
//
// Query lines (fields separated by TAB; "~" stands for a null pointer; \xHH, \t, \\ escapes):
//   S  file  section  key  default  size     GetPrivateProfileStringA
//   I  file  section  key  default           GetPrivateProfileIntA
//   X  file  section  size                   GetPrivateProfileSectionA
//   R  seed  count                           srand(seed), then count draws of rand()
//   A  text                                  atol(text)
//   F  path                                  whether nothing exists at the path (state files)
// Lines starting with '#' and empty lines are ignored. Files are named relative to the working
// directory and passed as ".\name", as the plug-in does.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file_presence.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
static int ProbeRand() {
    return std::rand();
}
static void ProbeSrand(unsigned seed) {
    std::srand(seed);
}
static long ProbeAtol(const char* text) {
    return std::atol(text);
}
static const char* ProbePath(const char* path) {
    return path;
}
#else
#include "platform/crt_numbers.h"
#include "platform/crt_rand.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "state/plugin_state.h"
static int ProbeRand() {
    return CrtRand();
}
static void ProbeSrand(unsigned seed) {
    CrtSrand(seed);
}
static long ProbeAtol(const char* text) {
    return CrtAtol(text);
}
static const char* ProbePath(const char* path) {
    return PlatformPath(path); // as the plug-in names its state files here
}
#endif

namespace {

struct Field {
    std::string text;
    bool null = false;
    const char* c() const { return null ? nullptr : text.c_str(); }
};

std::vector<Field> SplitFields(const std::string& line) {
    std::vector<Field> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        const std::string raw = line.substr(start, tab == std::string::npos ? tab : tab - start);
        Field f;
        if (raw == "~") {
            f.null = true;
        } else {
            for (size_t i = 0; i < raw.size(); ++i) {
                if (raw[i] != '\\' || i + 1 >= raw.size()) {
                    f.text += raw[i];
                } else if (raw[i + 1] == 'x' && i + 3 < raw.size()) {
                    f.text +=
                        static_cast<char>(std::strtoul(raw.substr(i + 2, 2).c_str(), nullptr, 16));
                    i += 3;
                } else {
                    f.text += raw[i + 1] == 't' ? '\t' : raw[i + 1];
                    ++i;
                }
            }
        }
        fields.push_back(f);
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return fields;
}

std::string Escape(const char* data, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        char tmp[8];
        if (c == '\\')
            out += "\\\\";
        else if (c == 0)
            out += "\\0";
        else if (c < 0x20 || c >= 0x7F) {
            std::snprintf(tmp, sizeof tmp, "\\x%02X", c);
            out += tmp;
        } else
            out += static_cast<char>(c);
    }
    return out;
}

std::string FileArg(const Field& f) {
    return f.null ? std::string() : ".\\" + f.text;
}

// The caller's buffer is prefilled so untouched bytes show, and guarded so overruns show.
constexpr char Fill = '#';
constexpr size_t Guard = 8;

void PrintBuffer(const std::vector<char>& buffer, size_t size, unsigned long ret) {
    std::printf(" ret=%lu buf=[%s]", ret, Escape(buffer.data(), size).c_str());
    for (size_t i = size; i < size + Guard; ++i)
        if (buffer[i] != Fill) {
            std::printf(" OVERRUN");
            break;
        }
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: platform_probe QUERIES\n");
        return 2;
    }
    FILE* in = std::fopen(argv[1], "rb");
    if (!in) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 2;
    }
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY); // the outputs are compared byte for byte
#else
    ResetPluginState();
#endif
    char lineBuf[4096];
    int cases = 0;
    while (std::fgets(lineBuf, sizeof lineBuf, in)) {
        std::string line(lineBuf);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::vector<Field> f = SplitFields(line);
        const std::string kind = f[0].text;
        ++cases;
        std::printf("%d %s", cases, Escape(line.data(), line.size()).c_str());
        if (kind == "S" && f.size() == 6) {
            const size_t size = std::strtoul(f[5].text.c_str(), nullptr, 10);
            std::vector<char> buffer(size + Guard, Fill);
            const std::string file = FileArg(f[1]);
            const unsigned long ret = GetPrivateProfileStringA(
                f[2].c(), f[3].c(), f[4].c(), buffer.data(), static_cast<unsigned>(size),
                f[1].null ? nullptr : file.c_str());
            PrintBuffer(buffer, size, ret);
        } else if (kind == "I" && f.size() == 5) {
            const std::string file = FileArg(f[1]);
            const int def = static_cast<int>(std::strtol(f[4].text.c_str(), nullptr, 10));
            const unsigned ret = GetPrivateProfileIntA(f[2].c(), f[3].c(), def, file.c_str());
            std::printf(" ret=%u (%d)\n", ret, static_cast<int>(ret));
        } else if (kind == "X" && f.size() == 4) {
            const size_t size = std::strtoul(f[3].text.c_str(), nullptr, 10);
            std::vector<char> buffer(size + Guard, Fill);
            const std::string file = FileArg(f[1]);
            const unsigned long ret = GetPrivateProfileSectionA(
                f[2].c(), buffer.data(), static_cast<unsigned>(size), file.c_str());
            PrintBuffer(buffer, size, ret);
        } else if (kind == "R" && f.size() == 3) {
            ProbeSrand(static_cast<unsigned>(std::strtoul(f[1].text.c_str(), nullptr, 10)));
            const int count = std::atoi(f[2].text.c_str());
            for (int i = 0; i < count; ++i)
                std::printf("%s%d", i % 20 ? " " : "\n", ProbeRand());
            std::printf("\n");
        } else if (kind == "A" && f.size() == 2) {
            std::printf(" ret=%ld\n", ProbeAtol(f[1].c()));
        } else if (kind == "F" && f.size() == 2) {
            std::printf(" missing=%d\n", FileIsMissing(ProbePath(f[1].c())) ? 1 : 0);
        } else {
            std::printf(" BAD QUERY\n");
        }
    }
    std::fclose(in);
    std::fflush(stdout);
    std::fprintf(stderr, "%d cases\n", cases);
    return 0;
}
