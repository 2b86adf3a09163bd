// Hunters on the player: engagement near the player, the stuck watch, riders.
#include "posse/pursuit.h"
#include "posse_fixture.h"

namespace {

using PursuitTest = PosseTest;

TEST_F(PursuitTest, EmptyListEmptiesStuckWatchAndEngagedSet) {
    G.pursuit.StuckWatch[4242] = StuckWatchEntry{};
    G.pursuit.EngagedLastPass.Insert(4242);

    // Without a player both passes leave their tables alone.
    host.playerPed = 0;
    UpdateStuckWatch();
    UpdateEngagement();
    EXPECT_EQ(G.pursuit.StuckWatch.size(), 1u);
    EXPECT_TRUE(G.pursuit.EngagedLastPass.Contains(4242));

    host.playerPed = Player;
    host.timerMs += 500;
    UpdateStuckWatch();
    UpdateEngagement();
    EXPECT_TRUE(G.pursuit.StuckWatch.empty());
    EXPECT_TRUE(G.pursuit.EngagedLastPass.Empty());
    EXPECT_TRUE(Orders().empty());
}

TEST_F(PursuitTest, HunterInSightIsSetOnPlayerOnEntryAndEveryPassWhileNotFighting) {
    Ped h = Hunter(30.0f);
    UpdateEngagement();
    EXPECT_EQ(Orders(), Cat({{{nh::CLEAR_PED_TASKS, h}}, AttackFor(h)}));
    EXPECT_EQ(host.CallsOf(nh::CLEAR_PED_TASKS)[0]->Int(2), 0);
    EXPECT_TRUE(G.pursuit.EngagedLastPass.Contains(h));

    // Rate limited to one pass per 500 ms.
    host.ClearCalls();
    host.timerMs += 499;
    UpdateEngagement();
    EXPECT_TRUE(Orders().empty());

    host.timerMs += 1;
    UpdateEngagement();
    EXPECT_EQ(Orders(), Cat({{{nh::CLEAR_PED_TASKS, h}}, AttackFor(h)}));

    // Fighting already: left alone, but still counted as engaged.
    host.ClearCalls();
    E(h).inCombat = true;
    host.timerMs += 500;
    UpdateEngagement();
    EXPECT_TRUE(Orders().empty());
    EXPECT_TRUE(G.pursuit.EngagedLastPass.Contains(h));
}

// Enters the circle without sight, leaves, and comes back later: the escalation is measured
// from the first entry, across a timer wrap.
TEST_F(PursuitTest, EntriesWithoutSightEscalateThenGiveUp) {
    Ped h = Hunter(30.0f);
    E(h).canSeePlayer = false;
    const uint32_t t0 = 0xFFFFF000u; // wraps during the test
    // The 500 ms pass clock is not under test here: each entry is preceded by a pass outside.
    auto enterAt = [&](uint32_t t) {
        E(h).pos = Vec3{100.0f, 0, 0};
        host.timerMs = t - 1;
        G.pursuit.EngagementNextMs = 0;
        UpdateEngagement();
        E(h).pos = Vec3{30.0f, 0, 0};
        host.timerMs = t;
        G.pursuit.EngagementNextMs = 0;
        host.ClearCalls();
        UpdateEngagement();
    };
    const auto approach =
        Cat({{{nh::CLEAR_PED_TASKS, h}}, ApproachFor(h), {{nh::SET_PED_KEEP_TASK, h}}});

    enterAt(t0);
    EXPECT_EQ(Orders(), approach);
    EXPECT_EQ(G.pursuit.ApproachStart.at(h), static_cast<int32_t>(t0));

    enterAt(t0 + 9999);
    EXPECT_EQ(Orders(), approach);
    EXPECT_EQ(G.pursuit.SecondTaskStart.count(h), 0u);

    const uint32_t t1 = t0 + 10000;
    enterAt(t1);
    EXPECT_EQ(Orders(), Cat({approach,
                             {{nh::CLEAR_PED_TASKS, h},
                              {nh::TASK_SECOND_STAGE_PURSUIT, h},
                              {nh::SET_PED_KEEP_TASK, h}}}));
    EXPECT_EQ(host.CallsOf(nh::CLEAR_PED_TASKS)[1]->Int(2), 1);
    EXPECT_EQ(G.pursuit.SecondTaskStart.at(h), static_cast<int32_t>(t1));
    EXPECT_EQ(G.pursuit.ApproachStart.at(h), static_cast<int32_t>(t0));

    enterAt(t1 + 89999);
    EXPECT_EQ(Orders(), approach);

    enterAt(t1 + 90000);
    EXPECT_EQ(
        Orders(),
        Cat({approach,
             {{nh::CLEAR_PED_TASKS, h}, {nh::TASK_FLEE_PED, h}, {nh::SET_PED_KEEP_TASK, h}}}));
    const RecordedCall* flee = host.CallsOf(nh::TASK_FLEE_PED)[0];
    EXPECT_FLOAT_EQ(flee->Float(2), 250.0f);
    EXPECT_FLOAT_EQ(flee->Float(5), 2.6f);
    EXPECT_EQ(G.pursuit.ApproachStart.count(h), 0u);
    EXPECT_EQ(G.pursuit.SecondTaskStart.count(h), 0u);

    // A hunter that fled is treated like any other when it comes back.
    enterAt(t1 + 91000);
    EXPECT_EQ(Orders(), approach);
    EXPECT_EQ(G.pursuit.ApproachStart.at(h), static_cast<int32_t>(t1 + 91000));
}

// Frames every 250 ms; returns the times (ms after start) at which the hunter was re-sent.
std::vector<uint32_t> RunStuckWatch(RecordingHost& host, Ped h, uint32_t spanMs) {
    std::vector<uint32_t> resent;
    const uint32_t start = host.timerMs;
    for (uint32_t dt = 0; dt <= spanMs; dt += 250) {
        host.timerMs = start + dt;
        host.ClearCalls();
        UpdateStuckWatch();
        for (const RecordedCall& c : host.calls)
            if (c.hash == nh::TASK_FOLLOW_TO_OFFSET && c.U32(0) == h) resent.push_back(dt);
    }
    return resent;
}

TEST_F(PursuitTest, StuckHunterIsResentOncePerSixSecondsOnClosingChecks) {
    Ped h = Hunter(30.0f);
    std::vector<uint32_t> resent = RunStuckWatch(host, h, 13000);
    EXPECT_EQ(resent, (std::vector<uint32_t>{4000, 12000}));
    EXPECT_EQ(G.pursuit.StuckWatch.count(h), 1u);
}

TEST_F(PursuitTest, HunterThatPacesOrFightsIsNotResent) {
    Ped mover = Hunter(30.0f);
    Ped fighter = Hunter(25.0f);
    E(fighter).inCombat = true;
    const uint32_t start = host.timerMs;
    int resends = 0;
    for (uint32_t dt = 0; dt <= 20000; dt += 250) {
        host.timerMs = start + dt;
        // Paces back and forth across the same spot: moves, but never closes in.
        E(mover).pos.y = (dt / 1000) % 2 ? 1.0f : 0.0f;
        host.ClearCalls();
        UpdateStuckWatch();
        resends += static_cast<int>(host.CountOf(nh::TASK_FOLLOW_TO_OFFSET));
    }
    EXPECT_EQ(resends, 0);
    EXPECT_EQ(G.pursuit.StuckWatch.count(fighter), 0u);

    // Leaving combat starts a fresh watch: no re-send before a full closing check.
    E(fighter).inCombat = false;
    EXPECT_TRUE(RunStuckWatch(host, fighter, 3750).empty());
}

TEST_F(PursuitTest, RidersDismountWithinFiftyMetresOfAPlayerOnFoot) {
    Ped near = Hunter(50.0f);
    Ped far = Hunter(60.0f);
    for (Ped p : {near, far})
        E(p).onMount = true;
    UpdateMountedPursuit();
    EXPECT_EQ(Orders(), Cat({{{nh::TASK_DISMOUNT, near}}, ApproachFor(near)}));
    EXPECT_EQ(host.CallsOf(nh::TASK_DISMOUNT)[0]->U32(5), Player);
    EXPECT_EQ(host.CallsOf(nh::TASK_FOLLOW_TO_OFFSET)[0]->Int(6), 4000);
}

TEST_F(PursuitTest, MountsFollowARidingPlayerEveryTwoSeconds) {
    Ped rider = Hunter(80.0f);
    Ped horse = host.AddPed(Vec3{80.0f, 0, 0}, false);
    E(rider).onMount = true;
    E(rider).mount = horse;
    E(rider).canSeePlayer = false;
    Ped noMount = Hunter(90.0f);
    E(noMount).onMount = true; // mount handle 0: left alone
    Ped dog = host.AddPed(Vec3{5, 0, 0}, false);
    E(dog).onMount = true; // not human: left alone
    G.spawn.SpawnedPeds.push_back(dog);
    E(Player).onMount = true;

    UpdateMountedPursuit();
    EXPECT_EQ(Orders(), (std::vector<Order>{{nh::TASK_FOLLOW_TO_OFFSET, horse},
                                            {nh::SET_PED_KEEP_TASK, rider}}));
    const RecordedCall* follow = host.CallsOf(nh::TASK_FOLLOW_TO_OFFSET)[0];
    EXPECT_FLOAT_EQ(follow->Float(5), 3.2f);
    EXPECT_FLOAT_EQ(follow->Float(7), 3.0f);

    host.ClearCalls();
    host.timerMs += 1999;
    UpdateMountedPursuit();
    EXPECT_TRUE(Orders().empty());

    // Sitting in a vehicle counts as riding; a rider who sees the player also attacks.
    E(Player).onMount = false;
    E(Player).inVehicle = true;
    E(rider).canSeePlayer = true;
    host.timerMs += 1;
    UpdateMountedPursuit();
    EXPECT_EQ(Orders(), Cat({{{nh::TASK_FOLLOW_TO_OFFSET, horse}, {nh::SET_PED_KEEP_TASK, rider}},
                             AttackFor(rider)}));
}

TEST_F(PursuitTest, HorsesAreNeverOrderedByStuckWatchOrEngagement) {
    Ped recorded = Hunter(10.0f); // human model, but listed as one of our horses
    HorseRecord rec;
    rec.horse = recorded;
    G.spawn.HorseRecords.push_back(rec);
    const Hash horseModel = 0xABCD;
    host.horseModels.insert(horseModel);
    Ped wild = Hunter(12.0f);
    E(wild).model = horseModel;

    const uint32_t start = host.timerMs;
    for (uint32_t dt = 0; dt <= 15000; dt += 250) {
        host.timerMs = start + dt;
        UpdateStuckWatch();
        UpdateEngagement();
    }
    EXPECT_TRUE(Orders().empty());
    EXPECT_TRUE(G.pursuit.StuckWatch.empty());
    EXPECT_TRUE(G.pursuit.EngagedLastPass.Empty());
}

} // namespace
