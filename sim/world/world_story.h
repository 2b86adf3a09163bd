// What the world saw happen during a run, kept for the run's account: its events (for the
// timeline and the trace), its counts, where the player went and where anyone died, the peds the
// plug-in placed in this pass and what became of a horse the player took. The game never reads
// any of it: the world writes into a record only while a run keeps one attached (World::story),
// and a world with none attached plays the same.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "natives/types.h"
#include "world/world.h"

// One thing that happened in the world, for the timeline, the trace and the map.
struct WorldEvent {
    uint64_t frame = 0;
    uint32_t tMs = 0;
    std::string kind;
    std::string text; // readable description
    std::string json; // extra JSON members (without braces), may be empty
    Ped ped = 0;      // the ped a despawn tells of
};

struct WorldCounters {
    std::map<std::string, int> pedsByModel;
    std::map<std::string, int> pedsByKind;
    std::map<std::string, int> notices;
    int blipsCreated = 0, blipsRemoved = 0;
    int deletions = 0, vanished = 0;
    int hunterDeaths = 0, playerDeaths = 0, playerRespawns = 0; // hunterDeaths: every plug-in ped
    std::map<std::string, int> killedByKind; // the same deaths as hunter, soldier, dog, horse
    int createFailures = 0, safeCoordFailures = 0, modelsStuck = 0, handlesReused = 0;
    int crimesReported = 0, lawRegionCalls = 0, cooldownCalls = 0;
    int markersCreated = 0, markersRemoved = 0;
    int maxPluginPeds = 0;
    // Creation points that break the placement rules: under or on water, floating above the
    // ground, or high above the player.
    int placedInWater = 0, placedAboveGround = 0, placedAbovePlayer = 0;
    int raisedGroundAnswers = 0; // ground and safe-coordinate answers on top of a plateau
    int hostileAnswers = 0;      // answers spoilt by the hostile-answers fault
    int wildCalls = 0;           // calls with a position or heading off any map, left unanswered
};

// A plug-in horse the player took (timeline), and what became of it.
struct TakenHorse {
    Ped horse = 0;
    bool hadBlip = false;
    bool deleted = false;         // deleted while the plug-in was running
    bool deletedAtUnload = false; // deleted by the plug-in's unload clean-up
};

struct WorldStory {
    std::vector<WorldEvent> events;
    size_t eventsTold = 0; // how many of them the run has told so far
    WorldCounters counters;
    std::vector<Point3> playerPath;
    std::vector<Point3> deaths;
    std::vector<Ped> createdThisPass; // the plug-in's new peds since the run last cleared it
    TakenHorse takenHorse;
    // The host is unloading the plug-in: what it deletes now is its clean-up. Why the plug-in
    // deletes a ped is its own story (state/story.h), not the world's.
    bool pluginUnloading = false;
    // The run that keeps this story: called at each moment the world samples the player's path
    // (the run samples its posses' paths there), and asked whether a plug-in ped that dies is one
    // of the army's soldiers (the timeline names it so).
    void* keeper = nullptr;
    void (*samplePaths)(void* keeper, World& w) = nullptr;
    bool (*isSoldier)(void* keeper, const SimPed& ped) = nullptr;
};

// The attached story's counters, or nullptr when no run keeps one (asked at every native call).
inline WorldCounters* Counters(World& w) {
    return w.story ? &w.story->counters : nullptr;
}
// One more of a count, or of a count by name, in the attached story (nothing when none is).
inline void Tally(World& w, int WorldCounters::*count) {
    if (WorldCounters* c = Counters(w)) ++(c->*count);
}
inline void Tally(World& w, std::map<std::string, int> WorldCounters::*counts,
                  const std::string& name) {
    if (WorldCounters* c = Counters(w)) ++(c->*counts)[name];
}
// Attaches a story to a world just set up (nullptr detaches): its player's path starts where
// the player stands.
void AttachWorldStory(World& w, WorldStory* story);
