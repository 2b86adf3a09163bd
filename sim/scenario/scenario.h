// Scenario files: the world, the player's day, the settings text and a timeline of events.
#pragma once
#include <string>

#include "scenario/expectations.h"
#include "world/world.h"

struct Scenario {
    std::string name = "default";
    WorldOptions world;
    double seconds = 600; // game-timer seconds to run
    std::string ini;      // settings text written as Harkvane.ini
    bool iniGiven = false;
    std::string iniPath;    // the file the settings text was read from; empty when written inline
    std::string streakFile; // initial Harkvane.dat
    bool streakGiven = false;
    std::string poolsFile; // initial BountyPools.dat
    bool poolsGiven = false;
    Expectations expect; // what --check requires of the run
};

// Parses and checks a scenario; on failure returns false and sets *error to one line naming the
// JSON path and the rule it breaks ("$.world.bystanders: must be a whole number from 0 to 500").
// Relative "ini_path" values are resolved against baseDir.
bool ParseScenario(const std::string& jsonText, const std::string& baseDir, Scenario* out,
                   std::string* error);
// The built-in scenario that tells the whole story.
const char* DefaultScenarioJson();
// The representative evening (scenarios/evening.json, built in) without the settings file it
// names, which the caller supplies: the players' check sweeps it where no scenario files lie.
std::string EveningScenarioJson();
