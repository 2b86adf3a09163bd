// A placeholder world for bringing up the stand-in host: a clock, a game timer and a player,
// every other native answered with zero.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "world_api.h"

namespace {
struct MiniWorld {
    uint64_t slots[32] = {};
    uint64_t hash = 0;
    uint32_t timerMs = 0;
    uint32_t endMs = 60000;
    uint64_t frames = 0;
    uint64_t calls = 0;
    int64_t calendar = 1700000000;
    std::string workdir = "out";
    std::string summary;
};
MiniWorld W;
} // namespace

bool WorldOpen(int argc, char** argv, const char** workdir) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (!std::strcmp(argv[i], "--workdir")) W.workdir = argv[++i];
        else if (!std::strcmp(argv[i], "--summary")) W.summary = argv[++i];
        else if (!std::strcmp(argv[i], "--seconds")) W.endMs = std::atoi(argv[++i]) * 1000;
        else if (!std::strcmp(argv[i], "--seed")) W.calendar += std::atoi(argv[++i]);
    }
    CreateDirectoryA(W.workdir.c_str(), nullptr);
    if (!SetCurrentDirectoryA(W.workdir.c_str())) return false;
    char full[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, full);
    W.workdir = full;
    *workdir = W.workdir.c_str();
    return true;
}

void WorldScriptRegistered(void*, void (*)()) {}
void WorldScriptUnregistered(void*) {}
void WorldNativeInit(uint64_t hash) {
    W.hash = hash;
    ++W.calls;
}
void WorldNativePush64(uint64_t) {}
uint64_t* WorldNativeCall() {
    W.slots[0] = 0;
    if (W.hash == 0x4F67E8ECA7D3F667ull) W.slots[0] = W.timerMs;
    if (W.hash == 0x096275889B8E0EE0ull) W.slots[0] = 1;
    return W.slots;
}
void WorldAdvance(uint32_t ms) {
    W.timerMs += ms == 0 ? 33 : ms;
    ++W.frames;
}
bool WorldFinished() { return W.timerMs >= W.endMs; }
int16_t WorldKeyState(int) { return 0; }
int64_t WorldCalendarTime() { return W.calendar; }
int WorldClose() {
    if (!W.summary.empty()) {
        if (FILE* f = std::fopen(W.summary.c_str(), "w")) {
            std::fprintf(f, "{\"frames\": %llu, \"native_calls\": %llu}\n",
                         static_cast<unsigned long long>(W.frames),
                         static_cast<unsigned long long>(W.calls));
            std::fclose(f);
        }
    }
    return 0;
}
