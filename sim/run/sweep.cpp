// Seed sweeps: one child process per seed (the plug-in's state is one block per process), J at
// a time, their records collected into one set.
#include "run/sweep.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "run/runner.h"
#include "run/settings_changes.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr const char* RecordFile = "sweep-run.json";
constexpr const char* ErrorFile = "stderr.txt";

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string SeedDir(const SweepOptions& o, uint64_t seed) {
    return (fs::path(o.workdir) / "seeds" / std::to_string(seed)).string();
}

// The child: runs one seed with stdout silenced and stderr kept in the seed's folder, leaves its
// record there and exits without running the parent's exit handlers.
[[noreturn]] void ChildRun(const Scenario& scenario, const SweepOptions& o, uint64_t seed) {
    const std::string dir = SeedDir(o, seed);
    const int err = open((fs::path(dir) / ErrorFile).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (err >= 0) dup2(err, 2);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, 1);
    Scenario s = scenario;
    s.world.seed = seed;
    SweepRun r = o.runSeed(s, dir);
    r.seed = seed;
    if (!r.ok) {
        std::fprintf(stderr, "%s\n", r.error.c_str());
        std::fflush(nullptr);
        _exit(1);
    }
    WriteAll(fs::path(dir) / RecordFile, SweepRunJson(r));
    std::fflush(nullptr);
    _exit(0);
}

std::string LastLine(const std::string& text) {
    std::istringstream in(text);
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty()) last = line;
    return last;
}

// What became of a child, from its exit status and what it left in its folder.
SweepRun Collect(const SweepOptions& o, uint64_t seed, int status) {
    SweepRun r;
    r.seed = seed;
    const fs::path dir = SeedDir(o, seed);
    const std::string said = LastLine(ReadAll(dir / ErrorFile));
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        std::string error;
        if (ParseSweepRun(ReadAll(dir / RecordFile), &r, &error)) {
            r.seed = seed;
            return r;
        }
        r.error = error;
        return r;
    }
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        r.error = "killed by signal " + std::to_string(sig) + " (" + strsignal(sig) + ")";
    } else {
        r.error = "exit status " + std::to_string(WEXITSTATUS(status));
    }
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
    o.summaryPath = (fs::path(dir) / "summary.json").string();
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

int ProcessorCount() {
    const long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? static_cast<int>(n) : 1;
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
    fs::remove_all(fs::path(o.workdir) / "seeds", ec);
    fs::create_directories(fs::path(o.workdir) / "seeds", ec);
    if (!fs::is_directory(fs::path(o.workdir) / "seeds")) {
        *error = "cannot create the work directory " + o.workdir;
        return false;
    }
    set->scenario = scenario.name;
    // The settings swept, as a file beside the results, and what in them differs from the
    // plug-in's defaults.
    set->settings = SettingsSource(scenario);
    set->changed = SettingsChanged(scenario, (fs::path(o.workdir) / "settings.ini").string());
    set->firstSeed = scenario.world.seed;
    set->seconds = scenario.seconds;
    set->gameHours = scenario.seconds * scenario.world.clockRate / 3600.0;
    set->runs.assign(static_cast<size_t>(o.seeds), SweepRun());

    const auto start = std::chrono::steady_clock::now();
    const size_t total = static_cast<size_t>(o.seeds);
    std::map<pid_t, size_t> running;
    size_t next = 0, done = 0;
    if (o.progress && o.terminal) Progress(true, 0, total, 0);
    while (done < total) {
        while (running.size() < static_cast<size_t>(o.jobs) && next < total) {
            const size_t i = next++;
            const uint64_t seed = set->firstSeed + i;
            fs::create_directories(SeedDir(o, seed), ec);
            std::fflush(nullptr); // nothing buffered may be written twice
            const pid_t pid = fork();
            if (pid == 0) ChildRun(scenario, o, seed);
            if (pid < 0) {
                set->runs[i].seed = seed;
                set->runs[i].error = std::string("cannot start a process: ") + strerror(errno);
                ++done;
                continue;
            }
            running[pid] = i;
        }
        if (running.empty()) continue;
        int status = 0;
        const pid_t pid = waitpid(-1, &status, 0);
        if (pid < 0) {
            if (errno == EINTR) continue;
            *error = std::string("waiting for the seed processes failed: ") + strerror(errno);
            return false;
        }
        auto it = running.find(pid);
        if (it == running.end()) continue;
        const size_t i = it->second;
        running.erase(it);
        set->runs[i] = Collect(o, set->firstSeed + i, status);
        ++done;
        if (o.progress)
            Progress(
                o.terminal, done, total,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    WriteAll(fs::path(o.workdir) / "sweep.json", SweepJson(*set));
    WriteAll(fs::path(o.workdir) / "sweep.txt", SweepText(*set));
    return true;
}
