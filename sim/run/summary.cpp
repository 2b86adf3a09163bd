// The summary JSON of a run: the world's counts and the run's record in one document, keys
// sorted so that equal runs give equal bytes. The checks read it; so does a sweep.
#include <cmath>

#include <nlohmann/json.hpp>

#include "run/run_record.h"

using nlohmann::json;

std::string SummaryJson(const World& w, const WorldStory& story, const RunStats& s) {
    const WorldCounters& c = story.counters;
    const TakenHorse& taken = story.takenHorse;
    json j;
    j["scenario"] = s.scenario;
    j["seed"] = s.seed;
    j["seconds"] = s.seconds;
    j["frames"] = w.frame;
    j["native_calls"] = w.nativeCalls;
    int total = 0;
    for (const auto& kv : c.pedsByKind)
        total += kv.second;
    j["peds_created"] = {
        {"total", total}, {"by_model", json(c.pedsByModel)}, {"by_kind", json(c.pedsByKind)}};
    j["notices"] = json(c.notices);
    j["blips"] = {{"created", c.blipsCreated}, {"removed", c.blipsRemoved}};
    j["deletions"] = c.deletions;
    j["despawn_reasons"] = json(s.despawnReasons);
    j["posses"] = {{"total", s.posses},
                   {"by_tier", json(s.possesByTier)},
                   {"by_variant", json(s.possesByVariant)},
                   {"by_tier_variant", json(s.possesByTierVariant)},
                   {"members_deferred", s.membersDeferred},
                   {"deferred_placed", s.deferredPlaced},
                   {"deferred_pending", s.deferredPending},
                   {"deferred_longest_queue_ms", s.deferredLongestQueueMs},
                   {"anchored_on_first_placed", s.anchoredOnFirstPlaced},
                   {"anchor_missing", s.anchorMissing},
                   {"max_spread_from_anchor_m", std::round(s.maxSpreadFromAnchor * 100) / 100}};
    j["harkvane"] = {{"started", s.harkvaneStarted},
                     {"won", s.harkvaneWon},
                     {"waves", s.harkvaneWaves},
                     {"soldiers_alive_when_won", s.harkvaneSoldiersAliveWhenWon},
                     {"markers_created", c.markersCreated},
                     {"markers_removed", c.markersRemoved}};
    j["max_tracked_peds"] = s.maxTrackedPeds;
    j["final_tracked_peds"] = s.finalTrackedPeds;
    j["tracked_cap"] = s.trackedCap;
    j["longest_frames_above_cap"] = s.longestFramesAboveCap;
    j["max_plugin_peds_in_world"] = c.maxPluginPeds;
    j["plugin_peds_after_unload"] = s.pluginPedsAfterUnload;
    j["placement"] = {{"in_water", c.placedInWater},
                      {"above_ground", c.placedAboveGround},
                      {"above_player", c.placedAbovePlayer}};
    j["terrain"] = {{"raised_ground_answers", c.raisedGroundAnswers}};
    j["taken_horse"] = {{"taken", taken.horse != 0},
                        {"blip_when_taken", taken.hadBlip},
                        {"deleted_during_run", taken.deleted},
                        {"deleted_at_unload", taken.deletedAtUnload},
                        {"exists_at_end", s.takenHorseExistsAtEnd},
                        {"blip_at_end", s.takenHorseBlipAtEnd}};
    j["streak"] = s.streak;
    j["player"] = {{"deaths", c.playerDeaths},
                   {"respawns", c.playerRespawns},
                   {"final_bounty", w.bounty},
                   {"pursued", w.pursued},
                   {"crimes_reported", c.crimesReported},
                   {"law_region_calls", c.lawRegionCalls}};
    j["hunters"] = {{"killed", c.hunterDeaths},
                    {"killed_by_kind", json(c.killedByKind)},
                    {"vanished", c.vanished},
                    {"armed_never_ordered_to_attack", s.armedNeverOrderedToAttack}};
    j["faults"] = {{"create_failures", c.createFailures},
                   {"safe_coord_failures", c.safeCoordFailures},
                   {"models_stuck", c.modelsStuck},
                   {"handles_reused", c.handlesReused}};
    j["cooldown_calls"] = c.cooldownCalls;
    j["files"] = json(s.files);
    return j.dump(2) + "\n";
}
