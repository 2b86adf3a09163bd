// The simulated world behind the stand-in host: the same world, scenarios and summary as
// harkvane-sim, driven from outside the plug-in. The host sees only what the world sees, so
// the summary leaves out the plug-in's own bookkeeping and story (posse counts by tier and
// variant, army events, tracked-ped counts, streak, why peds were despawned): those fields are
// null. It adds the count of the plug-in's peds left in the world after the plug-in was
// unloaded. The native-call trace is the full record, and equals harkvane-sim's trace for the
// same scenario and seed.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "hostkit/text_file.h"
#include "run/run_record.h"
#include "scenario/plugin_files.h"
#include "scenario/scenario_args.h"
#include "world/sim_host.h"
#include "world/world.h"
#include "world/world_story.h"
#include "world_api.h"

namespace fs = std::filesystem;

namespace {
const char* const StateFiles[] = {"Harkvane.dat", "BountyPools.dat"};

struct StandinRun {
    Scenario scenario;
    std::string workdir;
    std::string summaryPath;
    std::string tracePath;
    fs::path original;
    bool quiet = false;
    bool atFrameEnd = true; // the last wait ended a frame; runs end only there
    uint64_t endMs = 0;
    std::array<bool, 256> pressedSinceQuery{};
};
StandinRun Run;
World TheWorld;   // large; one run per process
WorldStory Story; // what the world told of the run, for the summary

void PressKey(int virtualKey) {
    if (virtualKey >= 0 && virtualKey < 256) Run.pressedSinceQuery[virtualKey] = true;
}

void PrintEvents(const World& w) {
    for (; Story.eventsTold < Story.events.size(); ++Story.eventsTold) {
        const WorldEvent& e = Story.events[Story.eventsTold];
        const uint32_t ms = e.tMs - w.startTimerMs;
        if (!Run.quiet)
            std::printf("[%3u:%02u.%01u] %s\n", ms / 60000, (ms / 1000) % 60, (ms / 100) % 10,
                        e.text.c_str());
    }
}
} // namespace

namespace {

// Reads the command line: the scenario's options as harkvane-sim takes them, and the host's own.
bool ReadCommandLine(int argc, char** argv, ScenarioArgs* args) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        std::string error;
        switch (TakeScenarioOption(argc, argv, &i, args, &error)) {
        case ScenarioOption::Taken:
            continue;
        case ScenarioOption::BadValue:
            std::fprintf(stderr, "harkvane-host: %s\n", error.c_str());
            return false;
        case ScenarioOption::MissingValue:
            std::fprintf(stderr, "harkvane-host: %s needs a value\n", a.c_str());
            return false;
        case ScenarioOption::NotOne:
            break;
        }
        if (a == "--workdir" && hasValue)
            Run.workdir = argv[++i];
        else if (a == "--summary" && hasValue)
            Run.summaryPath = argv[++i];
        else if (a == "--trace" && hasValue)
            Run.tracePath = argv[++i];
        else if (a == "--quiet")
            Run.quiet = true;
        else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "harkvane-host: unknown option %s\n", a.c_str());
            return false;
        } else
            args->scenarioPath = a;
    }
    return true;
}

} // namespace

bool WorldOpen(int argc, char** argv, const char** workdir) {
    ScenarioArgs args;
    if (!ReadCommandLine(argc, argv, &args)) return false;
    Scenario& s = Run.scenario;
    std::string error;
    if (!LoadScenario(args, &s, &error)) {
        std::fprintf(stderr, "harkvane-host: %s\n", error.c_str());
        return false;
    }
    if (Run.workdir.empty())
        Run.workdir = "out/host-" + s.name + "-" + std::to_string(s.world.seed);
    auto absolute = [](const std::string& p) { return p.empty() ? p : fs::absolute(p).string(); };
    Run.summaryPath = absolute(Run.summaryPath);
    Run.tracePath = absolute(Run.tracePath);

    // The work directory holds the plug-in's files, laid out as the scenario says.
    std::error_code ec;
    fs::create_directories(Run.workdir, ec);
    Run.original = fs::current_path();
    fs::current_path(Run.workdir, ec);
    if (ec) {
        std::fprintf(stderr, "harkvane-host: cannot enter the work directory %s\n",
                     Run.workdir.c_str());
        return false;
    }
    LayOutPluginFiles(s);

    World& w = TheWorld;
    WorldInit(w, s.world);
    AttachWorldStory(w, &Story);
    HostGlue& glue = SimHostGlue();
    glue.pressKey = PressKey;
    if (!Run.tracePath.empty()) glue.trace = std::fopen(Run.tracePath.c_str(), "wb");
    SimAttachWorld(&w);
    Run.endMs = static_cast<uint64_t>(s.seconds * 1000.0);
    Run.workdir = fs::current_path().string();
    *workdir = Run.workdir.c_str();
    return true;
}

void WorldScriptRegistered(void* module, void (*entry)()) {
    SimScriptRegister(module, entry);
}
void WorldScriptUnregistered(void* module) {
    SimScriptUnregister(module);
}
void WorldNativeInit(uint64_t hash) {
    SimNativeInit(hash);
}
void WorldNativePush64(uint64_t value) {
    SimNativePush64(value);
}
uint64_t* WorldNativeCall() {
    return SimNativeCall();
}

void WorldAdvance(uint32_t ms) {
    World& w = TheWorld;
    SimScriptWait(ms);
    Run.atFrameEnd = ms == 0;
    if (Run.atFrameEnd) Story.createdThisPass.clear();
    PrintEvents(w);
}

bool WorldFinished() {
    const bool done = Run.atFrameEnd && ElapsedMs(TheWorld) >= Run.endMs;
    // The host unloads the plug-in next; its clean-up deletes are told apart from play.
    Story.pluginUnloading = done;
    return done;
}

int16_t WorldKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey >= 256) return 0;
    const bool pressed = Run.pressedSinceQuery[virtualKey];
    Run.pressedSinceQuery[virtualKey] = false;
    return pressed ? 1 : 0;
}

int64_t WorldCalendarTime() {
    return static_cast<int64_t>(Run.scenario.world.seed);
}

int WorldClose() {
    World& w = TheWorld;
    PrintEvents(w);
    RunStats stats;
    stats.scenario = Run.scenario.name;
    stats.seed = Run.scenario.world.seed;
    stats.seconds = Run.scenario.seconds;
    for (const char* name : StateFiles) {
        std::string text;
        if (ReadTextFile(name, &text)) stats.files[name] = text;
    }
    stats.pluginPedsAfterUnload = CountPluginPeds(w);
    SimAttachWorld(nullptr);
    AttachWorldStory(w, nullptr);
    HostGlue& glue = SimHostGlue();
    if (glue.trace) std::fclose(glue.trace);
    glue = HostGlue();
    std::error_code ec;
    fs::current_path(Run.original, ec);

    nlohmann::json j = nlohmann::json::parse(SummaryJson(w, Story, stats));
    for (const char* hidden :
         {"posses", "max_tracked_peds", "final_tracked_peds", "streak", "despawn_reasons"})
        j[hidden] = nullptr;
    for (const char* hidden : {"started", "won", "waves"})
        j["harkvane"][hidden] = nullptr;
    const std::string summary = j.dump(2) + "\n";
    if (!Run.summaryPath.empty()) WriteTextFile(Run.summaryPath, summary);
    if (!Run.quiet) std::printf("%s", summary.c_str());
    return 0;
}
