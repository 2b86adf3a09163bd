// The posse streak file (Harkvane.dat) and the on-screen notices and toasts every part uses.
#include "bounty/streak_and_notices.h"

#include <cstdio>
#include <fstream>

#include "natives/natives.h"
#include "platform/atomic_file.h"
#include "platform/file_presence.h"
#include "state/plugin_state.h"
#include "state/story.h"

namespace {

// Relative to the working directory, without the ".\" the other files carry.
constexpr const char* StreakFileName = "Harkvane.dat";

// "N\n", put in place whole and on disk, so the game dying in the middle of a save leaves the
// previous count rather than an empty or cut-off file.
bool WriteStreakFile(int32_t count) {
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%d\n", count);
    if (length <= 0 || length >= static_cast<int>(sizeof text)) return false;
    const bool written = ReplaceFileContents(StreakFileName, text, static_cast<size_t>(length));
    TellStateFileWritten(StreakFileName, written, text);
    return written;
}

} // namespace

int ReadStreakFile() {
    bool created = false;
    {
        // Only a missing file is created: one that is there but cannot be read now (held by
        // another program, or its rights) keeps the player's count for a later start.
        std::ifstream probe(StreakFileName);
        if (!probe && FileIsMissing(StreakFileName)) created = WriteStreakFile(0);
    }
    std::ifstream in(StreakFileName);
    int value = 0;
    const bool read = in && (in >> value);
    if (!read) value = 0;
    if (value < 0) value = 0;
    TellStateFileRead(StreakFileName, read, created, read ? &value : nullptr, read ? 1 : 0);
    return value;
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
