// Soak run: the plug-in in the simulated world for a whole game day (or the hours given) with
// every fault injection on, random F7 and F9 presses (the settings file rewritten before each
// F9), player deaths, missions, camp and town visits, hunters killed and deleted behind the
// plug-in's back. Built with the sanitizers of the dev build; after every frame it checks that
// the tracked list obeys its cap and that every table keyed by ped handle stays bounded, and at
// the end that both state files parse. Exits non-zero on the first broken rule.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "host/main_loop.h"
#include "hostkit/cap_watch.h"
#include "posse/harkvane_event.h"
#include "run/runner.h"
#include "scenario/scenario.h"
#include "state/plugin_state.h"

namespace {

using json = nlohmann::json;

constexpr double TimerSecondsPerGameHour = 120.0; // the default clock rate, 30
// Tables may hold a few handles beyond the tracked list (a horse the player claimed, the
// entries of the frame's own new posse).
constexpr size_t TableSlack = 16;
// The retry queue is not keyed by handle: each record goes after six failed tries, a few frames,
// so it only holds the members of the posses of the last moments (many, when the settings
// under test send a posse every few seconds and models never load).
constexpr size_t MaxDeferred = 256;

struct Soak {
    uint64_t frames = 0;
    int failures = 0;
    size_t unprotectedBefore = 0;
    size_t maxTracked = 0;
    std::map<std::string, size_t> maxTable;
};

Soak S;

void Fail(const std::string& what) {
    if (++S.failures <= 20)
        std::fprintf(stderr, "soak: frame %llu: %s\n", static_cast<unsigned long long>(S.frames),
                     what.c_str());
}

// The clean-up of each frame, watched for the cap's rule (hostkit/cap_watch.h).
void WatchedCompaction() {
    S.unprotectedBefore = PedsTheCapMayRemove();
    RealLoopOps.CompactSpawnedPeds();
    const std::string broken = CapRuleBroken(S.unprotectedBefore, PedsTheCapMayRemove());
    if (!broken.empty()) Fail(broken);
}

void Bound(const char* name, size_t size, size_t limit) {
    size_t& peak = S.maxTable[name];
    peak = std::max(peak, size);
    if (size > limit)
        Fail(std::string(name) + " holds " + std::to_string(size) + " entries, limit " +
             std::to_string(limit));
}

void AfterFrame(void*) {
    ++S.frames;
    const size_t tracked = G.spawn.SpawnedPeds.size();
    S.maxTracked = std::max(S.maxTracked, tracked);
    const size_t limit = tracked + TableSlack;
    Bound("StuckWatch", G.pursuit.StuckWatch.size(), limit);
    Bound("EngagedLastPass", G.pursuit.EngagedLastPass.Size(), limit);
    Bound("ApproachStart", G.pursuit.ApproachStart.size(), limit);
    Bound("SecondTaskStart", G.pursuit.SecondTaskStart.size(), limit);
    Bound("LeashCooldown", G.harkvane.LeashCooldown.size(), limit);
    Bound("HarkvaneMembers", G.harkvane.HarkvaneMembers.size(), limit);
    Bound("HorseRecords", G.spawn.HorseRecords.size(), limit);
    Bound("DeferredSpawns", G.spawn.DeferredSpawns.size(), MaxDeferred);
    Bound("TrackedPeds", G.witness.TrackedPeds.size(), MaxTrackedPeds);
    Bound("Witnesses", G.witness.Witnesses.size(), MaxWitnesses);
    Bound("SeenPeds", static_cast<size_t>(G.witness.SeenUsed), SeenSlotCount);
}

// The scenario's settings file with some keys replaced: each section of the base keeps its
// lines, preceded by the replacements (the first key of a name wins).
std::string IniText(const std::vector<std::string>& base,
                    const std::map<std::string, std::vector<std::string>>& overrides) {
    std::map<std::string, std::vector<std::string>> pending = overrides;
    std::string out;
    for (const std::string& line : base) {
        out += line + "\n";
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            auto it = pending.find(line.substr(1, line.size() - 2));
            if (it == pending.end()) continue;
            for (const std::string& o : it->second)
                out += o + "\n";
            pending.erase(it);
        }
    }
    for (const auto& [section, lines] : pending) {
        out += "[" + section + "]\n";
        for (const std::string& o : lines)
            out += o + "\n";
    }
    return out;
}

template <class T> const T& Pick(std::mt19937_64& rng, const std::vector<T>& options) {
    return options[std::uniform_int_distribution<size_t>(0, options.size() - 1)(rng)];
}

std::string RandomIni(std::mt19937_64& rng, const std::vector<std::string>& base) {
    std::map<std::string, std::vector<std::string>> o;
    auto chance = [&rng](double p) { return std::bernoulli_distribution(p)(rng); };
    using S = std::vector<std::string>;
    o["Spawner"] = {"MaxAlive=" + Pick(rng, S{"2", "5", "8", "12", "30", "0", "-3"}),
                    "MinSpawnHours=" + Pick(rng, S{"0.05", "0.1", "0.45"}),
                    "MaxSpawnHours=" + Pick(rng, S{"0.02", "0.15", "0.6"}),
                    "SpawnAttemptsPerMember=" + Pick(rng, S{"0", "1", "12", "40"})};
    o["WitnessTracker"] = {std::string("Enabled=") + (chance(0.4) ? "true" : "false"),
                           "WitnessAmount=" + Pick(rng, S{"0", "1", "3", "50"}),
                           "WitnessCap=" + Pick(rng, S{"0", "5", "30", "600"})};
    o["BountyGates"] = {std::string("BountyPooling=") + (chance(0.5) ? "true" : "false"),
                        std::string("ZeroBountySpawns=") + (chance(0.3) ? "true" : "false")};
    o["Harkvane"] = {"TriggerEvery=" + Pick(rng, S{"0", "2", "6", "6", "9"}),
                     std::string("ProtectFromMaxAlive=") + (chance(0.5) ? "true" : "false")};
    o["TownShield"] = {std::string("Rhodes=") + (chance(0.5) ? "true" : "false")};
    o["Cleanup"] = {"MissionPollMs=" + Pick(rng, S{"0", "750", "-5"})};
    o["Blip"] = {std::string("BountyHunterHorse=") + (chance(0.5) ? "true" : "false")};
    std::string text = IniText(base, o);
    // Now and then a damaged file: cut short, or with junk spliced in.
    if (chance(0.15)) text.resize(std::uniform_int_distribution<size_t>(0, text.size())(rng));
    if (chance(0.1)) text.insert(text.size() / 2, "\n[Spawner\nMaxAlive==x\x01\n=\n");
    return text;
}

json Timeline(std::mt19937_64& rng, double seconds, const std::vector<std::string>& baseIni) {
    // Places the player is sent to: a camp, the town, open country near and far.
    const std::vector<json> places = {json::array({-120, -40, 0}), json::array({1300, -1300, 0}),
                                      json::array({700, -1000, 0}), json::array({-800, -500, 0}),
                                      json::array({1320, -1180, 0})};
    json t = json::array();
    std::uniform_real_distribution<double> gap(10.0, 60.0);
    for (double at = 5.0; at < seconds; at += gap(rng)) {
        switch (std::uniform_int_distribution<int>(0, 11)(rng)) {
        case 0:
        case 1:
        case 2:
            t.push_back({{"at", at}, {"key", "F7"}});
            break;
        case 3:
        case 4:
            t.push_back({{"at", at}, {"write_ini", RandomIni(rng, baseIni)}});
            t.push_back({{"at", at + 0.5}, {"key", "F9"}});
            break;
        case 5:
            t.push_back({{"at", at}, {"kill_player", true}});
            break;
        case 6:
            t.push_back({{"at", at}, {"mission", true}});
            t.push_back({{"at", at + 20.0}, {"mission", false}});
            break;
        case 7:
            t.push_back({{"at", at}, {"teleport", Pick(rng, places)}});
            break;
        case 8:
            t.push_back(
                {{"at", at}, {"set_bounty", std::uniform_int_distribution<int>(-100, 2500)(rng)}});
            break;
        case 9:
            t.push_back({{"at", at}, {"kill_hunters", "all"}});
            break;
        case 10:
            t.push_back(
                {{"at", at}, {"delete_spawned", std::uniform_int_distribution<int>(1, 6)(rng)}});
            break;
        default:
            t.push_back({{"at", at}, {"key", "F9"}});
            break;
        }
    }
    return t;
}

bool StreakFileParses(const std::string& text) {
    if (text.size() < 2 || text.back() != '\n') return false;
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

// Six 32-bit integers (a negative pool, left by a negative bounty from the game, reads as 0).
bool PoolFileParses(const std::string& text) {
    if (text.empty() || text.back() != '\n') return false;
    std::istringstream in(text);
    long long v = 0;
    int n = 0;
    while (in >> v) {
        if (v < INT32_MIN || v > INT32_MAX) return false;
        ++n;
    }
    return n == 6 && in.eof();
}

} // namespace

int main(int argc, char** argv) {
    double hours = 24.0;
    uint64_t seed = 1;
    std::string workdir = "soak-work";
    for (int i = 1; i < argc; i += 2) {
        if (i + 1 < argc && !std::strcmp(argv[i], "--hours"))
            hours = std::atof(argv[i + 1]);
        else if (i + 1 < argc && !std::strcmp(argv[i], "--seed"))
            seed = std::strtoull(argv[i + 1], nullptr, 10);
        else if (i + 1 < argc && !std::strcmp(argv[i], "--workdir"))
            workdir = argv[i + 1];
        else {
            std::fprintf(stderr, "usage: harkvane_soak [--hours H] [--seed N] [--workdir DIR]\n");
            return 2;
        }
    }
    if (!(hours > 0)) {
        std::fprintf(stderr, "soak: --hours must be a positive number\n");
        return 2;
    }
    std::filesystem::create_directories(workdir);
    const std::string absoluteWork = std::filesystem::absolute(workdir).string();

    json j = json::parse(DefaultScenarioJson());
    const double seconds = hours * TimerSecondsPerGameHour;
    std::mt19937_64 rng(seed);
    const std::vector<std::string> baseIni = j.at("ini").get<std::vector<std::string>>();
    j["name"] = "soak";
    j["seed"] = seed;
    j["seconds"] = seconds;
    j["bounty_pools_dat"] = "100 0 50 0 0 150\n";
    j["player"]["bounty"] = 800;
    j["world"]["faults"] = {{"create_failure", 0.15},   {"safe_coord_failure", 0.2},
                            {"vanish_per_minute", 3.0}, {"model_never_loads", 0.05},
                            {"handle_reuse", 0.5},      {"hostile_answers", 0.01}};
    j["timeline"] = Timeline(rng, seconds, baseIni);
    j.erase("expect");

    Scenario scenario;
    std::string error;
    if (!ParseScenario(j.dump(), ".", &scenario, &error)) {
        std::fprintf(stderr, "soak: scenario: %s\n", error.c_str());
        return 2;
    }

    LoopOps.CompactSpawnedPeds = WatchedCompaction;
    RunOptions options;
    options.workdir = absoluteWork;
    options.printTimeline = false;
    options.afterFrame = AfterFrame;
    const RunOutcome outcome = RunScenario(scenario, options);
    LoopOps = RealLoopOps;
    if (!outcome.ok) {
        std::fprintf(stderr, "soak: run failed: %s\n", outcome.error.c_str());
        return 2;
    }

    auto file = [&outcome](const char* name) {
        auto it = outcome.files.find(name);
        return it == outcome.files.end() ? std::string("(missing)") : it->second;
    };
    // A soak in which the plug-in never sent anyone has checked nothing.
    if (outcome.stats.posses == 0) Fail("no posse was sent");
    if (!StreakFileParses(file("Harkvane.dat")))
        Fail("Harkvane.dat does not parse: " + file("Harkvane.dat"));
    if (!PoolFileParses(file("BountyPools.dat")))
        Fail("BountyPools.dat does not parse: " + file("BountyPools.dat"));

    std::printf("soak: %.1f game hours, seed %llu, %llu frames, %d posses, %d army events, "
                "largest tracked list %zu\n",
                hours, static_cast<unsigned long long>(seed),
                static_cast<unsigned long long>(S.frames), outcome.stats.posses,
                outcome.stats.harkvaneStarted, S.maxTracked);
    std::printf("soak: largest tables:");
    for (const auto& [name, peak] : S.maxTable)
        std::printf(" %s=%zu", name.c_str(), peak);
    std::printf("\nsoak: %s\n", S.failures == 0 ? "passed" : "FAILED");
    return S.failures == 0 ? 0 : 1;
}
