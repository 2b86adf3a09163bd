// A seed sweep's figures: one record per seed, the spread of each figure across the seeds, and
// the two files a sweep writes, sweep.json and sweep.txt. Pure data in, text out: the same runs
// give the same bytes however many processes ran them.
//
// sweep.json (keys sorted; numbers are plain JSON numbers; game minutes count from the start of
// the run, game hours = game-timer seconds x clock rate / 3600):
//
// {
//   "format": "harkvane-sweep 1",
//   "scenario": "default",          // the scenario's name
//   "settings": {"file": "my/Harkvane.ini",     // where the settings came from, and each
//                "changed": [{"key": "Spawner.MinSpawnHours", "value": "0.1",  // setting the
//                             "default": "0.25"}, ...]},   // plug-in understood apart from its
//                             // defaults ("value" "": not set; "default" "": not a default)
//   "first_seed": 1899,             // seeds first_seed .. first_seed + seeds - 1
//   "seeds": 100,
//   "seconds": 2880,                // game-timer seconds per run
//   "game_hours": 24,               // game hours per run
//   "runs": [                       // one per seed, in seed order
//     {"seed": 1899, "ok": true,
//      "posses": 14,                // posses sent (the army's events not included)
//      "posses_per_hour": 0.583,
//      "by_tier": {"T1": 3, ...},   // posses per tier tag; only tags that occurred
//      "by_variant": {"Dogs": 4, "Foot": 6, "Horse": 4},
//      "hunters": 41, "dogs": 9, "horses": 12,   // placed when the posses were sent, summed
//      "first_posse_minutes": 12.5, // null when no posse came
//      "army_started": 2, "army_won": 1,
//      "first_army_minutes": 180.0, // null when the army never came
//      "player_deaths": 0,
//      "peak_tracked_peds": 17,     // most peds the plug-in tracked at once
//      "final_bounty_cents": 0,
//      "notices": 23, "notices_per_hour": 0.958,
//      "posse_log": [               // every posse and army event in order
//        {"minutes": 12.5, "tier": "T1", "variant": "Foot",  // army events: tier "HV",
//         "hunters": 3, "dogs": 0, "horses": 0}, ...]}      // variant "Army"
//     {"seed": 1900, "ok": false, "error": "killed by signal 6 (...)"},  // a failed seed
//     ...],
//   "failed": [{"seed": 1900, "error": "..."}],               // the failed seeds again
//   "distributions": {              // each: {"n", "min", "q1", "median", "q3", "max", "mean"};
//                                   // n = 0 gives nulls. Over the runs that succeeded unless
//                                   // noted; quartiles interpolate linearly between ranks
//                                   // (position (n - 1) x p of the sorted values).
//     "posses_per_hour": {...},
//     "posses_per_hour_by_tier": {"T1": {...}, ...},       // every tag seen in any run; a run
//     "posses_per_hour_by_variant": {"Dogs": {...}, ...},  // without that tag counts as 0
//     "posse_size": {...},          // hunters and dogs, over every posse of every run (army
//                                   // events excluded), and the same for each kind of member:
//     "hunters_per_posse": {...},
//     "dogs_per_posse": {...},
//     "horses_per_posse": {...},
//     "posse_size_by_tier": {"T1": {...}, ...},   // the same over the posses of each tier seen
//     "hunters_per_posse_by_tier": {...}, "dogs_per_posse_by_tier": {...},
//     "horses_per_posse_by_tier": {...},
//     "minutes_to_first_posse": {...},   // over the runs that had a posse
//     "minutes_between_posses": {...},   // over every gap between successive posses of a run
//     "minutes_to_first_army": {...},    // over the runs in which the army came
//     "army_started": {...}, "army_won": {...},
//     "player_deaths": {...},
//     "peak_tracked_peds": {...},
//     "final_bounty_cents": {...},
//     "notices_per_hour": {...}
//   }
// }
//
// Figures are rounded to three decimals.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

struct SweepPosse {
    double minutes = 0;  // game minutes from the start of the run
    std::string tier;    // T1..T5, or HV for an army event
    std::string variant; // Foot, Dogs, Horse, or Army
    int hunters = 0, dogs = 0, horses = 0;
};

struct SweepRun {
    uint64_t seed = 0;
    bool ok = false;
    std::string error; // why the run failed
    std::vector<SweepPosse> posseLog;
    int armyWon = 0;
    int playerDeaths = 0;
    int peakTrackedPeds = 0;
    int32_t finalBountyCents = 0;
    int notices = 0;
};

// A setting the plug-in understood differently from its built-in default.
struct SettingChange {
    std::string key;          // "Spawner.MinSpawnHours"; a weapon loadout is "Weapons.<name>"
    std::string value;        // as the plug-in understood it; empty: not set in the file
    std::string defaultValue; // empty: no such setting among the defaults
};

struct SweepSet {
    std::string scenario;
    std::string settings; // where the settings came from (a file, the scenario, none)
    std::vector<SettingChange> changed;
    uint64_t firstSeed = 0;
    double seconds = 0;
    double gameHours = 0;
    std::vector<SweepRun> runs; // in seed order
};

struct Distribution {
    int n = 0;
    double min = 0, q1 = 0, median = 0, q3 = 0, max = 0, mean = 0;
};

// The spread of the values (order does not matter).
Distribution Distribute(std::vector<double> values);

// A figure as sweep.json and compare.json write it: to the thousandth.
double Rounded(double v);
// A figure rounded, or null where there is none.
nlohmann::json RoundedOrNull(const std::optional<double>& v);
// A spread as the files write it: its figures rounded, all null when it has no values.
nlohmann::json DistributionJson(const Distribution& d);

// One run's record as the child process hands it to the sweep, and back.
std::string SweepRunJson(const SweepRun& run);
bool ParseSweepRun(const std::string& text, SweepRun* run, std::string* error);

// One figure of one run, as a comparison pairs them: no value when the run had nothing to
// measure (no posse of that tier, no army).
struct SeedFigure {
    std::string key;   // e.g. "posses_per_hour", "posse_size/T2"
    std::string label; // e.g. "posses per game hour", "  tier T2"
    std::optional<double> value;
};
// The tiers and the variants posses came in, over the runs that succeeded.
void TiersAndVariants(const SweepSet& set, std::set<std::string>* tiers,
                      std::set<std::string>* variants);
// Every figure of a run in a fixed order, with a row per tier and variant named (a run without
// one sent 0 posses of it and has no size for it).
std::vector<SeedFigure> SeedFigures(const SweepRun& run, double gameHours,
                                    const std::set<std::string>& tiers,
                                    const std::set<std::string>& variants);

// "Spawner.MinSpawnHours = 0.1 (default 0.25)"
std::string SettingChangeText(const SettingChange& change);
// "settings: FILE" and a line per setting that differs from the defaults.
std::string SettingsText(const SweepSet& set);

std::string SweepJson(const SweepSet& set);
// The readable form: one row per seed, the spreads, the failed seeds.
std::string SweepText(const SweepSet& set);
