// Players who behave like players: instead of a fixed route, the player of a scenario can roam
// between towns, camps and the wild, stay around a camp, or keep the bounty up as an outlaw, and
// fight back or flee when hunted. Where they go and when they commit crimes is drawn from the
// world's seed with generators of their own, so one seed is one evening, the same under any
// settings file (a comparison of two files meets the same player on the same seed).
#pragma once
#include <cstdint>
#include <string>

// The player's behaviour as a scenario gives it (the README lists the keys and their ranges).
struct PlayerBehaviour {
    enum class Kind : uint8_t { None, Roamer, Camper, Outlaw };
    Kind kind = Kind::None;
    // When hunted: false stands and shoots it out while a hunter is in range, true rides away
    // from the nearest hunter within fleeMeters and never shoots.
    bool flees = false;
    double fleeMeters = 90;
    double rideSpeed = 7;               // metres per second on horseback between stops
    double stayMinutes[2] = {20, 90};   // game minutes at each stop, drawn evenly between
    double wildShare = 0.4;             // roamer, outlaw: share of stops out in the wild
    std::string camp;                   // camper: the camp's name; empty: the nearest one
    double outingsPerHour = 0.3;        // camper: rides out per game hour spent in camp
    double crimesPerHour = 0.6;         // outlaw: crimes per game hour, at random moments
    int32_t crimeCents[2] = {150, 450}; // outlaw: what a crime adds to the bounty
};

// How the player of a behaviour goes on from frame to frame (kept by the world).
struct PlayerPlanState {
    uint64_t legState = 0, crimeState = 0; // the two generators: stops, and crimes
    uint32_t nextCrimeMs = 0;
    uint32_t nextThreatCheckMs = 0;
    bool threatened = false; // a hostile hunter close enough to fight or flee from
    double threatX = 0, threatY = 0;
    int home = -1;              // camper: index of the camp in the world's landmarks
    uint32_t leaveHomeAtMs = 0; // camper: when the next ride out begins
    int stopsPlanned = 0;
    double tailX = 0, tailY = 0; // where the route drawn so far ends
};

struct World;

// What the player does this frame in place of following the route.
enum class PlanAction : uint8_t { FollowRoute, HoldGround, Flee };
struct PlanStep {
    PlanAction action = PlanAction::FollowRoute;
    double toX = 0, toY = 0; // where a fleeing player heads
};

// Seeds the plan from the world's seed and draws the first stops (after the map is built).
void StartPlayerPlan(World& w);
// Once per frame while the player lives: commits the crimes that fall due, draws the next stops
// when the route runs out and says whether a hunter holds the player or drives them off.
PlanStep StepPlayerPlan(World& w);
