// The player's own plans (roamer, camper, outlaw): where they go and what they do, drawn from
// the seed, apart from the world's physics so a fixed route stays as simple as it was.
#include "world/player_behaviour.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "world/world.h"

namespace {

constexpr double NodeMergeMeters = 5;   // road points closer than this are one crossing
constexpr double AtPlaceMeters = 150;   // near enough to a town or camp to be there
constexpr double WildMinMeters = 300;   // a stop in the wild lies this far from the player
constexpr double WildMaxMeters = 900;   // ... and no farther
constexpr double WildClearMeters = 250; // ... and this far from every town and camp
constexpr double WaterStepMeters = 20;  // a ride across country is checked for water this often
constexpr int WildTries = 16;
constexpr double LakeMarginMeters = 15; // a ride keeps this far from a lake's shore
constexpr int MaxDetours = 4;
constexpr double StrollMeters = 20; // how far the player walks about at a stop
constexpr double WalkSpeed = 1.4;   // m/s on foot at a stop
constexpr double CampStrollMinutes[2] = {5, 20};
constexpr uint32_t ThreatCheckMs = 500;
constexpr double FleeAheadMeters = 60;
constexpr int64_t MaxBounty = 100000000;
// The map's land between the western desert and the northern heights, short of the sea.
constexpr double LandX[2] = {-3400, 3100}, LandY[2] = {-2350, 1950};

// A generator of the plan's own: the stops and the crimes each have one, so a crime drawn or
// skipped never shifts where the player rides next.
struct Draw {
    SimRng rng;
    explicit Draw(uint64_t& state) : state_(state) { rng.state = state; }
    ~Draw() { state_ = rng.state; }
    Draw(const Draw&) = delete;
    Draw& operator=(const Draw&) = delete;

  private:
    uint64_t& state_;
};

double Hypot(double dx, double dy) {
    return std::sqrt(dx * dx + dy * dy);
}

// Game minutes as game-timer seconds at the world's clock rate (a stopped clock counts as the
// usual 30).
double TimerSeconds(const World& w, double gameMinutes) {
    const double rate = w.opt.clockRate > 0 ? w.opt.clockRate : 30;
    return gameMinutes * 60.0 / rate;
}

// The roads as a graph: every road point is a node, linked to its neighbours on the road; points
// of different roads that meet are one node.
struct RoadGraph {
    std::vector<Point2> nodes;
    std::vector<std::vector<std::pair<int, double>>> links;
};

RoadGraph BuildRoadGraph(const World& w) {
    RoadGraph g;
    auto nodeAt = [&](const Point2& p) {
        for (size_t i = 0; i < g.nodes.size(); ++i)
            if (Hypot(g.nodes[i].x - p.x, g.nodes[i].y - p.y) < NodeMergeMeters)
                return static_cast<int>(i);
        g.nodes.push_back(p);
        g.links.emplace_back();
        return static_cast<int>(g.nodes.size() - 1);
    };
    for (const Road& r : w.opt.roads) {
        int previous = -1;
        for (const Point2& p : r.points) {
            const int n = nodeAt(p);
            if (previous >= 0 && previous != n) {
                const double d =
                    Hypot(g.nodes[n].x - g.nodes[previous].x, g.nodes[n].y - g.nodes[previous].y);
                g.links[previous].push_back({n, d});
                g.links[n].push_back({previous, d});
            }
            previous = n;
        }
    }
    return g;
}

int NearestNode(const RoadGraph& g, double x, double y) {
    int best = -1;
    double bestD = 0;
    for (size_t i = 0; i < g.nodes.size(); ++i) {
        const double d = Hypot(g.nodes[i].x - x, g.nodes[i].y - y);
        if (best < 0 || d < bestD) {
            best = static_cast<int>(i);
            bestD = d;
        }
    }
    return best;
}

// The nodes from one node to another along the roads (both included); empty when the roads do
// not join them. Ties go to the lower node number, so the way is the same on every machine.
std::vector<int> RoadWay(const RoadGraph& g, int from, int to) {
    const size_t n = g.nodes.size();
    std::vector<double> dist(n, std::numeric_limits<double>::infinity());
    std::vector<int> previous(n, -1);
    std::vector<bool> done(n, false);
    dist[static_cast<size_t>(from)] = 0;
    for (;;) {
        int u = -1;
        for (size_t i = 0; i < n; ++i)
            if (!done[i] && std::isfinite(dist[i]) &&
                (u < 0 || dist[i] < dist[static_cast<size_t>(u)]))
                u = static_cast<int>(i);
        if (u < 0 || u == to) break;
        done[static_cast<size_t>(u)] = true;
        for (const auto& [v, d] : g.links[static_cast<size_t>(u)])
            if (dist[static_cast<size_t>(u)] + d < dist[static_cast<size_t>(v)]) {
                dist[static_cast<size_t>(v)] = dist[static_cast<size_t>(u)] + d;
                previous[static_cast<size_t>(v)] = u;
            }
    }
    if (!std::isfinite(dist[static_cast<size_t>(to)])) return {};
    std::vector<int> way;
    for (int v = to; v >= 0; v = previous[static_cast<size_t>(v)])
        way.push_back(v);
    std::reverse(way.begin(), way.end());
    return way;
}

bool CrossesWater(const World& w, double x0, double y0, double x1, double y1) {
    const double len = Hypot(x1 - x0, y1 - y0);
    const int steps = std::max(1, static_cast<int>(len / WaterStepMeters));
    for (int i = 1; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        if (WaterAt(w, x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, nullptr)) return true;
    }
    return false;
}

bool NearAPlace(const World& w, double x, double y, double meters, bool campsOnly) {
    for (const Landmark& l : w.landmarks)
        if ((!campsOnly || !l.town) && Hypot(l.x - x, l.y - y) < meters) return true;
    return false;
}

const Point3& PlayerAt(World& w) {
    return FindPed(w, w.playerPed)->pos;
}

// The first lake the way from (x0, y0) to (x1, y1) passes within a margin of; null when none.
const WaterBody* LakeAcross(const World& w, double x0, double y0, double x1, double y1) {
    const double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
    for (const WaterBody& b : w.opt.water) {
        const double t =
            len2 > 0 ? std::clamp(((b.cx - x0) * dx + (b.cy - y0) * dy) / len2, 0.0, 1.0) : 0;
        if (Hypot(x0 + t * dx - b.cx, y0 + t * dy - b.cy) < b.radius + LakeMarginMeters) return &b;
    }
    return nullptr;
}

void Ride(World& w, double x, double y, int detours = 0) {
    // A horse will not swim: round a lake on the way by a point beside it, on the side the way
    // passes (roads cross lakes on bridges the simulated world does not have).
    const Point2 from{w.plan.tailX, w.plan.tailY};
    if (const WaterBody* lake =
            detours < MaxDetours ? LakeAcross(w, from.x, from.y, x, y) : nullptr) {
        const double dx = x - from.x, dy = y - from.y, len = std::max(1e-9, Hypot(dx, dy));
        double nx = -dy / len, ny = dx / len;
        if ((lake->cx - from.x) * nx + (lake->cy - from.y) * ny > 0) {
            nx = -nx;
            ny = -ny;
        }
        const double out = lake->radius * 1.25 + LakeMarginMeters;
        Ride(w, lake->cx + nx * out, lake->cy + ny * out, detours + 1);
        Ride(w, x, y, detours + 1);
        return;
    }
    Waypoint wp;
    wp.x = x;
    wp.y = y;
    wp.speed = w.opt.behaviour.rideSpeed;
    wp.mounted = true;
    w.opt.route.push_back(wp);
    w.plan.tailX = x;
    w.plan.tailY = y;
}

// Off the horse and a few steps about the stop, then the stay.
void Stay(World& w, SimRng& rng, double x, double y, double minutes) {
    Waypoint wp;
    wp.x = x + rng.Range(-StrollMeters, StrollMeters);
    wp.y = y + rng.Range(-StrollMeters, StrollMeters);
    wp.speed = WalkSpeed;
    wp.waitSeconds = TimerSeconds(w, minutes);
    w.opt.route.push_back(wp);
    w.plan.tailX = wp.x;
    w.plan.tailY = wp.y;
}

// Rides from (x, y) to (tx, ty), along the roads where they join the two ends.
void RideTo(World& w, const RoadGraph& g, double x, double y, double tx, double ty) {
    const int a = NearestNode(g, x, y), b = NearestNode(g, tx, ty);
    if (a >= 0 && b >= 0 && a != b) {
        for (int n : RoadWay(g, a, b)) {
            const Point2& p = g.nodes[static_cast<size_t>(n)];
            // A road point on a lake is a bridge the simulated world does not have: the ride
            // leaves it out and rounds the lake from the point before to the point after.
            if (!LakeAcross(w, p.x, p.y, p.x, p.y)) Ride(w, p.x, p.y);
        }
    }
    Ride(w, tx, ty);
}

// A point in the wild some way from (x, y), on land and reached without crossing water; false
// when none was found in a few tries.
bool WildPoint(const World& w, SimRng& rng, double x, double y, Point2* out) {
    for (int i = 0; i < WildTries; ++i) {
        // A direction and a distance drawn from a square, without trigonometry: the same bits on
        // every platform.
        const double dx = rng.Range(-1, 1), dy = rng.Range(-1, 1);
        const double r = Hypot(dx, dy);
        const double meters = rng.Range(WildMinMeters, WildMaxMeters);
        if (r < 0.05 || r > 1) continue;
        const double px = x + dx / r * meters, py = y + dy / r * meters;
        if (px < LandX[0] || px > LandX[1] || py < LandY[0] || py > LandY[1]) continue;
        if (WaterAt(w, px, py, nullptr) || InNoSpawnArea(w, px, py)) continue;
        if (NearAPlace(w, px, py, WildClearMeters, false)) continue;
        if (CrossesWater(w, x, y, px, py)) continue;
        *out = {px, py};
        return true;
    }
    return false;
}

// A town or camp the roads lead to from where the player is, other than the one they are at;
// -1 when there is none.
int NextPlace(const World& w, const RoadGraph& g, SimRng& rng, double x, double y) {
    std::vector<int> places;
    const int from = NearestNode(g, x, y);
    for (size_t i = 0; i < w.landmarks.size(); ++i) {
        const Landmark& l = w.landmarks[i];
        if (Hypot(l.x - x, l.y - y) < AtPlaceMeters) continue;
        const int to = NearestNode(g, l.x, l.y);
        const bool joined = from < 0 || from == to || !RoadWay(g, from, to).empty();
        if (joined) places.push_back(static_cast<int>(i));
    }
    if (places.empty()) return -1;
    return places[static_cast<size_t>(rng.Below(static_cast<int>(places.size())))];
}

double StayMinutes(const World& w, SimRng& rng) {
    const PlayerBehaviour& b = w.opt.behaviour;
    return rng.Range(b.stayMinutes[0], std::max(b.stayMinutes[0], b.stayMinutes[1]));
}

// A roamer's (and an outlaw's) next stop: the wild now and then, else a town or camp.
void PlanRoamerStop(World& w, const RoadGraph& g, SimRng& rng) {
    const Point3 at = PlayerAt(w);
    const bool wild = rng.Chance(w.opt.behaviour.wildShare);
    Point2 p;
    if (wild && WildPoint(w, rng, at.x, at.y, &p)) {
        Ride(w, p.x, p.y);
        Stay(w, rng, p.x, p.y, StayMinutes(w, rng));
        return;
    }
    const int place = NextPlace(w, g, rng, at.x, at.y);
    if (place < 0) { // nowhere to ride: a while where they stand
        Stay(w, rng, at.x, at.y, StayMinutes(w, rng));
        return;
    }
    const Landmark& l = w.landmarks[static_cast<size_t>(place)];
    RideTo(w, g, at.x, at.y, l.x, l.y);
    Stay(w, rng, l.x, l.y, StayMinutes(w, rng));
}

double GapMinutes(SimRng& rng, double perHour) {
    // Evenly between half and one and a half times the mean gap: a rate without a logarithm.
    return rng.Range(0.5, 1.5) * 60.0 / perHour;
}

// A camper strolls about the camp and now and then rides out to the wild and back.
void PlanCamperStop(World& w, const RoadGraph& g, SimRng& rng) {
    PlayerPlanState& s = w.plan;
    const PlayerBehaviour& b = w.opt.behaviour;
    const Landmark& home = w.landmarks[static_cast<size_t>(s.home)];
    const Point3 at = PlayerAt(w);
    if (Hypot(home.x - at.x, home.y - at.y) >= AtPlaceMeters) { // away: ride home
        RideTo(w, g, at.x, at.y, home.x, home.y);
        Stay(w, rng, home.x, home.y, rng.Range(CampStrollMinutes[0], CampStrollMinutes[1]));
        return;
    }
    if (s.leaveHomeAtMs == 0 && b.outingsPerHour > 0)
        s.leaveHomeAtMs =
            w.timerMs +
            static_cast<uint32_t>(TimerSeconds(w, GapMinutes(rng, b.outingsPerHour)) * 1000);
    Point2 p;
    if (b.outingsPerHour > 0 && w.timerMs >= s.leaveHomeAtMs &&
        WildPoint(w, rng, home.x, home.y, &p)) {
        s.leaveHomeAtMs = 0;
        Ride(w, p.x, p.y);
        Stay(w, rng, p.x, p.y, StayMinutes(w, rng));
        RideTo(w, g, p.x, p.y, home.x, home.y);
        Stay(w, rng, home.x, home.y, rng.Range(CampStrollMinutes[0], CampStrollMinutes[1]));
        return;
    }
    double minutes = rng.Range(CampStrollMinutes[0], CampStrollMinutes[1]);
    if (s.leaveHomeAtMs > w.timerMs) {
        const double left = (s.leaveHomeAtMs - w.timerMs) / 1000.0 / TimerSeconds(w, 1);
        minutes = std::min(minutes, std::max(1.0, left));
    }
    Stay(w, rng, home.x, home.y, minutes);
}

// An outlaw's crime raises the game's bounty, anywhere but in a camp.
void CommitCrime(World& w, SimRng& rng) {
    const PlayerBehaviour& b = w.opt.behaviour;
    const int32_t lo = b.crimeCents[0], hi = std::max(b.crimeCents[0], b.crimeCents[1]);
    const int32_t cents = lo + rng.Below(hi - lo + 1);
    const Point3 at = PlayerAt(w);
    if (NearAPlace(w, at.x, at.y, AtPlaceMeters, true)) return;
    const int32_t before = w.bounty;
    w.bounty = static_cast<int32_t>(std::min<int64_t>(MaxBounty, int64_t{w.bounty} + cents));
    WorldLog(w, "bounty",
             "bounty raised by a crime: " + FormatCents(before) + " -> " + FormatCents(w.bounty),
             "\"bounty\":" + std::to_string(w.bounty));
}

// The nearest plug-in ped that is after the player within the given distance.
bool NearestThreat(World& w, double within, double* x, double* y) {
    const Point3 at = PlayerAt(w);
    bool found = false;
    double best = within;
    for (Ped h : w.pedOrder) {
        // Only flags and x and y are read: a wandering bystander's pending height stays pending.
        const SimPed* q = PeekPed(w, h);
        if (!q || !q->fromPlugin || q->dying || q->health <= 0 || q->kind == ModelKind::Horse)
            continue;
        const bool hostile =
            q->engaged || q->task == TaskKind::Combat || q->task == TaskKind::Pursue;
        if (!hostile) continue;
        const double d = Hypot(q->pos.x - at.x, q->pos.y - at.y);
        if (d <= best) {
            best = d;
            *x = q->pos.x;
            *y = q->pos.y;
            found = true;
        }
    }
    return found;
}

// Away from the hunter, turning aside from water.
PlanStep FleeFrom(World& w, double tx, double ty) {
    const Point3 at = PlayerAt(w);
    double dx = at.x - tx, dy = at.y - ty;
    const double len = std::max(0.1, Hypot(dx, dy));
    dx /= len;
    dy /= len;
    constexpr double C = 0.7071067811865476; // cos and sin of 45 degrees
    const double turns[][2] = {{1, 0}, {C, C}, {C, -C}, {0, 1}, {0, -1}};
    PlanStep step;
    step.action = PlanAction::Flee;
    for (const auto& t : turns) {
        const double rx = dx * t[0] - dy * t[1], ry = dx * t[1] + dy * t[0];
        step.toX = at.x + rx * FleeAheadMeters;
        step.toY = at.y + ry * FleeAheadMeters;
        if (!WaterAt(w, step.toX, step.toY, nullptr)) break;
    }
    return step;
}

} // namespace

void StartPlayerPlan(World& w) {
    PlayerPlanState& s = w.plan;
    s = PlayerPlanState();
    s.legState = w.opt.seed * 0xD1B54A32D192ED03ull + 0x5EED;
    s.crimeState = w.opt.seed * 0x8CB92BA72F3D8DD7ull + 0xC0DE;
    const PlayerBehaviour& b = w.opt.behaviour;
    if (b.kind == PlayerBehaviour::Kind::Camper) {
        // The camp named, else the camp nearest the start.
        double best = 0;
        for (size_t i = 0; i < w.landmarks.size(); ++i) {
            const Landmark& l = w.landmarks[i];
            if (l.town) continue;
            const double d = Hypot(l.x - w.opt.playerStart.x, l.y - w.opt.playerStart.y);
            if (b.camp.empty() ? (s.home < 0 || d < best) : l.name == b.camp) {
                s.home = static_cast<int>(i);
                best = d;
            }
        }
    }
    if (b.kind == PlayerBehaviour::Kind::Outlaw && b.crimesPerHour > 0) {
        Draw d(s.crimeState);
        s.nextCrimeMs = w.timerMs + static_cast<uint32_t>(
                                        TimerSeconds(w, GapMinutes(d.rng, b.crimesPerHour)) * 1000);
    }
}

PlanStep StepPlayerPlan(World& w) {
    PlayerPlanState& s = w.plan;
    const PlayerBehaviour& b = w.opt.behaviour;
    if (b.kind == PlayerBehaviour::Kind::Outlaw && b.crimesPerHour > 0 &&
        w.timerMs >= s.nextCrimeMs) {
        Draw d(s.crimeState);
        CommitCrime(w, d.rng);
        s.nextCrimeMs = w.timerMs + static_cast<uint32_t>(
                                        TimerSeconds(w, GapMinutes(d.rng, b.crimesPerHour)) * 1000);
    }
    if (w.routeIndex >= w.opt.route.size()) {
        const RoadGraph g = BuildRoadGraph(w);
        w.plan.tailX = PlayerAt(w).x;
        w.plan.tailY = PlayerAt(w).y;
        Draw d(s.legState);
        if (b.kind == PlayerBehaviour::Kind::Camper && s.home >= 0)
            PlanCamperStop(w, g, d.rng);
        else
            PlanRoamerStop(w, g, d.rng);
        ++s.stopsPlanned;
    }
    if (w.timerMs >= s.nextThreatCheckMs) {
        s.nextThreatCheckMs = w.timerMs + ThreatCheckMs;
        const double within = b.flees ? b.fleeMeters : w.opt.combat.playerFireRange;
        s.threatened = NearestThreat(w, within, &s.threatX, &s.threatY);
    }
    if (!s.threatened) return {};
    if (b.flees) return FleeFrom(w, s.threatX, s.threatY);
    PlanStep hold;
    hold.action = PlanAction::HoldGround;
    return hold;
}
