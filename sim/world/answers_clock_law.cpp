// The answers about time and the law: the game clock and timer, the player, the bounty, the
// law's regions and the pursued state, missions.
#include <cstdio>

#include "natives/native_hashes.h"
#include "world/native_answers.h"
#include "world/world_story.h"

namespace {

enum ClockField { Year, Month, Day, Hour, Minute };

template <ClockField field> void AnswerClock(World& w, Args, uint64_t* r) {
    int v[5];
    ClockFields(w, &v[Year], &v[Month], &v[Day], &v[Hour], &v[Minute]);
    r[0] = static_cast<uint32_t>(v[field]);
}

const NativeAnswer Clock[] = {
    {nh::GET_CLOCK_YEAR, AnswerClock<Year>},
    {nh::GET_CLOCK_MONTH, AnswerClock<Month>},
    {nh::GET_CLOCK_DAY_OF_MONTH, AnswerClock<Day>},
    {nh::GET_CLOCK_HOURS, AnswerClock<Hour>},
    {nh::GET_CLOCK_MINUTES, AnswerClock<Minute>},
    {nh::GET_GAME_TIMER, [](World& w, Args, uint64_t* r) { r[0] = w.timerMs; }},
};

const NativeAnswer Law[] = {
    {nh::PLAYER_PED_ID, [](World& w, Args, uint64_t* r) { r[0] = w.playerPed; }},
    {nh::PLAYER_ID,
     [](World& w, Args, uint64_t* r) { r[0] = static_cast<uint32_t>(w.playerIndex); }},
    {nh::GET_PLAYER_BOUNTY,
     [](World& w, Args, uint64_t* r) { r[0] = static_cast<uint32_t>(w.bounty); }},
    {nh::SET_PLAYER_BOUNTY,
     [](World& w, Args a, uint64_t*) {
         const int32_t v = a.I(1);
         if (v != w.bounty) {
             WorldLog(w, "bounty", "bounty " + FormatCents(w.bounty) + " -> " + FormatCents(v),
                      "\"bounty\":" + std::to_string(v));
         }
         w.bounty = v;
     }},
    {nh::GET_MAP_ZONE_AT_COORDS,
     [](World& w, Args a, uint64_t* r) { r[0] = ZoneAt(w, a.F(0), a.F(1), a.I(3)); }},
    {nh::SET_PLAYER_LAW_REGION,
     [](World& w, Args a, uint64_t*) {
         Tally(w, &WorldCounters::lawRegionCalls);
         char buf[64];
         std::snprintf(buf, sizeof buf, "law region set to 0x%08X", a.U(1));
         WorldLog(w, "law_region", buf);
     }},
    {nh::LAW_CALL_WITH_ZEROED_VALUE,
     [](World& w, Args a, uint64_t*) {
         const uint64_t* v = a.P<const uint64_t>(0);
         if (!v || *v != 0) WorldLog(w, "anomaly", "law call given a value that is not zero");
     }},
    {nh::SET_PLAYER_PURSUED,
     [](World& w, Args a, uint64_t*) {
         const bool on = a.I(1) != 0;
         if (on != w.pursued)
             WorldLog(w, "pursued", on ? "pursued state on" : "pursued state off",
                      std::string("\"on\":") + (on ? "true" : "false"));
         w.pursued = on;
     }},
    {nh::GET_PLAYER_STATE_QUERY,
     [](World& w, Args, uint64_t* r) { r[0] = static_cast<uint32_t>(w.lawStateQuery); }},
    {nh::SET_LAW_SETTING, [](World&, Args, uint64_t*) {}},
    {nh::REPORT_CRIME_ON_PLAYER,
     [](World& w, Args, uint64_t*) { Tally(w, &WorldCounters::crimesReported); }},
    {nh::SET_GLOBAL_COOLDOWN,
     [](World& w, Args, uint64_t*) { Tally(w, &WorldCounters::cooldownCalls); }},
    {nh::IS_MISSION_ACTIVE, [](World& w, Args, uint64_t* r) { r[0] = MissionActive(w) ? 1 : 0; }},
};

} // namespace

std::span<const NativeAnswer> ClockAnswers() {
    return Clock;
}
std::span<const NativeAnswer> LawAnswers() {
    return Law;
}
