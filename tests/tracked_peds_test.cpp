// The host hands a handle out again once its entity is gone: a ped created under it starts with
// nothing that was kept for the earlier ped.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "posse/pursuit.h"
#include "posse_fixture.h"
#include "spawn/placement.h"
#include "spawn/posse_seam.h"
#include "state/plugin_state.h"

namespace {

constexpr Hash HunterModel = 0x4B7E4E1A;
constexpr Hash HorseModel = 0x4B7E4E1B;
constexpr Ped Reused = 4321;

class ReusedHandle : public PosseTest {
  protected:
    Ped other = 0;

    void SetUp() override {
        PosseTest::SetUp();
        host.horseModels.insert(HorseModel);
        other = Hunter(60.0f); // beyond the engagement circle
    }

    // Everything the plug-in keeps per handle, as left behind by an earlier ped that is gone.
    void LeaveRecordsOfAnEarlierPed() {
        HorseRecord horse;
        horse.horse = Reused;
        horse.spawnAttempt = 1;
        horse.playerClaimed = 1;
        horse.wasRidden = 1;
        horse.sentAway = 1;
        horse.nextOrderMs = 99;
        G.spawn.HorseRecords.push_back(horse);
        ++G.spawn.HorseRecordsEdits;
        G.spawn.SpawnedPeds.insert(G.spawn.SpawnedPeds.begin(), Reused);
        PursuitState& ps = G.pursuit;
        ps.StuckWatch[Reused].lastMoveMs = 1;
        ps.EngagedLastPass.Insert(Reused);
        ps.EngagedLastPass.Insert(other);
        ps.ApproachStart[Reused] = static_cast<int32_t>(host.timerMs - 200000);
        ps.SecondTaskStart[Reused] = static_cast<int32_t>(host.timerMs - 100000);
        HarkvaneState& hv = G.harkvane;
        hv.LeashCooldown[Reused] = static_cast<int32_t>(host.timerMs + 999999);
        hv.HarkvaneMembers = {{static_cast<int32_t>(Reused), WaveB},
                              {static_cast<int32_t>(other), WaveB}};
        hv.HarkvanePeds[1] = {Reused, other};
        host.nextHandle = Reused;
    }
};

// Reproduces a spare horse deleted at pairing whose handle comes back for a hunter: the hunter
// must not pass for a protected horse, nor inherit timers, flags or army membership.
TEST_F(ReusedHandle, AHunterStartsWithNoneOfTheEarlierPedsRecords) {
    LeaveRecordsOfAnEarlierPed();
    const Ped hunter = CreateHunter(HunterModel, Vec3{20, 0, 0}, 0.0f);
    ASSERT_EQ(hunter, Reused);
    TrackSpawnedPed(hunter);

    EXPECT_EQ(G.spawn.SpawnedPeds, (std::vector<Ped>{0, other, Reused}));
    EXPECT_TRUE(G.spawn.HorseRecords.empty());
    EXPECT_FALSE(IsProtectedPed(hunter));
    const PursuitState& ps = G.pursuit;
    EXPECT_EQ(ps.StuckWatch.count(Reused), 0u);
    EXPECT_FALSE(ps.EngagedLastPass.Contains(Reused));
    EXPECT_TRUE(ps.EngagedLastPass.Contains(other));
    EXPECT_EQ(ps.ApproachStart.count(Reused), 0u);
    EXPECT_EQ(ps.SecondTaskStart.count(Reused), 0u);
    const HarkvaneState& hv = G.harkvane;
    EXPECT_EQ(hv.LeashCooldown.count(Reused), 0u);
    ASSERT_EQ(hv.HarkvaneMembers.size(), 1u);
    EXPECT_EQ(static_cast<Ped>(hv.HarkvaneMembers[0].ped), other);
    EXPECT_EQ(hv.HarkvanePeds[1], std::vector<Ped>{other});

    // Its first engagement pass: a newcomer in sight is set on the player at once.
    E(hunter).canSeePlayer = true;
    host.ClearCalls();
    UpdateEngagement();
    EXPECT_EQ(Orders(), Cat({{{nh::CLEAR_PED_TASKS, hunter}}, AttackFor(hunter)}));
}

TEST_F(ReusedHandle, AHorseGetsAFreshRecord) {
    LeaveRecordsOfAnEarlierPed();
    G.spawn.SpawnAttemptId = 7;
    const Ped horse = CreateHorse(HorseModel, Vec3{20, 0, 0}, 0.0f);
    ASSERT_EQ(horse, Reused);
    ASSERT_EQ(G.spawn.HorseRecords.size(), 1u);
    const HorseRecord& r = G.spawn.HorseRecords[0];
    EXPECT_EQ(r.horse, Reused);
    EXPECT_EQ(r.spawnAttempt, 7);
    EXPECT_EQ(r.playerClaimed, 0);
    EXPECT_EQ(r.wasRidden, 0);
    EXPECT_EQ(r.sentAway, 0);
    EXPECT_EQ(r.nextOrderMs, 0u);
    EXPECT_TRUE(IsProtectedPed(horse));
}

// Erasing from the open-addressed set keeps every other handle findable, collisions included.
TEST(HandleSetErase, KeepsEveryOtherHandleFindable) {
    HandleSet set;
    std::set<Ped> truth;
    std::minstd_rand draw(7);
    for (int step = 0; step < 20000; ++step) {
        const Ped p = static_cast<Ped>(1 + draw() % 200);
        if (draw() % 3 == 0) {
            EXPECT_EQ(set.Erase(p), truth.erase(p) == 1);
        } else {
            EXPECT_EQ(set.Insert(p), truth.insert(p).second);
        }
        ASSERT_EQ(set.Size(), truth.size());
    }
    for (Ped p = 1; p <= 200; ++p)
        EXPECT_EQ(set.Contains(p), truth.count(p) == 1) << p;
    EXPECT_FALSE(set.Erase(0));
}

} // namespace
