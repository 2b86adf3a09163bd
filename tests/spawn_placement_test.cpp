#include <gtest/gtest.h>

#include <vector>

#include "platform/crt_rand.h"
#include "recording_host.h"
#include "spawn/placement.h"
#include "spawn_test_support.h"
#include "state/plugin_state.h"

namespace {

struct Placement : ::testing::Test {
    RecordingHost host;
    void SetUp() override {
        ResetPluginState();
        host.Install();
    }
    void TearDown() override { host.Uninstall(); }

    // The raw candidates of a search that rejected every attempt, one per ground probe.
    std::vector<const RecordedCall*> FallbackProbes() const {
        std::vector<const RecordedCall*> out;
        for (const RecordedCall* c : host.CallsOf(nh::GET_GROUND_Z_FOR_3D_COORD))
            if (c->Float(2) == 9.0f) out.push_back(c);
        return out;
    }
};

TEST_F(Placement, AttemptCountBelowTwoMakesExactlyOneAttempt) {
    FloodEverything(host);
    for (int attempts : {0, 1, -3}) {
        G.settings.Spawner.SpawnAttemptsPerMember = attempts;
        host.ClearCalls();
        Vec3 out{7.0f, 7.0f, 7.0f};
        EXPECT_FALSE(PlayerRingSearch(Vec3{}, &out));
        EXPECT_EQ(host.CountOf(nh::GET_WATER_HEIGHT), 1u) << attempts;
        EXPECT_EQ(out.x, 7.0f); // left untouched on failure
    }
}

// With the defaults the player ring widens after every third rejection, the anchor ring by
// its own step, and neither inner radius drops below its floor.
TEST_F(Placement, RingsWidenEveryThirdRejectionDownToTheirFloors) {
    FloodEverything(host);
    struct Case {
        const char* name;
        bool anchor;
        float a, b, s, floor;
    };
    const Case cases[] = {
        {"player defaults", false, 8.0f, 14.0f, 2.0f, 2.0f},
        {"player floor", false, 3.0f, 4.0f, 4.0f, 2.0f},
        {"anchor defaults", true, 2.0f, 6.0f, 1.0f, 1.0f},
    };
    for (const Case& k : cases) {
        ResetPluginState();
        auto& sp = G.settings.Spawner;
        if (k.anchor) {
            sp.AnchorClusterMinMeters = k.a;
            sp.AnchorClusterMaxMeters = k.b;
            sp.AnchorClusterStepMeters = k.s;
        } else {
            sp.SpawnNearMinMeters = k.a;
            sp.SpawnNearMaxMeters = k.b;
            sp.SpawnRingStepMeters = k.s;
        }
        host.ClearCalls();
        CrtSrand(4242);
        PredictedRand rand(4242);
        Vec3 out;
        EXPECT_FALSE(k.anchor ? AnchorClusterSearch(Vec3{}, false, &out)
                              : PlayerRingSearch(Vec3{}, &out));
        auto probes = FallbackProbes();
        ASSERT_EQ(probes.size(), 12u) << k.name;
        float a = k.a, b = k.b;
        for (int i = 0; i < 12; ++i) {
            rand.Next(); // bearing
            const float expected = a + (b - a) * rand.Unit();
            EXPECT_NEAR(HorizontalRadius(*probes[i]), expected, 1e-3f)
                << k.name << " attempt " << i;
            if (i % 3 == 2) {
                a = std::max(a - k.s / 2.0f, k.floor);
                b += k.s;
            }
        }
    }
    // The default player bands are [8,14] [7,16] [6,18] [5,20]; with a 3..4 ring and step 4
    // the inner radius goes 3, 2, 2, 2 (floor 2); the anchor ring goes 2, 1.5, 1, 1 (floor 1).
}

TEST_F(Placement, WaterLessThanOneMetreBelowOrAboveTheCandidateRejectsIt) {
    SafeCoordAlways(host, Vec3{5.0f, 0.0f, 10.0f});
    host.groundZ = 10.0f;
    G.settings.SpawnPlacement.LimitAbovePlayer = false;
    // Under the surface counts as wet however deep: no hunter stands on a river bed.
    for (float water : {9.01f, 10.99f, 11.0f, 14.0f}) {
        host.handlers[nh::GET_WATER_HEIGHT] = [water](RecordedCall& c, uint64_t* out) {
            *reinterpret_cast<float*>(c.args[3]) = water;
            out[0] = 1;
        };
        Vec3 out;
        EXPECT_FALSE(PlayerRingSearch(Vec3{}, &out)) << water;
    }
    for (float water : {9.0f, 4.0f}) {
        host.handlers[nh::GET_WATER_HEIGHT] = [water](RecordedCall& c, uint64_t* out) {
            *reinterpret_cast<float*>(c.args[3]) = water;
            out[0] = 1;
        };
        Vec3 out;
        EXPECT_TRUE(PlayerRingSearch(Vec3{}, &out)) << water;
        EXPECT_EQ(out.z, 10.0f);
    }
}

TEST_F(Placement, SpacingRejectsOnlyStrictlyInsideTheSeparation) {
    SafeCoordAlways(host, Vec3{0.0f, 0.0f, 0.0f});
    G.settings.Spawner.SpawnAttemptsPerMember = 1;
    const Ped at = host.AddPed(Vec3{1.2f, 0.0f, 40.0f}); // vertical distance does not count
    G.spawn.SpawnedPeds = {0, at};
    Vec3 out;
    EXPECT_TRUE(PlayerRingSearch(Vec3{}, &out));

    host.entities[at].pos.x = 1.19f;
    EXPECT_FALSE(PlayerRingSearch(Vec3{}, &out));
    EXPECT_TRUE(AnchorClusterSearch(Vec3{}, false, &out)); // its own, smaller separation (0.8)
    host.entities[at].exists = false;                      // vanished peds do not count
    EXPECT_TRUE(PlayerRingSearch(Vec3{}, &out));
}

TEST_F(Placement, HeightLimitsAcceptExactlyTheLimitAndOnlyForTheTwoCloseSearches) {
    G.settings.Spawner.SpawnAttemptsPerMember = 1;
    host.entities[host.playerPed].pos = Vec3{0.0f, 0.0f, 2.0f};
    auto tryAt = [&](float z, float ground, int search) {
        SafeCoordAlways(host, Vec3{4.0f, 0.0f, z});
        host.groundZ = ground;
        Vec3 out;
        if (search == 0) return PlayerRingSearch(Vec3{}, &out);
        if (search == 1) return AnchorClusterSearch(Vec3{}, false, &out);
        return BoundedRingSearch(Vec3{}, 8.0f, 14.0f, &out);
    };
    for (int search : {0, 1}) {
        EXPECT_TRUE(tryAt(5.0f, 4.5f, search));  // exactly 3 m above the player
        EXPECT_FALSE(tryAt(5.5f, 5.0f, search)); // higher than that
        EXPECT_TRUE(tryAt(1.25f, 0.0f, search)); // exactly 1.25 m above the ground
        EXPECT_FALSE(tryAt(1.5f, 0.0f, search));
    }
    EXPECT_TRUE(tryAt(50.0f, 0.0f, 2)); // the bounded ring has no height limits

    G.settings.SpawnPlacement.LimitAbovePlayer = false;
    EXPECT_TRUE(tryAt(30.0f, 29.5f, 0));
    G.settings.SpawnPlacement.EnforceSurfaceSnap = false;
    EXPECT_TRUE(tryAt(30.0f, 0.0f, 0));
}

TEST_F(Placement, SurfaceFallsBackToTheGroundAndRejectsWithoutGround) {
    G.settings.Spawner.SpawnAttemptsPerMember = 1;
    G.settings.SpawnPlacement.LimitAbovePlayer = false;
    host.groundZ = 3.0f;
    Vec3 out;
    ASSERT_TRUE(PlayerRingSearch(Vec3{0.0f, 0.0f, 1.0f}, &out));
    EXPECT_FLOAT_EQ(out.z, 3.1f);
    const auto& calls = host.calls;
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0].hash, nh::GET_SAFE_COORD_FOR_PED);
    EXPECT_EQ(calls[0].Float(2), 2.0f); // one metre above the centre
    EXPECT_EQ(calls[0].Int(5), 0);
    EXPECT_EQ(calls[1].hash, nh::GET_GROUND_Z_FOR_3D_COORD);
    EXPECT_EQ(calls[1].Float(2), 10.0f);

    host.groundFound = false;
    host.ClearCalls();
    EXPECT_FALSE(PlayerRingSearch(Vec3{}, &out));
    EXPECT_EQ(host.CountOf(nh::GET_WATER_HEIGHT), 0u);
}

// A road attempt asks for a road first and falls back at once to any ground.
TEST_F(Placement, RoadModesDecideWhichAttemptsAskForARoad) {
    FloodEverything(host);
    auto roadFlags = [&] {
        std::vector<int> flags;
        for (const RecordedCall* c : host.CallsOf(nh::GET_SAFE_COORD_FOR_PED))
            flags.push_back(c->Int(5));
        return flags;
    };
    Vec3 out;
    G.settings.Spawner.SpawnAttemptsPerMember = 4;

    G.settings.Spawner.HorseRoadBias = RoadBiasRequire; // default: every attempt
    AnchorClusterSearch(Vec3{}, true, &out);
    EXPECT_EQ(roadFlags(), (std::vector<int>{16, 0, 16, 0, 16, 0, 16, 0}));

    host.ClearCalls();
    G.settings.Spawner.AnchorClusterHorseRoadBiasGiven = true;
    G.settings.Spawner.AnchorClusterHorseRoadBias = RoadBiasPrefer; // first half only
    AnchorClusterSearch(Vec3{}, true, &out);
    EXPECT_EQ(roadFlags(), (std::vector<int>{16, 0, 16, 0, 0, 0}));

    host.ClearCalls();
    AnchorClusterSearch(Vec3{}, false, &out); // never for a rider
    PlayerRingSearch(Vec3{}, &out);
    EXPECT_EQ(roadFlags(), std::vector<int>(8, 0));

    // A road point found at once needs no second query.
    host.ClearCalls();
    host.handlers.erase(nh::GET_WATER_HEIGHT);
    SafeCoordAlways(host, Vec3{3.0f, 3.0f, 0.0f});
    G.settings.SpawnPlacement.LimitAbovePlayer = false;
    EXPECT_TRUE(AnchorClusterSearch(Vec3{}, true, &out));
    EXPECT_EQ(roadFlags(), std::vector<int>{16});
}

TEST_F(Placement, PursuitPointFallsBackFromGroundToSafeCoordinateToPlayerHeight) {
    host.entities[host.playerPed].pos = Vec3{100.0f, 200.0f, 10.0f};
    CrtSrand(7);
    PredictedRand rand(7);
    const float theta = rand.Bearing();
    const float dist = 15.0f + rand.Unit();
    host.groundZ = 20.0f;
    Vec3 p = PursuitPoint();
    EXPECT_NEAR(p.x, 100.0f + dist * std::cos(theta), 1e-3f);
    EXPECT_NEAR(p.y, 200.0f + dist * std::sin(theta), 1e-3f);
    EXPECT_FLOAT_EQ(p.z, 20.15f);
    float d = std::hypot(p.x - 100.0f, p.y - 200.0f);
    EXPECT_GE(d, 15.0f);
    EXPECT_LE(d, 16.0f + 1e-4f);

    host.groundZ = 500.0f; // only the probe from 1000 m up finds it
    EXPECT_FLOAT_EQ(PursuitPoint().z, 500.15f);

    host.groundFound = false;
    SafeCoordAlways(host, Vec3{0.0f, 0.0f, 7.0f});
    EXPECT_FLOAT_EQ(PursuitPoint().z, 7.15f);

    host.handlers.erase(nh::GET_SAFE_COORD_FOR_PED);
    EXPECT_FLOAT_EQ(PursuitPoint().z, 11.15f);
}

constexpr Hash HunterModel = 0x1111;
constexpr Hash HorseModel = 0x2222;

TEST_F(Placement, CreationLoadsCreatesReleasesDressesArmsAndSendsTheHunter) {
    G.settings.CurrentTierTag = "T3";
    const Ped ped = CreateHunter(HunterModel, Vec3{1.0f, 2.0f, 3.0f}, 45.0f);
    ASSERT_NE(ped, 0u);
    const std::vector<uint64_t> expected = {nh::IS_MODEL_VALID,
                                            nh::REQUEST_MODEL,
                                            nh::HAS_MODEL_LOADED,
                                            nh::HAS_MODEL_LOADED, // asked again after the loop
                                            nh::CREATE_PED,
                                            nh::SET_MODEL_AS_NO_LONGER_NEEDED,
                                            nh::SET_ENTITY_AS_MISSION_ENTITY,
                                            nh::SET_RANDOM_OUTFIT_VARIATION,
                                            nh::UPDATE_PED_VARIATION,
                                            nh::FINISH_PED_APPEARANCE,
                                            nh::IS_PED_HUMAN};
    auto hashes = host.Hashes();
    ASSERT_GE(hashes.size(), expected.size());
    EXPECT_EQ(std::vector<uint64_t>(hashes.begin(), hashes.begin() + expected.size()), expected);
    // The approach order closes the sequence.
    const RecordedCall& follow = host.calls.back();
    EXPECT_EQ(follow.hash, nh::TASK_FOLLOW_TO_OFFSET);
    EXPECT_EQ(follow.U32(0), ped);
    EXPECT_EQ(follow.U32(1), host.playerPed);
    EXPECT_EQ(follow.Float(5), 2.8f);
    EXPECT_EQ(follow.Int(6), -1);
    EXPECT_EQ(follow.Float(7), 2.5f);
    EXPECT_EQ(host.CountOf(nh::SET_PED_PATH_CAN_USE_CLIMBOVERS), 1u);
    EXPECT_EQ(host.CountOf(nh::SET_PED_PATH_CAN_USE_LADDERS), 1u);
    const RecordedCall& create = *host.CallsOf(nh::CREATE_PED).at(0);
    EXPECT_EQ(create.Float(4), 45.0f);
    EXPECT_EQ(create.Float(3), 3.0f);
    EXPECT_TRUE(G.spawn.HorseRecords.empty());
}

TEST_F(Placement, ModelsThatAreInvalidOrNeverLoadOrYieldNoPedGiveNothing) {
    host.invalidModels.insert(HunterModel);
    EXPECT_EQ(CreateHunter(HunterModel, Vec3{}, 0.0f), 0u);
    EXPECT_EQ(host.Hashes(), std::vector<uint64_t>{nh::IS_MODEL_VALID});

    host.invalidModels.clear();
    host.ClearCalls();
    host.fixed[nh::HAS_MODEL_LOADED] = 0;
    EXPECT_EQ(CreateDog(HunterModel, Vec3{}, 0.0f), 0u);
    EXPECT_EQ(host.waits.size(), 300u);
    EXPECT_EQ(host.waits.front(), 10u);
    EXPECT_EQ(host.CountOf(nh::HAS_MODEL_LOADED), 302u); // before each wait, at 300, and after
    EXPECT_EQ(host.CountOf(nh::CREATE_PED), 0u);

    // Loaded after a few waits: the model is used.
    host.waits.clear();
    host.fixed.erase(nh::HAS_MODEL_LOADED);
    host.queued[nh::HAS_MODEL_LOADED] = {0, 0, 0};
    EXPECT_TRUE(LoadModel(HunterModel));
    EXPECT_EQ(host.waits.size(), 3u);

    host.ClearCalls();
    host.fixed[nh::CREATE_PED] = 0;
    EXPECT_EQ(CreateHorse(HorseModel, Vec3{}, 0.0f), 0u);
    EXPECT_EQ(host.Hashes().back(), nh::SET_MODEL_AS_NO_LONGER_NEEDED);
    EXPECT_TRUE(G.spawn.HorseRecords.empty());
}

TEST_F(Placement, HorsesGetThePresetAndOneRecordEachWithTheAttemptId) {
    host.horseModels.insert(HorseModel);
    G.spawn.SpawnAttemptId = 9;
    host.fixed[nh::CREATE_PED] = 5000;
    host.entities[5000] = HostEntity{};
    host.entities[5000].human = false;
    EXPECT_EQ(CreateHorse(HorseModel, Vec3{}, 0.0f), 5000u);
    G.spawn.SpawnAttemptId = 10;
    EXPECT_EQ(CreateHorse(HorseModel, Vec3{}, 0.0f), 5000u); // same handle handed out again
    ASSERT_EQ(G.spawn.HorseRecords.size(), 1u);               // one record, the new horse's
    EXPECT_EQ(G.spawn.HorseRecords[0].horse, 5000u);
    EXPECT_EQ(G.spawn.HorseRecords[0].spawnAttempt, 10);
    EXPECT_EQ(host.CountOf(nh::APPLY_HORSE_PRESET), 2u);
    EXPECT_EQ(host.CallsOf(nh::APPLY_HORSE_PRESET)[0]->U32(1), 0x4B96E611u);
    EXPECT_EQ(host.CountOf(nh::UPDATE_PED_VARIATION), 4u); // dressing, then again after the preset
    EXPECT_EQ(host.CountOf(nh::IS_PED_HUMAN), 0u);         // horses are never armed
}

} // namespace
