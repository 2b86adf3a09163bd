#include "bounty/streak_and_notices.h"

#include <cstdio>
#include <fstream>

#include "natives/natives.h"
#include "platform/atomic_file.h"
#include "platform/file_presence.h"
#include "state/plugin_state.h"

namespace {

// Relative to the working directory, without the ".\" the other files carry.
constexpr const char* StreakFileName = "Harkvane.dat";

// "N\n", put in place whole and on disk, so the game dying in the middle of a save leaves the
// previous count rather than an empty or cut-off file.
bool WriteStreakFile(int32_t count) {
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%d\n", count);
    if (length <= 0 || length >= static_cast<int>(sizeof text)) return false;
    return ReplaceFileContents(StreakFileName, text, static_cast<size_t>(length));
}

} // namespace

int ReadStreakFile() {
    {
        // Only a missing file is created: one that is there but cannot be read now (held by
        // another program, or its rights) keeps the player's count for a later start.
        std::ifstream probe(StreakFileName);
        if (!probe && FileIsMissing(StreakFileName)) WriteStreakFile(0);
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
