// The simulator's scenario reader: every bad input is refused with one line naming the JSON path
// and the rule; a good scenario lands every value in its place.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "scenario/scenario.h"
#include "scratch_dir.h"

namespace {

std::string Refusal(const std::string& text, const std::string& baseDir = ".") {
    Scenario s;
    std::string error;
    EXPECT_FALSE(ParseScenario(text, baseDir, &s, &error)) << text;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    return error;
}

struct BadCase {
    const char* json;
    const char* refusal; // the whole expected line
};

TEST(ScenarioReader, RefusesWhatUsedToRunOnDefaults) {
    const BadCase cases[] = {
        {"[1, 2]", "$: must be an object, not an array"},
        {R"({"player": 5})", "$.player: must be an object, not a number"},
        {R"({"sconds": 3})", "$.sconds: unknown key; the closest known key is \"seconds\""},
        {R"({"world": {"bystandrs": 3}})",
         "$.world.bystandrs: unknown key; the closest known key is \"bystanders\""},
        {R"({"expect": {"sumary": {}}})",
         "$.expect.sumary: unknown key; the closest known key is \"summary\""},
        {R"({"seconds": -1})", "$.seconds: must be a number from 0 to 86400"},
        {R"({"seconds": 4300000})", "$.seconds: must be a number from 0 to 86400"},
        {R"({"frame_ms": 0})", "$.frame_ms: must be a whole number from 1 to 1000"},
        {R"({"timer_start_ms": 4294967295})",
         "$.timer_start_ms: must be a whole number from 0 to 3913600000"},
        {R"({"world": {"bystanders": 1e9}})",
         "$.world.bystanders: must be a whole number from 0 to 500"},
        {R"({"world": {"bystanders": 2.5}})",
         "$.world.bystanders: must be a whole number from 0 to 500"},
        {R"({"player": {"bounty": 1e12}})",
         "$.player.bounty: must be a whole number from 0 to 100000000"},
        {R"({"timeline": [{"at": 1, "set_bounty": -1e15}]})",
         "$.timeline[0].set_bounty: must be a whole number from -100000000 to 100000000"},
        {R"({"timeline": [{"at": 1, "set_bounty": -2147483648}]})",
         "$.timeline[0].set_bounty: must be a whole number from -100000000 to 100000000"},
        {R"({"seed": -3})", "$.seed: must be a whole number from 0 to 9007199254740992"},
        {R"({"name": "../../etc"})",
         "$.name: must be 1 to 64 letters, digits, '_', '-' or '.', not starting with '.' (it "
         "names the output folder)"},
        {R"({"name": ".."})",
         "$.name: must be 1 to 64 letters, digits, '_', '-' or '.', not starting with '.' (it "
         "names the output folder)"},
        {R"({"name": "a/b"})",
         "$.name: must be 1 to 64 letters, digits, '_', '-' or '.', not starting with '.' (it "
         "names the output folder)"},
        {R"({"name": "a", "name": "b"})", "$.name: duplicate key"},
        {R"({"world": {"faults": {"create_failure": "0.3"}}})",
         "$.world.faults.create_failure: must be a number from 0 to 1, not a string"},
        {R"({"world": {"faults": {"handle_reuse": 1.5}}})",
         "$.world.faults.handle_reuse: must be a number from 0 to 1"},
        {R"({"world": {"faults": {"hostile_answers": -0.01}}})",
         "$.world.faults.hostile_answers: must be a number from 0 to 1"},
        {R"({"world": {"models": [{"name": "x", "kind": "cat"}]}})",
         "$.world.models[0].kind: must be \"human\", \"dog\" or \"horse\""},
        {R"({"world": {"zones": [{"hash": "0xZZ", "rect": [0, 0, 1, 1]}]}})",
         "$.world.zones[0].hash: a hexadecimal hash must be 0x and 1 to 8 hex digits"},
        {R"({"world": {"zones": [{"hash": 1, "rect": [0, 0, 1, 1], "circle": [0, 0, 1]}]}})",
         "$.world.zones[0].rect: a zone is either a \"circle\" or a \"rect\", not both"},
        {R"({"world": {"zones": [{"hash": 1}]}})",
         "$.world.zones[0]: needs \"circle\" or \"rect\""},
        {R"({"world": {"water": [{"center": [0, 0]}]}})", "$.world.water[0]: needs \"radius\""},
        {R"({"world": {"roads": [{"points": [[0, 0]]}]}})",
         "$.world.roads[0]: needs \"points\" with at least two points"},
        {R"({"world": {"missions": [[30, 20]]}})",
         "$.world.missions[0]: must not end before it starts"},
        {R"({"route": [{"to": [1, 2]}, {"to": [1e7, 2]}]})",
         "$.route[1].to[0]: must be a number from -100000 to 100000"},
        {R"({"route": [{"speed": 2}]})", "$.route[0]: needs \"to\""},
        {R"({"clock": {"month": 2, "day": 30}})",
         "$.clock.day: must be a day of the month (28 at most)"},
        {R"({"clock": {"hour": 24}})", "$.clock.hour: must be a whole number from 0 to 23"},
        {R"({"timeline": [{"key": "F25", "at": 3}]})",
         "$.timeline[0].key: must be a key name such as \"F7\" or \"NumPad5\", or a key number "
         "from 1 to 254; the closest known name is \"F2\""},
        {R"({"timeline": [{"key": "none", "at": 3}]})",
         "$.timeline[0].key: \"none\" presses no key"},
        {R"({"timeline": [{"at": 1, "key": "F7", "kill_player": true}]})",
         "$.timeline[0].kill_player: an entry holds one action; this one already has \"key\""},
        {R"({"timeline": [{"key": "F7"}]})", "$.timeline[0]: needs \"at\" (seconds into the run)"},
        {R"({"timeline": [{"at": 1}]})",
         "$.timeline[0]: needs an action: key, set_bounty, teleport, kill_player, mission, "
         "kill_hunters, delete_spawned, mount_nearest_horse, dismount or write_ini"},
        {R"({"timeline": [{"at": 1, "kill_player": false}]})",
         "$.timeline[0].kill_player: must be true"},
        {R"({"timeline": [{"at": 1, "kill_hunters": "some"}]})",
         "$.timeline[0].kill_hunters: must be \"all\" or a whole number from 0 to 1000"},
        {R"({"ini": ["[A]", 5]})", "$.ini[1]: must be a string, not a number"},
        {R"({"behaviour": {"when_hunted": "flee"}})",
         "$.behaviour: needs \"kind\": \"roamer\", \"camper\" or \"outlaw\""},
        {R"({"behaviour": {"kind": "drifter"}})",
         "$.behaviour.kind: must be \"roamer\", \"camper\" or \"outlaw\""},
        {R"({"behaviour": {"kind": "roamer", "when_hunted": "hide"}})",
         "$.behaviour.when_hunted: must be \"fight\" or \"flee\""},
        {R"({"behaviour": {"kind": "roamer", "crimes_per_hour": 2}})",
         "$.behaviour.crimes_per_hour: does not apply to this kind of player"},
        {R"({"behaviour": {"kind": "outlaw", "camp": "Lakay"}})",
         "$.behaviour.camp: does not apply to this kind of player"},
        {R"({"behaviour": {"kind": "camper", "camp": "Lakey"}})",
         "$.behaviour.camp: must name a camp; the closest is \"Lakay\""},
        {R"({"behaviour": {"kind": "camper", "camp": "Rhodes"}})",
         "$.behaviour.camp: must name a camp; the closest is \"Lakay\""},
        {R"({"behaviour": {"kind": "roamer", "stay_minutes": [30, 10]}})",
         "$.behaviour.stay_minutes: the second number must not be below the first"},
        {R"({"behaviour": {"kind": "outlaw", "crime_cents": [1, 1e9]}})",
         "$.behaviour.crime_cents[1]: must be a whole number from 0 to 100000000"},
        {R"({"behaviour": {"kind": "roamer", "ride_speed": 0}})",
         "$.behaviour.ride_speed: must be a number from 1 to 20"},
        {R"({"behaviour": {"kind": "roamer", "wild_shar": 0.5}})",
         "$.behaviour.wild_shar: unknown key; the closest known key is \"wild_share\""},
        {R"({"x": 1,)", "$.x: not valid JSON (byte 9): parse error at line 1, column 9: syntax "
                        "error while parsing object key - unexpected end of input; expected "
                        "string literal"},
    };
    for (const BadCase& c : cases)
        EXPECT_EQ(Refusal(c.json), c.refusal) << c.json;
}

TEST(ScenarioReader, RefusesExpectationsThatCouldNotBeChecked) {
    const BadCase cases[] = {
        {R"({"expect": {"timeline_contain": []}})",
         "$.expect.timeline_contain: unknown key; the closest known key is \"timeline_contains\""},
        {R"({"expect": {"summary": {"/posses/total": {"equals": 1}}}})",
         "$.expect.summary[\"/posses/total\"].equals: unknown key; the closest known key is "
         "\"eq\""},
        {R"({"expect": {"summary": {"/posses/total": {"eq": 1, "min": 0}}}})",
         "$.expect.summary[\"/posses/total\"]: give \"eq\" alone, or \"min\" and/or \"max\""},
        {R"({"expect": {"summary": {"/posses/total": {"min": 3, "max": 2}}}})",
         "$.expect.summary[\"/posses/total\"]: \"min\" must not exceed \"max\""},
        {R"({"expect": {"summary": {"posses/total": 1}}})",
         "$.expect.summary[\"posses/total\"]: a summary path starts with '/'"},
        {R"({"expect": {"summary": {"/a~2": 1}}})",
         "$.expect.summary[\"/a~2\"]: not a valid summary path ('~' must be written ~0 and '/' "
         "inside a key ~1)"},
        {R"({"expect": {"summary": {"/posses/total": [1]}}})",
         "$.expect.summary[\"/posses/total\"]: must be a number, true/false, a text, or "
         "{\"eq\"|\"min\"|\"max\": number}"},
        {R"({"expect": {"files": {"Harkvane.ini": "x"}}})",
         "$.expect.files[\"Harkvane.ini\"]: unknown state file; the closest known one is "
         "\"Harkvane.dat\""},
        {R"({"expect": {"files_at": [{"at": 5, "files": {}}, {"at": 4, "files": {}}]}})",
         "$.expect.files_at[1].at: must not be earlier than the one before"},
        {R"({"expect": {"files_at": [{"at": 5}]}})",
         "$.expect.files_at[0]: needs \"at\" and \"files\""},
        {R"({"expect": {"timeline": [{"line": "a", "regex": "b"}]}})",
         "$.expect.timeline[0].regex: give either \"line\" or \"regex\", not both"},
        {R"({"expect": {"timeline": [{"count": 1}]}})",
         "$.expect.timeline[0]: needs \"line\" or \"regex\""},
        {R"({"expect": {"timeline": [{"line": "a", "count": -1}]}})",
         "$.expect.timeline[0].count: must be a whole number from 0 to 1000000000"},
        {R"({"expect": {"timeline": [{"line": "a", "after": 5, "before": 5}]}})",
         "$.expect.timeline[0].before: must be later than \"after\""},
        {R"({"expect": {"timeline": [{"line": "a", "follows": "b"}]}})",
         "$.expect.timeline[0].follows: names no other timeline expectation's \"id\""},
        {R"({"expect": {"timeline": [{"id": "a", "line": "x", "follows": "a"}]}})",
         "$.expect.timeline[0].follows: names no other timeline expectation's \"id\""},
        {R"({"expect": {"timeline": [{"id": "a", "line": "x"}, {"id": "a", "line": "y"}]}})",
         "$.expect.timeline[1].id: \"a\" is used twice"},
        {R"({"expect": {"timeline": [{"regex": "((a{99}){99}){99}"}]}})",
         "$.expect.timeline[0].regex: the regular expression repeats too much (at most 20000 "
         "states)"},
        {R"({"expect": {"natives": [{"native": "CREATE_PEDS"}]}})",
         "$.expect.natives[0].native: not a native the plug-in calls; the closest is "
         "\"CREATE_PED\""},
        {R"({"expect": {"natives": [{"count": 1}]}})",
         "$.expect.natives[0]: needs \"native\" (its name)"},
        {R"({"expect": {"natives": [{"native": "DELETE_ENTITY", "args": [4123]}]}})",
         "$.expect.natives[0].args[0]: this argument is filled in by the game; only null (any) can "
         "be given"},
        {R"({"expect": {"natives": [{"native": "SET_PLAYER_PURSUED", "args": [0, 1, 2]}]}})",
         "$.expect.natives[0].args: must have at most 2 items"},
        {R"({"expect": {"natives": [{"native": "SET_PLAYER_PURSUED", "args": [0, 2.5]}]}})",
         "$.expect.natives[0].args[1]: must be a whole number from -2147483648 to 2147483647"},
    };
    for (const BadCase& c : cases)
        EXPECT_EQ(Refusal(c.json), c.refusal) << c.json;
    const std::string bad = Refusal(R"({"expect": {"timeline": [{"regex": "a("}]}})");
    EXPECT_EQ(bad.rfind("$.expect.timeline[0].regex: not a valid regular expression: ", 0), 0u)
        << bad;
}

TEST(ScenarioReader, BoundsNestingBeforeBuildingValues) {
    const std::string deep =
        "{\"expect\": " + std::string(200000, '[') + std::string(200000, ']') + "}";
    const std::string error = Refusal(deep);
    EXPECT_EQ(error.rfind("$.expect[0][0]", 0), 0u) << error;
    EXPECT_NE(error.find("nested deeper than 16 levels"), std::string::npos) << error;
}

TEST(ScenarioReader, IniPathMustNameARegularFileBesideTheScenario) {
    ScratchDir scratch;
    std::filesystem::create_directory("scenarios");
    std::filesystem::create_directory("scenarios/settings.ini"); // a folder named like a file
    std::ofstream("scenarios/good.ini") << "[Spawner]\nMaxAlive=7\n";
    EXPECT_EQ(Refusal(R"({"ini_path": "settings.ini"})", "scenarios"),
              "$.ini_path: must name a readable regular file (scenarios/settings.ini is not one)");
    EXPECT_EQ(Refusal(R"({"ini_path": "good.ini", "ini": "x"})", "scenarios"),
              "$.ini_path: give either \"ini\" or \"ini_path\", not both");
    {
        std::ofstream big("scenarios/big.ini");
        big << std::string((1u << 20) + 1, 'x');
    }
    EXPECT_EQ(Refusal(R"({"ini_path": "big.ini"})", "scenarios"),
              "$.ini_path: the file must be at most 1048576 bytes long");
    Scenario s;
    std::string error;
    ASSERT_TRUE(ParseScenario(R"({"ini_path": "good.ini"})", "scenarios", &s, &error)) << error;
    EXPECT_TRUE(s.iniGiven);
    EXPECT_EQ(s.ini, "[Spawner]\nMaxAlive=7\n");
}

TEST(ScenarioReader, EveryValueLandsInItsPlace) {
    const char* text = R"({
      "name": "all-fields_1.0", "seed": 9007199254740992, "frame_ms": 50,
      "timer_start_ms": 1000, "seconds": 86400,
      "clock": {"year": 1900, "month": 2, "day": 28, "hour": 23, "minute": 59, "rate": 60},
      "player": {"start": [1, 2, 3], "heading": -90, "bounty": 100000000, "respawn": [5, 6],
                 "law_state": -2},
      "route": [{"to": [10, 11], "speed": 2, "mounted": true, "vehicle": true, "wait": 4}],
      "behaviour": {"kind": "outlaw", "when_hunted": "flee", "flee_meters": 120,
                    "ride_speed": 9, "stay_minutes": [5, 6], "wild_share": 1,
                    "crimes_per_hour": 3, "crime_cents": [10, 20]},
      "ini": ["[A]", "b=1"], "harkvane_dat": "3\n", "bounty_pools_dat": "1 2 3 4 5 15\n",
      "world": {"bystanders": 500, "bystander_radius": 12, "default_map": false,
                "model_load_waits": 0, "perception_range": 13, "los_range": 14,
                "road_snap_meters": 15,
                "water": [{"name": "w", "center": [1, 2], "radius": 3, "surface": -4, "depth": 5}],
                "roads": [{"name": "r", "points": [[0, 0], [1, 1], [2, 0]]}],
                "zones": [{"type": 0, "hash": "0xDEADBEEF", "name": "z", "rect": [0, 1, 2, 3]},
                          {"hash": 77, "circle": [4, 5, 6]}],
                "no_spawn": [{"center": [7, 8], "radius": 9}],
                "occluders": [{"name": "o", "center": [1, 1], "radius": 2, "height": 3}],
                "plateaus": [{"center": [2, 2], "radius": 4, "height": 12}],
                "models": [{"name": "A_C_Test", "kind": "dog"}, {"name": "H"}],
                "faults": {"create_failure": 0.1, "safe_coord_failure": 0.2,
                           "vanish_per_minute": 3, "model_never_loads": 0.4,
                           "handle_reuse": 0.5, "fail_creations": [1, 4],
                           "hostile_answers": 0.25},
                "combat": {"player_health": 250, "hunter_hit_chance": 0,
                           "player_returns_fire": false, "respawn_seconds": 0},
                "missions": [[1, 2]]},
      "timeline": [{"at": 0, "key": "F9"}, {"at": 1, "set_bounty": -100000000},
                   {"at": 2, "teleport": [1, 2, 3]}, {"at": 3, "kill_player": true},
                   {"at": 4, "mission": false}, {"at": 5, "kill_hunters": "all"},
                   {"at": 6, "kill_hunters": 2}, {"at": 7, "delete_spawned": 3},
                   {"at": 8, "mount_nearest_horse": true}, {"at": 9, "dismount": true},
                   {"at": 10, "write_ini": ["[C]", "d=2"]}],
      "expect": {"summary": {"/streak": 3}}
    })";
    Scenario s;
    std::string error;
    ASSERT_TRUE(ParseScenario(text, ".", &s, &error)) << error;
    const WorldOptions& o = s.world;
    EXPECT_EQ(s.name, "all-fields_1.0");
    EXPECT_EQ(o.seed, 9007199254740992ull);
    EXPECT_EQ(o.frameMs, 50u);
    EXPECT_EQ(o.timerStartMs, 1000u);
    EXPECT_EQ(s.seconds, 86400);
    EXPECT_EQ((std::vector<int>{o.year, o.month, o.day, o.hour, o.minute}),
              (std::vector<int>{1900, 2, 28, 23, 59}));
    EXPECT_EQ(o.clockRate, 60);
    EXPECT_EQ(o.playerStart.z, 3);
    EXPECT_EQ(o.playerHeading, -90);
    EXPECT_EQ(o.initialBounty, 100000000);
    EXPECT_TRUE(o.respawnPointGiven);
    EXPECT_EQ(o.respawnPoint.y, 6);
    EXPECT_EQ(o.lawState, -2);
    ASSERT_EQ(o.route.size(), 1u);
    EXPECT_EQ(o.route[0].y, 11);
    EXPECT_TRUE(o.route[0].mounted && o.route[0].vehicle);
    EXPECT_EQ(o.route[0].waitSeconds, 4);
    const PlayerBehaviour& b = o.behaviour;
    EXPECT_EQ(b.kind, PlayerBehaviour::Kind::Outlaw);
    EXPECT_TRUE(b.flees);
    EXPECT_EQ((std::vector<double>{b.fleeMeters, b.rideSpeed, b.stayMinutes[0], b.stayMinutes[1],
                                   b.wildShare, b.crimesPerHour}),
              (std::vector<double>{120, 9, 5, 6, 1, 3}));
    EXPECT_EQ(b.crimeCents[1], 20);
    EXPECT_EQ(s.ini, "[A]\nb=1\n");
    EXPECT_EQ(s.streakFile, "3\n");
    EXPECT_EQ(s.poolsFile, "1 2 3 4 5 15\n");
    EXPECT_EQ(o.bystanders, 500);
    EXPECT_FALSE(o.defaultMap);
    EXPECT_EQ(o.roadSnapMeters, 15);
    ASSERT_EQ(o.water.size(), 1u);
    EXPECT_EQ(o.water[0].surface, -4);
    EXPECT_EQ(o.roads.at(0).points.size(), 3u);
    ASSERT_EQ(o.zones.size(), 2u);
    EXPECT_EQ(o.zones[0].hash, 0xDEADBEEFu);
    EXPECT_EQ(o.zones[0].y1, 3);
    EXPECT_EQ(o.zones[1].type, 10);
    EXPECT_EQ(o.zones[1].radius, 6);
    EXPECT_EQ(o.noSpawn.at(0).name, "no_spawn");
    EXPECT_EQ(o.occluders.at(0).height, 3);
    EXPECT_EQ(o.plateaus.at(0).height, 12);
    ASSERT_EQ(o.extraModels.size(), 2u);
    EXPECT_EQ(o.extraModels[0].kind, ModelKind::Dog);
    EXPECT_EQ(o.extraModels[1].kind, ModelKind::Human);
    EXPECT_EQ(o.faults.modelNeverLoads, 0.4);
    EXPECT_EQ(o.faults.hostileAnswers, 0.25);
    EXPECT_EQ(o.faults.failCreations, (std::vector<int>{1, 4}));
    EXPECT_EQ(o.combat.playerHealth, 250);
    EXPECT_FALSE(o.combat.playerReturnsFire);
    ASSERT_EQ(o.missions.size(), 1u);
    const char* kinds[] = {"key",          "set_bounty",     "teleport",
                           "kill_player",  "mission",        "kill_hunters",
                           "kill_hunters", "delete_spawned", "mount_nearest_horse",
                           "dismount",     "write_ini"};
    ASSERT_EQ(o.timeline.size(), 11u);
    for (size_t i = 0; i < 11; ++i)
        EXPECT_EQ(o.timeline[i].kind, kinds[i]);
    EXPECT_EQ(o.timeline[1].number, -100000000);
    EXPECT_EQ(o.timeline[5].number, -1);
    EXPECT_EQ(o.timeline[6].number, 2);
    EXPECT_EQ(o.timeline[10].text, "[C]\nd=2\n");
}

TEST(ScenarioReader, TheBuiltInScenarioReads) {
    Scenario s;
    std::string error;
    ASSERT_TRUE(ParseScenario(DefaultScenarioJson(), "", &s, &error)) << error;
    EXPECT_EQ(s.name, "default");
}

} // namespace
