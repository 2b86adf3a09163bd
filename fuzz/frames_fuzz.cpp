// The whole plug-in against a hostile game: every native answer, every key press and the three
// files come from the input (frames_input.h). The library is attached, started and run frame
// after frame, with F7, F9, any other key and rewritten settings as the input says, and
// unloaded. After each frame the run stops on the first broken rule:
//   - no sanitizer report and no exception (the sanitizers stop the run themselves);
//   - the frame made no more host calls than FrameCallBound allows (checked as the calls come,
//     so a frame that would never end stops at the bound);
//   - every table stays bounded (TableProblem);
//   - a state file the frame wrote reads back whole;
// and after the unload no ped the plug-in created is left in the game, but a horse the player
// claimed.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <unordered_set>

#include "config/count_bounds.h"
#include "frames_input.h"
#include "fuzz_support.h"
#include "host/main_loop.h"
#include "hostkit/cap_watch.h"
#include "hostkit/text_file.h"
#include "platform/crt_rand.h"
#include "platform/keys.h"
#include "platform/paths.h"
#include "posse/harkvane_event.h"
#include "state/plugin_state.h"

namespace {

constexpr int KeySpawnNow = 0x76;       // F7
constexpr int KeyReloadSettings = 0x78; // F9
constexpr int MaxFrames = 100000;

// ---- The per-frame bound ----
//
// Every pass of a frame is linear in the tables it walks, and a spawn is linear in its members,
// each member costing a ring search (SpawnAttemptsPerMember attempts, each of which asks up to
// seven questions and two more per tracked ped it keeps clear of) and a creation (at most 301
// load polls and 300 waits of 10 ms for its model, then some forty calls to dress, arm and send
// it). Each figure below is at least the count of calls in the code it stands for, rounded up,
// so a frame beyond the bound is work the settings and the tables do not explain: a freeze.

// The largest posse one spawn can send: the biggest tier's base size, every extra member, the
// most dogs and the most horses the loader lets through.
constexpr uint64_t PosseCeiling = 5 + MaxExtraMembers + MaxDogsPerPosse + MaxHorsesPerPosse;
// Spawns in one frame: F7 and the timer. The army places one soldier a frame (two when a wave's
// leader and a member fall together).
constexpr uint64_t SpawnsPerFrame = 2;
constexpr uint64_t SoldiersPerFrame = 2;
constexpr uint64_t CallsPerAttemptFixed = 7;  // safe coordinate twice, ground, water, height
constexpr uint64_t CallsPerAttemptPerPed = 2; // exists and position of each tracked ped
constexpr uint64_t CallsPerCreation = 2 * 301 + 40;
// Pursuit, stuck watch, engagement, leash, far despawn, up to six clear-outs (camp, town, death,
// mission, and the driver's camp check twice), compaction with its trim scan, pursued state.
constexpr uint64_t CallsPerTrackedPed = 250;
constexpr uint64_t CallsPerHorseRecord = 60; // horse pass, pre-spawn clean-up, blips
// Clock reads, pools, the witness query (64 bystanders of ten questions), notices, the army's
// start and ticks, and the pairing of up to 40 riders with 15 horses twice.
constexpr uint64_t CallsFixed = 6000;

uint64_t SaturatingMul(uint64_t a, uint64_t b) {
    if (a != 0 && b > UINT64_MAX / a) return UINT64_MAX;
    return a * b;
}
uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
    return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

struct Sizes {
    uint64_t tracked = 0, horses = 0, deferred = 0;
};

Sizes SizesNow() {
    return Sizes{G.spawn.SpawnedPeds.size(), G.spawn.HorseRecords.size(),
                 G.spawn.DeferredSpawns.size()};
}

uint64_t FrameCallBound(const Settings& s, const Sizes& at) {
    const uint64_t members = SpawnsPerFrame * PosseCeiling + at.deferred + SoldiersPerFrame;
    const uint64_t peds = at.tracked + members;
    const uint64_t attempts = static_cast<uint64_t>(std::max(1, s.Spawner.SpawnAttemptsPerMember));
    const uint64_t perAttempt = CallsPerAttemptFixed + CallsPerAttemptPerPed * peds;
    const uint64_t perMember = SaturatingAdd(SaturatingMul(attempts, perAttempt), CallsPerCreation);
    uint64_t bound = CallsFixed;
    bound = SaturatingAdd(bound, SaturatingMul(CallsPerTrackedPed, peds));
    bound = SaturatingAdd(
        bound, SaturatingMul(CallsPerHorseRecord, at.horses + SpawnsPerFrame * MaxHorsesPerPosse));
    return SaturatingAdd(bound, SaturatingMul(members, perMember));
}

// ---- Checks ----

[[noreturn]] void Fail(int frame, const std::string& what) {
    std::fprintf(stderr, "frames: frame %d: %s\n", frame, what.c_str());
    std::abort();
}

struct FrameWatch {
    int frame = 0;
    Sizes start;
    uint64_t callsAtStart = 0;
    uint64_t boundAtStart = 0;
    size_t unprotectedBefore = 0;
    size_t mostListedAtEngagement = 0; // over the run, before each engagement pass
};
FrameWatch Watch;

// A reload in the middle of a frame may allow more: the bound is the larger of the settings
// before and after.
bool RaiseLimit() {
    fuzz::HostRecord& host = fuzz::Record();
    const uint64_t now = FrameCallBound(G.settings, Watch.start);
    const uint64_t limit = SaturatingAdd(Watch.callsAtStart, std::max(Watch.boundAtStart, now));
    if (limit <= host.callLimit) return false;
    host.callLimit = limit;
    return host.calls <= limit;
}

// The tracked list obeys Spawner.MaxAlive: after the clean-up the removable peds are within
// MaxAlive + 10, or the trim still takes its five a frame. Tables keyed by ped handle hold no
// more than the tracked peds and a few more (a claimed horse, the entries of peds removed this
// frame); the retry queue holds the members of the last moments' posses; the witness tables
// have fixed room.
constexpr size_t TableSlack = 16;
constexpr size_t MaxDeferred = 256;

void WatchedCompaction() {
    Watch.unprotectedBefore = PedsTheCapMayRemove();
    RealLoopOps.CompactSpawnedPeds();
    const std::string broken = CapRuleBroken(Watch.unprotectedBefore, PedsTheCapMayRemove());
    if (!broken.empty()) Fail(Watch.frame, broken);
}

// The engagement pass rebuilds its set from the hunters listed at that moment; the set then only
// loses entries until the next pass, while the list may shrink at once with a clean-up.
void WatchedEngagement() {
    Watch.mostListedAtEngagement =
        std::max(Watch.mostListedAtEngagement, G.spawn.SpawnedPeds.size());
    RealLoopOps.UpdateEngagement();
}

size_t EnlistedThisEvent() {
    return static_cast<size_t>(std::max(0, G.harkvane.HarkvaneSpawned));
}

void CheckTables() {
    const size_t limit = G.spawn.SpawnedPeds.size() + TableSlack;
    const struct {
        const char* name;
        size_t size, limit;
    } tables[] = {
        {"StuckWatch", G.pursuit.StuckWatch.size(), limit},
        {"EngagedLastPass", G.pursuit.EngagedLastPass.Size(), Watch.mostListedAtEngagement},
        {"ApproachStart", G.pursuit.ApproachStart.size(), limit},
        {"SecondTaskStart", G.pursuit.SecondTaskStart.size(), limit},
        {"LeashCooldown", G.harkvane.LeashCooldown.size(), limit},
        // Soldiers leave the list when found gone at the event's own pass, not with the clean-up.
        {"HarkvaneMembers", G.harkvane.HarkvaneMembers.size(), EnlistedThisEvent()},
        {"HorseRecords", G.spawn.HorseRecords.size(), limit},
        {"DeferredSpawns", G.spawn.DeferredSpawns.size(), MaxDeferred},
        {"TrackedPeds", G.witness.TrackedPeds.size(), MaxTrackedPeds},
        {"Witnesses", G.witness.Witnesses.size(), MaxWitnesses},
        {"SeenPeds", static_cast<size_t>(G.witness.SeenUsed), SeenSlotCount},
    };
    for (const auto& t : tables)
        if (t.size > t.limit)
            Fail(Watch.frame, std::string(t.name) + " holds " + std::to_string(t.size) +
                                  " entries, limit " + std::to_string(t.limit));
    for (const std::vector<Ped>& wave : G.harkvane.HarkvanePeds)
        if (wave.size() > G.harkvane.HarkvaneMembers.size())
            Fail(Watch.frame, "a wave lists more soldiers than the army has");
}

// ---- State files ----

const std::regex StreakFormat("-?[0-9]{1,10}\n");
const std::regex PoolsFormat("(-?[0-9]{1,10} ){5}-?[0-9]{1,10}\n");

struct FileState {
    bool present = false;
    struct stat info = {};
};

// Which file is there now: a write puts a new file in place, so its inode, size or time moves.
FileState StatState(const char* pluginPath) {
    FileState f;
    f.present = stat(PlatformPath(pluginPath), &f.info) == 0;
    return f;
}

bool SameFile(const FileState& a, const FileState& b) {
    return a.present == b.present &&
           (!a.present || (a.info.st_ino == b.info.st_ino && a.info.st_size == b.info.st_size &&
                           a.info.st_mtim.tv_sec == b.info.st_mtim.tv_sec &&
                           a.info.st_mtim.tv_nsec == b.info.st_mtim.tv_nsec));
}

std::string ReadText(const char* pluginPath) {
    std::string text;
    ReadTextFile(PlatformPath(pluginPath), &text);
    return text;
}

bool WholeNumbers(const std::string& text) {
    size_t at = 0;
    while (at < text.size()) {
        char* end = nullptr;
        const long long v = std::strtoll(text.c_str() + at, &end, 10);
        if (v < INT32_MIN || v > INT32_MAX) return false;
        at = static_cast<size_t>(end - text.c_str()) + 1;
    }
    return true;
}

// A file the frame wrote must be the whole of what the plug-in writes; none is removed, and no
// temporary file is left behind.
void CheckStateFile(const char* pluginPath, const FileState& before, const std::regex& format) {
    const FileState after = StatState(pluginPath);
    if (before.present && !after.present) Fail(Watch.frame, std::string(pluginPath) + " removed");
    if (!after.present || SameFile(before, after)) return;
    const std::string text = ReadText(pluginPath);
    if (!std::regex_match(text, format) || !WholeNumbers(text))
        Fail(Watch.frame, std::string(pluginPath) + " written as \"" + text + "\"");
    if (std::filesystem::exists(std::string(PlatformPath(pluginPath)) + ".tmp"))
        Fail(Watch.frame, std::string(pluginPath) + ".tmp left behind");
}

// The settings may switch the player's log on, under any name: every LogFile line is given one
// name in the working folder, so the fuzzer's files never land anywhere else. Lines are split at
// either line break and trimmed as the profile reader trims them, so no spelling slips through.
std::string WithLogInPlace(std::string text) {
    constexpr const char* Blanks = " \t\x1A";
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const size_t equals =
            static_cast<size_t>(std::find(text.begin() + static_cast<std::ptrdiff_t>(start),
                                          text.begin() + static_cast<std::ptrdiff_t>(end), '=') -
                                text.begin());
        if (equals < end) {
            std::string key = text.substr(start, equals - start);
            key.erase(0, key.find_first_not_of(Blanks));
            key.erase(key.find_last_not_of(Blanks) + 1);
            for (char& c : key)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (key == "logfile") {
                const std::string fixed = "LogFile=Harkvane.log";
                text.replace(start, end - start, fixed);
                end = start + fixed.size();
            }
        }
        start = end + 1;
    }
    return text;
}

void PlaceFile(int index, const frames::File& f) {
    const char* path = frames::FileNames[index];
    if (!f.present) {
        std::remove(PlatformPath(path));
        return;
    }
    const std::string text = index == 0 ? WithLogInPlace(f.text) : f.text;
    fuzz::WriteFile(path, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

void RunFrame(frames::Reader& in, uint8_t control) {
    for (int i = 0; i < 3; ++i)
        if (control & (frames::ReplaceIni << i)) PlaceFile(i, in.ReadFile());
    if (control & frames::PressF7) FeedKeyPress(KeySpawnNow);
    if (control & frames::PressF9) FeedKeyPress(KeyReloadSettings);
    if (control & frames::PressOtherKeys) {
        const uint64_t keys = in.Varint();
        for (uint64_t k = 0; k < keys && !in.AtEnd(); ++k)
            FeedKeyPress(in.Byte());
    }

    const FileState streak = StatState(frames::FileNames[1]);
    const FileState pools = StatState(frames::FileNames[2]);
    fuzz::HostRecord& host = fuzz::Record();
    Watch.start = SizesNow();
    Watch.callsAtStart = host.calls;
    Watch.boundAtStart = FrameCallBound(G.settings, Watch.start);
    host.callLimit = SaturatingAdd(host.calls, Watch.boundAtStart);

    ScriptFramePass();

    host.callLimit = UINT64_MAX;
    CheckTables();
    CheckStateFile(frames::FileNames[1], streak, StreakFormat);
    CheckStateFile(frames::FileNames[2], pools, PoolsFormat);
    scriptWait(0);
}

void Run(const uint8_t* data, size_t size) {
    frames::Reader in(data, size);
    PinCalendarTime(in.U32());
    for (int i = 0; i < 3; ++i)
        PlaceFile(i, in.ReadFile());

    ResetPluginState();
    ResetKeyState();
    LoopOps = RealLoopOps;
    LoopOps.CompactSpawnedPeds = WatchedCompaction;
    LoopOps.UpdateEngagement = WatchedEngagement;
    fuzz::AnswerFrom(&in);
    fuzz::Record().overLimit = RaiseLimit;
    Watch = FrameWatch();
    int module = 0;

    PluginAttach(&module);
    ScriptStartup();
    for (Watch.frame = 0; Watch.frame < MaxFrames && !in.AtEnd(); ++Watch.frame) {
        const uint8_t control = in.Byte();
        if (control & frames::Unload) break;
        RunFrame(in, control);
    }

    std::unordered_set<uint32_t> claimed;
    for (const HorseRecord& r : G.spawn.HorseRecords)
        if (r.playerClaimed) claimed.insert(r.horse);
    PluginDetach(&module);
    for (uint32_t ped : fuzz::Record().pluginPeds)
        if (!claimed.count(ped))
            Fail(Watch.frame, "ped " + std::to_string(ped) + " left in the game after unload");
    // FRAMES_REPORT=1: how far the input carried the run (a recorded seed is used up exactly
    // by its last frame and the unload).
    if (std::getenv("FRAMES_REPORT"))
        std::fprintf(stderr, "frames: %d frames, %llu host calls, input %s\n", Watch.frame,
                     static_cast<unsigned long long>(fuzz::Record().calls),
                     in.AtEnd() ? (in.ok() ? "used up" : "ran short")
                                : (std::to_string(in.Left()) + " bytes left").c_str());
    fuzz::AnswerFrom(nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        Run(data, size);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "frames: exception: %s\n", e.what());
        std::abort();
    } catch (...) {
        std::fprintf(stderr, "frames: exception\n");
        std::abort();
    }
    return 0;
}
