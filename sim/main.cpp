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
#include <vector>

#include "config/config_report.h"
#include "hostkit/text_file.h"
#include "os/os.h"
#include "report/player_check.h"
#include "report/report.h"
#include "run/checks.h"
#include "run/compare.h"
#include "run/ini_lint.h"
#include "run/runner.h"
#include "run/sweep.h"
#include "scenario/scenario_args.h"

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
        "       harkvane-sim [--no-open]\n"
        "A trace file whose name ends in .gz is written gzip-compressed. With no arguments (or\n"
        "only --no-open) it checks Harkvane.ini in this folder or beside the program, tries it\n"
        "on a sweep of evenings, writes Harkvane-report/ and opens its page in the browser.\n");
}

// Loads the settings as the plug-in does at start and shows what it understood. Reads the file
// the settings came from in place; inline settings are handed over as an in-memory file (on
// Windows a temporary file, removed at once). Writes nothing else to disk.
int PrintSettings(const Scenario& scenario, const std::string& scenarioPath) {
    std::string path, source;
    os::HeldFile held;
    if (!scenario.iniPath.empty()) {
        path = source = scenario.iniPath;
    } else if (scenario.iniGiven) {
        if (!os::HoldFile(scenario.ini, &held)) {
            std::fprintf(stderr, "harkvane-sim: cannot hold the settings in memory\n");
            return 1;
        }
        path = held.path;
        source = "the settings written in " +
                 (scenarioPath.empty() ? "the built-in scenario" : scenarioPath);
    } else {
        source = "no settings file (every key missing)";
    }
    // The built-in defaults: what a load with no file at all gives.
    LoadConfigurationOnly(scenario, std::string(), false, nullptr);
    const EffectiveValues defaults = CollectEffectiveValues();
    LoadConfigurationOnly(scenario, path, false, nullptr);
    os::ReleaseHeldFile(&held);
    std::fputs(RenderEffectiveConfig(source, &defaults).c_str(), stdout);
    return 0;
}

// What the command line asks for.
struct CommandLine {
    ScenarioArgs scenario;
    std::string workdir, lintPath, comparePath;
    std::string sweepChild;             // one seed of a sweep, in a process of its own: its folder
    std::vector<std::string> arguments; // as given, for the seeds' processes
    RunOptions run;
    bool quiet = false, check = false, printSettings = false;
    int sweep = 0, jobs = 0;
};

// Runs the same seeds under the scenario's settings and under the --compare file, and writes
// both sweeps' pages and the comparison.
int Compare(const Scenario& scenario, const SweepOptions& o, bool quiet,
            const std::string& comparePath) {
    Scenario b = scenario;
    if (!ReadTextFile(comparePath, &b.ini)) {
        std::fprintf(stderr, "harkvane-sim: cannot read %s\n", comparePath.c_str());
        return 2;
    }
    b.iniGiven = true;
    b.iniPath = comparePath;
    CompareSet set;
    std::string error;
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

// Runs the scenario over many seeds; per-run outputs do not apply. With a second settings file,
// runs the same seeds under both and compares them.
int Sweep(const Scenario& scenario, const CommandLine& c) {
    if (c.sweep < 1) {
        std::fprintf(stderr, "harkvane-sim: --jobs and --compare go with --sweep\n");
        return 2;
    }
    const RunOptions& run = c.run;
    if (!run.tracePath.empty() || !run.mapPath.empty() || !run.summaryPath.empty() ||
        !run.timelinePath.empty() || !run.reportPath.empty() || c.check || c.printSettings) {
        std::fprintf(
            stderr, "harkvane-sim: --sweep writes sweep.json, sweep.txt and sweep.html in the work "
                    "folder; --trace, --map, --summary, --timeline, --report, --check and "
                    "--print-settings are for single runs\n");
        return 2;
    }
    SweepOptions o;
    o.seeds = c.sweep;
    o.jobs = c.jobs > 0 ? c.jobs : os::ProcessorCount();
    o.workdir = c.workdir.empty()
                    ? (c.comparePath.empty() ? "out/sweep-" : "out/compare-") + scenario.name
                    : c.workdir;
    o.progress = !c.quiet;
    o.childArguments = c.arguments;
    o.terminal = os::StderrIsTerminal();
    if (!c.comparePath.empty()) return Compare(scenario, o, c.quiet, c.comparePath);
    std::string error;
    SweepSet set;
    if (!RunSweep(scenario, o, &set, &error)) {
        std::fprintf(stderr, "harkvane-sim: %s\n", error.c_str());
        return 1;
    }
    if (!WriteTextFile(o.workdir + "/sweep.html", SweepHtml(SweepJson(set)))) {
        std::fprintf(stderr, "harkvane-sim: cannot write %s/sweep.html\n", o.workdir.c_str());
        return 1;
    }
    if (!c.quiet) std::fputs(SweepText(set).c_str(), stdout);
    for (const SweepRun& r : set.runs)
        if (!r.ok) return 1;
    return 0;
}

// One run with its files, its summary table and, with --check, its expectations checked.
int SingleRun(const Scenario& scenario, CommandLine& c) {
    if (c.workdir.empty()) {
        c.workdir = "out/sim-" + scenario.name + "-" + std::to_string(scenario.world.seed);
        std::error_code ec;
        std::filesystem::remove_all(os::Path(c.workdir), ec);
    }
    RunOptions& run = c.run;
    run.workdir = c.workdir;
    // A timeline written to a file is not printed as well: the printout ends with the summary
    // and the page to open.
    run.printTimeline = !c.quiet && run.timelinePath.empty();
    run.progress = !c.quiet && os::StderrIsTerminal() && scenario.seconds > 120;

    RunOutcome r = RunScenario(scenario, run);
    if (!r.ok) {
        std::fprintf(stderr, "harkvane-sim: %s\n", r.error.c_str());
        return 1;
    }
    if (std::string unwritten; !WriteRunPages(r, run, &unwritten)) {
        std::fprintf(stderr, "harkvane-sim: cannot write %s\n", unwritten.c_str());
        return 1;
    }
    if (!c.quiet) std::fputs(r.summaryTable.c_str(), stdout);
    if (c.check) {
        const auto failures = CheckExpectations(scenario.expect, r);
        for (const std::string& f : failures)
            std::fprintf(stderr, "FAILED: %s\n", f.c_str());
        if (!failures.empty()) {
            std::fprintf(stderr, "harkvane-sim: %zu expectation(s) of scenario \"%s\" failed\n",
                         failures.size(), scenario.name.c_str());
            return 1;
        }
        if (!c.quiet) std::printf("all expectations of \"%s\" hold\n", scenario.name.c_str());
    }
    if (!c.quiet && !run.timelinePath.empty())
        std::printf("timeline: %s\n", run.timelinePath.c_str());
    if (!c.quiet && !run.reportPath.empty())
        std::printf("report: %s (open it in a browser)\n", run.reportPath.c_str());
    return 0;
}

// A whole number from 1 to limit for --sweep or --jobs; -1 (after saying why) otherwise.
int Count(const std::string& option, const std::string& v, long limit) {
    char* end = nullptr;
    const long n = std::strtol(v.c_str(), &end, 10);
    if (v.empty() || *end != '\0' || n < 1 || n > limit) {
        std::fprintf(stderr, "harkvane-sim: %s must be a whole number from 1 to %ld\n",
                     option.c_str(), limit);
        return -1;
    }
    return static_cast<int>(n);
}

// An option that names a file or folder: where its value goes.
std::string* PathOption(CommandLine& c, const std::string& a) {
    if (a == "--workdir") return &c.workdir;
    if (a == "--trace") return &c.run.tracePath;
    if (a == "--map") return &c.run.mapPath;
    if (a == "--summary") return &c.run.summaryPath;
    if (a == "--timeline") return &c.run.timelinePath;
    if (a == "--report") return &c.run.reportPath;
    if (a == "--lint-ini") return &c.lintPath;
    if (a == "--compare") return &c.comparePath;
    if (a == "--sweep-child") return &c.sweepChild;
    return nullptr;
}

// Reads the command line into *c; -1 when it is whole, else the exit status to end with.
int ReadCommandLine(int argc, char** argv, CommandLine* c) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        std::string error;
        const ScenarioOption taken = TakeScenarioOption(argc, argv, &i, &c->scenario, &error);
        if (taken == ScenarioOption::BadValue) {
            std::fprintf(stderr, "harkvane-sim: %s\n", error.c_str());
            return 2;
        }
        const bool valueMissing =
            taken == ScenarioOption::MissingValue ||
            ((PathOption(*c, a) || a == "--sweep" || a == "--jobs") && i + 1 >= argc);
        if (valueMissing) {
            Usage();
            return 2;
        }
        if (taken == ScenarioOption::Taken) continue;
        if (std::string* path = PathOption(*c, a)) {
            *path = argv[++i];
        } else if (a == "--sweep" || a == "--jobs") {
            const int n = Count(a, argv[++i], a == "--sweep" ? MaxSweepSeeds : MaxSweepJobs);
            if (n < 0) return 2;
            (a == "--sweep" ? c->sweep : c->jobs) = n;
        } else if (a == "--print-settings") {
            c->printSettings = true;
        } else if (a == "--quiet") {
            c->quiet = true;
        } else if (a == "--check") {
            c->check = true;
        } else if (a == "-h" || a == "--help") {
            Usage();
            return 0;
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "harkvane-sim: unknown option %s\n", a.c_str());
            Usage();
            return 2;
        } else if (c->scenario.scenarioPath.empty()) {
            c->scenario.scenarioPath = a;
        } else {
            Usage();
            return 2;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    CommandLine c;
    c.arguments = os::StartProgram(argc, argv);
    // A double-click (or only --no-open): check the settings file beside it for the player.
    if (c.arguments.empty() || (c.arguments.size() == 1 && c.arguments[0] == "--no-open"))
        return RunPlayerCheck(c.arguments.empty());
    // The options as UTF-8 (on Windows they come from the wide command line).
    std::vector<char*> utf8Argv{argv[0]};
    for (std::string& a : c.arguments)
        utf8Argv.push_back(a.data());
    const int utf8Argc = static_cast<int>(utf8Argv.size());
    if (const int status = ReadCommandLine(utf8Argc, utf8Argv.data(), &c); status >= 0)
        return status;
    if (!c.lintPath.empty()) {
        std::string report;
        const int status = LintIniFile(c.lintPath, &report);
        std::fputs(report.c_str(), status == 2 ? stderr : stdout);
        return status;
    }
    Scenario scenario;
    std::string error;
    if (!LoadScenario(c.scenario, &scenario, &error)) {
        std::fprintf(stderr, "harkvane-sim: %s\n", error.c_str());
        return 2;
    }
    if (!c.sweepChild.empty()) return RunSeedChild(scenario, nullptr, c.sweepChild);
    if (c.sweep != 0 || c.jobs != 0 || !c.comparePath.empty()) return Sweep(scenario, c);
    if (c.printSettings) return PrintSettings(scenario, c.scenario.scenarioPath);
    return SingleRun(scenario, c);
}
