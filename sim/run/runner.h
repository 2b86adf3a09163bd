// Runs the plug-in in the simulated world, in this process: the world answers the host calls,
// the runner drives the plug-in's start-up and frame passes and watches its bookkeeping.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "run/run_record.h"
#include "scenario/scenario.h"

struct HostFunctions;

struct RunOptions {
    std::string workdir;     // where the plug-in's files live; created when missing
    std::string tracePath;   // JSON lines; empty: none
    std::string summaryPath; // empty: none
    std::string mapPath;     // empty: none (written by WriteRunPages, report/report.h)
    std::string timelinePath;
    // The self-contained report page (written by WriteRunPages); empty: none, and the run keeps
    // no replay samples and no settings text.
    std::string reportPath;
    bool printTimeline = true;
    bool progress = false; // progress bar on stderr
    // Called after every frame (a soak harness checks the plug-in's bookkeeping there).
    void (*afterFrame)(void* context) = nullptr;
    void* afterFrameContext = nullptr;
    // Called before every frame, with the same context (a recorder notes the keys and files).
    void (*beforeFrame)(void* context) = nullptr;
    // The host functions the plug-in calls; nullptr: the simulated world's own. A recorder
    // passes functions that forward to the world's (sim_host.h) and note what it answers.
    const HostFunctions* host = nullptr;
};

struct RunOutcome {
    bool ok = false;
    std::string error;
    std::vector<std::string> timeline;
    std::string summaryJson;
    std::string summaryTable;
    std::map<std::string, std::string> files;
    RunStats stats;
    RunRecord record;         // timeline entries always; replay samples only for a report page
    std::string settingsText; // the effective settings, only for a report page
    // The world as the run left it (the runner's own; valid until the next run).
    const World* world = nullptr;
    // For the scenario's expectations: the state files at each "files_at" moment reached, and
    // the calls counted for each native-call expectation.
    std::vector<std::map<std::string, std::string>> filesAt;
    std::vector<int64_t> nativeCalls;
};

RunOutcome RunScenario(Scenario scenario, const RunOptions& options);

struct ConfigDiagnostics;
// Loads the configuration as the plug-in does at start and on the reload key (settings, variant
// weights, loadouts) from the settings file at iniPath, with the scenario's world answering the
// name and model natives; the plug-in's state then holds it. Writes no file and runs no frame.
// everyModelValid: any model name is taken as valid. With diagnostics, the loaders note there
// what they asked for and what they made of the values.
void LoadConfigurationOnly(const Scenario& scenario, const std::string& iniPath,
                           bool everyModelValid, ConfigDiagnostics* diagnostics);
