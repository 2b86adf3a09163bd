// The map of the simulated world: terrain, sea and lakes, roads, zones, occluders, landmarks.
#include <algorithm>
#include <array>
#include <cmath>

#include "config/shield_zones.h"
#include "state/settings.h"
#include "world/world.h"
#include "world/world_story.h"

namespace {

struct HeightPoint {
    double x, y, z;
};

// Terrain passes through these heights; the camps and the town sit at their own levels.
const HeightPoint HeightPoints[] = {
    {-125.572, -32.097, 95.893},
    {678.288, -1231.933, 44.487},
    {1899.721, -1883.294, 42.218},
    {2253.612, -755.578, 42.784},
    {-2569.698, 446.74, 146.017},
    {-1648.642, -1370.085, 83.964},
    {2319.548, 1442.118, 85.195},
    {1194.275, -7219.732, 69.404},
    {1383.95, -1260.199, 78.121},
    {0, 1300, 320},
    {-1000, 800, 240},
    {2800, 100, 55},
    {-3000, -1500, 180},
    {500, 500, 130},
    {1000, -2000, 20},
    {-800, -1900, 60},
    {1700, 600, 110},
    {-2200, 1600, 380},
};

constexpr double SeaShoreY = -2500.0;
constexpr double ShoreWidth = 150.0;
constexpr double SeaFloor = -25.0;
constexpr double IslandX = 1194.275, IslandY = -7219.732, IslandRadius = 1100.0;

double Clamp01(double v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

constexpr size_t HeightPointCount = sizeof HeightPoints / sizeof HeightPoints[0];

// Squared distances from a point to every height point.
using PointDistances = std::array<double, HeightPointCount>;

PointDistances SquaredDistances(double x, double y) {
    PointDistances d2;
    for (size_t i = 0; i < HeightPointCount; ++i)
        d2[i] = (x - HeightPoints[i].x) * (x - HeightPoints[i].x) +
                (y - HeightPoints[i].y) * (y - HeightPoints[i].y);
    return d2;
}

double BlendedHeight(double x, double y, const PointDistances& d2) {
    // The weights first, then the sums in point order: the same arithmetic as one loop, but the
    // divisions can run side by side.
    PointDistances wgt;
    for (size_t i = 0; i < HeightPointCount; ++i)
        wgt[i] = 1.0 / (d2[i] + 90000.0);
    double num = 0, den = 0;
    for (size_t i = 0; i < HeightPointCount; ++i) {
        num += wgt[i] * HeightPoints[i].z;
        den += wgt[i];
    }
    // Gentle rolling ground on top of the interpolated levels; zero at the height points' scale.
    const double roll =
        4.0 * std::sin(x / 173.0 + 0.3) * std::cos(y / 219.0) + 2.0 * std::sin((x + y) / 97.0);
    return num / den + roll;
}

constexpr double BumpScale2 = 250.0 * 250.0;

struct Bump {
    double residual = 0;
    // Beyond this squared distance the bump adds less than a quarter of the spacing of doubles
    // at magnitude 1: added to a height of magnitude 1 or more it changes no bit, so it is left
    // out (exp is the dearest part of the terrain).
    double negligibleD2 = 0;
};

// The blend does not pass exactly through its points; a broad bump at each point makes up the
// difference, so every camp and the town sit at their own level.
const std::array<Bump, HeightPointCount>& Bumps() {
    static const std::array<Bump, HeightPointCount> bumps = [] {
        std::array<Bump, HeightPointCount> b{};
        for (size_t i = 0; i < HeightPointCount; ++i) {
            const double px = HeightPoints[i].x, py = HeightPoints[i].y;
            b[i].residual = HeightPoints[i].z - BlendedHeight(px, py, SquaredDistances(px, py));
            // residual * exp(-t) < 2^-56 for t > ln(|residual| * 2^56); one more for the rounding
            // of the division, exp and product.
            const double t = std::log(std::max(std::fabs(b[i].residual), 1e-300) * 0x1p56) + 1.0;
            b[i].negligibleD2 = std::max(0.0, t) * BumpScale2;
        }
        return b;
    }();
    return bumps;
}

double LandHeight(double x, double y) {
    const std::array<Bump, HeightPointCount>& bumps = Bumps();
    const PointDistances d2 = SquaredDistances(x, y);
    double h = BlendedHeight(x, y, d2);
    for (size_t i = 0; i < HeightPointCount; ++i) {
        if (d2[i] > bumps[i].negligibleD2 && std::fabs(h) >= 1.0) continue;
        h += bumps[i].residual * std::exp(-d2[i] / BumpScale2);
    }
    return h;
}

// Ceilings: an upper bound of the ground over each square cell of the map, so that a line of
// sight, which only asks whether the ground rises above its eye line, needs the exact height
// only where the bound reaches the line. A cell's bound costs about three exact heights and is
// looser the wider the cell: at 8 m a line of sight in rolling country still seldom needs the exact
// height, at 16 m it often would.
constexpr double CeilingCell = 8.0; // metres
// Every term of the height is bounded over the cell: how far the rolling ground can change per
// metre along x and along y,
constexpr double RollSlopeX = 4.0 / 173.0 + 2.0 / 97.0, RollSlopeY = 4.0 / 219.0 + 2.0 / 97.0;
// and far more than the rounding of the exact height (a few ulps of a few hundred metres).
constexpr double CeilingMargin = 1e-6;

// The nearest and farthest squared distance from a height point to the cell.
void DistanceRange(double px, double py, double x0, double y0, double x1, double y1, double* lo,
                   double* hi) {
    const double nx = px < x0 ? x0 - px : (px > x1 ? px - x1 : 0.0);
    const double ny = py < y0 ? y0 - py : (py > y1 ? py - y1 : 0.0);
    const double fx = std::max(std::fabs(px - x0), std::fabs(px - x1));
    const double fy = std::max(std::fabs(py - y0), std::fabs(py - y1));
    *lo = nx * nx + ny * ny;
    *hi = fx * fx + fy * fy;
}

double LandCeiling(double x0, double y0, double x1, double y1) {
    // The blend is a weighted mean whose weights each lie in a range over the cell; its largest
    // value gives the high weights to the highest points and the low ones to the rest, for some
    // split of the points by height: try every split.
    static const std::array<size_t, HeightPointCount> byHeight = [] {
        std::array<size_t, HeightPointCount> order{};
        for (size_t i = 0; i < HeightPointCount; ++i)
            order[i] = i;
        std::sort(order.begin(), order.end(),
                  [](size_t a, size_t b) { return HeightPoints[a].z > HeightPoints[b].z; });
        return order;
    }();
    const std::array<Bump, HeightPointCount>& bumps = Bumps();
    std::array<double, HeightPointCount> low{}, high{};
    double bump = 0;
    double num = 0, den = 0; // every point at its low weight
    for (size_t i = 0; i < HeightPointCount; ++i) {
        double d2lo, d2hi;
        DistanceRange(HeightPoints[i].x, HeightPoints[i].y, x0, y0, x1, y1, &d2lo, &d2hi);
        low[i] = 1.0 / (d2hi + 90000.0);
        high[i] = 1.0 / (d2lo + 90000.0);
        num += low[i] * HeightPoints[i].z;
        den += low[i];
        // A bump that reaches no point of the cell by 2^-56 is bounded without its exp: by 2^-56
        // when it lifts, by nothing when it lowers.
        const double r = bumps[i].residual, d2 = r > 0 ? d2lo : d2hi;
        if (d2 > bumps[i].negligibleD2)
            bump += r > 0 ? 0x1p-56 : 0.0;
        else
            bump += r * std::exp(-d2 / BumpScale2);
    }
    double blend = num / den;
    for (size_t k : byHeight) {
        num += (high[k] - low[k]) * HeightPoints[k].z;
        den += high[k] - low[k];
        blend = std::max(blend, num / den);
    }
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const double roll = 4.0 * std::sin(cx / 173.0 + 0.3) * std::cos(cy / 219.0) +
                        2.0 * std::sin((cx + cy) / 97.0) + RollSlopeX * (x1 - x0) / 2 +
                        RollSlopeY * (y1 - y0) / 2;
    return blend + roll + bump;
}

double Landness(double x, double y) {
    // Inland (the division below would give 1 or more): the island cannot change the answer.
    if (y - SeaShoreY >= ShoreWidth) return 1.0;
    const double mainland = Clamp01((y - SeaShoreY) / ShoreWidth);
    // Off the island's shore: the island cannot change the answer.
    if (mainland >= 1.0) return mainland;
    if (SurelyBeyond(x - IslandX, y - IslandY, IslandRadius)) return std::max(mainland, 0.0);
    const double di = std::hypot(x - IslandX, y - IslandY);
    const double island = Clamp01((IslandRadius - di) / ShoreWidth);
    return std::max(mainland, island);
}

// The slot of a cell in a square cache side cells across (the ceilings', the dry cells'): by x and
// y modulo the side, so that neighbouring cells lie in neighbouring slots.
size_t CellSlot(int32_t cx, int32_t cy, size_t side) {
    return (static_cast<uint32_t>(cx) % side) * side + static_cast<uint32_t>(cy) % side;
}

// Most of the map is far from every lake and from the sea, and most steps ask about water there:
// a cell of the map is judged once (and kept) whether it is dry, so that a point in a dry cell
// needs no look at each lake. A cell is dry when it lies a metre or more inland of the shore and
// every lake's rim stays a metre or more away from it: far beyond the rounding of any distance or
// of the cell a point is put in, so the exact test would find no water there either.
constexpr double DryCellSize = 32.0; // metres
// Cells are counted from far below the map, so that truncation finds a point's cell (the sum
// rounds a point lying within micrometres of a cell's edge into either cell: the metre covers it).
constexpr double DryCellOffset = 0x1p30;

[[gnu::noinline]] bool JudgeDryCell(const World& w, int32_t cx, int32_t cy) {
    std::vector<DryCell>& cache = w.dryCells;
    constexpr size_t Side = DryCellCacheSide;
    if (cache.empty()) cache.resize(Side * Side);
    const double x0 = (cx - DryCellOffset) * DryCellSize, y0 = (cy - DryCellOffset) * DryCellSize;
    const double x1 = x0 + DryCellSize, y1 = y0 + DryCellSize;
    bool dry = y0 - SeaShoreY >= ShoreWidth + 1.0;
    for (const WaterBody& b : w.opt.water) {
        double lo, hi;
        DistanceRange(b.cx, b.cy, x0, y0, x1, y1, &lo, &hi);
        const double reach = b.radius + 1.0;
        if (!(lo > reach * reach)) dry = false; // a lake of no number is never ruled out
    }
    cache[CellSlot(cx, cy, Side)] = {cx, cy, dry};
    return dry;
}

bool SurelyDry(const World& w, double x, double y) {
    const double fx = x / DryCellSize + DryCellOffset, fy = y / DryCellSize + DryCellOffset;
    // Within some 30 million km of the middle of the map (and a number): else no shortcut.
    if (!(fx >= 1 && fx < 0x1p31 && fy >= 1 && fy < 0x1p31)) return false;
    const int32_t cx = static_cast<int32_t>(fx), cy = static_cast<int32_t>(fy);
    const std::vector<DryCell>& cache = w.dryCells;
    constexpr size_t Side = DryCellCacheSide;
    if (cache.empty()) return JudgeDryCell(w, cx, cy);
    const DryCell& cell = cache[CellSlot(cx, cy, Side)];
    if (cell.cx == cx && cell.cy == cy) return cell.dry;
    return JudgeDryCell(w, cx, cy);
}

// The lakes and the sea, looked at one by one (kept out of line: most points never need it).
[[gnu::noinline]] bool WaterAtExactly(const World& w, double x, double y, double* surface) {
    for (const WaterBody& b : w.opt.water) {
        if (!SurelyBeyond(x - b.cx, y - b.cy, b.radius) &&
            std::hypot(x - b.cx, y - b.cy) < b.radius) {
            if (surface) *surface = b.surface;
            return true;
        }
    }
    if (Landness(x, y) < 1.0 && GroundHeight(w, x, y) < 0.0) {
        if (surface) *surface = 0.0;
        return true;
    }
    return false;
}

double SegmentDistance(const Point2& a, const Point2& b, double x, double y, Point2* closest) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((x - a.x) * dx + (y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const Point2 c{a.x + t * dx, a.y + t * dy};
    if (closest) *closest = c;
    return std::hypot(x - c.x, y - c.y);
}

Zone Rect(int type, uint32_t hash, const char* name, double x0, double y0, double x1, double y1) {
    return Zone{.type = type, .hash = hash, .name = name, .x0 = x0, .y0 = y0, .x1 = x1, .y1 = y1};
}

Zone Disc(int type, uint32_t hash, const char* name, double cx, double cy, double r) {
    return Zone{.type = type, .hash = hash, .name = name, .cx = cx, .cy = cy, .radius = r};
}

bool ZoneContains(const Zone& z, double x, double y) {
    if (z.radius > 0)
        return (x - z.cx) * (x - z.cx) + (y - z.cy) * (y - z.cy) <= z.radius * z.radius;
    return x >= z.x0 && x <= z.x1 && y >= z.y0 && y <= z.y1;
}

} // namespace

bool FartherThan(double dx, double dy, double r) {
    if (SurelyBeyond(dx, dy, r)) return true;
    if (SurelyWithin(dx, dy, r)) return false;
    return std::hypot(dx, dy) > r;
}

double GroundHeight(const World& w, double x, double y) {
    const double land = LandHeight(x, y);
    const double l = Landness(x, y);
    double g = l * land + (1.0 - l) * SeaFloor;
    for (const WaterBody& b : w.opt.water) {
        if (SurelyBeyond(x - b.cx, y - b.cy, b.radius)) continue;
        const double d = std::hypot(x - b.cx, y - b.cy);
        if (d < b.radius) {
            const double f = d / b.radius;
            g = std::min(g, b.surface - b.depth * (1.0 - f * f));
        }
    }
    return g + PlateauRise(w, x, y);
}

double GroundCeiling(const World& w, double x, double y) {
    const double qx = x / CeilingCell, qy = y / CeilingCell;
    if (!(std::fabs(qx) < 1e9 && std::fabs(qy) < 1e9)) return HUGE_VAL; // no bound: ask exactly
    // The cell's corner is the floor of the quotient: truncated, and one less where that rounded
    // a negative quotient up (cheaper than floor, and exact this near 0).
    int32_t cx = static_cast<int32_t>(qx), cy = static_cast<int32_t>(qy);
    if (cx > qx) --cx;
    if (cy > qy) --cy;
    std::vector<GroundCeilingCell>& cache = w.groundCeilings;
    constexpr size_t Side = GroundCeilingCacheSide;
    if (cache.empty()) cache.resize(Side * Side);
    GroundCeilingCell& cell = cache[CellSlot(cx, cy, Side)];
    if (cell.cx == cx && cell.cy == cy) return cell.top;
    const double x0 = cx * CeilingCell, y0 = cy * CeilingCell;
    const double x1 = x0 + CeilingCell, y1 = y0 + CeilingCell;
    // The sea floor blends in toward the shore: the ground is never above the higher of the two.
    // Lakes only lower it; plateaus lift it by at most the highest that reaches the cell.
    double top = std::max(LandCeiling(x0, y0, x1, y1), SeaFloor);
    double rise = 0;
    for (const Circle& c : w.opt.plateaus) {
        double lo, hi;
        DistanceRange(c.cx, c.cy, x0, y0, x1, y1, &lo, &hi);
        if (lo <= c.radius * c.radius * (1.0 + 1e-9) + 1e-9) rise = std::max(rise, c.height);
    }
    top += rise;
    top += CeilingMargin + std::fabs(top) * 1e-12;
    cell = {cx, cy, top};
    return top;
}

double PlateauRise(const World& w, double x, double y) {
    double rise = 0;
    for (const Circle& c : w.opt.plateaus)
        if (!SurelyBeyond(x - c.cx, y - c.cy, c.radius) &&
            std::hypot(x - c.cx, y - c.cy) <= c.radius)
            rise = std::max(rise, c.height);
    return rise;
}

bool WaterAt(const World& w, double x, double y, double* surface) {
    return !SurelyDry(w, x, y) && WaterAtExactly(w, x, y, surface);
}

bool InNoSpawnArea(const World& w, double x, double y) {
    for (const Circle& c : w.opt.noSpawn)
        if (std::hypot(x - c.cx, y - c.cy) <= c.radius) return true;
    return false;
}

uint32_t ZoneAt(const World& w, double x, double y, int type) {
    for (const Zone& z : w.opt.zones)
        if (z.type == type && ZoneContains(z, x, y)) return z.hash;
    return 0;
}

// flags 16: snap to a road within reach; flags 0: the open ground at the point itself.
bool SafeCoordForPed(World& w, double x, double y, double z, int flags, Point3* out) {
    (void)z;
    if (w.opt.faults.safeCoordFailure > 0 && w.faultRng.Chance(w.opt.faults.safeCoordFailure)) {
        Tally(w, &WorldCounters::safeCoordFailures);
        return false;
    }
    double px = x, py = y;
    if (flags & 16) {
        double best = w.opt.roadSnapMeters;
        bool found = false;
        Point2 bestPoint;
        for (const Road& r : w.opt.roads) {
            for (size_t i = 0; i + 1 < r.points.size(); ++i) {
                Point2 c;
                const double d = SegmentDistance(r.points[i], r.points[i + 1], x, y, &c);
                if (d <= best) {
                    best = d;
                    bestPoint = c;
                    found = true;
                }
            }
        }
        if (!found) return false;
        px = bestPoint.x;
        py = bestPoint.y;
    }
    if (WaterAt(w, px, py, nullptr) || InNoSpawnArea(w, px, py)) return false;
    out->x = px;
    out->y = py;
    out->z = GroundHeight(w, px, py);
    return true;
}

namespace {

const Settings Defaults;

// The camps and the town are the plug-in's own shelter zones. Their centres are written to the
// millimetre; read back from the zones' floats at that precision, they are the same numbers.
Landmark Shelter(const ShieldZone& zone, bool town, float radius) {
    auto mm = [](float v) { return std::round(static_cast<double>(v) * 1000.0) / 1000.0; };
    return {zone.Name, mm(zone.Centre.x), mm(zone.Centre.y), mm(zone.Centre.z), town, radius};
}

} // namespace

void AddDefaultMap(WorldOptions& o, std::vector<Landmark>& landmarks) {
    landmarks.clear();
    for (const ShieldZone& camp : CampZones)
        landmarks.push_back(Shelter(camp, false, Defaults.CampShield.RadiusMeters));
    landmarks.push_back(Shelter(TownZone, true, Defaults.TownShield.RadiusMeters));
    if (!o.defaultMap) return;
    std::vector<Zone> zones = {
        // Districts (type 10): the town is a pool district; the rest are law districts.
        Disc(10, 0x2350238D, "town district", 1383.95, -1260.199, 200),
        Rect(10, 0x09D7C4E2, "eastern bayou", 1600, -2400, 3200, -300),
        Rect(10, 0x012E4A7A, "southern plains", -1900, -2400, -1500, -1500),
        Rect(10, 0x1D3E259F, "northern heights", 2500, 1000, 3200, 2000),
        Rect(10, 0x2C1A1C17, "western desert", -3500, -2400, -3000, 0),
        Rect(10, 0x0E7A5A25, "high peaks", -1000, 1200, 0, 2000),
        Disc(10, 0x98E2D2B1, "island harbour", 850, -7100, 250),
        // Regions (type 1).
        Rect(1, 0x0DC99072, "south-east region", 400, -2400, 3200, 500),
        Rect(1, 0x197DEE02, "north-east region", 400, 500, 3200, 2000),
        Rect(1, 0x19700C95, "central region", -1900, -300, 400, 2000),
        Rect(1, 0x00704B67, "south-west region", -1900, -2400, -400, -300),
        Rect(1, 0x4DFA0B50, "west region", -3000, -2400, -1900, 2000),
        Disc(1, 0xFD09B97D, "island", 1194.275, -7219.732, 1100),
        // A stretch known only by its wider zone (type 0).
        Rect(0, 0x07D4FF5F, "river flats", -400, -2400, 400, -300),
    };
    o.zones.insert(o.zones.begin(), zones.begin(), zones.end());
    o.water.push_back({"North lake", 900, -450, 220, 0, 5});
    o.water.push_back({"Mill Pond", -1300, 300, 90, 0, 3});
    o.water.push_back({"Island Lagoon", 1450, -7000, 120, 0, 3});
    // Lakes sit a little below the ground at their middle.
    for (WaterBody& b : o.water) {
        if (b.surface == 0) {
            WorldOptions bare;
            bare.water.clear();
            World probe;
            probe.opt = bare;
            b.surface = GroundHeight(probe, b.cx, b.cy) - 1.0;
        }
    }
    auto road = [&](const char* name, std::vector<Point2> pts) { o.roads.push_back({name, pts}); };
    road("Town road south", {{1383.95, -1260.2}, {1100, -1240}, {678.3, -1215}});
    road("Bayou road", {{1383.95, -1260.2}, {1650, -1600}, {1899.7, -1870}});
    road("Swamp track", {{1383.95, -1260.2}, {1800, -1000}, {2253.6, -740}});
    road("North road", {{1383.95, -1260.2}, {1000, -700}, {400, -250}, {-125.6, -20}});
    road("Hollow road", {{-125.6, -20}, {900, 600}, {1800, 1100}, {2319.5, 1430}});
    road("West road", {{-125.6, -20}, {-900, -700}, {-1648.6, -1355}});
    road("Ranch road", {{-125.6, -20}, {-1300, 250}, {-2569.7, 460}});
    road("Island path", {{1194.3, -7205}, {1000, -7100}, {850, -7100}});
    o.noSpawn.push_back({"Town square", 1383.95, -1260.2, 12, 0});
    o.noSpawn.push_back({"Cliff face", 300, 300, 60, 0});
    // Buildings of the town and rocks and wagons around the camps block lines of sight.
    const double townBlocks[][3] = {{1370, -1240, 7}, {1400, -1245, 6}, {1360, -1280, 8},
                                    {1405, -1280, 7}, {1340, -1260, 6}, {1425, -1262, 6},
                                    {1383, -1215, 7}, {1383, -1305, 7}};
    for (const auto& b : townBlocks)
        o.occluders.push_back({"building", b[0], b[1], b[2], 8});
    for (const Landmark& l : landmarks) {
        if (l.town) continue;
        o.occluders.push_back({"rocks", l.x + 25, l.y + 10, 4, 3});
        o.occluders.push_back({"wagon", l.x - 18, l.y - 20, 3, 3});
    }
    const double rocks[][3] = {{1250, -1100, 5}, {1150, -1350, 6}, {1500, -1050, 5},
                               {900, -900, 6},   {1600, -1400, 5}, {1700, -1700, 6}};
    for (const auto& r : rocks)
        o.occluders.push_back({"rocks", r[0], r[1], r[2], 4});
}
