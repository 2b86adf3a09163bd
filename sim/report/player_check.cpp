#include "report/player_check.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "hostkit/text_file.h"
#include "os/os.h"
#include "report/report.h"
#include "run/ini_lint.h"
#include "run/runner.h"
#include "run/sweep.h"
#include "scenario/scenario.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* SettingsName = "Harkvane.ini";
constexpr const char* ReportFolder = "Harkvane-report";
// The representative evening (an outlaw roaming from 18:00, as `make sweep` runs it) for its
// first game hours, over enough seeds to show the spread and few enough to finish in under a
// minute on a two-core laptop.
constexpr int EveningSeeds = 20;
constexpr double EveningGameHours = 6;

// Where the settings file may be: the working folder first (a command prompt in the mod's
// folder), then the program's own folder (a double-click starts it there anyway).
std::vector<std::string> PlacesToLook() {
    std::vector<std::string> places{os::Utf8(fs::current_path())};
    const std::string program = os::ProgramFolder();
    std::error_code ec;
    if (!program.empty() && !fs::equivalent(os::Path(program), fs::current_path(), ec))
        places.push_back(program);
    return places;
}

std::string InFolder(const std::string& folder, const char* name) {
    return os::Utf8(os::Path(folder) / name);
}

void Say(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

void WaitForEnter() {
    if (!os::ConsoleClosesWithProgram()) return;
    Say("\nPress Enter to close this window.\n");
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) {
    }
}

int NotFound(const std::vector<std::string>& places) {
    std::string text = "No Harkvane.ini was found. Looked in:\n";
    for (const std::string& p : places)
        text += "  " + p + "\n";
    text +=
        "\nWhat to do: put harkvane-sim beside your Harkvane.ini (in the game's folder, next to "
        "Harkvane.asi) and start it there.\nOr, from a command prompt, check any settings "
        "file by name:\n  harkvane-sim --lint-ini \"path/to/Harkvane.ini\"\n";
    std::fputs(text.c_str(), stderr);
    return 2;
}

// The figures of the sweep a player looks at first, from its text report.
std::string SpreadLines(const std::string& sweepText) {
    const size_t at = sweepText.find("\nacross ");
    return at == std::string::npos ? std::string() : sweepText.substr(at + 1);
}

// The folder of the first place holding the settings file; empty when none does.
std::string SettingsFolder(const std::vector<std::string>& places) {
    for (const std::string& p : places) {
        std::error_code ec;
        if (fs::is_regular_file(os::Path(InFolder(p, SettingsName)), ec)) return p;
    }
    return std::string();
}

// Prints the checker's findings in plain words; the checker's status (2: not readable).
int CheckSettings(const std::string& folder, const std::string& iniPath) {
    Say("Checking your settings: " + InFolder(folder, SettingsName) + "\n\n");
    std::string findings;
    const int lint = LintIniFile(iniPath, &findings);
    Say(findings);
    if (lint == 2) return 2;
    Say(lint == 0 ? "The plug-in reads every line as you wrote it.\n\n"
                  : "The plug-in still starts with this file: each line above says what it uses "
                    "instead of what is written.\n\n");
    return lint;
}

// The evenings over all seeds, with the sweep page: the number of evenings that failed, or -1
// when the sweep could not run at all.
int SweepEvenings(const Scenario& scenario, const std::string& iniPath,
                  const std::string& reports) {
    char line[200];
    std::snprintf(line, sizeof line,
                  "Trying your settings on %d evenings of %.0f game hours each (seeds %llu to "
                  "%llu)...\n",
                  EveningSeeds, scenario.seconds * scenario.world.clockRate / 3600.0,
                  static_cast<unsigned long long>(scenario.world.seed),
                  static_cast<unsigned long long>(scenario.world.seed + EveningSeeds - 1));
    Say(line);
    SweepOptions sweep;
    sweep.seeds = EveningSeeds;
    sweep.jobs = os::ProcessorCount();
    sweep.workdir = reports;
    sweep.progress = true;
    sweep.terminal = os::StderrIsTerminal();
    // On Windows each evening runs in the program started again, which is told the same work:
    // the evening as a file beside the pages (for the curious too), its length and the settings.
    const std::string eveningFile = InFolder(reports, "evening.json");
    std::error_code made;
    fs::create_directories(os::Path(reports), made);
    if (!WriteTextFile(eveningFile, EveningScenarioJson())) {
        std::fprintf(stderr, "harkvane-sim: cannot write %s\n", eveningFile.c_str());
        return -1;
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.17g", scenario.seconds);
    sweep.childArguments = {eveningFile, "--seconds", seconds, "--ini", iniPath};
    SweepSet set;
    std::string error;
    if (!RunSweep(scenario, sweep, &set, &error)) {
        std::fprintf(stderr, "harkvane-sim: %s\n", error.c_str());
        return -1;
    }
    int failed = 0;
    if (!WriteTextFile(InFolder(reports, "sweep.html"), SweepHtml(SweepJson(set)))) {
        std::fprintf(stderr, "harkvane-sim: cannot write the sweep page in %s\n", reports.c_str());
        ++failed;
    }
    for (const SweepRun& r : set.runs)
        failed += r.ok ? 0 : 1;
    Say("\n");
    Say(SpreadLines(SweepText(set)));
    return failed;
}

// The first seed's evening with its report page: 1 when it failed, else 0.
int OneEvening(const Scenario& scenario, const std::string& reports) {
    Say("\nOne evening in detail (seed " + std::to_string(scenario.world.seed) + ")...\n");
    RunOptions one;
    one.workdir = InFolder(reports, "run");
    one.reportPath = InFolder(reports, "report.html");
    one.timelinePath = InFolder(reports, "timeline.txt");
    std::error_code ec;
    fs::remove_all(os::Path(one.workdir), ec);
    one.printTimeline = false;
    const RunOutcome r = RunScenario(scenario, one);
    if (!r.ok) {
        std::fprintf(stderr, "harkvane-sim: %s\n", r.error.c_str());
        return 1;
    }
    if (!WriteRunPages(r, one)) {
        std::fprintf(stderr, "harkvane-sim: cannot write %s\n", one.reportPath.c_str());
        return 1;
    }
    return 0;
}

// Says where the pages are and opens the sweep page when asked.
void ShowReports(const std::string& reports, int failed, bool openBrowser) {
    const std::string page = InFolder(reports, "sweep.html");
    std::string where = "\nThe report is in ";
    where += reports;
    where += ":\n  sweep.html   all " + std::to_string(EveningSeeds) + " evenings side by side\n";
    where += "  report.html  one evening: the map, the timeline and the charts\n";
    Say(where);
    if (failed > 0) Say(std::to_string(failed) + " evening(s) failed; sweep.html lists why.\n");
    if (openBrowser) {
        if (os::OpenInBrowser(page))
            Say("Opening sweep.html in your browser.\n");
        else
            Say("Open sweep.html in your browser to see it.\n");
    }
}

} // namespace

int RunPlayerCheck(bool openBrowser) {
    const std::vector<std::string> places = PlacesToLook();
    const std::string folder = SettingsFolder(places);
    if (folder.empty()) {
        const int status = NotFound(places);
        WaitForEnter();
        return status;
    }
    // In the working folder the file is named as the player knows it; elsewhere in full.
    const std::string iniPath =
        folder == places.front() ? SettingsName : InFolder(folder, SettingsName);
    const int lint = CheckSettings(folder, iniPath);
    if (lint == 2) {
        WaitForEnter();
        return 2;
    }

    Scenario scenario;
    std::string error;
    if (!ParseScenario(EveningScenarioJson(), "", &scenario, &error) ||
        !ReadTextFile(iniPath, &scenario.ini)) {
        std::fprintf(stderr, "harkvane-sim: %s\n",
                     error.empty() ? "cannot read the settings" : error.c_str());
        WaitForEnter();
        return 2;
    }
    scenario.iniGiven = true;
    scenario.iniPath = iniPath;
    scenario.seconds = EveningGameHours * 3600.0 / scenario.world.clockRate;

    const std::string reports = InFolder(folder, ReportFolder);
    int failed = SweepEvenings(scenario, iniPath, reports);
    if (failed < 0) {
        WaitForEnter();
        return 1;
    }
    failed += OneEvening(scenario, reports);
    ShowReports(reports, failed, openBrowser);
    WaitForEnter();
    return lint != 0 || failed > 0 ? 1 : 0;
}
