// The simulated world answers natives the way the plug-in relies on: geometry, zones, the
// nearby-ped buffer, model loading, creation and deletion, orders that move peds, fighting, faults.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "natives/native_call.h"
#include "natives/native_hashes.h"
#include "platform/host_link.h"
#include "world/sim_host.h"
#include "world/world.h"
#include "world/world_story.h"

namespace {

const HostFunctions SimTable = {SimScriptRegister, SimScriptUnregister, SimScriptWait,
                                SimNativeInit,     SimNativePush64,     SimNativeCall,
                                SimNativeAnswer};

struct SimWorldTest : ::testing::Test {
    World w;
    WorldStory story; // what the world tells of itself, as a run keeps it
    void SetUp() override { Start(WorldOptions{}); }
    void Start(WorldOptions o) {
        o.bystanders = o.bystanders == 24 ? 0 : o.bystanders;
        w = World();
        WorldInit(w, o);
        story = WorldStory();
        AttachWorldStory(w, &story);
        SimAttachWorld(&w);
        InstallHost(&SimTable);
    }
    void TearDown() override {
        InstallHost(nullptr);
        SimAttachWorld(nullptr);
    }
    // One call through the host functions, as the plug-in makes it.
    template <typename... Slots> uint64_t* Call(uint64_t hash, Slots... slots) {
        native::Begin(hash);
        (nativePush64(static_cast<uint64_t>(slots)), ...);
        return native::Call();
    }
    static uint64_t F(float f) {
        uint32_t b;
        std::memcpy(&b, &f, sizeof b);
        return b;
    }
    static uint64_t P(const void* p) { return reinterpret_cast<uint64_t>(p); }
    Hash H(const char* name) { return GameNameHash(name); }
    Ped Create(const char* model, float x, float y) {
        Call(nh::REQUEST_MODEL, H(model), 0);
        WorldAdvance(w, 100);
        return native::ResultU32(
            Call(nh::CREATE_PED, H(model), F(x), F(y), F(0), F(0), 0, 0, 0, 0));
    }
};

TEST_F(SimWorldTest, TerrainCoversEveryCampAndTheIslandWithSeaBetween) {
    ASSERT_GE(w.landmarks.size(), 5u);
    for (const Landmark& l : w.landmarks) {
        EXPECT_FALSE(WaterAt(w, l.x, l.y, nullptr)) << l.name;
        EXPECT_NEAR(GroundHeight(w, l.x, l.y), l.z, 8.0) << l.name;
        float g = 0;
        // A probe from above finds the ground; a probe from below the ground finds nothing.
        EXPECT_TRUE(native::ResultBool(
            Call(nh::GET_GROUND_Z_FOR_3D_COORD, F(l.x), F(l.y), F(l.z + 50), P(&g), 0)));
        EXPECT_NEAR(g, GroundHeight(w, l.x, l.y), 0.01);
        EXPECT_FALSE(native::ResultBool(
            Call(nh::GET_GROUND_Z_FOR_3D_COORD, F(l.x), F(l.y), F(g - 5), P(&g), 0)));
    }
    float surface = 99;
    EXPECT_TRUE(
        native::ResultBool(Call(nh::GET_WATER_HEIGHT, F(1194), F(-4500), F(10), P(&surface))));
    EXPECT_EQ(surface, 0.0f);
    // Terrain is smooth: neighbouring metres never differ by a cliff.
    for (double x = -3000; x < 3000; x += 97)
        for (double y = -2400; y < 2000; y += 89)
            EXPECT_LT(std::fabs(GroundHeight(w, x, y) - GroundHeight(w, x + 1, y)), 1.5);
}

TEST_F(SimWorldTest, SafeCoordinateSnapsToRoadsAndRefusesWaterAndNoSpawnAreas) {
    Vec3 out;
    // Flag 16 near a road lands on it; far from any road it fails; flag 0 keeps the spot.
    ASSERT_TRUE(native::ResultBool(
        Call(nh::GET_SAFE_COORD_FOR_PED, F(1100), F(-1225), F(80), 1, P(&out), 16)));
    EXPECT_NEAR(out.z, GroundHeight(w, out.x, out.y), 0.01);
    EXPECT_NEAR(out.y, -1240, 15.0);
    EXPECT_FALSE(native::ResultBool(
        Call(nh::GET_SAFE_COORD_FOR_PED, F(2900), F(-2200), F(80), 1, P(&out), 16)));
    ASSERT_TRUE(native::ResultBool(
        Call(nh::GET_SAFE_COORD_FOR_PED, F(1250), F(-1150), F(80), 1, P(&out), 0)));
    EXPECT_FLOAT_EQ(out.x, 1250.0f);
    EXPECT_FLOAT_EQ(out.y, -1150.0f) << "the Vec3 is written as three 8-byte slots";
    EXPECT_FALSE(
        native::ResultBool(Call(nh::GET_SAFE_COORD_FOR_PED, F(900), F(-450), F(50), 1, P(&out), 0)))
        << "lake";
    EXPECT_FALSE(native::ResultBool(
        Call(nh::GET_SAFE_COORD_FOR_PED, F(1383.95f), F(-1260.2f), F(80), 1, P(&out), 0)))
        << "no-spawn area";
}

TEST_F(SimWorldTest, ZonesGiveEveryPoolRegionLawDistrictsAndEmptyLand) {
    // Mirrors how the plug-in resolves a position: type 10, else type 1, else type 0.
    auto zone = [&](float x, float y) {
        for (int type : {10, 1, 0}) {
            const uint32_t z =
                native::ResultU32(Call(nh::GET_MAP_ZONE_AT_COORDS, F(x), F(y), F(50), type));
            if (z) return z;
        }
        return 0u;
    };
    EXPECT_EQ(zone(678, -1232), 0x0DC99072u);   // region 0 (camp)
    EXPECT_EQ(zone(1384, -1260), 0x2350238Du);  // region 0 (town district)
    EXPECT_EQ(zone(2320, 1442), 0x197DEE02u);   // region 1
    EXPECT_EQ(zone(-126, -32), 0x19700C95u);    // region 2
    EXPECT_EQ(zone(-1649, -1370), 0x00704B67u); // region 3
    EXPECT_EQ(zone(0, -1000), 0x07D4FF5Fu);     // region 3 through the widest zone type
    EXPECT_EQ(zone(-2570, 447), 0x4DFA0B50u);   // region 4
    EXPECT_EQ(zone(1194, -7220), 0xFD09B97Du);  // region 5 (island)
    EXPECT_EQ(zone(3300, 0), 0u);               // outside every zone
    EXPECT_EQ(native::ResultU32(Call(nh::GET_MAP_ZONE_AT_COORDS, F(1900), F(-1883), F(40), 10)),
              0x09D7C4E2u);
    EXPECT_EQ(native::ResultU32(Call(nh::GET_MAP_ZONE_AT_COORDS, F(850), F(-7100), F(40), 10)),
              0x98E2D2B1u);
}

TEST_F(SimWorldTest, ModelsLoadAfterWaitsAndCreatedPedsCanBeQueriedAndDeleted) {
    const Hash dog = H("a_c_doghound_01"); // names are case-insensitive
    EXPECT_EQ(dog, H("A_C_DogHound_01"));
    EXPECT_TRUE(native::ResultBool(Call(nh::IS_MODEL_VALID, dog)));
    EXPECT_FALSE(native::ResultBool(Call(nh::IS_MODEL_VALID, H("NOT_A_MODEL"))));
    Call(nh::REQUEST_MODEL, dog, 0);
    EXPECT_FALSE(native::ResultBool(Call(nh::HAS_MODEL_LOADED, dog)));
    EXPECT_EQ(
        native::ResultU32(Call(nh::CREATE_PED, dog, F(1300), F(-1170), F(0), F(0), 0, 0, 0, 0)), 0u)
        << "an unloaded model yields no ped";
    int waits = 0;
    while (!native::ResultBool(Call(nh::HAS_MODEL_LOADED, dog)) && waits < 300) {
        scriptWait(10);
        ++waits;
    }
    EXPECT_EQ(waits, w.opt.modelLoadWaits);
    const Ped ped =
        native::ResultU32(Call(nh::CREATE_PED, dog, F(1300), F(-1170), F(0), F(0), 0, 0, 0, 0));
    ASSERT_NE(ped, 0u);
    EXPECT_TRUE(native::ResultBool(Call(nh::DOES_ENTITY_EXIST, ped)));
    EXPECT_FALSE(native::ResultBool(Call(nh::IS_PED_HUMAN, ped)));
    EXPECT_EQ(native::ResultU32(Call(nh::GET_ENTITY_MODEL, ped)), dog);
    const Vec3 at = native::ResultVec3(Call(nh::GET_ENTITY_COORDS, ped, 1, 0));
    EXPECT_FLOAT_EQ(at.x, 1300.0f);
    EXPECT_NEAR(at.z, GroundHeight(w, 1300, -1170), 0.01);
    const Blip blip = native::ResultU32(Call(nh::ADD_BLIP_FOR_ENTITY, H("BLIP_STYLE_ENEMY"), ped));
    EXPECT_TRUE(native::ResultBool(Call(nh::DOES_ENTITY_HAVE_BLIP, ped)));
    EXPECT_EQ(native::ResultU32(Call(nh::GET_BLIP_FROM_ENTITY, ped)), blip);
    uint32_t handle = ped;
    Call(nh::DELETE_ENTITY, P(&handle));
    EXPECT_EQ(handle, 0u);
    EXPECT_FALSE(native::ResultBool(Call(nh::DOES_ENTITY_EXIST, ped)));
    EXPECT_EQ(w.blips.size(), 0u) << "the blip goes with its entity";
}

TEST_F(SimWorldTest, NearbyPedQueryFillsSlotsNearestFirstUpToTheCapacity) {
    std::vector<Ped> made;
    for (int i = 0; i < 70; ++i)
        made.push_back(Create("A_M_M_RANCHER_01", 1320.0f + 1.0f + i, -1180.0f));
    uint64_t slots[65] = {};
    slots[0] = 64;
    const int n = native::ResultInt(Call(nh::GET_PED_NEARBY_PEDS, w.playerPed, P(slots), -1, -1));
    EXPECT_EQ(n, 64);
    EXPECT_EQ(slots[0], 64u) << "slot 0 keeps the capacity";
    EXPECT_EQ(slots[1], made[0]);
    EXPECT_EQ(slots[2], made[1]);
    EXPECT_EQ(slots[3], w.playerHorse) << "the player's horse stands 2.2 m away";
    for (int i = 1; i <= n; ++i)
        EXPECT_NE(slots[i], w.playerPed);
    uint64_t small[5] = {4, 0, 0, 0, 0};
    EXPECT_EQ(native::ResultInt(Call(nh::GET_PED_NEARBY_PEDS, w.playerPed, P(small), -1, -1)), 4);
}

TEST_F(SimWorldTest, OrdersMovePedsAndFightsCanBeWonByEitherSide) {
    const Ped hunter = Create("G_M_M_BountyHunters_01", 1320, -1100); // 80 m north of the player
    // Follow at an offset stops within the stopping range of the offset point.
    Call(nh::TASK_FOLLOW_TO_OFFSET, hunter, w.playerPed, F(5), F(0), F(0), F(2.8f), -1, F(2.5f), 1,
         0, 0, 0, 0, 0);
    WorldAdvance(w, 40000);
    const SimPed* h = FindPed(w, hunter);
    ASSERT_NE(h, nullptr);
    EXPECT_LT(std::hypot(h->pos.x - 1325, h->pos.y - -1180), 3.0);
    // Flee gets away to the asked distance.
    Call(nh::TASK_FLEE_PED, hunter, w.playerPed, F(100), -1, 0, F(2.6f), 0);
    WorldAdvance(w, 60000);
    EXPECT_GE(std::hypot(h->pos.x - 1320, h->pos.y - -1180), 99.0);
    // An armed hunter in combat with a passive player kills them; the player respawns.
    w.opt.combat.playerReturnsFire = false;
    w.opt.combat.hunterHitChance = 1.0;
    w.opt.combat.hunterDamage = 50;
    Call(nh::GIVE_WEAPON_TO_PED, hunter, H("WEAPON_REPEATER_CARBINE"), 100, 1, 0, 0, 0, F(1), 0, 0,
         1, 0, 0);
    Call(nh::TASK_COMBAT_PED, hunter, w.playerPed, 0, 0);
    EXPECT_TRUE(native::ResultBool(Call(nh::IS_PED_IN_COMBAT, hunter, 0)));
    WorldAdvance(w, 60000);
    EXPECT_GE(story.counters.playerDeaths, 1);
    EXPECT_EQ(story.counters.playerRespawns, story.counters.playerDeaths - (w.playerDead ? 1 : 0));
    // A player who shoots back wins against a weak posse.
    w.opt.combat.playerReturnsFire = true;
    w.opt.combat.playerHitChance = 1.0;
    w.opt.combat.hunterHitChance = 0.0;
    WorldAdvance(w, 20000);
    EXPECT_TRUE(native::ResultBool(Call(nh::IS_PED_DEAD_OR_DYING, hunter, 1)));
    WorldAdvance(w, 2000);
    EXPECT_TRUE(native::ResultBool(Call(nh::IS_ENTITY_DEAD, hunter)));
}

TEST_F(SimWorldTest, PlayersWithABehaviourRideAnEveningOfTheirSeedRoundLakes) {
    auto roam = [&](uint64_t seed) {
        WorldOptions o;
        o.seed = seed;
        o.behaviour.kind = PlayerBehaviour::Kind::Roamer;
        o.behaviour.stayMinutes[0] = o.behaviour.stayMinutes[1] = 10; // 20 s of timer each
        Start(o);
        WorldAdvance(w, 900000);
        std::vector<double> stops;
        for (const Waypoint& p : w.opt.route)
            stops.insert(stops.end(), {p.x, p.y, p.waitSeconds});
        return stops;
    };
    const std::vector<double> first = roam(3);
    EXPECT_GE(w.plan.stopsPlanned, 3);
    EXPECT_EQ(roam(3), first);
    // Every ride keeps clear of the lakes (a horse would stop at the shore for good).
    for (uint64_t seed = 3; seed <= 10; ++seed) {
        EXPECT_EQ(roam(seed) == first, seed == 3) << "seed " << seed;
        for (size_t i = 1; i < w.opt.route.size(); ++i) {
            const Waypoint &a = w.opt.route[i - 1], &b = w.opt.route[i];
            for (double t = 0; t <= 1; t += 0.01)
                EXPECT_FALSE(WaterAt(w, a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, nullptr))
                    << "seed " << seed << " ride " << i << " " << a.x << "," << a.y << " -> " << b.x
                    << "," << b.y;
        }
    }
}

TEST_F(SimWorldTest, AnOutlawRaisesTheBountyOutsideCampsAndCampersStayHome) {
    WorldOptions o;
    o.behaviour.kind = PlayerBehaviour::Kind::Outlaw;
    o.behaviour.crimesPerHour = 6; // one every 20 s of timer on average
    o.behaviour.crimeCents[0] = 100;
    o.behaviour.crimeCents[1] = 200;
    o.behaviour.wildShare = 1;
    o.playerStart = {678, -1231, 0};
    // A route given too comes first: an hour's rest at Clemens Point, where no crime is done.
    o.route.push_back({678, -1231, 3, false, false, 120});
    Start(o);
    WorldAdvance(w, 110000); // still resting: the stay ends at 120 s
    EXPECT_EQ(w.bounty, 0);
    WorldAdvance(w, 340000);
    EXPECT_GE(w.bounty, 5 * 100);
    EXPECT_LE(w.bounty, 25 * 200);

    WorldOptions c;
    c.behaviour.kind = PlayerBehaviour::Kind::Camper;
    c.behaviour.camp = "Lakay";
    c.behaviour.outingsPerHour = 0;
    Start(c);
    WorldAdvance(w, 1200000);
    const Point3& at = FindPed(w, w.playerPed)->pos;
    EXPECT_LT(std::hypot(at.x - 2253.6, at.y - -755.6), 40.0);
    EXPECT_EQ(w.bounty, 0);
}

TEST_F(SimWorldTest, AHuntedPlayerStandsAndShootsOrFleesWithoutShooting) {
    for (const bool flees : {false, true}) {
        WorldOptions o;
        o.behaviour.kind = PlayerBehaviour::Kind::Roamer;
        o.behaviour.flees = flees;
        o.behaviour.stayMinutes[0] = o.behaviour.stayMinutes[1] = 600;
        o.route.push_back({1320, -1180, 1, false, false, 600}); // stay put until hunted
        o.combat.playerHitChance = 1;
        o.combat.hunterHitChance = 0;
        Start(o);
        const Ped hunter = Create("G_M_M_BountyHunters_01", 1320, -1140);
        Call(nh::GIVE_WEAPON_TO_PED, hunter, H("WEAPON_REPEATER_CARBINE"), 100, 1, 0, 0, 0, F(1), 0,
             0, 1, 0, 0);
        Call(nh::TASK_COMBAT_PED, hunter, w.playerPed, 0, 0);
        WorldAdvance(w, 30000);
        const Point3& at = FindPed(w, w.playerPed)->pos;
        const SimPed* h = FindPed(w, hunter);
        EXPECT_EQ(h->dying, !flees) << "flees " << flees;
        EXPECT_EQ(std::hypot(at.x - 1320, at.y - -1180) > 60, flees) << "flees " << flees;
    }
}

TEST_F(SimWorldTest, RidersAreCarriedAndDismountNearThePlayer) {
    const Ped rider = Create("A_M_M_RANCHER_01", 1320, -1000);
    const Ped horse = Create("A_C_Horse_Morgan_Bay", 1322, -1000);
    EXPECT_TRUE(native::ResultBool(Call(nh::IS_MODEL_A_HORSE, H("A_C_Horse_Morgan_Bay"))));
    EXPECT_TRUE(native::ResultBool(Call(nh::IS_MOUNT_SEAT_FREE, horse, 0)));
    Call(nh::SET_PED_ONTO_MOUNT, rider, horse, 0, 0);
    EXPECT_TRUE(native::ResultBool(Call(nh::IS_PED_ON_MOUNT, rider)));
    EXPECT_EQ(native::ResultU32(Call(nh::GET_MOUNT, rider)), horse);
    EXPECT_EQ(native::ResultU32(Call(nh::GET_RIDER_OF_MOUNT, horse, 0)), rider);
    Call(nh::TASK_FOLLOW_TO_OFFSET, horse, w.playerPed, F(0), F(10), F(0), F(3.2f), -1, F(3.0f), 1,
         0, 0, 0, 0, 0);
    WorldAdvance(w, 25000); // riding speed covers 170 m in under 20 s
    const Vec3 r = native::ResultVec3(Call(nh::GET_ENTITY_COORDS, rider, 1, 0));
    const Vec3 m = native::ResultVec3(Call(nh::GET_ENTITY_COORDS, horse, 1, 0));
    EXPECT_FLOAT_EQ(r.x, m.x);
    EXPECT_LT(std::hypot(m.x - 1320, m.y - -1170), 4.0);
    Call(nh::TASK_DISMOUNT, rider, 0, 0, 0, 0, w.playerPed);
    EXPECT_FALSE(native::ResultBool(Call(nh::IS_PED_ON_MOUNT, rider)));
    EXPECT_TRUE(native::ResultBool(Call(nh::IS_MOUNT_SEAT_FREE, horse, 0)));
}

TEST_F(SimWorldTest, ClockNoticesAndHashesAnswerAsTheGameWould) {
    WorldOptions o;
    o.year = 1899;
    o.month = 6;
    o.day = 30;
    o.hour = 23;
    o.minute = 59;
    Start(o);
    EXPECT_EQ(native::ResultInt(Call(nh::GET_CLOCK_DAY_OF_MONTH)), 30);
    WorldAdvance(w, 2000); // one game minute
    EXPECT_EQ(native::ResultInt(Call(nh::GET_CLOCK_MONTH)), 7) << "June has 30 days";
    EXPECT_EQ(native::ResultInt(Call(nh::GET_CLOCK_DAY_OF_MONTH)), 1);
    EXPECT_EQ(native::ResultInt(Call(nh::GET_CLOCK_HOURS)), 0);
    EXPECT_EQ(native::ResultU32(Call(nh::GET_GAME_TIMER)), o.timerStartMs + 2000);
    const uint64_t textHandle =
        Call(nh::CREATE_VAR_STRING, 10, P("LITERAL_STRING"), P("Bounty Cleared"))[0];
    Call(nh::SET_NOTICE_TEXT, textHandle);
    Call(nh::SHOW_NOTICE);
    EXPECT_EQ(story.counters.notices["Bounty Cleared"], 1);
    EXPECT_EQ(native::ResultU32(Call(nh::GET_HASH_KEY, P("BLIP_STYLE_ENEMY"))),
              H("blip_style_enemy"));
}

TEST_F(SimWorldTest, FaultsFailCreationAndSafeSpotsAndRemovePedsAndReuseHandles) {
    WorldOptions o;
    o.faults.createFailure = 1.0;
    o.faults.safeCoordFailure = 1.0;
    Start(o);
    EXPECT_EQ(Create("A_M_M_RANCHER_01", 1300, -1170), 0u);
    Vec3 out;
    EXPECT_FALSE(native::ResultBool(
        Call(nh::GET_SAFE_COORD_FOR_PED, F(1250), F(-1150), F(80), 1, P(&out), 0)));
    o = WorldOptions{};
    o.faults.vanishPerMinute = 600;
    o.faults.handleReuse = 1.0;
    Start(o);
    const Ped first = Create("A_M_M_RANCHER_01", 1300, -1170);
    WorldAdvance(w, 5000);
    EXPECT_FALSE(native::ResultBool(Call(nh::DOES_ENTITY_EXIST, first))) << "the game removed it";
    EXPECT_EQ(Create("A_M_M_RANCHER_01", 1300, -1170), first) << "its handle comes back";
}

TEST_F(SimWorldTest, PlateausAreSheerRisesThatProbesAndSafeSpotsAgreeOn) {
    WorldOptions o;
    o.plateaus.push_back({"bluff", 1340, -1180, 10, 12});
    Start(o);
    const double below = GroundHeight(w, 1329.9, -1180);
    EXPECT_NEAR(GroundHeight(w, 1330.1, -1180) - below, 12.0, 0.1) << "a cliff, not a slope";
    Vec3 out;
    ASSERT_TRUE(native::ResultBool(
        Call(nh::GET_SAFE_COORD_FOR_PED, F(1340), F(-1180), F(below + 1), 1, P(&out), 0)));
    EXPECT_NEAR(out.z, GroundHeight(w, 1340, -1180), 0.01) << "the safe spot is on the top";
    float g = 0;
    EXPECT_FALSE(native::ResultBool(
        Call(nh::GET_GROUND_Z_FOR_3D_COORD, F(1340), F(-1180), F(below + 9), P(&g), 0)))
        << "a probe started inside the rock finds no ground";
    ASSERT_TRUE(native::ResultBool(
        Call(nh::GET_GROUND_Z_FOR_3D_COORD, F(1340), F(-1180), F(below + 30), P(&g), 0)));
    EXPECT_NEAR(g, out.z, 0.01);
    EXPECT_EQ(story.counters.raisedGroundAnswers, 2);
}

// Most of the map is judged dry a whole cell at a time; near a lake's rim and along the shore the
// answer is still the exact one: water just inside the rim, none just outside, and the sea where
// the ground dips below its level.
TEST_F(SimWorldTest, WaterEndsExactlyAtLakeRimsAndAtTheShore) {
    WorldOptions o;
    o.water.push_back({"pond", 1000.3, -1000.7, 5, 60, 2}); // smaller than a cell
    Start(o);
    for (const WaterBody& b : w.opt.water)
        for (double a = 0; a < 6.28; a += 0.05)
            for (const double off : {-1.5, -0.5, -0.001, 0.001, 0.5, 1.5, 40.0}) {
                const double x = b.cx + (b.radius + off) * std::cos(a);
                const double y = b.cy + (b.radius + off) * std::sin(a);
                if (y < -2300) continue; // at sea
                EXPECT_EQ(WaterAt(w, x, y, nullptr), std::hypot(x - b.cx, y - b.cy) < b.radius)
                    << b.name << " " << off << " m beyond the rim";
            }
    for (double x = -3000; x < 3000; x += 411)
        for (double y = -2300; y > -2700; y -= 7.3)
            EXPECT_EQ(WaterAt(w, x, y, nullptr), y < -2350 && GroundHeight(w, x, y) < 0)
                << x << ", " << y;
}

// Lines of sight skip the exact ground wherever the cell's ceiling stays below the eye line: the
// ceiling must never be below the ground (hills, shores, the island, lakes, a plateau's rim), and
// close enough above it to spare most samples.
TEST_F(SimWorldTest, GroundCeilingIsNeverBelowTheGroundAndStaysClose) {
    WorldOptions o;
    o.plateaus.push_back({"bluff", 1340, -1180, 10, 12});
    Start(o);
    double slack = 0;
    int n = 0;
    for (double x = -3500; x < 3500; x += 53.3)
        for (double y = -8400; y < 2100; y += 61.7)
            for (const double d : {0.0, 1.3, 3.9}) {
                const double g = GroundHeight(w, x + d, y + d / 2);
                const double top = GroundCeiling(w, x + d, y + d / 2);
                ASSERT_GE(top, g) << x + d << ", " << y + d / 2;
                // Over sea and lakes the bound is the land above them: only dry land counts.
                if (y < -2300 || WaterAt(w, x + d, y + d / 2, nullptr)) continue;
                slack += top - g;
                ++n;
            }
    for (double a = 0; a < 6.3; a += 0.05) // around the bluff's rim
        ASSERT_GE(GroundCeiling(w, 1340 + 10.2 * std::cos(a), -1180 + 10.2 * std::sin(a)),
                  GroundHeight(w, 1340 + 10.2 * std::cos(a), -1180 + 10.2 * std::sin(a)));
    EXPECT_LT(slack / n, 3.0);
}

// An occluder blocks a line of sight only where its circle reaches the segment between the two
// peds: not beside it, nor before or beyond its ends, whatever box the segment spans.
TEST_F(SimWorldTest, OccludersBlockOnlyWhereTheyReachTheLineOfSight) {
    struct Case {
        Point2 to;   // the observer stands at (1000, -1000), 15 m or less away: no hill between
        Circle rock; // the only occluder
        bool clear;
        const char* why;
    };
    const Case cases[] = {
        {{1015, -1000}, {"r", 1007.5, -1000, 2, 3}, false, "across the middle"},
        {{1015, -1000}, {"r", 1007.5, -998.1, 2, 3}, false, "its rim reaches the line"},
        {{1015, -1000}, {"r", 1007.5, -997, 2, 3}, true, "beside the line"},
        {{1015, -1000}, {"r", 1007.5, -990, 2, 3}, true, "far beside the line"},
        {{1015, -1000}, {"r", 1017, -1000, 1, 3}, true, "beyond the far end"},
        {{1015, -1000}, {"r", 995, -1000, 1, 3}, true, "behind the observer"},
        {{1010, -990}, {"r", 1005, -995, 1, 3}, false, "on a diagonal line"},
        {{1010, -990}, {"r", 1008, -998, 1, 3}, true, "within the diagonal's box, off the line"},
        {{1000, -1012}, {"r", 1001.5, -1006, 2, 3}, false, "its rim reaches a line along y"},
        {{1000, -1012}, {"r", 994, -1006, 7, 3}, false, "a wide rock centred well beside the box"},
    };
    for (const Case& c : cases) {
        WorldOptions o;
        o.defaultMap = false;
        o.occluders = {c.rock};
        Start(o);
        SimPed a, b;
        a.pos = {1000, -1000, GroundHeight(w, 1000, -1000)};
        b.pos = {c.to.x, c.to.y, GroundHeight(w, c.to.x, c.to.y)};
        EXPECT_EQ(ClearLineOfSight(w, a, b), c.clear) << c.why;
        EXPECT_EQ(ClearLineOfSight(w, b, a), c.clear) << c.why << ", seen the other way";
    }
}

TEST_F(SimWorldTest, AimedCreationFailuresAndThePlayerTakingAPosseHorse) {
    WorldOptions o;
    o.faults.failCreations = {2};
    Start(o);
    const Ped rider = Create("A_M_M_RANCHER_01", 1330, -1170);
    EXPECT_EQ(Create("A_C_Horse_Morgan_Bay", 1322, -1170), 0u) << "the second creation fails";
    const Ped ridden = Create("A_C_Horse_Morgan_Bay", 1321, -1171);
    const Ped free = Create("A_C_Horse_Morgan_Bay", 1340, -1170);
    ASSERT_NE(rider, 0u);
    ASSERT_NE(free, 0u);
    EXPECT_EQ(story.counters.createFailures, 1);
    Call(nh::SET_PED_ONTO_MOUNT, rider, ridden, 0, 0);
    // The riderless horse is taken even though the ridden one is nearer.
    ASSERT_TRUE(PlayerTakesNearestHorse(w));
    EXPECT_EQ(story.takenHorse.horse, free);
    EXPECT_EQ(native::ResultU32(Call(nh::GET_MOUNT, w.playerPed)), free);
    EXPECT_EQ(native::ResultU32(Call(nh::GET_RIDER_OF_MOUNT, ridden, 0)), rider);
    // With every horse ridden the nearest one is taken and its rider pulled off.
    PlayerDismounts(w);
    EXPECT_FALSE(native::ResultBool(Call(nh::IS_PED_ON_MOUNT, w.playerPed)));
    const Ped second = Create("A_M_M_RANCHER_01", 1345, -1170);
    Call(nh::SET_PED_ONTO_MOUNT, second, free, 0, 0);
    ASSERT_TRUE(PlayerTakesNearestHorse(w));
    EXPECT_EQ(story.takenHorse.horse, free) << "the player stands beside it";
    EXPECT_FALSE(native::ResultBool(Call(nh::IS_PED_ON_MOUNT, second)));
    EXPECT_TRUE(native::ResultBool(Call(nh::IS_PED_ON_MOUNT, rider)));
    EXPECT_EQ(native::ResultU32(Call(nh::GET_RIDER_OF_MOUNT, free, 0)), w.playerPed);
    uint32_t handle = story.takenHorse.horse;
    Call(nh::DELETE_ENTITY, P(&handle));
    EXPECT_TRUE(story.takenHorse.deleted);
}

using SimWorldDeathTest = SimWorldTest;

TEST_F(SimWorldDeathTest, UnknownNativesAndWrongArgumentCountsStopTheRun) {
    EXPECT_DEATH(Call(0x1234567890ABCDEFull, 1), "not in the catalogue");
    EXPECT_DEATH(Call(nh::DOES_ENTITY_EXIST, 1, 2), "takes 1 arguments but 2 were pushed");
}

} // namespace
