#include "host/plugin_log.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "config/key_names.h"
#include "platform/log_file.h"
#include "platform/paths.h"
#include "state/plugin_state.h"
#include "state/story.h"

namespace {

// A line longer than this is cut short; none comes near it but a settings finding quoting a
// long value.
constexpr size_t LineBytes = 512;
constexpr int DaysPerMonth = 31; // as GameHours counts them
constexpr int MonthsPerYear = 12;

struct Line {
    char text[LineBytes];
    size_t used = 0;

    void Add(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        if (used >= sizeof text - 1) return;
        va_list args;
        va_start(args, format);
        const int n = std::vsnprintf(text + used, sizeof text - used, format, args);
        va_end(args);
        if (n > 0) used = std::min(used + static_cast<size_t>(n), sizeof text - 1);
    }
};

// The game's date and time and its timer as the frame last read them: a line never asks the
// game itself. Before the first reading (the settings loaded at start) there is none to give.
void Stamp(Line& line) {
    const LogState& log = G.log;
    // Below 0: not read yet; past any year a game shows: a clock not worth decoding.
    if (!(log.StampHours >= 0.0 && log.StampHours < 1e12)) {
        line.Add("---------- --:--");
    } else {
        // Undoes GameHours' count: days and months start at 1, every month has 31 days.
        const double whole = std::floor(log.StampHours);
        const long long hours = static_cast<long long>(whole);
        const long long dayIndex = hours / 24 - 1;
        const long long monthIndex = dayIndex / DaysPerMonth - 1;
        const int minute =
            std::clamp(static_cast<int>(std::lround((log.StampHours - whole) * 60.0)), 0, 59);
        line.Add("%04lld-%02lld-%02lld %02lld:%02d", monthIndex / MonthsPerYear,
                 monthIndex % MonthsPerYear + 1, dayIndex % DaysPerMonth + 1, hours % 24, minute);
    }
    if (log.StampTimerRead)
        line.Add(" %7u.%03u s  ", log.StampTimerMs / 1000, log.StampTimerMs % 1000);
    else
        line.Add("       -.--- s  ");
}

const char* TierName(int tier) {
    static constexpr const char* Names[TierCount + 1] = {"?", "T1", "T2", "T3", "T4", "T5"};
    return Names[tier >= 1 && tier <= TierCount ? tier : 0];
}

const char* VariantName(int32_t variant) {
    switch (variant) {
    case VariantFoot:
        return "Foot";
    case VariantDogs:
        return "Dogs";
    case VariantHorse:
        return "Horse";
    default:
        return "?";
    }
}

const char* Plural(int n) {
    return n == 1 ? "" : "s";
}

// What held a due posse back, with the setting a player would look at.
const char* GateText(SpawnGate gate) {
    switch (gate) {
    case SpawnGate::InCamp:
        return "the player is in a camp ([CampShield] BlockInCamp)";
    case SpawnGate::CampHoldoff:
        return "the player left a camp moments ago ([CampShield] HoldoffSeconds)";
    case SpawnGate::InTown:
        return "the player is in town ([TownShield] Rhodes)";
    case SpawnGate::TownHoldoff:
        return "the player left town moments ago ([CampShield] HoldoffSeconds)";
    case SpawnGate::Mission:
        return "a mission is running ([BountyGates] BlockMissionSpawns)";
    case SpawnGate::PlayerDead:
        return "the player is dead";
    case SpawnGate::NoBounty:
        return "the player has no bounty ([BountyGates] ZeroBountySpawns)";
    case SpawnGate::AwaitingWitnesses:
        return "too few people have seen the player ([WitnessTracker])";
    }
    return "?";
}

const char* StageText(ArmyStage stage) {
    switch (stage) {
    case WaveAFilling:
        return "first wave coming";
    case WaitingForB:
        return "first wave out, second wave due";
    case WaveBFilling:
        return "second wave coming";
    case WaitingForC:
        return "second wave out, third wave due";
    case WaveCFilling:
        return "third wave coming";
    case AllWavesOut:
        return "all waves out";
    }
    return "?";
}

const char* EndText(ArmyEnd how) {
    switch (how) {
    case ArmyEnd::Won:
        return "won: every soldier is dead, the bounty is cleared";
    case ArmyEnd::NobodyPlaced:
        return "no soldier could be placed";
    case ArmyEnd::PlayerDied:
        return "lost: the player died";
    case ArmyEnd::Cleared:
        return "its soldiers were cleared away";
    case ArmyEnd::Reinforced:
        return "a new army event took its soldiers in";
    case ArmyEnd::Unloaded:
        return "the plug-in is unloading";
    }
    return "?";
}

const char* ClearText(ClearReason reason) {
    switch (reason) {
    case ClearReason::Camp:
        return "the player reached a camp";
    case ClearReason::Town:
        return "the player reached town";
    case ClearReason::PlayerDied:
        return "the player died";
    case ClearReason::Mission:
        return "a mission started";
    }
    return "?";
}

const char* DespawnText(DespawnReason reason) {
    switch (reason) {
    case DespawnReason::FellBehind:
        return "fell far behind the player";
    case DespawnReason::ListCap:
        return "too many tracked ([Spawner] MaxAlive), oldest first";
    case DespawnReason::OldHorse:
        return "a horse of an earlier posse";
    case DespawnReason::UnpairedHorse:
        return "a new horse that found no rider";
    case DespawnReason::Unloaded:
        return "the plug-in is unloading";
    }
    return "?";
}

// A state file's text on one line: its line breaks shown as blanks, the last ones dropped.
void FileText(Line& line, const char* text) {
    size_t length = std::strlen(text);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r'))
        --length;
    for (size_t i = 0; i < length && line.used < sizeof line.text - 1; ++i)
        line.text[line.used++] = text[i] == '\n' || text[i] == '\r' ? ' ' : text[i];
    line.text[line.used] = '\0';
}

void KeyLine(Line& line, StoryKey key) {
    char name[16];
    const bool send = key == StoryKey::SendPosse;
    FormatKeyName(send ? G.settings.Keys.SendPosse : G.settings.Keys.ReloadSettings, name,
                  sizeof name);
    line.Add("%s pressed: %s", name, send ? "send a posse now" : "reload the settings");
}

void Describe(Line& line, const StoryEvent& e) {
    switch (e.kind) {
    case StoryKind::SettingsLoaded:
        line.Add("settings %s from %s%s", e.settings.reload ? "reloaded" : "loaded",
                 e.settings.path, e.settings.found ? "" : " (no such file: built-in defaults)");
        return;
    case StoryKind::SettingsProblem:
        line.Add("settings: %s", e.problem);
        return;
    case StoryKind::StateFileRead:
        if (!e.file.ok) {
            line.Add("%s could not be read", e.file.name);
            return;
        }
        line.Add("%s %s:", e.file.name, e.file.created ? "was missing and is created" : "read");
        for (int i = 0; i < e.file.valueCount; ++i)
            line.Add(" %d", e.file.values[i]);
        return;
    case StoryKind::StateFileWritten:
        line.Add(e.file.ok ? "%s written: " : "%s could not be written, kept in memory: ",
                 e.file.name);
        FileText(line, e.file.text);
        return;
    case StoryKind::KeyPressed:
        KeyLine(line, e.key);
        return;
    case StoryKind::PosseSent:
        line.Add("posse sent: tier %s, %s: %d hunter%s, %d dog%s, %d horse%s placed",
                 TierName(e.posse.tier), VariantName(e.posse.variant), e.posse.hunters,
                 Plural(e.posse.hunters), e.posse.dogs, Plural(e.posse.dogs), e.posse.horses,
                 Plural(e.posse.horses));
        if (e.posse.deferred > 0) line.Add(", %d deferred (no place found yet)", e.posse.deferred);
        // The player's first question when a Horse posse comes on foot.
        if (e.posse.variant == VariantHorse && e.posse.horses == 0 && e.posse.deferred == 0)
            line.Add("; no horses came: see [Horse_%s] Models and [HorseCounts] %s",
                     TierName(e.posse.tier), TierName(e.posse.tier));
        return;
    case StoryKind::PosseHeldBack:
        line.Add("%s: %s",
                 e.heldBack == SpawnGate::AwaitingWitnesses ? "posse due, waiting"
                                                            : "posse not sent",
                 GateText(e.heldBack));
        return;
    case StoryKind::ArmyStarted:
        line.Add("army event started: tier %s, %s%s", TierName(e.army.tier),
                 e.army.leaderPlaced ? "its leader placed" : "no leader placed yet",
                 e.army.reinforced ? ", over a running one" : "");
        return;
    case StoryKind::ArmyStageChanged:
        line.Add("army event: %s (%d placed, %d dead)", StageText(e.army.stage), e.army.spawned,
                 e.army.dead);
        return;
    case StoryKind::ArmyEnded:
        line.Add("army event ended, %s (%d placed, %d dead)", EndText(e.army.how), e.army.spawned,
                 e.army.dead);
        return;
    case StoryKind::PosseCleared:
        line.Add("posse cleared: %s (%d removed)", ClearText(e.cleared.reason), e.cleared.removed);
        return;
    case StoryKind::PedDespawned:
        line.Add("ped %d removed: %s", e.despawned.ped, DespawnText(e.despawned.reason));
        return;
    }
    line.Add("(event %d)", static_cast<int>(e.kind));
}

bool Append(const char* text, size_t size) {
    return AppendLogLine(PlatformPath(G.settings.Debug.LogFile.c_str()), text, size, LogCapBytes);
}

// Lines kept from earlier go first, then word of any that did not fit.
bool FlushPending() {
    LogState& log = G.log;
    if (log.PendingBytes > 0) {
        if (!Append(log.Pending, log.PendingBytes)) return false;
        log.PendingBytes = 0;
    }
    if (log.LinesLost > 0) {
        Line gap;
        Stamp(gap);
        gap.Add("%u line%s could not be written to this log\n", log.LinesLost,
                Plural(static_cast<int>(log.LinesLost)));
        if (!Append(gap.text, gap.used)) return false;
        log.LinesLost = 0;
    }
    return true;
}

void Keep(const Line& line) {
    LogState& log = G.log;
    if (log.PendingBytes + line.used > sizeof log.Pending) {
        ++log.LinesLost;
        return;
    }
    std::memcpy(log.Pending + log.PendingBytes, line.text, line.used);
    log.PendingBytes += line.used;
}

void Hear(void*, const StoryEvent& event) {
    Line line;
    Stamp(line);
    Describe(line, event);
    line.used = std::min(line.used, sizeof line.text - 2);
    line.text[line.used++] = '\n';
    line.text[line.used] = '\0';
    if (FlushPending() && Append(line.text, line.used)) return;
    Keep(line);
}

constexpr StoryListener LogListener{Hear, nullptr};

} // namespace

void FollowLogSetting() {
    DetachStoryListener(LogListener);
    if (G.settings.Debug.LogFile.empty()) {
        G.log.PendingBytes = 0;
        G.log.LinesLost = 0;
        return;
    }
    AttachStoryListener(LogListener);
}

bool LogIsOn() {
    return !G.settings.Debug.LogFile.empty();
}

void StampLogHours(double hours) {
    G.log.StampHours = hours;
}

void StampLogTimer(uint32_t timerMs) {
    G.log.StampTimerMs = timerMs;
    G.log.StampTimerRead = true;
}
