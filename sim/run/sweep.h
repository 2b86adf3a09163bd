// A seed sweep: the same scenario run with N seeds, J at a time, each in its own process (the
// plug-in keeps its state in one block per process), and the figures of all of them together.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "run/sweep_report.h"
#include "scenario/scenario.h"

struct SweepOptions {
    int seeds = 1;
    int jobs = 1;
    // sweep.json, sweep.txt (and the command's sweep.html) and one folder per seed (seeds/<seed>/)
    std::string workdir;
    bool progress = false; // the seeds done and the time left, on stderr
    bool terminal = false; // progress as one bar redrawn in place
    // Runs one seed inside its child process and returns its record. A crash or an abnormal exit
    // of the child is reported as that seed's failure. Tests put their own here (Linux only: on
    // Windows a child is this program started afresh, which runs RunSeedInWorld).
    SweepRun (*runSeed)(const Scenario& scenario, const std::string& dir) = nullptr;
    // Windows has no fork: the arguments that bring this program, started again, to the same
    // scenario; the sweep adds "--seed S --sweep-child DIR" for each seed.
    std::vector<std::string> childArguments;
};

// The record of one seed run by the simulator in this process, in the folder dir.
SweepRun RunSeedInWorld(const Scenario& scenario, const std::string& dir);

// Runs the scenario with the seeds scenario.world.seed .. + seeds - 1 and writes sweep.json and
// sweep.txt into the work folder (the command adds the page, sweep.html). False (with *error) only
// when the sweep itself cannot run; failed seeds are part of the set.
bool RunSweep(const Scenario& scenario, const SweepOptions& options, SweepSet* set,
              std::string* error);

// One seed in a child process: runs it in the folder dir, leaves its record there and returns
// the child's exit status (0, or 1 with the error on stderr). runSeed nullptr: RunSeedInWorld.
// With a play folder the seed runs there instead, and what it leaves is moved into dir at its end.
int RunSeedChild(const Scenario& scenario, SweepRun (*runSeed)(const Scenario&, const std::string&),
                 const std::string& dir, const std::string& playDir = "");
