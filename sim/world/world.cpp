// The world's state over time: clock, entities, the player, bystanders, tasks and fighting.
#include "world/world.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "platform/file_writes.h"
#include "world/sim_host.h"
#include "world/world_story.h"

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr uint32_t PathSampleMs = 1000;

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
int DaysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return (m == 2 && IsLeap(y)) ? 29 : days[(m - 1) % 12];
}

double Dist2D(const Point3& a, const Point3& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}
double Dist3D(const Point3& a, const Point3& b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                     (a.z - b.z) * (a.z - b.z));
}

// Heading in degrees: 0 faces +y, 90 faces -x (counter-clockwise).
double HeadingTo(const Point3& from, double tx, double ty) {
    const double dx = tx - from.x, dy = ty - from.y;
    if (dx == 0 && dy == 0) return 0;
    double h = std::atan2(-dx, dy) * 180.0 / Pi;
    if (h < 0) h += 360;
    return h;
}

Ped NewHandle(World& w) {
    if (!w.freedHandles.empty() && w.opt.faults.handleReuse > 0 &&
        w.faultRng.Chance(w.opt.faults.handleReuse)) {
        const Ped h = w.freedHandles.back();
        w.freedHandles.pop_back();
        if (WorldCounters* c = Counters(w)) ++c->handlesReused;
        return h;
    }
    return w.nextHandle++;
}

} // namespace

uint64_t SimRng::Next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}
double SimRng::Unit() {
    return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0);
}
double SimRng::Range(double lo, double hi) {
    return lo + (hi - lo) * Unit();
}
bool SimRng::Chance(double p) {
    return p > 0 && Unit() < p;
}
int SimRng::Below(int n) {
    return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<uint64_t>(n));
}

const std::vector<ModelInfo>& DefaultModelCatalogue() {
    static const std::vector<ModelInfo> list = {
        {"Player_Zero", ModelKind::Human},
        {"A_M_M_RANCHER_01", ModelKind::Human},
        {"G_M_M_BountyHunters_01", ModelKind::Human},
        {"S_M_M_DispatchLawRural_01", ModelKind::Human},
        {"S_M_M_MarshallsRural_01", ModelKind::Human},
        {"S_M_M_PinLaw_01", ModelKind::Human},
        {"S_M_Y_Army_01", ModelKind::Human},
        {"A_M_M_Townfolk_01", ModelKind::Human},
        {"A_F_M_Townfolk_01", ModelKind::Human},
        {"A_M_M_Farmer_01", ModelKind::Human},
        {"A_M_Y_Drifter_01", ModelKind::Human},
        {"A_F_Y_Homesteader_01", ModelKind::Human},
        {"A_C_DogHound_01", ModelKind::Dog},
        {"A_C_DogBluetickCoonhound_01", ModelKind::Dog},
        {"A_C_DogAmericanFoxHound_01", ModelKind::Dog},
        {"A_C_DogCollie_01", ModelKind::Dog},
        {"A_C_Horse_Morgan_Bay", ModelKind::Horse},
        {"A_C_Horse_Arabian_White", ModelKind::Horse},
        {"A_C_Horse_KentuckySaddle_Black", ModelKind::Horse},
        {"A_C_Horse_Tennessee_Chestnut", ModelKind::Horse},
        {"A_C_Horse_Mustang_Grullo", ModelKind::Horse},
        {"A_C_Horse_Player_Mare", ModelKind::Horse},
    };
    return list;
}

// The height a step left pending is the ground under the point where that step ended (for a
// rider, its mount's step); the ped has not moved since (every other move goes through FindPed
// first).
// The heading left pending faces the goal of that step, seen from where the step began.
void SettleGround(const World& w, SimPed& p) {
    p.groundPending = false;
    p.pos.z = GroundHeight(w, p.pos.x, p.pos.y);
}
void SettlePed(const World& w, SimPed& p) {
    if (p.headingPending) {
        p.headingPending = false;
        p.heading = HeadingTo(Point3{}, p.pendingHeadingDx, p.pendingHeadingDy);
    }
    if (p.groundPending) SettleGround(w, p);
}

uint32_t ElapsedMs(const World& w) {
    return w.timerMs - w.startTimerMs;
}

std::string ModelName(const World& w, Hash model) {
    auto it = w.models.find(model);
    if (it != w.models.end()) return it->second.name;
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", model);
    return buf;
}

std::string FormatCents(int32_t cents) {
    char buf[32];
    const int32_t a = cents < 0 ? -cents : cents;
    std::snprintf(buf, sizeof buf, "%s$%d.%02d", cents < 0 ? "-" : "", a / 100, a % 100);
    return buf;
}

namespace {
void WorkOutClock(const World& w, int* year, int* month, int* day, int* hour, int* minute);
}

void ClockFields(const World& w, int* year, int* month, int* day, int* hour, int* minute) {
    // Asked five times for every reading of the game's hours, and many times a frame: worked out
    // once for each moment of the timer.
    ClockReading& c = w.clockReading;
    if (!c.known || c.elapsedMs != ElapsedMs(w) || c.rate != w.opt.clockRate) {
        c = {ElapsedMs(w), w.opt.clockRate, true, 0, 0, 0, 0, 0};
        WorkOutClock(w, &c.year, &c.month, &c.day, &c.hour, &c.minute);
    }
    *year = c.year;
    *month = c.month;
    *day = c.day;
    *hour = c.hour;
    *minute = c.minute;
}

namespace {
void WorkOutClock(const World& w, int* year, int* month, int* day, int* hour, int* minute) {
    const int64_t elapsedGame =
        static_cast<int64_t>(static_cast<double>(ElapsedMs(w)) * w.opt.clockRate / 1000.0);
    int64_t total = w.opt.hour * 3600ll + w.opt.minute * 60ll + elapsedGame;
    int64_t days = total / 86400;
    total %= 86400;
    int y = w.opt.year, m = w.opt.month, d = w.opt.day;
    while (days > 0) {
        const int left = DaysInMonth(y, m) - d; // days until the last day of this month
        if (days <= left) {
            d += static_cast<int>(days);
            days = 0;
        } else {
            days -= left + 1;
            d = 1;
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
    }
    *year = y;
    *month = m;
    *day = d;
    *hour = static_cast<int>(total / 3600);
    *minute = static_cast<int>((total % 3600) / 60);
}
} // namespace

void WorldLog(World& w, const std::string& kind, const std::string& text, const std::string& json) {
    WorldEvent e;
    e.frame = w.frame;
    e.tMs = w.timerMs;
    e.kind = kind;
    e.text = text;
    e.json = json;
    if (std::FILE* trace = SimHostGlue().trace) {
        std::string line = "{\"frame\":" + std::to_string(w.frame) +
                           ",\"t_ms\":" + std::to_string(w.timerMs) + ",\"event\":\"" + kind + "\"";
        if (!json.empty()) line += "," + json;
        line += "}\n";
        std::fputs(line.c_str(), trace);
    }
    if (w.story) w.story->events.push_back(std::move(e));
}

bool MissionActive(const World& w) {
    if (w.missionOverride >= 0) return w.missionOverride != 0;
    const double s = ElapsedMs(w) / 1000.0;
    for (const auto& m : w.opt.missions)
        if (s >= m.first && s < m.second) return true;
    return false;
}

const Landmark* ShelterHolding(const World& w, double x, double y) {
    for (const Landmark& l : w.landmarks)
        if (std::hypot(x - l.x, y - l.y) <= l.radius) return &l;
    return nullptr;
}

int CountPluginPeds(const World& w) {
    return w.pluginPeds;
}

namespace {

SimPed& AddPed(World& w, Hash model, const Point3& pos, double heading) {
    const Ped h = NewHandle(w);
    SimPed p;
    p.handle = h;
    p.serial = w.nextSerial++;
    p.model = model;
    auto it = w.models.find(model);
    p.kind = it != w.models.end() ? it->second.kind : ModelKind::Human;
    p.pos = pos;
    p.heading = heading;
    p.health = p.kind == ModelKind::Horse ? 300 : w.opt.combat.hunterHealth;
    const size_t slot = h - FirstPedHandle;
    if (w.peds.size() <= slot) {
        w.peds.resize(slot + 1);
        w.pedSlots = static_cast<uint32_t>(w.peds.size());
    }
    w.peds[slot] = std::make_unique<SimPed>(std::move(p));
    w.pedOrder.push_back(h);
    return *w.peds[slot];
}

void Unlink(World& w, SimPed& p) {
    if (SimPed* m = FindPed(w, p.mount)) {
        if (m->rider == p.handle) m->rider = 0;
    }
    if (SimPed* r = FindPed(w, p.rider)) {
        if (r->mount == p.handle) {
            r->mount = 0;
            r->pos.x += 1.5;
        }
    }
    p.mount = 0;
    p.rider = 0;
}

Point3 OnGround(const World& w, double x, double y) {
    return {x, y, GroundHeight(w, x, y)};
}

Point3 RandomLandPointNear(World& w, const Point3& c, double rmin, double rmax) {
    for (int i = 0; i < 20; ++i) {
        const double a = w.rng.Range(0, 2 * Pi), r = w.rng.Range(rmin, rmax);
        const double x = c.x + r * std::cos(a), y = c.y + r * std::sin(a);
        if (!WaterAt(w, x, y, nullptr)) return OnGround(w, x, y);
    }
    return OnGround(w, c.x, c.y);
}

SimPed& Player(World& w) {
    return *PeekPed(w, w.playerPed);
}

void SpawnBystander(World& w, double rmin) {
    static const char* const names[] = {"A_M_M_Townfolk_01", "A_F_M_Townfolk_01", "A_M_M_Farmer_01",
                                        "A_M_Y_Drifter_01", "A_F_Y_Homesteader_01"};
    const Hash model = GameNameHash(names[w.rng.Below(5)]);
    const Point3 pos = RandomLandPointNear(w, Player(w).pos, rmin, w.opt.bystanderRadius);
    SimPed& b = AddPed(w, model, pos, w.rng.Range(0, 360));
    b.bystander = true;
    b.task = TaskKind::Wander;
}

} // namespace

void RemoveEntity(World& w, Ped handle) {
    SimPed* p = FindPed(w, handle);
    if (!p) return;
    Unlink(w, *p);
    if (p->blip) {
        WorldCounters* c = Counters(w);
        if (w.blips.erase(p->blip) && c) ++c->blipsRemoved;
    }
    if (p->fromPlugin) --w.pluginPeds;
    w.peds[handle - FirstPedHandle].reset();
    auto it = std::find(w.pedOrder.begin(), w.pedOrder.end(), handle);
    if (it != w.pedOrder.end()) w.pedOrder.erase(it);
    w.freedHandles.push_back(handle);
}

Ped CreatePluginPed(World& w, Hash model, const Point3& pos, double heading) {
    SimPed& p = AddPed(w, model, pos, heading);
    p.fromPlugin = true;
    ++w.pluginPeds;
    p.pos.z = GroundHeight(w, pos.x, pos.y);
    p.createdAt = p.pos;
    return p.handle;
}

void WorldInit(World& w, const WorldOptions& options) {
    w.opt = options;
    w.clockReading = ClockReading();
    w.groundCeilings.clear();
    w.dryCells.clear();
    w.rng.state = options.seed * 0x2545F4914F6CDD1Dull + 17;
    w.faultRng.state = options.seed * 0x9E3779B97F4A7C15ull + 991;
    AddDefaultMap(w.opt, w.landmarks);
    w.occludersByX = w.opt.occluders;
    std::sort(w.occludersByX.begin(), w.occludersByX.end(),
              [](const Circle& a, const Circle& b) { return a.cx < b.cx; });
    w.widestOccluder = 0;
    for (const Circle& c : w.occludersByX)
        w.widestOccluder = std::max(w.widestOccluder, c.radius);
    w.catalogueList = DefaultModelCatalogue();
    for (const ModelInfo& m : options.extraModels)
        w.catalogueList.push_back(m);
    for (const ModelInfo& m : w.catalogueList)
        w.models[GameNameHash(m.name.c_str())] = m;
    w.horseModels.clear();
    for (const auto& [hash, m] : w.models)
        if (m.kind == ModelKind::Horse) w.horseModels.push_back(hash);
    w.horseModelBits = 0;
    for (Hash horse : w.horseModels)
        w.horseModelBits |= 1u << (horse % 32);
    w.timerMs = options.timerStartMs;
    w.startTimerMs = options.timerStartMs;
    w.bounty = options.initialBounty;
    w.lawStateQuery = options.lawState;
    Point3 start = options.playerStart;
    if (start.z == 0) start.z = GroundHeight(w, start.x, start.y);
    SimPed& pl = AddPed(w, GameNameHash("Player_Zero"), start, options.playerHeading);
    pl.isPlayer = true;
    pl.health = options.combat.playerHealth;
    w.playerPed = pl.handle;
    SimPed& horse =
        AddPed(w, GameNameHash("A_C_Horse_Player_Mare"), OnGround(w, start.x + 2, start.y + 1), 0);
    w.playerHorse = horse.handle;
    for (int i = 0; i < options.bystanders; ++i)
        SpawnBystander(w, 6);
    if (options.behaviour.kind != PlayerBehaviour::Kind::None) StartPlayerPlan(w);
}

void AttachWorldStory(World& w, WorldStory* story) {
    w.story = story;
    if (story && story->playerPath.empty()) story->playerPath.push_back(Player(w).pos);
}

void KillPlayer(World& w, const char* why) {
    if (w.playerDead) return;
    SimPed& p = Player(w);
    p.health = 0;
    Unlink(w, p);
    w.playerDead = true;
    w.playerDiedAtMs = w.timerMs;
    if (w.story) {
        ++w.story->counters.playerDeaths;
        w.story->deaths.push_back(p.pos);
    }
    WorldLog(w, "player_died", std::string("player died (") + why + ")",
             std::string("\"why\":\"") + why + "\"");
}

bool PlayerTakesNearestHorse(World& w) {
    SimPed& p = Player(w);
    if (w.playerDead) return false;
    // A riderless horse first; failing that, the nearest one with its rider.
    SimPed* best = nullptr;
    double bestD = 0;
    for (Ped h : w.pedOrder) {
        SimPed* q = FindPed(w, h);
        if (!q || !q->fromPlugin || q->kind != ModelKind::Horse || q->dying || q->health <= 0)
            continue;
        if (q->handle == p.mount) continue;
        const double d = Dist3D(p.pos, q->pos);
        const bool free = !FindPed(w, q->rider), bestFree = best && !FindPed(w, best->rider);
        if (!best || (free && !bestFree) || (free == bestFree && d < bestD)) {
            best = q;
            bestD = d;
        }
    }
    if (!best) {
        WorldLog(w, "anomaly", "the player found no plug-in horse to take");
        return false;
    }
    // A rider still in the saddle is pulled off and left standing beside the horse.
    if (SimPed* rider = FindPed(w, best->rider)) {
        Unlink(w, *rider);
        rider->pos.z = GroundHeight(w, rider->pos.x, rider->pos.y);
    }
    Unlink(w, p);
    best->task = TaskKind::None;
    best->rider = p.handle;
    p.mount = best->handle;
    p.pos = best->pos;
    if (w.story) {
        w.story->takenHorse.horse = best->handle;
        w.story->takenHorse.hadBlip = best->blip != 0 && w.blips.count(best->blip) != 0;
    }
    char buf[120];
    std::snprintf(buf, sizeof buf, "player takes horse %u (%s), %.1f m away", best->handle,
                  ModelName(w, best->model).c_str(), bestD);
    WorldLog(w, "horse_taken", buf, "\"horse\":" + std::to_string(best->handle));
    return true;
}

void PlayerDismounts(World& w) {
    SimPed& p = Player(w);
    if (!p.mount) return;
    const Ped horse = p.mount;
    Unlink(w, p);
    p.pos.x += 1.5;
    p.pos.z = GroundHeight(w, p.pos.x, p.pos.y);
    WorldLog(w, "dismount", "player gets off horse " + std::to_string(horse));
}

void TeleportPlayer(World& w, double x, double y, double z) {
    SimPed& p = Player(w);
    if (z == 0) z = GroundHeight(w, x, y);
    p.pos = {x, y, z};
    if (SimPed* m = FindPed(w, p.mount)) m->pos = p.pos;
    if (w.story) w.story->playerPath.push_back(p.pos);
    char buf[160];
    std::snprintf(buf, sizeof buf, "player teleported to (%.1f, %.1f, %.1f)", x, y, z);
    WorldLog(w, "teleport", buf);
}

namespace {

void PedDies(World& w, SimPed& p, const char* cause) {
    if (p.dying || p.health > 0) return;
    p.dying = true;
    p.diedAtMs = w.timerMs;
    p.task = TaskKind::None;
    if (p.mount) Unlink(w, p);
    if (p.fromPlugin) {
        WorldStory* story = w.story;
        const bool soldier = story && story->isSoldier && story->isSoldier(story->keeper, p);
        const char* who = p.kind == ModelKind::Dog     ? "dog"
                          : p.kind == ModelKind::Horse ? "horse"
                          : soldier                    ? "soldier"
                                                       : "hunter";
        if (story) {
            ++story->counters.hunterDeaths;
            ++story->counters.killedByKind[who];
            story->deaths.push_back(p.pos);
        }
        char buf[200];
        std::snprintf(buf, sizeof buf, "%s %u (%s) died: %s", who, p.handle,
                      ModelName(w, p.model).c_str(), cause);
        char js[160];
        std::snprintf(js, sizeof js, "\"ped\":%u,\"x\":%.1f,\"y\":%.1f,\"cause\":\"%s\"", p.handle,
                      p.pos.x, p.pos.y, cause);
        WorldLog(w, "ped_died", buf, js);
    }
}

} // namespace

int KillHunters(World& w, int n) {
    int killed = 0;
    for (Ped h : w.pedOrder) {
        if (n >= 0 && killed >= n) break;
        SimPed* p = FindPed(w, h);
        if (!p || !p->fromPlugin || p->dying || p->kind == ModelKind::Horse) continue;
        p->health = 0;
        PedDies(w, *p, "timeline");
        ++killed;
    }
    return killed;
}

int DeletePluginPeds(World& w, int n) {
    std::vector<Ped> victims;
    for (Ped h : w.pedOrder) {
        const SimPed* p = FindPed(w, h);
        if (p && p->fromPlugin && (n < 0 || static_cast<int>(victims.size()) < n))
            victims.push_back(h);
    }
    for (Ped h : victims) {
        char buf[80];
        std::snprintf(buf, sizeof buf, "game removed entity %u", h);
        WorldLog(w, "vanished", buf, "\"ped\":" + std::to_string(h));
        if (WorldCounters* c = Counters(w)) ++c->vanished;
        RemoveEntity(w, h);
    }
    return static_cast<int>(victims.size());
}

namespace {

// Moves toward (gx, gy) at speed m/s; returns true when within stop range. With settleLater the
// new height is left pending until the ped is next looked up.
bool MoveToward(World& w, SimPed& p, double gx, double gy, double speed, double dtS, double stop,
                bool settleLater = false) {
    const double dx = gx - p.pos.x, dy = gy - p.pos.y;
    if (SurelyWithin(dx, dy, stop)) return true; // there: a wanderer often waits at its goal
    const double d = std::hypot(dx, dy);
    if (d <= stop) return true;
    const double step = std::min(speed * dtS, d - stop * 0.5);
    if (step <= 0) return true;
    const double nx = p.pos.x + dx / d * step, ny = p.pos.y + dy / d * step;
    // Peds do not walk into deep water; they stop at its edge.
    double surface;
    if (!p.isPlayer && WaterAt(w, nx, ny, &surface) && surface - GroundHeight(w, nx, ny) > 1.2)
        return false;
    // With settleLater the heading, like the height, is worked out when the ped is next looked up.
    p.headingPending = settleLater;
    if (settleLater) {
        p.pendingHeadingDx = dx;
        p.pendingHeadingDy = dy;
    } else {
        p.heading = HeadingTo(p.pos, gx, gy);
    }
    p.pos.x = nx;
    p.pos.y = ny;
    p.groundPending = settleLater;
    if (!settleLater) p.pos.z = GroundHeight(w, nx, ny);
    return false;
}

double FootSpeed(const SimPed& p, double arg) {
    if (p.kind == ModelKind::Horse) return std::clamp(arg * 3.0, 1.0, 12.0);
    if (p.kind == ModelKind::Dog) return std::clamp(arg * 2.4, 0.8, 8.0);
    return std::clamp(arg * 1.8, 0.6, 6.0);
}

bool Alive(const SimPed* p) {
    return p && !p->dying && p->health > 0;
}

void Fire(World& w, SimPed& shooter, SimPed& target, double range, bool melee) {
    const CombatOptions& c = w.opt.combat;
    if (w.timerMs < shooter.nextShotMs) return;
    // Either height may still be pending from the last step of its order.
    if (shooter.groundPending) SettleGround(w, shooter);
    if (target.groundPending) SettleGround(w, target);
    const double d = Dist3D(shooter.pos, target.pos);
    if (d > range) return;
    if (!melee && !ClearLineOfSight(w, shooter, target)) return;
    shooter.nextShotMs =
        w.timerMs + static_cast<uint32_t>(c.hunterFireIntervalMs * w.rng.Range(0.8, 1.2));
    const double chance = melee ? 0.5 : c.hunterHitChance;
    if (!w.rng.Chance(chance)) return;
    const double dmg = shooter.kind == ModelKind::Dog ? c.dogBiteDamage : c.hunterDamage;
    if (target.isPlayer) {
        if (w.playerDead) return;
        target.health -= dmg;
        if (target.health <= 0) KillPlayer(w, shooter.kind == ModelKind::Dog ? "mauled" : "shot");
    } else {
        target.health -= dmg;
        if (target.health <= 0) {
            target.health = 0;
            PedDies(w, target, "attacked");
        }
    }
}

// One ped's order for one step. Riders are carried by their mounts and steer them when the mount
// has no order of its own.
void StepTask(World& w, SimPed& p, double dtS) {
    SimPed* driver = &p;
    SimPed* steered = &p;
    if (p.kind == ModelKind::Horse && p.task == TaskKind::None) {
        SimPed* r = PeekPed(w, p.rider);
        if (!r || r->isPlayer || !Alive(r)) return;
        driver = r; // the rider's order moves the horse
    }
    if (p.mount && PeekPed(w, p.mount)) return; // carried by the mount
    const SimPed& d = *driver;
    const bool riding = steered->kind == ModelKind::Horse;
    // Orders steer by x and y; only a shot needs heights, and settles them (Fire).
    SimPed* target = PeekPed(w, d.target);
    switch (d.task) {
    case TaskKind::None:
        return;
    case TaskKind::Wander: {
        if (w.timerMs >= p.wanderUntilMs) {
            p.wanderGoal = {p.pos.x + w.rng.Range(-15, 15), p.pos.y + w.rng.Range(-15, 15)};
            p.wanderUntilMs = w.timerMs + static_cast<uint32_t>(w.rng.Range(4000, 15000));
        }
        if (MoveToward(w, p, p.wanderGoal.x, p.wanderGoal.y, 1.2, dtS, 0.5, true) &&
            w.rng.Chance(dtS * 0.2)) {
            p.heading = w.rng.Range(0, 360);
            p.headingPending = false;
        }
        return;
    }
    case TaskKind::Follow: {
        if (d.timeoutMs >= 0 && w.timerMs - d.taskStartMs >= static_cast<uint32_t>(d.timeoutMs)) {
            driver->task = TaskKind::None;
            return;
        }
        if (!target) return;
        const double speed =
            riding ? std::clamp(d.speed * 3.0, 2.0, 12.0) : FootSpeed(*steered, d.speed);
        MoveToward(w, *steered, target->pos.x + d.offset.x, target->pos.y + d.offset.y, speed, dtS,
                   std::max(0.5, d.stopRange), true);
        return;
    }
    case TaskKind::Flee: {
        if (!target) return;
        const double dist = Dist2D(steered->pos, target->pos);
        if (dist >= d.fleeDistance) {
            driver->task = TaskKind::None;
            return;
        }
        const double dx = steered->pos.x - target->pos.x, dy = steered->pos.y - target->pos.y;
        const double len = std::max(0.1, std::hypot(dx, dy));
        const double speed = riding ? 10.0 : FootSpeed(*steered, 2.6);
        MoveToward(w, *steered, steered->pos.x + dx / len * 50, steered->pos.y + dy / len * 50,
                   speed, dtS, 0.1, true);
        return;
    }
    case TaskKind::Combat:
    case TaskKind::Pursue: {
        if (!Alive(target) || (target->isPlayer && w.playerDead)) return;
        const bool melee = d.kind == ModelKind::Dog || d.weapons.empty();
        const double range = melee ? w.opt.combat.meleeRange : w.opt.combat.hunterFireRange;
        const double closeTo =
            d.task == TaskKind::Pursue ? std::min(10.0, range * 0.7) : range * 0.7;
        const double speed = riding ? 9.0 : (d.kind == ModelKind::Dog ? 7.0 : 5.0);
        MoveToward(w, *steered, target->pos.x, target->pos.y, speed, dtS, std::max(0.8, closeTo),
                   true);
        Fire(w, *driver, *target, range, melee);
        return;
    }
    }
}

constexpr double FleeRideSpeed = 10; // m/s, as fast as a posse's horses
constexpr double FleeRunSpeed = 5;

// Onto the player's horse (it comes when called) or off it.
void MountPlayer(World& w, SimPed& p, bool mounted) {
    SimPed* horse = FindPed(w, w.playerHorse);
    if (mounted && !p.mount && horse && Alive(horse) && !horse->rider) {
        horse->pos = p.pos;
        horse->task = TaskKind::None;
        horse->rider = p.handle;
        p.mount = horse->handle;
    } else if (!mounted && p.mount) {
        Unlink(w, p);
    }
}

void StepPlayer(World& w, double dtS) {
    SimPed& p = Player(w);
    const CombatOptions& c = w.opt.combat;
    if (w.playerDead) {
        if (w.timerMs - w.playerDiedAtMs >= static_cast<uint32_t>(c.respawnSeconds * 1000)) {
            w.playerDead = false;
            p.health = c.playerHealth;
            p.dying = false;
            if (w.opt.respawnPointGiven) {
                p.pos = w.opt.respawnPoint;
                if (p.pos.z == 0) p.pos.z = GroundHeight(w, p.pos.x, p.pos.y);
            }
            if (w.story) {
                ++w.story->counters.playerRespawns;
                w.story->playerPath.push_back(p.pos);
            }
            WorldLog(w, "player_respawned", "player respawned");
        }
        return;
    }
    if (p.health < c.playerHealth)
        p.health = std::min(c.playerHealth, p.health + c.playerRegenPerSecond * dtS);
    // A player with a behaviour goes on from the seed, and may stand or flee when hunted.
    const bool behaves = w.opt.behaviour.kind != PlayerBehaviour::Kind::None;
    const PlanStep plan = behaves ? StepPlayerPlan(w) : PlanStep();
    if (plan.action == PlanAction::Flee) {
        MountPlayer(w, p, true);
        SimPed* mount = p.mount ? FindPed(w, p.mount) : nullptr;
        SimPed& mover = mount ? *mount : p;
        MoveToward(w, mover, plan.toX, plan.toY, p.mount ? FleeRideSpeed : FleeRunSpeed, dtS, 0.5);
        p.heading = mover.heading;
        if (p.mount) p.pos = mover.pos;
    }
    // Route.
    if (plan.action == PlanAction::FollowRoute && w.routeIndex < w.opt.route.size() &&
        w.timerMs >= w.routeWaitUntilMs) {
        const Waypoint& wp = w.opt.route[w.routeIndex];
        MountPlayer(w, p, wp.mounted);
        w.playerInVehicle = wp.vehicle;
        SimPed* mount = p.mount ? FindPed(w, p.mount) : nullptr;
        SimPed& mover = mount ? *mount : p;
        if (MoveToward(w, mover, wp.x, wp.y, wp.speed, dtS, 0.5)) {
            w.routeWaitUntilMs = w.timerMs + static_cast<uint32_t>(wp.waitSeconds * 1000);
            ++w.routeIndex;
        }
        p.heading = mover.heading;
        if (p.mount) p.pos = mover.pos;
    }
    // The player shoots back at the nearest hunter that is after them (unless fleeing from them).
    if (!c.playerReturnsFire || w.timerMs < w.playerNextFireMs) return;
    if (behaves && w.opt.behaviour.flees) return;
    SimPed* best = nullptr;
    double bestD = c.playerFireRange;
    for (Ped h : w.pedOrder) {
        const SimPed* seen = PeekPed(w, h);
        if (!seen || !seen->fromPlugin || !Alive(seen) || seen->kind == ModelKind::Horse) continue;
        SimPed* q = FindPed(w, h);
        const bool hostile =
            q->engaged || q->task == TaskKind::Combat || q->task == TaskKind::Pursue;
        if (!hostile) continue;
        const double d = Dist3D(p.pos, q->pos);
        if (d <= bestD && ClearLineOfSight(w, p, *q)) {
            bestD = d;
            best = q;
        }
    }
    if (!best) return;
    w.playerNextFireMs = w.timerMs + static_cast<uint32_t>(c.playerFireIntervalMs);
    if (w.rng.Chance(c.playerHitChance)) {
        best->health -= c.playerDamage;
        if (best->health <= 0) {
            best->health = 0;
            PedDies(w, *best, "shot by the player");
        }
    }
}

void StepBystanders(World& w) {
    const SimPed& pl = Player(w);
    const Point3 at = pl.pos;
    int count = 0;
    std::vector<Ped> far;
    for (Ped h : w.pedOrder) {
        const SimPed* p = PeekPed(w, h);
        if (!p || !p->bystander) continue;
        ++count;
        if (FartherThan(p->pos.x - at.x, p->pos.y - at.y, w.opt.bystanderRadius * 1.8))
            far.push_back(h);
    }
    for (Ped h : far)
        RemoveEntity(w, h);
    count -= static_cast<int>(far.size());
    for (; count < w.opt.bystanders; ++count)
        SpawnBystander(w, w.opt.bystanderRadius * 0.5);
}

void StepFaults(World& w, double dtS) {
    const double rate = w.opt.faults.vanishPerMinute;
    if (rate <= 0 || !w.faultRng.Chance(rate * dtS / 60.0)) return;
    std::vector<Ped> candidates;
    for (Ped h : w.pedOrder) {
        const SimPed* p = FindPed(w, h);
        if (p && p->fromPlugin) candidates.push_back(h);
    }
    if (candidates.empty()) return;
    const Ped victim = candidates[w.faultRng.Below(static_cast<int>(candidates.size()))];
    WorldLog(w, "vanished", "game removed entity " + std::to_string(victim),
             "\"ped\":" + std::to_string(victim));
    if (WorldCounters* c = Counters(w)) ++c->vanished;
    RemoveEntity(w, victim);
}

void StepTimeline(World& w) {
    const double now = ElapsedMs(w) / 1000.0;
    for (TimelineEvent& e : w.opt.timeline) {
        if (e.done || e.at > now) continue;
        e.done = true;
        if (e.kind == "key") {
            // The reader has turned the name into its virtual-key code.
            const int vk = static_cast<int>(e.number);
            if (vk && SimHostGlue().pressKey) SimHostGlue().pressKey(vk);
            WorldLog(w, "key", "key " + e.text + " pressed", "\"key\":\"" + e.text + "\"");
        } else if (e.kind == "set_bounty") {
            const int32_t before = w.bounty;
            w.bounty = static_cast<int32_t>(e.number);
            WorldLog(w, "bounty",
                     "bounty set by the game: " + FormatCents(before) + " -> " +
                         FormatCents(w.bounty),
                     "\"bounty\":" + std::to_string(w.bounty));
        } else if (e.kind == "teleport") {
            TeleportPlayer(w, e.point.x, e.point.y, e.point.z);
        } else if (e.kind == "kill_player") {
            KillPlayer(w, "timeline");
        } else if (e.kind == "mission") {
            w.missionOverride = e.number != 0 ? 1 : 0;
        } else if (e.kind == "kill_hunters") {
            const int n = KillHunters(w, static_cast<int>(e.number));
            WorldLog(w, "kill_hunters", "timeline killed " + std::to_string(n) + " hunters");
        } else if (e.kind == "delete_spawned") {
            DeletePluginPeds(w, static_cast<int>(e.number));
        } else if (e.kind == "mount_nearest_horse") {
            PlayerTakesNearestHorse(w);
        } else if (e.kind == "dismount") {
            PlayerDismounts(w);
        } else if (e.kind == "write_ini") {
            if (std::FILE* f = std::fopen(w.iniFileName.c_str(), "wb")) {
                std::fwrite(e.text.data(), 1, e.text.size(), f);
                std::fclose(f);
            }
            NoteFileWritten();
            WorldLog(w, "write_ini", "settings file replaced");
        }
    }
}

// Where the player went, for the map, every second; the run samples its posses' paths then too.
void SamplePaths(World& w) {
    WorldStory* story = w.story;
    if (!story) return;
    if (ElapsedMs(w) % PathSampleMs >= w.opt.frameMs && ElapsedMs(w) >= w.opt.frameMs) return;
    const SimPed& pl = Player(w);
    std::vector<Point3>& path = story->playerPath;
    if (path.empty() || Dist2D(path.back(), pl.pos) > 1.0) path.push_back(pl.pos);
    if (story->samplePaths) story->samplePaths(story->keeper, w);
}

void Step(World& w, uint32_t dt) {
    w.timerMs += dt;
    ++w.frame;
    const double dtS = dt / 1000.0;
    StepTimeline(w);
    StepPlayer(w, dtS);
    // A copy: orders may create or remove peds. Kept between frames so that it allocates once.
    static std::vector<Ped> order;
    order = w.pedOrder;
    for (Ped h : order) {
        // A step needs only x and y: heights and headings stay pending until someone asks.
        SimPed* p = PeekPed(w, h);
        if (!p || p->isPlayer) continue;
        if (p->dying) continue;
        StepTask(w, *p, dtS);
    }
    // Riders sit on their mounts, their height and heading pending as long as the mount's are
    // (the same ground under the same x and y, the same way faced). The player's never are.
    for (Ped h : w.pedOrder) {
        SimPed* p = PeekPed(w, h);
        if (!p || !p->mount) continue;
        const SimPed* m = p->isPlayer ? FindPed(w, p->mount) : PeekPed(w, p->mount);
        if (!m) continue;
        p->pos = m->pos;
        p->heading = m->heading;
        p->groundPending = m->groundPending;
        p->headingPending = m->headingPending;
        p->pendingHeadingDx = m->pendingHeadingDx;
        p->pendingHeadingDy = m->pendingHeadingDy;
    }
    const bool mission = MissionActive(w);
    if (mission != w.missionWasActive) {
        w.missionWasActive = mission;
        WorldLog(w, "mission", mission ? "story mission started" : "story mission ended",
                 std::string("\"active\":") + (mission ? "true" : "false"));
    }
    StepBystanders(w);
    StepFaults(w, dtS);
    SamplePaths(w);
    if (WorldCounters* c = Counters(w))
        c->maxPluginPeds = std::max(c->maxPluginPeds, CountPluginPeds(w));
}

} // namespace

void WorldAdvance(World& w, uint32_t ms) {
    if (ms == 0) ms = w.opt.frameMs;
    while (ms > 0) {
        const uint32_t dt = std::min(ms, w.opt.frameMs);
        Step(w, dt);
        ms -= dt;
    }
}

bool ClearLineOfSight(const World& w, const SimPed& a, const SimPed& b) {
    const double d = Dist2D(a.pos, b.pos);
    if (d > w.opt.losRange) return false;
    const double dx = b.pos.x - a.pos.x, dy = b.pos.y - a.pos.y;
    const double len2 = dx * dx + dy * dy;
    // An occluder wholly beside the box around a-b (a metre clear of it, far beyond any rounding)
    // cannot come within its radius of the segment: most are skipped so.
    const double boxX0 = std::min(a.pos.x, b.pos.x) - 1, boxX1 = std::max(a.pos.x, b.pos.x) + 1;
    const double boxY0 = std::min(a.pos.y, b.pos.y) - 1, boxY1 = std::max(a.pos.y, b.pos.y) + 1;
    // Only the occluders whose centre lies within the widest radius (and the same metre) of the
    // box's x range can reach it: the search starts at the first of them and stops past the last.
    const double reach = w.widestOccluder + 1;
    const auto end = w.occludersByX.end();
    auto c = std::lower_bound(w.occludersByX.begin(), end, boxX0 - reach,
                              [](const Circle& o, double x) { return o.cx < x; });
    for (; c != end && c->cx <= boxX1 + reach; ++c) {
        if (c->cx + c->radius < boxX0 || c->cx - c->radius > boxX1 || c->cy + c->radius < boxY0 ||
            c->cy - c->radius > boxY1)
            continue;
        // Distance from the occluder's centre to the segment a-b.
        double t = len2 > 0 ? ((c->cx - a.pos.x) * dx + (c->cy - a.pos.y) * dy) / len2 : 0;
        if (t <= 0 || t >= 1) continue;
        const double px = a.pos.x + t * dx, py = a.pos.y + t * dy;
        if (!SurelyBeyond(c->cx - px, c->cy - py, c->radius) &&
            std::hypot(c->cx - px, c->cy - py) < c->radius)
            return false;
    }
    // Hills between the two block the view: sample the ground along the line of sight.
    const int samples = std::min(25, static_cast<int>(d / 10.0));
    for (int i = 1; i < samples; ++i) {
        const double t = static_cast<double>(i) / samples;
        const double x = a.pos.x + (b.pos.x - a.pos.x) * t, y = a.pos.y + (b.pos.y - a.pos.y) * t;
        const double eye = (a.pos.z + 1.6) + ((b.pos.z + 1.2) - (a.pos.z + 1.6)) * t;
        if (GroundCeiling(w, x, y) <= eye) continue; // the ground here is surely below the eye
        if (GroundHeight(w, x, y) > eye) return false;
    }
    return true;
}

bool Perceives(const World& w, const SimPed& observer, const SimPed& target) {
    const double d = Dist3D(observer.pos, target.pos);
    if (d > w.opt.perceptionRange) return false;
    if (d <= 8.0) return true; // heard
    const double toTarget = HeadingTo(observer.pos, target.pos.x, target.pos.y);
    double diff = std::fabs(std::fmod(toTarget - observer.heading + 540.0, 360.0) - 180.0);
    return diff <= w.opt.perceptionFovDegrees / 2;
}

int NearbyPeds(const World& w, Ped around, Ped* out, int capacity) {
    const SimPed* c = LocatePed(w, around);
    if (!c || capacity <= 0) return 0;
    // Kept between queries so that a query allocates nothing.
    static std::vector<std::pair<double, Ped>> near;
    near.clear();
    for (Ped h : w.pedOrder) {
        if (h == around) continue;
        const SimPed* p = LocatePed(w, h);
        if (!p) continue;
        const double d = Dist3D(p->pos, c->pos);
        if (d <= w.opt.nearbyQueryRadius) near.push_back({d, h});
    }
    std::sort(near.begin(), near.end());
    const int n = std::min(capacity, static_cast<int>(near.size()));
    for (int i = 0; i < n; ++i)
        out[i] = near[i].second;
    return n;
}
