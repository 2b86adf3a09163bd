// Seed sweeps: one child process per seed (the plug-in's state is one block per process), J at
// a time, their records collected into one set.
#include "run/sweep.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "os/os.h"
#include "run/runner.h"
#include "run/settings_changes.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr const char* RecordFile = "sweep-run.json";
constexpr const char* ErrorFile = "stderr.txt";

std::string ReadAll(const std::string& path) {
    std::ifstream in(os::Path(path), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool WriteAll(const std::string& path, const std::string& text) {
    std::ofstream out(os::Path(path), std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

std::string InFolder(const std::string& folder, const std::string& name) {
    return os::Utf8(os::Path(folder) / name);
}

std::string SeedDir(const SweepOptions& o, uint64_t seed) {
    return os::Utf8(os::Path(o.workdir) / "seeds" / std::to_string(seed));
}

// A fault made on purpose in one seed's process, for the sweep's own tests: the environment
// variable HARKVANE_SIM_SEED_FAULT holds "SEED:crash" (the process crashes as a fault in it would)
// or "SEED:no-record" (it ends with status 0 and leaves no record, as a process killed from outside
// does under Wine), several joined by commas. Unset, as for everyone else, nothing changes.
enum class SeedFault { None, Crash, NoRecord };

SeedFault SeedFaultFor(uint64_t seed) {
    const char* faults = std::getenv("HARKVANE_SIM_SEED_FAULT");
    if (!faults) return SeedFault::None;
    std::istringstream items{std::string(faults)};
    for (std::string item; std::getline(items, item, ',');) {
        const std::string want = std::to_string(seed) + ":";
        if (item.rfind(want, 0) != 0) continue;
        const std::string kind = item.substr(want.size());
        if (kind == "crash") return SeedFault::Crash;
        if (kind == "no-record") return SeedFault::NoRecord;
    }
    return SeedFault::None;
}

// Where a seed plays. The plug-in rewrites its state files dozens of times a run, each time a new
// file renamed over the old, and a file system on disk sends every such rename to the disk at
// once: a 100-seed sweep spent over a second of system time on them, more with every sweep run
// after it. Where the system has a folder in memory, each seed plays in a folder of its own there
// and what it leaves is moved into its folder under seeds/ when it ends; elsewhere (Windows) it
// plays in its folder under seeds/.
std::string PlayDir(const std::string& memoryFolder, uint64_t seed) {
    return memoryFolder.empty() ? "" : os::Utf8(os::Path(memoryFolder) / std::to_string(seed));
}

// The sweep's folder in memory, removed however the sweep ends.
struct PlayFolders {
    std::string root; // "" when the seeds play in their own folders
    ~PlayFolders() {
        std::error_code ec;
        if (!root.empty()) fs::remove_all(os::Path(root), ec);
    }
};

// Moves what a seed left in its play folder into its folder under seeds/; false when some of it
// could not be copied.
bool MovePlayedFiles(const std::string& playDir, const std::string& dir) {
    std::error_code ec;
    if (!fs::exists(os::Path(playDir), ec)) return true;
    fs::copy(os::Path(playDir), os::Path(dir),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    const bool copied = !ec;
    fs::remove_all(os::Path(playDir), ec);
    return copied;
}

// What a child process is given on Linux, where it is a fork of the sweep.
struct ChildWork {
    const Scenario* scenario;
    const SweepOptions* options;
    uint64_t seed;
    std::string playDir;
};

int ForkedSeed(void* context) {
    const ChildWork& work = *static_cast<const ChildWork*>(context);
    Scenario s = *work.scenario;
    s.world.seed = work.seed;
    return RunSeedChild(s, work.options->runSeed, SeedDir(*work.options, work.seed), work.playDir);
}

std::string LastLine(const std::string& text) {
    std::istringstream in(text);
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty()) last = line;
    return last;
}

// What became of a child, from how it ended and what it left in its folder. The record is written
// whole or not at all, so a process that ended well without it was ended from outside (under Wine
// a process killed so reports status 0).
SweepRun Collect(const SweepOptions& o, uint64_t seed, const os::ChildEnd& end) {
    SweepRun r;
    r.seed = seed;
    const std::string dir = SeedDir(o, seed);
    if (end.success) {
        std::error_code ec;
        if (!fs::exists(os::Path(InFolder(dir, RecordFile)), ec)) {
            r.error = "the run ended without its record (" + end.how + ")";
            return r;
        }
        std::string error;
        if (ParseSweepRun(ReadAll(InFolder(dir, RecordFile)), &r, &error)) {
            r.seed = seed;
            return r;
        }
        r.error = error;
        return r;
    }
    r.error = end.how;
    const std::string said = LastLine(ReadAll(InFolder(dir, ErrorFile)));
    if (!said.empty()) r.error += ": " + said;
    return r;
}

// A bar redrawn in place on a terminal; elsewhere a line at every tenth of the seeds.
void Progress(bool terminal, size_t done, size_t total, double elapsedS) {
    if (!terminal && done != total && (done * 10 / total) == ((done - 1) * 10 / total)) return;
    const int width = 30;
    const int filled = static_cast<int>(done * width / std::max<size_t>(1, total));
    std::string left = "--";
    if (done > 0 && done < total) {
        const double s = elapsedS / static_cast<double>(done) * static_cast<double>(total - done);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f s", s);
        left = buf;
    } else if (done == total) {
        left = "0 s";
    }
    std::fprintf(stderr, "%s[%-*s] %zu/%zu seeds, about %s left%s", terminal ? "\r" : "", width,
                 std::string(static_cast<size_t>(filled), '#').c_str(), done, total, left.c_str(),
                 terminal && done < total ? "   " : "\n");
    std::fflush(stderr);
}

} // namespace

SweepRun RunSeedInWorld(const Scenario& scenario, const std::string& dir) {
    SweepRun r;
    r.seed = scenario.world.seed;
    RunOptions o;
    o.workdir = dir;
    o.summaryPath = InFolder(dir, "summary.json");
    o.printTimeline = false;
    const RunOutcome out = RunScenario(scenario, o);
    if (!out.ok) {
        r.error = out.error;
        return r;
    }
    const json summary = json::parse(out.summaryJson);
    const double minutesPerMs = scenario.world.clockRate / 60000.0;
    for (const SentPosse& p : out.stats.sent)
        r.posseLog.push_back(
            {p.elapsedMs * minutesPerMs, p.tier, p.variant, p.hunters, p.dogs, p.horses});
    r.armyWon = out.stats.harkvaneWon;
    r.peakTrackedPeds = out.stats.maxTrackedPeds;
    r.playerDeaths = summary.at("player").at("deaths").get<int>();
    r.finalBountyCents = summary.at("player").at("final_bounty").get<int32_t>();
    for (const auto& kv : summary.at("notices").items())
        r.notices += kv.value().get<int>();
    r.ok = true;
    return r;
}

int RunSeedChild(const Scenario& scenario, SweepRun (*runSeed)(const Scenario&, const std::string&),
                 const std::string& dir, const std::string& playDir) {
    switch (SeedFaultFor(scenario.world.seed)) {
    case SeedFault::Crash:
        os::CrashNow();
    case SeedFault::NoRecord:
        return 0;
    case SeedFault::None:
        break;
    }
    std::error_code ec;
    if (!playDir.empty()) fs::create_directories(os::Path(playDir), ec);
    const bool playsApart = !playDir.empty() && !ec;
    SweepRun r = (runSeed ? runSeed : RunSeedInWorld)(scenario, playsApart ? playDir : dir);
    r.seed = scenario.world.seed;
    if (playsApart && !MovePlayedFiles(playDir, dir)) {
        std::fprintf(stderr, "cannot move the seed's files from %s to %s\n", playDir.c_str(),
                     dir.c_str());
        return 1;
    }
    if (!r.ok) {
        std::fprintf(stderr, "%s\n", r.error.c_str());
        return 1;
    }
    // Whole or not at all: written beside, then put in its place.
    const std::string record = InFolder(dir, RecordFile), part = record + ".part";
    const bool written = WriteAll(part, SweepRunJson(r));
    if (written) fs::rename(os::Path(part), os::Path(record), ec);
    if (!written || ec) {
        std::fprintf(stderr, "cannot write the run record %s\n", record.c_str());
        return 1;
    }
    return 0;
}

bool RunSweep(const Scenario& scenario, const SweepOptions& options, SweepSet* set,
              std::string* error) {
    SweepOptions o = options;
    if (!o.runSeed) o.runSeed = RunSeedInWorld;
    if (o.seeds < 1 || o.jobs < 1) {
        *error = "a sweep needs at least one seed and one job";
        return false;
    }
    std::error_code ec;
    const fs::path seedsDir = os::Path(o.workdir) / "seeds";
    fs::remove_all(seedsDir, ec);
    fs::create_directories(seedsDir, ec);
    if (!fs::is_directory(seedsDir, ec)) {
        *error = "cannot create the work directory " + o.workdir;
        return false;
    }
    set->scenario = scenario.name;
    // The settings swept, as a file beside the results, and what in them differs from the
    // plug-in's defaults.
    set->settings = SettingsSource(scenario);
    set->changed = SettingsChanged(scenario, InFolder(o.workdir, "settings.ini"));
    set->firstSeed = scenario.world.seed;
    set->seconds = scenario.seconds;
    set->gameHours = scenario.seconds * scenario.world.clockRate / 3600.0;
    set->runs.assign(static_cast<size_t>(o.seeds), SweepRun());

    const PlayFolders plays{os::NewMemoryFolder()};
    const std::string& memoryFolder = plays.root;
    const auto start = std::chrono::steady_clock::now();
    const size_t total = static_cast<size_t>(o.seeds);
    std::map<intptr_t, size_t> running;
    std::vector<ChildWork> work(total);
    size_t next = 0, done = 0;
    if (o.progress && o.terminal) Progress(true, 0, total, 0);
    while (done < total) {
        while (running.size() < static_cast<size_t>(o.jobs) && next < total) {
            const size_t i = next++;
            const uint64_t seed = set->firstSeed + i;
            const std::string dir = SeedDir(o, seed);
            fs::create_directories(os::Path(dir), ec);
            work[i] = {&scenario, &o, seed, PlayDir(memoryFolder, seed)};
            std::vector<std::string> arguments = o.childArguments;
            arguments.insert(arguments.end(),
                             {"--seed", std::to_string(seed), "--sweep-child", dir});
            os::Child child;
            std::string failure;
            if (!os::StartChild(ForkedSeed, &work[i], arguments, InFolder(dir, ErrorFile), &child,
                                &failure)) {
                set->runs[i].seed = seed;
                set->runs[i].error = failure;
                ++done;
                continue;
            }
            running[child.id] = i;
        }
        if (running.empty()) continue;
        os::Child child;
        os::ChildEnd end;
        if (!os::WaitForChild(&child, &end, error)) return false;
        auto it = running.find(child.id);
        if (it == running.end()) continue;
        const size_t i = it->second;
        running.erase(it);
        // A child that crashed or was ended from outside left its files where it played.
        MovePlayedFiles(work[i].playDir, SeedDir(o, work[i].seed));
        set->runs[i] = Collect(o, set->firstSeed + i, end);
        ++done;
        if (o.progress)
            Progress(
                o.terminal, done, total,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    for (const auto& [name, text] :
         {std::pair{"sweep.json", SweepJson(*set)}, std::pair{"sweep.txt", SweepText(*set)}})
        if (!WriteAll(InFolder(o.workdir, name), text)) {
            *error = "cannot write " + InFolder(o.workdir, name);
            return false;
        }
    return true;
}
