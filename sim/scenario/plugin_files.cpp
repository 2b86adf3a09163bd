// Lays out the plug-in's files in the work folder as a scenario gives them; shared by the
// runner and the stand-in host so both start a run from the same files.
#include "scenario/plugin_files.h"

#include <filesystem>
#include <system_error>

#include "hostkit/text_file.h"

namespace {

void LayOutStateFile(const char* name, bool given, const std::string& text) {
    std::error_code ec;
    if (given)
        WriteTextFile(name, text);
    else
        std::filesystem::remove(name, ec);
}

} // namespace

void LayOutPluginFiles(const Scenario& scenario) {
    if (scenario.iniGiven) WriteTextFile("Harkvane.ini", scenario.ini);
    LayOutStateFile("Harkvane.dat", scenario.streakGiven, scenario.streakFile);
    LayOutStateFile("BountyPools.dat", scenario.poolsGiven, scenario.poolsFile);
}
