// One path from a command line to a scenario for both hosts, with every option value checked
// (a run of "--seconds 1e9" or "--seed x" is refused, not run with something else).
#include "scenario/scenario_args.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "hostkit/text_file.h"
#include "os/os.h"

ScenarioOption TakeScenarioOption(int argc, char** argv, int* i, ScenarioArgs* args,
                                  std::string* error) {
    const std::string a = argv[*i];
    if (a != "--seconds" && a != "--seed" && a != "--ini") return ScenarioOption::NotOne;
    if (*i + 1 >= argc) return ScenarioOption::MissingValue;
    const std::string v = argv[++*i];
    char* end = nullptr;
    errno = 0;
    if (a == "--ini") {
        args->iniPath = v;
    } else if (a == "--seconds") {
        args->seconds = std::strtod(v.c_str(), &end);
        if (v.empty() || *end != '\0' || !(args->seconds >= 0 && args->seconds <= MaxRunSeconds)) {
            char buf[80];
            std::snprintf(buf, sizeof buf, "--seconds must be a number from 0 to %.0f",
                          MaxRunSeconds);
            *error = buf;
            return ScenarioOption::BadValue;
        }
    } else {
        args->seed = std::strtoll(v.c_str(), &end, 10);
        if (v.empty() || *end != '\0' || errno == ERANGE || args->seed < 0) {
            *error = "--seed must be a whole number from 0 to " + std::to_string(LLONG_MAX);
            return ScenarioOption::BadValue;
        }
    }
    return ScenarioOption::Taken;
}

bool LoadScenario(const ScenarioArgs& args, Scenario* scenario, std::string* error) {
    std::string text = DefaultScenarioJson(), baseDir;
    if (!args.scenarioPath.empty()) {
        if (!ReadTextFile(args.scenarioPath, &text)) {
            *error = "cannot read " + args.scenarioPath;
            return false;
        }
        baseDir = os::Utf8(os::Path(args.scenarioPath).parent_path());
    }
    std::string why;
    if (!ParseScenario(text, baseDir, scenario, &why)) {
        *error =
            (args.scenarioPath.empty() ? std::string("built-in scenario") : args.scenarioPath) +
            ": " + why;
        return false;
    }
    if (args.seconds >= 0) scenario->seconds = args.seconds;
    if (args.seed >= 0) scenario->world.seed = static_cast<uint64_t>(args.seed);
    if (!args.iniPath.empty()) {
        if (!ReadTextFile(args.iniPath, &scenario->ini)) {
            *error = "cannot read " + args.iniPath;
            return false;
        }
        scenario->iniGiven = true;
        scenario->iniPath = args.iniPath;
    }
    return true;
}
