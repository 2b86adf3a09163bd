// The scenario a command line asks for: the scenario file (or the built-in one) and the options
// that change it, --seconds, --seed and --ini. harkvane-sim and the stand-in host both read
// their scenario this way, so the two take the same options with the same checks.
#pragma once
#include <string>

#include "scenario/scenario.h"

struct ScenarioArgs {
    std::string scenarioPath; // empty: the built-in scenario
    std::string iniPath;      // empty: the scenario's own settings
    double seconds = -1;      // -1: the scenario's own length
    long long seed = -1;      // -1: the scenario's own seed
};

enum class ScenarioOption { NotOne, Taken, MissingValue, BadValue };

// Takes argv[*i] when it is --seconds S, --seed N or --ini FILE, moving *i past the value.
// BadValue comes with *error (one line, without the program's name).
ScenarioOption TakeScenarioOption(int argc, char** argv, int* i, ScenarioArgs* args,
                                  std::string* error);

// Reads and checks the scenario, then applies the options. False with *error (one line, without
// the program's name) when a file cannot be read or the scenario is refused.
bool LoadScenario(const ScenarioArgs& args, Scenario* scenario, std::string* error);
