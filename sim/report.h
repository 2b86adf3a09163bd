// What a run produced: the summary JSON, checks of a scenario's expectations, and the SVG map.
// Depends only on the world, so a host program built for another platform can reuse it.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "world.h"

// Facts about the plug-in's own bookkeeping that a host can observe from outside the world.
struct RunStats {
    std::string scenario;
    uint64_t seed = 0;
    double seconds = 0;
    int posses = 0;
    std::map<std::string, int> possesByTier;
    std::map<std::string, int> possesByVariant;
    std::map<std::string, int> possesByTierVariant;
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
    int maxTrackedPeds = -1; // -1 when the host cannot see the plug-in's list
    int finalTrackedPeds = -1;
    // Spawns add whole posses at once and the list is trimmed a few entries per frame, so the
    // list may stand above its cap for a few frames; this is the longest such stretch.
    int trackedCap = -1;
    int longestFramesAboveCap = 0;
    int streak = -1;
    // The horse the player took: still in the world at the end, and with a blip then.
    bool takenHorseExistsAtEnd = false;
    bool takenHorseBlipAtEnd = false;
    // The plug-in's peds still in the world after it was unloaded: its clean-up deletes every
    // ped it still knows, so any left here were lost track of (a horse the player took stays).
    int pluginPedsAfterUnload = -1;
    std::map<std::string, std::string> files; // state files at the end of the run
};

// The summary as JSON text (keys sorted, so equal runs give equal bytes).
std::string SummaryJson(const World& w, const RunStats& stats);
// Checks the scenario's "expect" member against the summary, the files and the timeline; returns
// one line per failed expectation.
std::vector<std::string> CheckExpectations(const std::string& expectJson,
                                           const std::string& summaryJson,
                                           const std::map<std::string, std::string>& files,
                                           const std::vector<std::string>& timeline);
std::string MapSvg(const World& w);
