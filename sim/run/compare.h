// Two settings files over the same seeds: common random numbers (the same seed gives the same
// player, route and crimes under both files), so the difference of a figure on one seed is the
// settings' doing plus the plug-in's draws, and the paired differences say how sure a change is.
//
// compare.json (keys sorted; numbers rounded to three decimals):
//
// {
//   "format": "harkvane-compare 1",
//   "scenario": "evening", "first_seed": 1, "seeds": 100, "seconds": 2880, "game_hours": 24,
//   "a": {"file": "dist/Harkvane.ini",       // where A's settings came from, and what in them
//         "changed": [{"key": "Spawner.MinSpawnHours", "value": "0.1", "default": "0.25"}]},
//   "b": {...},                              // the plug-in understood apart from its defaults
//   "b_differs_from_a": ["Spawner.MinSpawnHours: 0.25 -> 0.125", ...],
//   "interval": "...",              // how the interval is made, in words
//   "level": 0.95,
//   "figures": [                    // in the order compare.txt shows them
//     {"key": "posses_per_hour", "label": "posses per game hour",
//      "a": {"n", "min", "q1", "median", "q3", "max", "mean"},   // each file's spread over
//      "b": {...},                                              // the seeds that had it
//      "difference": {"n": 100,      // seeds with the figure under both files
//                     "median": 0.5, // median of B - A
//                     "lo": 0.375, "hi": 0.625,  // null when n is too small for the level
//                     "coverage": 0.965,         // the interval's exact coverage
//                     "excludes_zero": true},
//      "seeds": [[1, 1.2, 1.7], ...]}, ...],  // seed, A's value, B's value (null: none)
//   "failed": [{"seed": 7, "file": "b", "error": "..."}]   // seeds left out of every pair
// }
#pragma once
#include <string>
#include <vector>

#include "run/sweep.h"
#include "run/sweep_report.h"

struct CompareSet {
    SweepSet a, b; // the same scenario and seeds under each file
};

std::string CompareJson(const CompareSet& set);
// The readable form: per figure A's and B's medians, the median difference and its interval,
// marked where the interval excludes zero.
std::string CompareText(const CompareSet& set);

// Sweeps the scenario under A's settings (the scenario's own or --ini) into workdir/a and under
// B's into workdir/b, then writes compare.json and compare.txt in workdir (the report draws
// compare.html from compare.json).
bool RunCompare(const Scenario& a, const Scenario& b, const SweepOptions& options, CompareSet* set,
                std::string* error);
