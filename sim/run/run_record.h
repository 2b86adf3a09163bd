// The run's record: what the runner saw the plug-in do (posses sent, the army event, its lists
// and files) and the replay samples, with the summary JSON made from them. The report pages read
// it; the checks and the sweeps read the summary. Depends only on the world, so a host built for
// another platform (the stand-in) can write the same summary.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "world/world.h"
#include "world/world_story.h"

// One posse (or army event) as it was sent: when, which tier and variant, and the members placed
// at once.
struct SentPosse {
    uint32_t elapsedMs = 0; // game-timer ms since the start of the run
    std::string tier;       // tier tag, HV for the army
    std::string variant;    // Foot, Dogs, Horse; Army for the army
    int hunters = 0, dogs = 0, horses = 0;
};

// Facts about the plug-in's own bookkeeping that a host can observe from outside the world.
struct RunStats {
    std::string scenario;
    uint64_t seed = 0;
    double seconds = 0;
    int posses = 0;
    std::map<std::string, int> possesByTier;
    std::map<std::string, int> possesByVariant;
    std::map<std::string, int> possesByTierVariant;
    std::vector<SentPosse> sent; // every posse and army event in order
    int membersDeferred = 0;
    int deferredPlaced = 0;              // placed later by the retry queue (outside the army event)
    int deferredPending = -1;            // retry queue length at the end
    uint32_t deferredLongestQueueMs = 0; // longest stretch the retry queue stayed non-empty
    // Where each posse gathered: posses whose anchor is the first member that made it into the
    // world, posses that placed members but named none of them as anchor, and the farthest any
    // member of a posse was created from its anchor's creation point (metres).
    int anchoredOnFirstPlaced = 0;
    int anchorMissing = 0;
    double maxSpreadFromAnchor = 0;
    int harkvaneStarted = 0;
    int harkvaneWon = 0;
    int harkvaneWaves = 0;
    // Soldiers of the army model still alive in the world when an event was won (summed).
    int harkvaneSoldiersAliveWhenWon = 0;
    int maxTrackedPeds = -1; // -1 when the host cannot see the plug-in's list
    int finalTrackedPeds = -1;
    // Spawns add whole posses at once and the list is trimmed a few entries per frame, so the
    // list may stand above its cap for a few frames; this is the longest such stretch.
    int64_t trackedCap = -1; // the tracked list is trimmed above this size (the plug-in says)
    int longestFramesAboveCap = 0;
    int streak = -1;
    // The horse the player took: still in the world at the end, and with a blip then.
    bool takenHorseExistsAtEnd = false;
    bool takenHorseBlipAtEnd = false;
    // The plug-in's peds still in the world after it was unloaded: its clean-up deletes every
    // ped it still knows, so any left here were lost track of (a horse the player took stays).
    int pluginPedsAfterUnload = -1;
    // Armed hunters still alive in the world at the end that were never ordered to attack the
    // player (-1 when the host does not look).
    int armedNeverOrderedToAttack = -1;
    // Why the plug-in's peds were deleted, as the plug-in told it (one count per despawn).
    std::map<std::string, int> despawnReasons;
    std::map<std::string, std::string> files; // state files at the end of the run
};

// One line of the run's account: its moment (ms since the run began), what kind of thing it tells
// (a world event's kind, or posse, army, streak, state_file, run) and its text without the stamp.
struct TimelineEntry {
    uint32_t ms = 0;
    std::string kind;
    std::string text;
};

// What a group of plug-in peds on the map is: a posse the spawn driver sent, one wave of the
// Harkvane army, or peds placed when the run knew of no group for them.
enum class PosseGroup : uint8_t { Posse, Army, Untracked };

// One group on the map: its label, when it was sent, where each member was placed and went.
struct PosseLabel {
    std::string label;
    PosseGroup group = PosseGroup::Posse;
    uint32_t spawnMs = 0; // since the run began
    std::vector<Point3> spawnPoints;
    std::vector<std::vector<Point3>> paths; // per member, sampled
    std::vector<Ped> members;
};

// A plug-in ped as the replay knows it: its group (index into the run's posse labels) and kind.
struct ReplayPed {
    int posse = -1;
    ModelKind kind = ModelKind::Human;
};

// Where the player and each living plug-in ped stood at one moment, with the bounty and the
// length of the plug-in's tracked list then.
struct ReplayFrame {
    uint32_t ms = 0;
    Point2 player;
    bool playerDead = false;
    int32_t bounty = 0;
    int tracked = 0;
    std::vector<std::pair<int, Point2>> peds; // index into RunRecord::peds, position
};

// The run's account for the map and the report page: what the world told of itself, the groups
// the run made of the plug-in's peds, the timeline with kinds and the sampled positions.
struct RunRecord {
    WorldStory world;
    std::vector<PosseLabel> posses;
    std::vector<TimelineEntry> entries;
    std::vector<ReplayPed> peds;
    std::vector<ReplayFrame> frames;
};

// The summary as JSON text (keys sorted, so equal runs give equal bytes).
std::string SummaryJson(const World& w, const WorldStory& story, const RunStats& stats);
