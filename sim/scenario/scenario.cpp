// Reads a scenario file strictly: the world, the player's day, the settings and the timeline
// of events; anything it does not know or cannot accept stops the run before it starts.
#include "scenario/scenario.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "config/key_names.h"
#include "os/os.h"
#include "scenario/json_rules.h"

using jr::Field;
using nlohmann::json;

namespace {

// The scenario's limits (the README's scenario section lists them for modders).
constexpr int MaxDepth = 16;
constexpr size_t MaxScenarioBytes = 16u << 20;
constexpr size_t MaxTextBytes = 1u << 20; // ini, state files, write_ini
constexpr size_t MaxNameBytes = 64;
constexpr double MaxCoordinate = 100000; // metres from the map origin
constexpr size_t MaxShapes = 256;        // water, roads, zones, circles, models
constexpr size_t MaxRoadPoints = 1000;
constexpr size_t MaxRoute = 10000;
constexpr size_t MaxTimeline = 100000;
constexpr int64_t MaxBystanders = 500;
constexpr int64_t MaxBountyCents = 100000000; // $1,000,000
constexpr int64_t MaxKills = 1000;
constexpr double MaxRange = 10000; // metres
constexpr int64_t MaxSeed = int64_t{1} << 53;
// The timer must not wrap during a run: its start plus the longest run stays below 2^32 ms.
constexpr int64_t MaxTimerStartMs = 4000000000 - static_cast<int64_t>(MaxRunSeconds * 1000);

[[noreturn]] void Refuse(const std::string& path, const std::string& rule) {
    jr::Refuse(path, rule);
}

// A scenario's name becomes part of the default output folder, so it must stay one plain
// folder name: no separators, no "..", nothing hidden.
std::string ReadName(const json& v, const std::string& path) {
    const std::string s = jr::Text(v, path, MaxNameBytes);
    const bool plain = !s.empty() && s[0] != '.' &&
                       s.find_first_not_of("abcdefghijklmnopqrstuvwxyz"
                                           "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                           "0123456789_.-") == std::string::npos;
    if (!plain)
        Refuse(path, "must be 1 to 64 letters, digits, '_', '-' or '.', not starting with '.' "
                     "(it names the output folder)");
    return s;
}

std::string ReadLabel(const json& v, const std::string& path) {
    return jr::Text(v, path, MaxNameBytes);
}

Point3 ReadPoint(const json& v, const std::string& path) {
    if (!v.is_array() || v.size() < 2 || v.size() > 3)
        Refuse(path, "must be [x, y] or [x, y, z] in metres");
    Point3 p;
    p.x = jr::Number(v[0], jr::Item(path, 0), -MaxCoordinate, MaxCoordinate);
    p.y = jr::Number(v[1], jr::Item(path, 1), -MaxCoordinate, MaxCoordinate);
    if (v.size() > 2) p.z = jr::Number(v[2], jr::Item(path, 2), -MaxCoordinate, MaxCoordinate);
    return p;
}

// The action of a required point of which only x and y count: stores them and notes that it came.
std::function<void(const json&, const std::string&)> GroundPointInto(double& x, double& y,
                                                                     bool& came) {
    return [&x, &y, &came](const json& v, const std::string& at) {
        const Point3 p = ReadPoint(v, at);
        x = p.x;
        y = p.y;
        came = true;
    };
}

double Seconds(const json& v, const std::string& path) {
    return jr::Number(v, path, 0, MaxRunSeconds);
}
double Range(const json& v, const std::string& path) {
    return jr::Number(v, path, 0, MaxRange);
}
double Chance(const json& v, const std::string& path) {
    return jr::Number(v, path, 0, 1);
}
int32_t Cents(const json& v, const std::string& path, int64_t lo) {
    return static_cast<int32_t>(jr::Whole(v, path, lo, MaxBountyCents));
}

// Lines of text: one string, or an array of lines each ended with a newline.
std::string ReadLines(const json& v, const std::string& path) {
    if (!v.is_array()) return jr::Text(v, path, MaxTextBytes);
    std::string text;
    const json& lines = jr::Array(v, path, MaxTextBytes);
    for (size_t i = 0; i < lines.size(); ++i) {
        text += jr::Text(lines[i], jr::Item(path, i), MaxTextBytes) + "\n";
        if (text.size() > MaxTextBytes)
            Refuse(path, "must be at most " + std::to_string(MaxTextBytes) + " bytes long");
    }
    return text;
}

// *resolved gets the file's path as read.
std::string ReadIniFile(const json& v, const std::string& path, const std::string& baseDir,
                        std::string* resolved) {
    std::string& file = *resolved;
    file = jr::Text(v, path, 4096);
    if (file.empty()) Refuse(path, "must name a file");
    if (!os::Path(file).is_absolute() && !baseDir.empty()) file = baseDir + "/" + file;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(os::Path(file), ec))
        Refuse(path, "must name a readable regular file (" + file + " is not one)");
    // Read at most one byte past the limit: some files report no size but never end.
    std::ifstream in(os::Path(file), std::ios::binary);
    std::string text(MaxTextBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad() || (!in && !in.eof())) Refuse(path, "cannot read " + file);
    text.resize(static_cast<size_t>(in.gcount()));
    if (text.size() > MaxTextBytes)
        Refuse(path, "the file must be at most " + std::to_string(MaxTextBytes) + " bytes long");
    return text;
}

// A round feature (an occluder, a body of water): a name, the centre and radius it must have,
// then the keys of its own kind.
template <typename Round, typename... Own>
void ReadRound(const json& v, const std::string& path, Round& r, Own... own) {
    bool centre = false, radius = false;
    jr::ReadObject(v, path,
                   {{"name", jr::Into(r.name, ReadLabel)},
                    {"center", GroundPointInto(r.cx, r.cy, centre)},
                    {"radius",
                     [&](const json& x, const std::string& at) {
                         r.radius = Range(x, at);
                         radius = true;
                     }},
                    own...});
    if (!centre) Refuse(path, "needs \"center\"");
    if (!radius) Refuse(path, "needs \"radius\"");
}

Circle ReadCircle(const json& v, const std::string& path, const char* defaultName) {
    Circle c;
    c.name = defaultName;
    c.height = 5.0;
    ReadRound(v, path, c, jr::Field{"height", [&](const json& x, const std::string& at) {
                                        c.height = jr::Number(x, at, 0, 1000);
                                    }});
    return c;
}

template <typename F> void ForEach(const json& v, const std::string& path, size_t maxItems, F f) {
    const json& a = jr::Array(v, path, maxItems);
    for (size_t i = 0; i < a.size(); ++i)
        f(a[i], jr::Item(path, i));
}

WaterBody ReadWater(const json& v, const std::string& path) {
    WaterBody w;
    w.name = "water";
    ReadRound(v, path, w,
              jr::Field{"surface",
                        [&](const json& x, const std::string& at) {
                            w.surface = jr::Number(x, at, -1000, 5000);
                        }},
              jr::Field{"depth", [&](const json& x, const std::string& at) {
                            w.depth = jr::Number(x, at, 0, 1000);
                        }});
    return w;
}

Road ReadRoad(const json& v, const std::string& path) {
    Road r;
    r.name = "road";
    jr::ReadObject(v, path,
                   {{"name", jr::Into(r.name, ReadLabel)},
                    {"points", [&](const json& x, const std::string& at) {
                         ForEach(x, at, MaxRoadPoints, [&](const json& p, const std::string& pa) {
                             const Point3 q = ReadPoint(p, pa);
                             r.points.push_back({q.x, q.y});
                         });
                     }}});
    if (r.points.size() < 2) Refuse(path, "needs \"points\" with at least two points");
    return r;
}

Zone ReadZone(const json& v, const std::string& path) {
    Zone z;
    z.name = "zone";
    bool hash = false, shape = false;
    auto oneShape = [&](const std::string& at) {
        if (shape) Refuse(at, "a zone is either a \"circle\" or a \"rect\", not both");
        shape = true;
    };
    jr::ReadObject(v, path,
                   {{"type",
                     [&](const json& x, const std::string& at) {
                         z.type = static_cast<int>(jr::Whole(x, at, 0, 1000));
                     }},
                    {"hash",
                     [&](const json& x, const std::string& at) {
                         z.hash = jr::Hash(x, at);
                         hash = true;
                     }},
                    {"name", jr::Into(z.name, ReadLabel)},
                    {"circle",
                     [&](const json& x, const std::string& at) {
                         oneShape(at);
                         if (!x.is_array() || x.size() != 3) Refuse(at, "must be [x, y, radius]");
                         z.cx = jr::Number(x[0], jr::Item(at, 0), -MaxCoordinate, MaxCoordinate);
                         z.cy = jr::Number(x[1], jr::Item(at, 1), -MaxCoordinate, MaxCoordinate);
                         z.radius = jr::Number(x[2], jr::Item(at, 2), 0.001, MaxCoordinate);
                     }},
                    {"rect", [&](const json& x, const std::string& at) {
                         oneShape(at);
                         if (!x.is_array() || x.size() != 4) Refuse(at, "must be [x0, y0, x1, y1]");
                         double c[4];
                         for (size_t i = 0; i < 4; ++i)
                             c[i] =
                                 jr::Number(x[i], jr::Item(at, i), -MaxCoordinate, MaxCoordinate);
                         z.x0 = c[0];
                         z.y0 = c[1];
                         z.x1 = c[2];
                         z.y1 = c[3];
                     }}});
    if (!hash) Refuse(path, "needs \"hash\"");
    if (!shape) Refuse(path, "needs \"circle\" or \"rect\"");
    return z;
}

void ReadFaults(const json& v, const std::string& path, FaultOptions& f) {
    jr::ReadObject(v, path,
                   {{"create_failure", jr::Into(f.createFailure, Chance)},
                    {"safe_coord_failure", jr::Into(f.safeCoordFailure, Chance)},
                    {"vanish_per_minute",
                     [&](const json& x, const std::string& at) {
                         f.vanishPerMinute = jr::Number(x, at, 0, 600);
                     }},
                    {"model_never_loads", jr::Into(f.modelNeverLoads, Chance)},
                    {"handle_reuse", jr::Into(f.handleReuse, Chance)},
                    {"hostile_answers", jr::Into(f.hostileAnswers, Chance)},
                    {"fail_creations", [&](const json& x, const std::string& at) {
                         ForEach(x, at, 1000, [&](const json& n, const std::string& na) {
                             f.failCreations.push_back(
                                 static_cast<int>(jr::Whole(n, na, 1, 1000000)));
                         });
                     }}});
}

void ReadCombat(const json& v, const std::string& path, CombatOptions& k) {
    auto health = [](const json& x, const std::string& at) { return jr::Number(x, at, 1, 1e6); };
    auto amount = [](const json& x, const std::string& at) { return jr::Number(x, at, 0, 1e6); };
    auto interval = [](const json& x, const std::string& at) {
        return jr::Number(x, at, 1, 3600000);
    };
    jr::ReadObject(v, path,
                   {{"player_health", jr::Into(k.playerHealth, health)},
                    {"player_regen_per_second", jr::Into(k.playerRegenPerSecond, amount)},
                    {"player_fire_range", jr::Into(k.playerFireRange, Range)},
                    {"player_fire_interval_ms", jr::Into(k.playerFireIntervalMs, interval)},
                    {"player_hit_chance", jr::Into(k.playerHitChance, Chance)},
                    {"player_damage", jr::Into(k.playerDamage, amount)},
                    {"player_returns_fire", jr::Into(k.playerReturnsFire, jr::Flag)},
                    {"hunter_health", jr::Into(k.hunterHealth, health)},
                    {"hunter_fire_range", jr::Into(k.hunterFireRange, Range)},
                    {"hunter_fire_interval_ms", jr::Into(k.hunterFireIntervalMs, interval)},
                    {"hunter_hit_chance", jr::Into(k.hunterHitChance, Chance)},
                    {"hunter_damage", jr::Into(k.hunterDamage, amount)},
                    {"respawn_seconds", [&](const json& x, const std::string& at) {
                         k.respawnSeconds = jr::Number(x, at, 0, 3600);
                     }}});
}

ModelKind ReadKind(const json& v, const std::string& path) {
    const std::string s = jr::Text(v, path, MaxNameBytes);
    if (s == "human") return ModelKind::Human;
    if (s == "dog") return ModelKind::Dog;
    if (s == "horse") return ModelKind::Horse;
    Refuse(path, "must be \"human\", \"dog\" or \"horse\"");
}

void ReadWorld(const json& v, const std::string& path, WorldOptions& o) {
    auto circles = [&](std::vector<Circle>& out, const char* name) {
        return [&out, name](const json& x, const std::string& at) {
            ForEach(x, at, MaxShapes, [&](const json& c, const std::string& ca) {
                out.push_back(ReadCircle(c, ca, name));
            });
        };
    };
    jr::ReadObject(
        v, path,
        {{"bystanders",
          [&](const json& x, const std::string& at) {
              o.bystanders = static_cast<int>(jr::Whole(x, at, 0, MaxBystanders));
          }},
         {"bystander_radius", jr::Into(o.bystanderRadius, Range)},
         {"default_map", jr::Into(o.defaultMap, jr::Flag)},
         {"model_load_waits",
          [&](const json& x, const std::string& at) {
              o.modelLoadWaits = static_cast<int>(jr::Whole(x, at, 0, 10000));
          }},
         {"perception_range", jr::Into(o.perceptionRange, Range)},
         {"los_range", jr::Into(o.losRange, Range)},
         {"road_snap_meters", jr::Into(o.roadSnapMeters, Range)},
         {"water",
          [&](const json& x, const std::string& at) {
              ForEach(x, at, MaxShapes, [&](const json& b, const std::string& ba) {
                  o.water.push_back(ReadWater(b, ba));
              });
          }},
         {"roads",
          [&](const json& x, const std::string& at) {
              ForEach(x, at, MaxShapes, [&](const json& r, const std::string& ra) {
                  o.roads.push_back(ReadRoad(r, ra));
              });
          }},
         {"zones", // scenario zones come after the built-in ones
          [&](const json& x, const std::string& at) {
              ForEach(x, at, MaxShapes, [&](const json& z, const std::string& za) {
                  o.zones.push_back(ReadZone(z, za));
              });
          }},
         {"no_spawn", circles(o.noSpawn, "no_spawn")},
         {"occluders", circles(o.occluders, "occluders")},
         {"plateaus", circles(o.plateaus, "plateaus")},
         {"models",
          [&](const json& x, const std::string& at) {
              ForEach(x, at, MaxShapes, [&](const json& m, const std::string& ma) {
                  ModelInfo info;
                  jr::ReadObject(
                      m, ma,
                      {{"name", [&](const json& n,
                                    const std::string& na) { info.name = ReadLabel(n, na); }},
                       {"kind", [&](const json& k, const std::string& ka) {
                            info.kind = ReadKind(k, ka);
                        }}});
                  if (info.name.empty()) Refuse(ma, "needs a non-empty \"name\"");
                  o.extraModels.push_back(info);
              });
          }},
         {"faults", [&](const json& x, const std::string& at) { ReadFaults(x, at, o.faults); }},
         {"combat", [&](const json& x, const std::string& at) { ReadCombat(x, at, o.combat); }},
         {"missions", [&](const json& x, const std::string& at) {
              ForEach(x, at, 1000, [&](const json& m, const std::string& ma) {
                  if (!m.is_array() || m.size() != 2) Refuse(ma, "must be [start, end] in seconds");
                  const double start = Seconds(m[0], jr::Item(ma, 0));
                  const double end = Seconds(m[1], jr::Item(ma, 1));
                  if (end < start) Refuse(ma, "must not end before it starts");
                  o.missions.push_back({start, end});
              });
          }}});
}

void ReadClock(const json& v, const std::string& path, WorldOptions& o) {
    auto whole = [](int& field, int64_t lo, int64_t hi) {
        return [&field, lo, hi](const json& x, const std::string& at) {
            field = static_cast<int>(jr::Whole(x, at, lo, hi));
        };
    };
    jr::ReadObject(v, path,
                   {{"year", whole(o.year, 1, 9999)},
                    {"month", whole(o.month, 1, 12)},
                    {"day", whole(o.day, 1, 31)},
                    {"hour", whole(o.hour, 0, 23)},
                    {"minute", whole(o.minute, 0, 59)},
                    {"rate", [&](const json& x, const std::string& at) {
                         o.clockRate = jr::Number(x, at, 0, 3600);
                     }}});
    const bool leap = (o.year % 4 == 0 && o.year % 100 != 0) || o.year % 400 == 0;
    const int days[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (o.day > days[o.month - 1])
        Refuse(jr::Child(path, "day"),
               "must be a day of the month (" + std::to_string(days[o.month - 1]) + " at most)");
}

void ReadPlayer(const json& v, const std::string& path, WorldOptions& o) {
    jr::ReadObject(v, path,
                   {{"start", jr::Into(o.playerStart, ReadPoint)},
                    {"heading",
                     [&](const json& x, const std::string& at) {
                         o.playerHeading = jr::Number(x, at, -360, 360);
                     }},
                    {"bounty", [&](const json& x,
                                   const std::string& at) { o.initialBounty = Cents(x, at, 0); }},
                    {"respawn",
                     [&](const json& x, const std::string& at) {
                         o.respawnPoint = ReadPoint(x, at);
                         o.respawnPointGiven = true;
                     }},
                    {"law_state", [&](const json& x, const std::string& at) {
                         o.lawState = static_cast<int32_t>(jr::Whole(x, at, INT32_MIN, INT32_MAX));
                     }}});
}

Waypoint ReadWaypoint(const json& v, const std::string& path) {
    Waypoint w;
    bool to = false;
    jr::ReadObject(
        v, path,
        {{"to", GroundPointInto(w.x, w.y, to)},
         {"speed",
          [&](const json& x, const std::string& at) { w.speed = jr::Number(x, at, 0.01, 100); }},
         {"mounted", jr::Into(w.mounted, jr::Flag)},
         {"vehicle", jr::Into(w.vehicle, jr::Flag)},
         {"wait", jr::Into(w.waitSeconds, Seconds)}});
    if (!to) Refuse(path, "needs \"to\"");
    return w;
}

// The camps a camper can call home: the built-in ones, on every map.
std::vector<std::string> CampNames() {
    WorldOptions bare;
    bare.defaultMap = false;
    std::vector<Landmark> landmarks;
    AddDefaultMap(bare, landmarks);
    std::vector<std::string> names;
    for (const Landmark& l : landmarks)
        if (!l.town) names.push_back(l.name);
    return names;
}

// Two numbers, the first not above the second.
template <typename T, typename R>
void ReadSpan(const json& v, const std::string& path, T (&out)[2], R read) {
    if (!v.is_array() || v.size() != 2) Refuse(path, "must be [least, most]");
    out[0] = static_cast<T>(read(v[0], jr::Item(path, 0)));
    out[1] = static_cast<T>(read(v[1], jr::Item(path, 1)));
    if (out[1] < out[0]) Refuse(path, "the second number must not be below the first");
}

PlayerBehaviour ReadBehaviour(const json& v, const std::string& path) {
    using Kind = PlayerBehaviour::Kind;
    PlayerBehaviour b;
    bool kind = false;
    // Keys that belong to some kinds only, with where they were given.
    std::vector<std::pair<std::string, std::vector<Kind>>> given;
    auto only = [&](const std::string& at, std::vector<Kind> kinds) {
        given.push_back({at, kinds});
    };
    jr::ReadObject(
        v, path,
        {{"kind",
          [&](const json& x, const std::string& at) {
              const std::string k = jr::Text(x, at, MaxNameBytes);
              if (k == "roamer")
                  b.kind = Kind::Roamer;
              else if (k == "camper")
                  b.kind = Kind::Camper;
              else if (k == "outlaw")
                  b.kind = Kind::Outlaw;
              else
                  Refuse(at, "must be \"roamer\", \"camper\" or \"outlaw\"");
              kind = true;
          }},
         {"when_hunted",
          [&](const json& x, const std::string& at) {
              const std::string k = jr::Text(x, at, MaxNameBytes);
              if (k != "fight" && k != "flee") Refuse(at, "must be \"fight\" or \"flee\"");
              b.flees = k == "flee";
          }},
         {"flee_meters",
          [&](const json& x, const std::string& at) { b.fleeMeters = jr::Number(x, at, 1, 1000); }},
         {"ride_speed",
          [&](const json& x, const std::string& at) { b.rideSpeed = jr::Number(x, at, 1, 20); }},
         {"stay_minutes",
          [&](const json& x, const std::string& at) {
              ReadSpan(x, at, b.stayMinutes, [](const json& n, const std::string& na) {
                  return jr::Number(n, na, 0, 1440);
              });
          }},
         {"wild_share",
          [&](const json& x, const std::string& at) {
              b.wildShare = Chance(x, at);
              only(at, {Kind::Roamer, Kind::Outlaw});
          }},
         {"camp",
          [&](const json& x, const std::string& at) {
              b.camp = jr::Text(x, at, MaxNameBytes);
              const std::vector<std::string> camps = CampNames();
              if (std::find(camps.begin(), camps.end(), b.camp) == camps.end())
                  Refuse(at, "must name a camp; the closest is \"" + jr::ClosestKey(b.camp, camps) +
                                 "\"");
              only(at, {Kind::Camper});
          }},
         {"outings_per_hour",
          [&](const json& x, const std::string& at) {
              b.outingsPerHour = jr::Number(x, at, 0, 60);
              only(at, {Kind::Camper});
          }},
         {"crimes_per_hour",
          [&](const json& x, const std::string& at) {
              b.crimesPerHour = jr::Number(x, at, 0, 60);
              only(at, {Kind::Outlaw});
          }},
         {"crime_cents", [&](const json& x, const std::string& at) {
              ReadSpan(x, at, b.crimeCents, [](const json& n, const std::string& na) {
                  return jr::Whole(n, na, 0, MaxBountyCents);
              });
              only(at, {Kind::Outlaw});
          }}});
    if (!kind) Refuse(path, "needs \"kind\": \"roamer\", \"camper\" or \"outlaw\"");
    for (const auto& [at, kinds] : given)
        if (std::find(kinds.begin(), kinds.end(), b.kind) == kinds.end())
            Refuse(at, "does not apply to this kind of player");
    return b;
}

// A key to press: a name as the settings file's [Keys] takes it, or a key number.
int32_t ReadKey(const json& x, const std::string& where, std::string* text) {
    *text = jr::Text(x, where, 16);
    int32_t code = KeyNone;
    const bool named = ParseKeyName(text->c_str(), &code);
    if (named && code == KeyNone) Refuse(where, "\"" + *text + "\" presses no key");
    if (!named)
        Refuse(where, "must be a key name such as \"F7\" or \"NumPad5\", or a key number from 1 "
                      "to " +
                          std::to_string(KeyCodeMax) + "; the closest known name is \"" +
                          jr::ClosestKey(*text, KnownKeyNames()) + "\"");
    return code;
}

// An entry is its time and exactly one action.
TimelineEvent ReadEvent(const json& v, const std::string& path) {
    TimelineEvent t;
    bool at = false;
    auto action = [&](const char* kind, const std::string& where) {
        if (!t.kind.empty())
            Refuse(where, "an entry holds one action; this one already has \"" + t.kind + "\"");
        t.kind = kind;
    };
    // An action written as `"kill_player": true` (nothing but true is accepted).
    auto flagAction = [&](const char* kind) {
        return [&action, kind](const json& x, const std::string& where) {
            action(kind, where);
            if (!jr::Flag(x, where)) Refuse(where, "must be true");
        };
    };
    jr::ReadObject(v, path,
                   {{"at",
                     [&](const json& x, const std::string& where) {
                         t.at = Seconds(x, where);
                         at = true;
                     }},
                    {"key",
                     [&](const json& x, const std::string& where) {
                         action("key", where);
                         t.number = ReadKey(x, where, &t.text);
                     }},
                    {"set_bounty",
                     [&](const json& x, const std::string& where) {
                         action("set_bounty", where);
                         // Negative values are allowed: they test the plug-in's own guard.
                         t.number = Cents(x, where, -MaxBountyCents);
                     }},
                    {"teleport",
                     [&](const json& x, const std::string& where) {
                         action("teleport", where);
                         t.point = ReadPoint(x, where);
                     }},
                    {"kill_player", flagAction("kill_player")},
                    {"mission",
                     [&](const json& x, const std::string& where) {
                         action("mission", where);
                         t.number = jr::Flag(x, where) ? 1 : 0;
                     }},
                    {"kill_hunters",
                     [&](const json& x, const std::string& where) {
                         action("kill_hunters", where);
                         if (x.is_string() && x.get<std::string>() == "all")
                             t.number = -1;
                         else if (x.is_number())
                             t.number = static_cast<double>(jr::Whole(x, where, 0, MaxKills));
                         else
                             Refuse(where, "must be \"all\" or a whole number from 0 to " +
                                               std::to_string(MaxKills));
                     }},
                    {"delete_spawned",
                     [&](const json& x, const std::string& where) {
                         action("delete_spawned", where);
                         t.number = static_cast<double>(jr::Whole(x, where, 0, MaxKills));
                     }},
                    {"mount_nearest_horse", flagAction("mount_nearest_horse")},
                    {"dismount", flagAction("dismount")},
                    {"write_ini", [&](const json& x, const std::string& where) {
                         action("write_ini", where);
                         t.text = ReadLines(x, where);
                     }}});
    if (!at) Refuse(path, "needs \"at\" (seconds into the run)");
    if (t.kind.empty())
        Refuse(path, "needs an action: key, set_bounty, teleport, kill_player, mission, "
                     "kill_hunters, delete_spawned, mount_nearest_horse, dismount or write_ini");
    return t;
}

} // namespace

bool ParseScenario(const std::string& jsonText, const std::string& baseDir, Scenario* out,
                   std::string* error) {
    try {
        if (jsonText.size() > MaxScenarioBytes)
            Refuse("$",
                   "a scenario must be at most " + std::to_string(MaxScenarioBytes >> 20) + " MiB");
        const json j = jr::ParseBounded(jsonText, MaxDepth);
        Scenario s;
        WorldOptions& o = s.world;
        bool iniText = false, iniFile = false;
        jr::ReadObject(
            j, "$",
            {{"name", jr::Into(s.name, ReadName)},
             {"seed",
              [&](const json& x, const std::string& at) {
                  o.seed = static_cast<uint64_t>(jr::Whole(x, at, 0, MaxSeed));
              }},
             {"frame_ms",
              [&](const json& x, const std::string& at) {
                  o.frameMs = static_cast<uint32_t>(jr::Whole(x, at, 1, 1000));
              }},
             {"seconds", jr::Into(s.seconds, Seconds)},
             {"timer_start_ms",
              [&](const json& x, const std::string& at) {
                  o.timerStartMs = static_cast<uint32_t>(jr::Whole(x, at, 0, MaxTimerStartMs));
              }},
             {"clock", [&](const json& x, const std::string& at) { ReadClock(x, at, o); }},
             {"player", [&](const json& x, const std::string& at) { ReadPlayer(x, at, o); }},
             {"route",
              [&](const json& x, const std::string& at) {
                  ForEach(x, at, MaxRoute, [&](const json& r, const std::string& ra) {
                      o.route.push_back(ReadWaypoint(r, ra));
                  });
              }},
             {"behaviour", jr::Into(o.behaviour, ReadBehaviour)},
             {"ini",
              [&](const json& x, const std::string& at) {
                  s.ini = ReadLines(x, at);
                  iniText = true;
              }},
             {"ini_path",
              [&](const json& x, const std::string& at) {
                  s.ini = ReadIniFile(x, at, baseDir, &s.iniPath);
                  iniFile = true;
              }},
             {"harkvane_dat",
              [&](const json& x, const std::string& at) {
                  s.streakFile = jr::Text(x, at, MaxTextBytes);
                  s.streakGiven = true;
              }},
             {"bounty_pools_dat",
              [&](const json& x, const std::string& at) {
                  s.poolsFile = jr::Text(x, at, MaxTextBytes);
                  s.poolsGiven = true;
              }},
             {"world", [&](const json& x, const std::string& at) { ReadWorld(x, at, o); }},
             {"timeline",
              [&](const json& x, const std::string& at) {
                  ForEach(x, at, MaxTimeline, [&](const json& e, const std::string& ea) {
                      o.timeline.push_back(ReadEvent(e, ea));
                  });
              }},
             {"expect", jr::Into(s.expect, ReadExpectations)}});
        if (iniText && iniFile)
            Refuse("$.ini_path", "give either \"ini\" or \"ini_path\", not both");
        s.iniGiven = iniText || iniFile;
        *out = s;
        return true;
    } catch (const std::exception& e) {
        if (error) *error = e.what();
        return false;
    }
}
