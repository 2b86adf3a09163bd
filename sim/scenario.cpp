#include "scenario.h"

#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

using nlohmann::json;

namespace {

uint32_t HashValue(const json& v) {
    if (v.is_number_unsigned() || v.is_number_integer())
        return static_cast<uint32_t>(v.get<int64_t>());
    const std::string s = v.get<std::string>();
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        return static_cast<uint32_t>(std::stoull(s.substr(2), nullptr, 16));
    return SimHashName(s.c_str());
}

Point3 ReadPoint(const json& v) {
    Point3 p;
    p.x = v.at(0).get<double>();
    p.y = v.at(1).get<double>();
    if (v.size() > 2) p.z = v.at(2).get<double>();
    return p;
}

ModelKind ReadKind(const std::string& s) {
    if (s == "dog") return ModelKind::Dog;
    if (s == "horse") return ModelKind::Horse;
    return ModelKind::Human;
}

template <typename T> void Opt(const json& j, const char* key, T& field) {
    if (j.contains(key)) field = j.at(key).get<T>();
}

void ReadWorld(const json& j, WorldOptions& o) {
    Opt(j, "bystanders", o.bystanders);
    Opt(j, "bystander_radius", o.bystanderRadius);
    Opt(j, "default_map", o.defaultMap);
    Opt(j, "model_load_waits", o.modelLoadWaits);
    Opt(j, "perception_range", o.perceptionRange);
    Opt(j, "los_range", o.losRange);
    Opt(j, "road_snap_meters", o.roadSnapMeters);
    if (j.contains("water"))
        for (const json& b : j.at("water")) {
            WaterBody w;
            w.name = b.value("name", "water");
            const Point3 c = ReadPoint(b.at("center"));
            w.cx = c.x;
            w.cy = c.y;
            w.radius = b.at("radius").get<double>();
            w.surface = b.value("surface", 0.0);
            w.depth = b.value("depth", 4.0);
            o.water.push_back(w);
        }
    if (j.contains("roads"))
        for (const json& r : j.at("roads")) {
            Road road;
            road.name = r.value("name", "road");
            for (const json& p : r.at("points")) {
                const Point3 q = ReadPoint(p);
                road.points.push_back({q.x, q.y});
            }
            o.roads.push_back(road);
        }
    if (j.contains("zones"))
        for (const json& z : j.at("zones")) {
            Zone zone;
            zone.type = z.value("type", 10);
            zone.hash = HashValue(z.at("hash"));
            zone.name = z.value("name", "zone");
            if (z.contains("circle")) {
                zone.cx = z.at("circle").at(0).get<double>();
                zone.cy = z.at("circle").at(1).get<double>();
                zone.radius = z.at("circle").at(2).get<double>();
            } else {
                const json& r = z.at("rect");
                zone.x0 = r.at(0).get<double>();
                zone.y0 = r.at(1).get<double>();
                zone.x1 = r.at(2).get<double>();
                zone.y1 = r.at(3).get<double>();
            }
            o.zones.push_back(zone); // scenario zones come after the built-in ones
        }
    auto circles = [&](const char* key, std::vector<Circle>& out) {
        if (!j.contains(key)) return;
        for (const json& c : j.at(key)) {
            Circle k;
            k.name = c.value("name", key);
            const Point3 p = ReadPoint(c.at("center"));
            k.cx = p.x;
            k.cy = p.y;
            k.radius = c.at("radius").get<double>();
            k.height = c.value("height", 5.0);
            out.push_back(k);
        }
    };
    circles("no_spawn", o.noSpawn);
    circles("occluders", o.occluders);
    circles("plateaus", o.plateaus);
    if (j.contains("models"))
        for (const json& m : j.at("models"))
            o.extraModels.push_back(
                {m.at("name").get<std::string>(), ReadKind(m.value("kind", "human"))});
    if (j.contains("faults")) {
        const json& f = j.at("faults");
        Opt(f, "create_failure", o.faults.createFailure);
        Opt(f, "safe_coord_failure", o.faults.safeCoordFailure);
        Opt(f, "vanish_per_minute", o.faults.vanishPerMinute);
        Opt(f, "model_never_loads", o.faults.modelNeverLoads);
        Opt(f, "handle_reuse", o.faults.handleReuse);
        Opt(f, "fail_creations", o.faults.failCreations);
    }
    if (j.contains("combat")) {
        const json& c = j.at("combat");
        CombatOptions& k = o.combat;
        Opt(c, "player_health", k.playerHealth);
        Opt(c, "player_regen_per_second", k.playerRegenPerSecond);
        Opt(c, "player_fire_range", k.playerFireRange);
        Opt(c, "player_fire_interval_ms", k.playerFireIntervalMs);
        Opt(c, "player_hit_chance", k.playerHitChance);
        Opt(c, "player_damage", k.playerDamage);
        Opt(c, "player_returns_fire", k.playerReturnsFire);
        Opt(c, "hunter_health", k.hunterHealth);
        Opt(c, "hunter_fire_range", k.hunterFireRange);
        Opt(c, "hunter_fire_interval_ms", k.hunterFireIntervalMs);
        Opt(c, "hunter_hit_chance", k.hunterHitChance);
        Opt(c, "hunter_damage", k.hunterDamage);
        Opt(c, "respawn_seconds", k.respawnSeconds);
    }
    if (j.contains("missions"))
        for (const json& m : j.at("missions"))
            o.missions.push_back({m.at(0).get<double>(), m.at(1).get<double>()});
}

void ReadTimeline(const json& j, std::vector<TimelineEvent>& out) {
    for (const json& e : j) {
        TimelineEvent t;
        t.at = e.at("at").get<double>();
        if (e.contains("key")) {
            t.kind = "key";
            t.text = e.at("key").get<std::string>();
            if (t.text != "F7" && t.text != "F9") throw std::runtime_error("unknown key " + t.text);
        } else if (e.contains("set_bounty")) {
            t.kind = "set_bounty";
            t.number = e.at("set_bounty").get<double>();
        } else if (e.contains("teleport")) {
            t.kind = "teleport";
            t.point = ReadPoint(e.at("teleport"));
        } else if (e.contains("kill_player")) {
            t.kind = "kill_player";
        } else if (e.contains("mission")) {
            t.kind = "mission";
            t.number = e.at("mission").get<bool>() ? 1 : 0;
        } else if (e.contains("kill_hunters")) {
            t.kind = "kill_hunters";
            const json& v = e.at("kill_hunters");
            t.number = v.is_string() ? -1 : v.get<double>();
        } else if (e.contains("delete_spawned")) {
            t.kind = "delete_spawned";
            t.number = e.at("delete_spawned").get<double>();
        } else if (e.contains("mount_nearest_horse")) {
            t.kind = "mount_nearest_horse";
        } else if (e.contains("dismount")) {
            t.kind = "dismount";
        } else if (e.contains("write_ini")) {
            t.kind = "write_ini";
            t.text = e.at("write_ini").get<std::string>();
        } else {
            throw std::runtime_error("timeline entry without a known action: " + e.dump());
        }
        out.push_back(t);
    }
}

} // namespace

bool ParseScenario(const std::string& jsonText, const std::string& baseDir, Scenario* out,
                   std::string* error) {
    try {
        const json j = json::parse(jsonText);
        Scenario s;
        WorldOptions& o = s.world;
        Opt(j, "name", s.name);
        if (j.contains("seed")) o.seed = j.at("seed").get<uint64_t>();
        Opt(j, "frame_ms", o.frameMs);
        Opt(j, "seconds", s.seconds);
        Opt(j, "timer_start_ms", o.timerStartMs);
        if (j.contains("clock")) {
            const json& c = j.at("clock");
            Opt(c, "year", o.year);
            Opt(c, "month", o.month);
            Opt(c, "day", o.day);
            Opt(c, "hour", o.hour);
            Opt(c, "minute", o.minute);
            Opt(c, "rate", o.clockRate);
        }
        if (j.contains("player")) {
            const json& p = j.at("player");
            if (p.contains("start")) o.playerStart = ReadPoint(p.at("start"));
            Opt(p, "heading", o.playerHeading);
            Opt(p, "bounty", o.initialBounty);
            if (p.contains("respawn")) {
                o.respawnPoint = ReadPoint(p.at("respawn"));
                o.respawnPointGiven = true;
            }
            Opt(p, "law_state", o.lawState);
        }
        if (j.contains("route"))
            for (const json& r : j.at("route")) {
                Waypoint w;
                const Point3 to = ReadPoint(r.at("to"));
                w.x = to.x;
                w.y = to.y;
                Opt(r, "speed", w.speed);
                Opt(r, "mounted", w.mounted);
                Opt(r, "vehicle", w.vehicle);
                Opt(r, "wait", w.waitSeconds);
                o.route.push_back(w);
            }
        if (j.contains("ini")) {
            s.ini = j.at("ini").is_array() ? "" : j.at("ini").get<std::string>();
            if (j.at("ini").is_array())
                for (const json& line : j.at("ini"))
                    s.ini += line.get<std::string>() + "\n";
            s.iniGiven = true;
        } else if (j.contains("ini_path")) {
            std::string path = j.at("ini_path").get<std::string>();
            if (!path.empty() && path[0] != '/' && !baseDir.empty()) path = baseDir + "/" + path;
            std::ifstream in(path, std::ios::binary);
            if (!in) throw std::runtime_error("cannot read ini_path " + path);
            std::ostringstream text;
            text << in.rdbuf();
            s.ini = text.str();
            s.iniGiven = true;
        }
        if (j.contains("harkvane_dat")) {
            s.streakFile = j.at("harkvane_dat").get<std::string>();
            s.streakGiven = true;
        }
        if (j.contains("bounty_pools_dat")) {
            s.poolsFile = j.at("bounty_pools_dat").get<std::string>();
            s.poolsGiven = true;
        }
        if (j.contains("world")) ReadWorld(j.at("world"), o);
        if (j.contains("timeline")) ReadTimeline(j.at("timeline"), o.timeline);
        if (j.contains("expect")) s.expectJson = j.at("expect").dump();
        *out = s;
        return true;
    } catch (const std::exception& e) {
        if (error) *error = e.what();
        return false;
    }
}
