// The simulated game world: clock, terrain, water, roads, zones, peds, blips, the player and the
// bystanders, and the answers to every native the plug-in calls. Deterministic for a given seed:
// it draws only from its own generator. Free of platform APIs so that it can also be built as a
// stand-in host library for the Windows build.
#pragma once
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "hostkit/name_hash.h"
#include "natives/types.h"
#include "platform/host_link.h"
#include "world/player_behaviour.h"

// Private deterministic generator (splitmix64); the world never touches the C runtime's rand.
struct SimRng {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint64_t Next();
    double Unit();                      // [0, 1)
    double Range(double lo, double hi); // [lo, hi)
    bool Chance(double p);
    int Below(int n); // 0..n-1
};

struct Point2 {
    double x = 0, y = 0;
};
struct Point3 {
    double x = 0, y = 0, z = 0;
};

enum class ModelKind : uint8_t { Human, Dog, Horse };

struct ModelInfo {
    std::string name;
    ModelKind kind = ModelKind::Human;
};

// A map zone of one zone type: a rectangle, or a circle when radius > 0.
struct Zone {
    int type = 10;
    uint32_t hash = 0;
    std::string name;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0; // rectangle
    double cx = 0, cy = 0, radius = 0;     // circle
};

struct WaterBody {
    std::string name;
    double cx = 0, cy = 0, radius = 0;
    double surface = 0;
    double depth = 4;
};

struct Road {
    std::string name;
    std::vector<Point2> points;
};

struct Circle {
    std::string name;
    double cx = 0, cy = 0, radius = 0;
    double height = 0; // occluders: height above ground
};

// A camp or the town: one of the plug-in's shelter zones, with its built-in radius.
struct Landmark {
    std::string name;
    double x = 0, y = 0, z = 0;
    bool town = false;
    double radius = 0;
};

struct Waypoint {
    double x = 0, y = 0;
    double speed = 1.6; // metres per second
    bool mounted = false;
    bool vehicle = false;
    double waitSeconds = 0;
};

// A scheduled change made to the world at a moment of the run (seconds of game-timer time).
struct TimelineEvent {
    double at = 0;
    std::string kind; // key, set_bounty, teleport, kill_player, mission, kill_hunters,
                      // delete_spawned, write_ini, mount_nearest_horse, dismount
    std::string text;
    double number = 0;
    Point3 point;
    bool done = false;
};

struct FaultOptions {
    double createFailure = 0;    // chance that a ped creation returns 0
    double safeCoordFailure = 0; // chance that a safe-coordinate request fails
    double vanishPerMinute = 0;  // plug-in peds the game deletes, per game-timer minute
    double modelNeverLoads = 0;  // chance that a model request never completes
    double handleReuse = 0;      // chance that a new entity reuses a freed handle
    // Chance that a position, ground or handle query gets a hostile answer (answers_hostile.cpp).
    double hostileAnswers = 0;
    // Ordinals (1 = first) of the ped creations that fail outright, counted over the creations
    // that would otherwise succeed: aims a failure at one chosen member.
    std::vector<int> failCreations;
};

struct CombatOptions {
    double playerHealth = 200;
    double playerRegenPerSecond = 4;
    double playerFireRange = 50;
    double playerFireIntervalMs = 800;
    double playerHitChance = 0.55;
    double playerDamage = 40;
    double hunterHealth = 100;
    double hunterFireRange = 30;
    double hunterFireIntervalMs = 1600;
    double hunterHitChance = 0.12;
    double hunterDamage = 7;
    double meleeRange = 2.0;
    double dogBiteDamage = 5;
    double respawnSeconds = 10;
    bool playerReturnsFire = true;
};

// The longest run a scenario or the command line may ask for: the game timer is 32 bits of
// milliseconds, so a run must end well before it wraps.
constexpr double MaxRunSeconds = 86400;

struct WorldOptions {
    uint64_t seed = 1;
    uint32_t frameMs = 33;
    uint32_t timerStartMs = 600000;
    // Clock start and rate: game seconds per game-timer second (30 = 1 game minute per 2 s).
    int year = 1899, month = 6, day = 1, hour = 8, minute = 0;
    double clockRate = 30;
    int modelLoadWaits = 3; // 10 ms waits before a requested model reports loaded
    int bystanders = 24;
    double bystanderRadius = 70;
    double perceptionRange = 60;
    double perceptionFovDegrees = 140;
    double losRange = 250;
    double roadSnapMeters = 40;
    double nearbyQueryRadius = 150;
    bool defaultMap = true; // start from the built-in zones, water, roads and occluders
    std::vector<Zone> zones;
    std::vector<WaterBody> water;
    std::vector<Road> roads;
    std::vector<Circle> noSpawn;
    std::vector<Circle> occluders;
    // Flat-topped rises with sheer sides (height = rise above the ground around them): cliffs.
    std::vector<Circle> plateaus;
    std::vector<ModelInfo> extraModels;
    FaultOptions faults;
    CombatOptions combat;
    Point3 playerStart{1320, -1180, 0};
    double playerHeading = 0;
    std::vector<Waypoint> route;
    PlayerBehaviour behaviour; // when given, draws the route on from the seed as the run goes
    Point3 respawnPoint{0, 0, 0};
    bool respawnPointGiven = false;
    int32_t initialBounty = 0;
    int32_t lawState = 0;                            // what the player state query answers
    std::vector<std::pair<double, double>> missions; // [start, end) in seconds of the run
    std::vector<TimelineEvent> timeline;
};

// A native-call expectation the world counts as the calls happen, so that checking one needs no
// trace. Argument slots past the given ones, and those marked any, match every value.
struct NativeArgMatch {
    bool any = true;
    uint64_t bits = 0; // i, e, h (low 32 bits) and q slots
    double number = 0; // f slots, matched to within 0.001 times max(1, |number|)
    std::string text;  // s slots
};
struct NativeWatch {
    uint64_t hash = 0;
    std::vector<NativeArgMatch> args;
    uint32_t fromMs = 0, toMs = UINT32_MAX; // elapsed run time window [from, to)
    int64_t calls = 0;
};

struct WorldStory;

inline constexpr uint32_t FirstPedHandle = 0x1001;

enum class TaskKind : uint8_t { None, Follow, Combat, Flee, Pursue, Wander };

struct SimPed {
    Ped handle = 0;
    Hash model = 0;
    ModelKind kind = ModelKind::Human;
    Point3 pos;
    Point3 createdAt;
    double heading = 0;
    double health = 100;
    bool dying = false;
    uint32_t diedAtMs = 0;
    bool owned = false;      // marked as the plug-in's own
    bool fromPlugin = false; // created through the create-ped native
    bool bystander = false;
    bool isPlayer = false;
    // The height a step of a ped's order (the player's never) left is worked out when the ped is
    // next looked up, not at every step: most steps nobody looks. Kept beside what most lookups
    // read next (alive or dying).
    bool groundPending = false;
    bool headingPending = false; // likewise its heading: facing (dx, dy) from where it stepped
    Blip blip = 0;
    Ped mount = 0;
    Ped rider = 0;
    std::map<Hash, int32_t> weapons;
    Hash weaponInHand = 0;
    TaskKind task = TaskKind::None;
    Ped target = 0;
    Point3 offset;
    double speed = 0;
    int32_t timeoutMs = -1;
    uint32_t taskStartMs = 0;
    double stopRange = 2.5;
    double fleeDistance = 0;
    bool keepTask = false;
    bool blockEvents = false;
    uint32_t nextShotMs = 0;
    Point2 wanderGoal;
    uint32_t wanderUntilMs = 0;
    // Unlike the handle, never given to another ped: tells a ped from one that came later
    // under its reused handle.
    uint64_t serial = 0;
    bool engaged = false;
    double pendingHeadingDx = 0, pendingHeadingDy = 0;
};

struct SimBlip {
    Blip handle = 0;
    Entity entity = 0;
    Hash style = 0;
    std::vector<Hash> modifiers;
    std::string name;
    bool released = false;
};

// One cell of the ground's ceiling (world_map.cpp), kept in a small cache by cell: the cache
// holds a square of cells around wherever the lines of sight look, each cell in the slot its
// position gives (x and y modulo the side), so that the cells along one line lie close together.
struct GroundCeilingCell {
    int32_t cx = INT32_MIN, cy = 0; // INT32_MIN: no cell (cells lie within a billion of 0)
    double top = 0;
};
inline constexpr size_t GroundCeilingCacheSide = 128; // cells: about 1 km across

// One square of the map judged for water (world_map.cpp): dry when no lake and no sea can reach
// any point of it. Kept in a small cache by cell like the ceilings.
struct DryCell {
    int32_t cx = INT32_MIN, cy = 0; // INT32_MIN: not judged yet
    bool dry = false;
};
inline constexpr size_t DryCellCacheSide = 64; // cells: 2 km across

// The calendar fields of the game clock at one moment of the timer.
struct ClockReading {
    uint32_t elapsedMs = 0;
    double rate = 0;
    bool known = false;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

struct World {
    WorldOptions opt;
    SimRng rng;      // behaviour
    SimRng faultRng; // fault injection only, so switching faults does not shift behaviour
    std::vector<ModelInfo> catalogueList;
    std::unordered_map<Hash, ModelInfo> models;
    std::vector<Hash> horseModels; // the models above that are horses, asked about many times
    // Bit (hash % 32) of every horse model: a model whose bit is clear is no horse, which answers
    // most questions (the plug-in asks about every hunter's model) without the search.
    uint32_t horseModelBits = 0;
    std::vector<Landmark> landmarks;

    uint32_t timerMs = 0;
    uint32_t startTimerMs = 0;
    uint64_t frame = 0;
    uint64_t nativeCalls = 0; // every call the world was asked to answer
    double clockSeconds = 0;  // game seconds since 1 Jan of year 0 (calendar below)

    // Peds by handle, in slot handle - FirstPedHandle (null: no ped has that handle). Handles
    // are handed out in order from FirstPedHandle or reused, so the table stays small, and a
    // lookup, which nearly every native makes, is an index.
    std::vector<std::unique_ptr<SimPed>> peds;
    uint32_t pedSlots = 0; // peds.size(), kept beside it: every lookup compares a handle with it
    int pluginPeds = 0;    // peds created through the create-ped native and still in the world
    std::vector<Ped> pedOrder; // creation order, for deterministic walks
    std::vector<Ped> freedHandles;
    uint32_t nextHandle = FirstPedHandle;
    std::unordered_map<Blip, SimBlip> blips;
    uint32_t nextBlip = 0x20001;
    std::unordered_map<Hash, uint32_t> modelRequestedAt;
    std::unordered_map<Hash, bool> modelStuck;
    std::unordered_map<uint64_t, std::string> texts;
    uint64_t nextText = 0x7000000100ull;
    std::string pendingNotice;
    int32_t nextVolume = 1;
    std::unordered_map<uint64_t, int32_t> markers;
    uint64_t nextMarker = 0x0000000300000001ull;

    // Player.
    Ped playerPed = 0;
    Ped playerHorse = 0;
    PlayerIndex playerIndex = 0;
    int32_t bounty = 0;
    bool pursued = false;
    int32_t lawStateQuery = 0;
    bool playerDead = false;
    uint32_t playerDiedAtMs = 0;
    uint32_t playerNextFireMs = 0;
    size_t routeIndex = 0;
    uint32_t routeWaitUntilMs = 0;
    PlayerPlanState plan;
    bool playerInVehicle = false;
    bool missionForced = false;
    int missionOverride = -1; // -1: schedule decides, 0/1 timeline override
    bool missionWasActive = false;

    std::string iniFileName = "Harkvane.ini";
    // Every non-zero model hash counts as valid (the settings checker: only the game knows them
    // all, so it judges no model names).
    bool everyModelValid = false;
    std::vector<NativeWatch> watches;
    // Whether calls are traced, watched or spoilt by the hostile answers fault (CallsNeedCare),
    // worked out when the world is attached to the host, so a plain call asks once.
    bool callsWithCare = false;
    // Answers worked out once and kept: they change nothing the plug-in or the outputs see.
    mutable std::vector<GroundCeilingCell> groundCeilings;
    mutable std::vector<DryCell> dryCells;
    // The occluders in order of their centre's x, and the largest radius among them: a line of
    // sight looks only at those whose centre lies within that reach of its own stretch of x.
    std::vector<Circle> occludersByX;
    double widestOccluder = 0;
    mutable ClockReading clockReading;
    int createAttempts = 0; // creations that got as far as the fault check
    uint64_t nextSerial = 1;
    // The run's account of what happens here (world_story.h); nullptr when nobody keeps one.
    WorldStory* story = nullptr;
};

// Built-in model names (humans, dogs, horses) known to the default world.
const std::vector<ModelInfo>& DefaultModelCatalogue();

// Adds the built-in zones, water, roads, no-spawn areas and occluders (when opt.defaultMap) and
// always the camp and town landmarks.
void AddDefaultMap(WorldOptions& o, std::vector<Landmark>& landmarks);
void WorldInit(World& w, const WorldOptions& options);
// Advances the world by ms of game-timer time (at least one frame step for 0).
void WorldAdvance(World& w, uint32_t ms);
// One native call as the host takes it in (platform/host_link.h). It belongs to the host glue
// (sim_host.cpp), not to the game.
using NativeCall = HostCall;

// Runs one native call on the world with the pushed slots; fills call.result.
void WorldCall(World& w, NativeCall& call);
// True when the world's calls need more than their answer: a trace is written, a scenario
// watches natives, or the hostile answers fault may spoil answers.
bool CallsNeedCare(const World& w);
void WorldLog(World& w, const std::string& kind, const std::string& text,
              const std::string& json = std::string());

// Geometry used by the natives, the tests and the map.
// True only when hypot(dx, dy) is certainly at least r (a cheap test that says false near the
// rim): the squared sum clears r squared by far more than the rounding of either side, so hypot
// would say the same. SurelyWithin likewise says true only when hypot(dx, dy) is certainly below
// r. FartherThan is hypot(dx, dy) > r, exactly, with hypot asked only near the rim.
inline bool SurelyBeyond(double dx, double dy, double r) {
    return dx * dx + dy * dy > r * r * (1.0 + 1e-9);
}
inline bool SurelyWithin(double dx, double dy, double r) {
    return r >= 0 && dx * dx + dy * dy < r * r * (1.0 - 1e-9);
}
bool FartherThan(double dx, double dy, double r);
double GroundHeight(const World& w, double x, double y);
// At least GroundHeight anywhere in the few metres around (x, y): the line of sight asks the
// exact height only where this bound reaches its eye line.
double GroundCeiling(const World& w, double x, double y);
// How far a plateau lifts the ground at a point (0 off every plateau).
double PlateauRise(const World& w, double x, double y);
bool WaterAt(const World& w, double x, double y, double* surface);
bool InNoSpawnArea(const World& w, double x, double y);
// The camp or the town whose shelter holds the point, or nullptr.
const Landmark* ShelterHolding(const World& w, double x, double y);
uint32_t ZoneAt(const World& w, double x, double y, int type);
bool SafeCoordForPed(World& w, double x, double y, double z, int flags, Point3* out);
bool ClearLineOfSight(const World& w, const SimPed& a, const SimPed& b);
bool Perceives(const World& w, const SimPed& observer, const SimPed& target);
int NearbyPeds(const World& w, Ped around, Ped* out, int capacity);

// A ped as it stands, perhaps with its height and heading still pending: for looks at its flags,
// its links or its x and y. Anything that reads its height or heading, or moves it, looks it up
// with FindPed (LocatePed when only where it stands matters, never to change it). Nearly every
// native looks a ped up, so each is an index and a test here.
inline SimPed* PeekPed(const World& w, Entity handle) {
    const uint32_t slot = handle - FirstPedHandle; // a handle below the first wraps far out
    return slot < w.pedSlots ? w.peds[slot].get() : nullptr;
}
// Works out the height and heading a step left pending.
void SettlePed(const World& w, SimPed& p);
// Looks a ped up; its height and heading are up to date.
inline SimPed* FindPed(World& w, Entity handle) {
    SimPed* p = PeekPed(w, handle);
    if (p && (p->groundPending || p->headingPending)) SettlePed(w, *p);
    return p;
}
// Settling changes no observable state (the peds are held apart from the world's own bytes).
inline const SimPed* FindPed(const World& w, Entity handle) {
    SimPed* p = PeekPed(w, handle);
    if (p && (p->groundPending || p->headingPending)) SettlePed(w, *p);
    return p;
}
// Works out the height a step left pending.
void SettleGround(const World& w, SimPed& p);
// Looks a ped up for where it stands: its height is up to date, its heading perhaps still pending
// (for the many questions of where a ped is that never ask which way it faces).
inline const SimPed* LocatePed(const World& w, Entity handle) {
    SimPed* p = PeekPed(w, handle);
    if (p && p->groundPending) SettleGround(w, *p);
    return p;
}
Ped CreatePluginPed(World& w, Hash model, const Point3& pos, double heading);
// Removes an entity from the world with its blip and its mount links.
void RemoveEntity(World& w, Ped handle);
bool MissionActive(const World& w);
void KillPlayer(World& w, const char* why);
void TeleportPlayer(World& w, double x, double y, double z);
// The player swings onto the nearest riderless living plug-in horse, else onto the nearest one,
// pulling its rider off; false when there is none. The horse is remembered as the taken horse.
bool PlayerTakesNearestHorse(World& w);
void PlayerDismounts(World& w);
// Kills plug-in hunters (all when n < 0); returns how many died.
int KillHunters(World& w, int n);
// Deletes n of the plug-in's peds as the game would; returns how many vanished.
int DeletePluginPeds(World& w, int n);
int CountPluginPeds(const World& w);
uint32_t ElapsedMs(const World& w);
// Calendar fields of the game clock.
void ClockFields(const World& w, int* year, int* month, int* day, int* hour, int* minute);
std::string ModelName(const World& w, Hash model);
std::string FormatCents(int32_t cents);
