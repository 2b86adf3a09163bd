// harkvane-sim: runs the plug-in in the simulated world and tells what happened. The command
// stands above the simulator's rooms: it reads the scenario, has the run made, checked or swept,
// and has the report draw the pages.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

#include "config/config_report.h"
#include "hostkit/text_file.h"
#include "report/report.h"
#include "run/checks.h"
#include "run/compare.h"
#include "run/ini_lint.h"
#include "run/runner.h"
#include "run/sweep.h"
#include "scenario/scenario.h"

namespace {

constexpr long MaxSweepSeeds = 100000;
constexpr long MaxSweepJobs = 256;

void Usage() {
    std::fprintf(
        stderr,
        "usage: harkvane-sim [SCENARIO.json] [--seconds S] [--seed N] [--workdir DIR]\n"
        "                    [--trace FILE.jsonl[.gz]] [--map FILE.svg] [--summary FILE.json]\n"
        "                    [--timeline FILE.txt] [--report FILE.html] [--check]\n"
        "                    [--print-settings [--ini FILE]]\n"
        "                    [--quiet]\n"
        "       harkvane-sim [SCENARIO.json] --sweep N [--jobs J] [--seconds S] [--seed N]\n"
        "                    [--workdir DIR] [--ini FILE] [--compare B.ini] [--quiet]\n"
        "       harkvane-sim --lint-ini FILE\n"
        "A trace file whose name ends in .gz is written gzip-compressed.\n");
}

bool StderrIsTerminal() {
    return isatty(2) != 0;
}

// Loads the settings as the plug-in does at start and shows what it understood. Reads the file
// the settings came from in place; inline settings are handed over as an in-memory file.
// Writes nothing to disk.
int PrintSettings(const Scenario& scenario, const std::string& scenarioPath) {
    std::string path, source;
    int memoryFile = -1;
    if (!scenario.iniPath.empty()) {
        path = source = scenario.iniPath;
    } else if (scenario.iniGiven) {
        memoryFile = memfd_create("Harkvane.ini", MFD_CLOEXEC);
        if (memoryFile < 0 || write(memoryFile, scenario.ini.data(), scenario.ini.size()) !=
                                  static_cast<ssize_t>(scenario.ini.size())) {
            std::fprintf(stderr, "harkvane-sim: cannot hold the settings in memory\n");
            return 1;
        }
        path = "/proc/self/fd/" + std::to_string(memoryFile);
        source = "the settings written in " +
                 (scenarioPath.empty() ? "the built-in scenario" : scenarioPath);
    } else {
        source = "no settings file (every key missing)";
    }
    // The built-in defaults: what a load with no file at all gives.
    LoadConfigurationOnly(scenario, std::string(), false, nullptr);
    const EffectiveValues defaults = CollectEffectiveValues();
    LoadConfigurationOnly(scenario, path, false, nullptr);
    if (memoryFile >= 0) close(memoryFile);
    std::fputs(RenderEffectiveConfig(source, &defaults).c_str(), stdout);
    return 0;
}

// Runs the scenario over many seeds; per-run outputs do not apply. With a second settings file,
// runs the same seeds under both and compares them.
int Sweep(const Scenario& scenario, int seeds, int jobs, std::string workdir, bool quiet,
          const RunOptions& run, bool check, bool printSettings, const std::string& comparePath) {
    if (seeds < 1) {
        std::fprintf(stderr, "harkvane-sim: --jobs and --compare go with --sweep\n");
        return 2;
    }
    if (!run.tracePath.empty() || !run.mapPath.empty() || !run.summaryPath.empty() ||
        !run.timelinePath.empty() || !run.reportPath.empty() || check || printSettings) {
        std::fprintf(
            stderr, "harkvane-sim: --sweep writes sweep.json, sweep.txt and sweep.html in the work "
                    "folder; --trace, --map, --summary, --timeline, --report, --check and "
                    "--print-settings are for single runs\n");
        return 2;
    }
    SweepOptions o;
    o.seeds = seeds;
    o.jobs = jobs > 0 ? jobs : ProcessorCount();
    o.workdir = workdir.empty()
                    ? (comparePath.empty() ? "out/sweep-" : "out/compare-") + scenario.name
                    : workdir;
    o.progress = !quiet;
    o.terminal = StderrIsTerminal();
    std::string error;
    if (!comparePath.empty()) {
        Scenario b = scenario;
        if (!ReadTextFile(comparePath, &b.ini)) {
            std::fprintf(stderr, "harkvane-sim: cannot read %s\n", comparePath.c_str());
            return 2;
        }
        b.iniGiven = true;
        b.iniPath = comparePath;
        CompareSet set;
        if (!RunCompare(scenario, b, o, &set, &error)) {
            std::fprintf(stderr, "harkvane-sim: %s\n", error.c_str());
            return 1;
        }
        const std::pair<std::string, std::string> pages[] = {
            {o.workdir + "/a/sweep.html", SweepHtml(SweepJson(set.a))},
            {o.workdir + "/b/sweep.html", SweepHtml(SweepJson(set.b))},
            {o.workdir + "/compare.html", CompareHtml(CompareJson(set))}};
        for (const auto& [path, page] : pages)
            if (!WriteTextFile(path, page)) {
                std::fprintf(stderr, "harkvane-sim: cannot write %s\n", path.c_str());
                return 1;
            }
        if (!quiet) std::fputs(CompareText(set).c_str(), stdout);
        for (const SweepSet* side : {&set.a, &set.b})
            for (const SweepRun& r : side->runs)
                if (!r.ok) return 1;
        return 0;
    }
    SweepSet set;
    if (!RunSweep(scenario, o, &set, &error)) {
        std::fprintf(stderr, "harkvane-sim: %s\n", error.c_str());
        return 1;
    }
    if (!WriteTextFile(o.workdir + "/sweep.html", SweepHtml(SweepJson(set)))) {
        std::fprintf(stderr, "harkvane-sim: cannot write %s/sweep.html\n", o.workdir.c_str());
        return 1;
    }
    if (!quiet) std::fputs(SweepText(set).c_str(), stdout);
    for (const SweepRun& r : set.runs)
        if (!r.ok) return 1;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string scenarioPath, workdir, iniPath, lintPath, comparePath;
    RunOptions run;
    double seconds = -1;
    long long seed = -1;
    bool quiet = false, check = false, printSettings = false;
    int sweep = 0, jobs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                Usage();
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--seconds") {
            const std::string v = value();
            char* end = nullptr;
            seconds = std::strtod(v.c_str(), &end);
            if (v.empty() || *end != '\0' || !(seconds >= 0 && seconds <= MaxRunSeconds)) {
                std::fprintf(stderr, "harkvane-sim: --seconds must be a number from 0 to %.0f\n",
                             MaxRunSeconds);
                return 2;
            }
        } else if (a == "--seed")
            seed = std::atoll(value().c_str());
        else if (a == "--workdir")
            workdir = value();
        else if (a == "--trace")
            run.tracePath = value();
        else if (a == "--map")
            run.mapPath = value();
        else if (a == "--summary")
            run.summaryPath = value();
        else if (a == "--timeline")
            run.timelinePath = value();
        else if (a == "--report")
            run.reportPath = value();
        else if (a == "--ini")
            iniPath = value();
        else if (a == "--compare")
            comparePath = value();
        else if (a == "--sweep" || a == "--jobs") {
            const bool seeds = a == "--sweep";
            const long limit = seeds ? MaxSweepSeeds : MaxSweepJobs;
            const std::string v = value();
            char* end = nullptr;
            const long n = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0' || n < 1 || n > limit) {
                std::fprintf(stderr, "harkvane-sim: %s must be a whole number from 1 to %ld\n",
                             a.c_str(), limit);
                return 2;
            }
            (seeds ? sweep : jobs) = static_cast<int>(n);
        } else if (a == "--print-settings")
            printSettings = true;
        else if (a == "--lint-ini")
            lintPath = value();
        else if (a == "--quiet")
            quiet = true;
        else if (a == "--check")
            check = true;
        else if (a == "-h" || a == "--help") {
            Usage();
            return 0;
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "harkvane-sim: unknown option %s\n", a.c_str());
            Usage();
            return 2;
        } else if (scenarioPath.empty())
            scenarioPath = a;
        else {
            Usage();
            return 2;
        }
    }

    if (!lintPath.empty()) {
        std::string report;
        const int status = LintIniFile(lintPath, &report);
        std::fputs(report.c_str(), status == 2 ? stderr : stdout);
        return status;
    }

    std::string text = DefaultScenarioJson(), baseDir;
    if (!scenarioPath.empty()) {
        if (!ReadTextFile(scenarioPath, &text)) {
            std::fprintf(stderr, "harkvane-sim: cannot read %s\n", scenarioPath.c_str());
            return 2;
        }
        baseDir = std::filesystem::path(scenarioPath).parent_path().string();
    }
    Scenario scenario;
    std::string error;
    if (!ParseScenario(text, baseDir, &scenario, &error)) {
        std::fprintf(stderr, "harkvane-sim: %s: %s\n",
                     scenarioPath.empty() ? "built-in scenario" : scenarioPath.c_str(),
                     error.c_str());
        return 2;
    }
    if (seconds >= 0) scenario.seconds = seconds;
    if (seed >= 0) scenario.world.seed = static_cast<uint64_t>(seed);
    if (!iniPath.empty()) {
        if (!ReadTextFile(iniPath, &scenario.ini)) {
            std::fprintf(stderr, "harkvane-sim: cannot read %s\n", iniPath.c_str());
            return 2;
        }
        scenario.iniGiven = true;
        scenario.iniPath = iniPath;
    }
    if (sweep != 0 || jobs != 0 || !comparePath.empty())
        return Sweep(scenario, sweep, jobs, workdir, quiet, run, check, printSettings, comparePath);
    if (printSettings) return PrintSettings(scenario, scenarioPath);
    if (workdir.empty()) {
        workdir = "out/sim-" + scenario.name + "-" + std::to_string(scenario.world.seed);
        std::error_code ec;
        std::filesystem::remove_all(workdir, ec);
    }
    run.workdir = workdir;
    // A timeline written to a file is not printed as well: the printout ends with the summary
    // and the page to open.
    run.printTimeline = !quiet && run.timelinePath.empty();
    run.progress = !quiet && StderrIsTerminal() && scenario.seconds > 120;

    RunOutcome r = RunScenario(scenario, run);
    if (!r.ok) {
        std::fprintf(stderr, "harkvane-sim: %s\n", r.error.c_str());
        return 1;
    }
    if (!WriteRunPages(r, run)) {
        std::fprintf(stderr, "harkvane-sim: cannot write the map or the report page\n");
        return 1;
    }
    if (!quiet) std::fputs(r.summaryTable.c_str(), stdout);
    if (check) {
        const auto failures = CheckExpectations(scenario.expect, r);
        for (const std::string& f : failures)
            std::fprintf(stderr, "FAILED: %s\n", f.c_str());
        if (!failures.empty()) {
            std::fprintf(stderr, "harkvane-sim: %zu expectation(s) of scenario \"%s\" failed\n",
                         failures.size(), scenario.name.c_str());
            return 1;
        }
        if (!quiet) std::printf("all expectations of \"%s\" hold\n", scenario.name.c_str());
    }
    if (!quiet && !run.timelinePath.empty())
        std::printf("timeline: %s\n", run.timelinePath.c_str());
    if (!quiet && !run.reportPath.empty())
        std::printf("report: %s (open it in a browser)\n", run.reportPath.c_str());
    return 0;
}
