#include "bounty/streak_and_notices.h"

#include <cstdio>
#include <fstream>

#include "host/plugin_state.h"
#include "natives/natives.h"
#include "platform/file_replace.h"

namespace {

// Relative to the working directory, without the ".\" the other files carry.
constexpr const char* StreakFileName = "Harkvane.dat";
constexpr const char* StreakTempName = "Harkvane.dat.tmp";

// Writes "N\n" beside the streak file and then moves it over the old one, so the game dying in
// the middle of a save leaves the previous count rather than an empty or cut-off file.
bool WriteStreakFile(int32_t count) {
    std::FILE* out = std::fopen(StreakTempName, "wb");
    if (!out) return false;
    const bool written = std::fprintf(out, "%d\n", count) > 0 && std::fflush(out) == 0;
    const bool closed = std::fclose(out) == 0;
    if (written && closed && ReplaceFileAtomically(StreakTempName, StreakFileName)) return true;
    std::remove(StreakTempName);
    return false;
}

} // namespace

int ReadStreakFile() {
    {
        std::ifstream probe(StreakFileName);
        if (!probe) WriteStreakFile(0);
    }
    std::ifstream in(StreakFileName);
    if (!in) return 0;
    int value = 0;
    if (!(in >> value)) return 0;
    return value < 0 ? 0 : value;
}

bool SaveStreak() {
    return WriteStreakFile(G.loop.StreakCount);
}

void ShowNotice(const char* text) {
    const uint64_t handle = game::LiteralText(text);
    game::SetNoticeText(handle);
    game::ShowNoticeNow();
}

void ShowToast(const char* text) {
    if (G.settings.Harkvane.Toasts) ShowNotice(text);
}
