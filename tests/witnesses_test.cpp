#include <limits>

#include <gtest/gtest.h>

#include "bounty/witnesses.h"
#include "recording_host.h"
#include "state/plugin_state.h"

namespace {

class Witnesses : public ::testing::Test {
  protected:
    RecordingHost host;
    std::vector<Ped> nearby; // what the nearby-ped query returns

    void SetUp() override {
        ResetPluginState();
        host.Install();
        auto& w = G.settings.WitnessTracker;
        w.Enabled = true;
        w.WitnessRangeMeters = 100.0f;
        w.WitnessAmount = 2;
        w.WitnessCap = 30;
        w.WitnessNumberDisplay = true;
        w.DeathReset = true;
        host.handlers[nh::GET_PED_NEARBY_PEDS] = [this](RecordedCall& c, uint64_t* out) {
            auto* slots = reinterpret_cast<uint64_t*>(c.args[1]);
            size_t n = std::min<size_t>(nearby.size(), slots[0]);
            for (size_t i = 0; i < n; ++i)
                slots[i + 1] = nearby[i];
            out[0] = nearby.size();
        };
    }
    void TearDown() override { host.Uninstall(); }

    Ped Bystander(float distance, bool sees = true) {
        Ped p = host.AddPed(Vec3{distance, 0, 0});
        host.entities[p].canSeePlayer = sees;
        nearby.push_back(p);
        return p;
    }
    // Runs one check 300 ms after the previous one.
    void Check() {
        host.timerMs += 300;
        UpdateWitnesses();
    }
    size_t Count() const { return G.witness.Witnesses.size(); }
};

TEST_F(Witnesses, ThresholdOfZeroOrOneOpensTheGateOnTheFirstWitnessWithOneSearchNotice) {
    for (int amount : {0, 1}) {
        ResetPluginState();
        G.settings.WitnessTracker.WitnessAmount = amount;
        G.settings.WitnessTracker.WitnessNumberDisplay = false;
        host.notices.clear();
        nearby.clear();
        Bystander(5.0f);
        Check();
        EXPECT_TRUE(G.loop.WitnessGate) << amount;
        Bystander(6.0f);
        Check();
        ASSERT_EQ(host.notices.size(), 1u);
        EXPECT_EQ(host.notices[0], "Bounty Hunters Are Searching For You");
    }
}

TEST_F(Witnesses, CapOfZeroNeverCountsSoTheGateStaysShut) {
    G.settings.WitnessTracker.WitnessCap = 0;
    G.settings.WitnessTracker.WitnessAmount = 1;
    for (int i = 0; i < 5; ++i)
        Bystander(3.0f + i);
    for (int i = 0; i < 3; ++i)
        Check();
    EXPECT_EQ(Count(), 0u);
    EXPECT_FALSE(G.loop.WitnessGate);
}

TEST_F(Witnesses, RangeBelowOneMetreCountsAsOneAndTheEdgeIsInRange) {
    G.settings.WitnessTracker.WitnessRangeMeters = 0.2f;
    Ped atEdge = Bystander(1.0f);
    Bystander(1.5f);
    Check();
    ASSERT_EQ(Count(), 1u);
    EXPECT_EQ(G.witness.Witnesses[0], atEdge);
}

TEST_F(Witnesses, LookingAwayAndBackCountsOnceButBothSightQuestionsAreAlwaysAsked) {
    G.settings.WitnessTracker.WitnessAmount = 5;
    Ped watcher = Bystander(10.0f);
    Bystander(200.0f); // out of range: never asked
    Check();
    host.entities[watcher].canSeePlayer = false;
    Check();
    host.entities[watcher].canSeePlayer = true;
    host.ClearCalls();
    Check();
    EXPECT_EQ(Count(), 1u);
    EXPECT_EQ(host.CountOf(nh::CAN_PED_PERCEIVE_PED), 1u);
    EXPECT_EQ(host.CountOf(nh::HAS_CLEAR_LOS_TO_ENTITY), 1u);

    // Perception false: the line-of-sight question is still put.
    host.ClearCalls();
    host.queued[nh::CAN_PED_PERCEIVE_PED] = {0};
    Check();
    EXPECT_EQ(host.CountOf(nh::HAS_CLEAR_LOS_TO_ENTITY), 1u);
}

TEST_F(Witnesses, PosseSentResetShowsZeroThenTheNewCountInOneCheck) {
    Bystander(5.0f);
    Check();
    ASSERT_EQ(host.notices, (std::vector<std::string>{"Witness: 1"}));
    G.loop.PosseSentMarker = true;
    G.loop.WitnessGate = true;
    Check();
    EXPECT_FALSE(G.loop.PosseSentMarker);
    // The same bystander counts again in the new cycle.
    EXPECT_EQ(host.notices, (std::vector<std::string>{"Witness: 1", "Witness: 0", "Witness: 1"}));
    EXPECT_FALSE(G.loop.WitnessGate);
}

TEST_F(Witnesses, DeathResetsOnceAndTheCountReturnsWhenAlive) {
    Bystander(5.0f);
    Check();
    host.entities[host.playerPed].dead = true;
    Check();
    Check();
    EXPECT_EQ(host.notices, (std::vector<std::string>{"Witness: 1", "Witness: 0"}));
    EXPECT_EQ(Count(), 0u);
    host.entities[host.playerPed].dead = false;
    Check();
    EXPECT_EQ(host.notices.back(), "Witness: 1");
}

TEST_F(Witnesses, ChecksRunEvery300MsAndOnlyTheFirst64PedsAreExamined) {
    for (int i = 0; i < 70; ++i)
        Bystander(2.0f + 0.1f * i);
    G.settings.WitnessTracker.WitnessCap = 512;
    Check();
    EXPECT_EQ(Count(), 64u);
    host.timerMs += 299;
    host.ClearCalls();
    UpdateWitnesses();
    EXPECT_EQ(host.calls.size(), 1u); // the timer read only
}

TEST_F(Witnesses, TrackedTableStopsAt256AndKeepsEarlierEntriesFindable) {
    G.settings.WitnessTracker.WitnessAmount = 1000;
    G.settings.WitnessTracker.WitnessCap = 512;
    std::vector<Ped> all;
    for (int batch = 0; batch < 5; ++batch) {
        nearby.clear();
        for (int i = 0; i < 64; ++i)
            all.push_back(Bystander(3.0f, false));
        Check();
    }
    EXPECT_EQ(G.witness.TrackedPeds.size(), 256u);
    // Everyone turns round: only the tracked 256 can become witnesses.
    for (Ped p : all)
        host.entities[p].canSeePlayer = true;
    for (int batch = 0; batch < 5; ++batch) {
        nearby.assign(all.begin() + batch * 64, all.begin() + batch * 64 + 64);
        Check();
    }
    EXPECT_EQ(Count(), 256u);
    EXPECT_EQ(G.witness.Witnesses.front(), all.front());
}

class DailyBounty : public ::testing::Test {
  protected:
    RecordingHost host;
    void SetUp() override {
        ResetPluginState();
        host.Install();
        G.settings.Bounty.DailyBountyIncrease = 200;
        G.settings.Bounty.BountyCap = 1000;
        UpdateDailyBounty(); // takes today's number
    }
    void TearDown() override { host.Uninstall(); }
    void NextDay() {
        ++host.day;
        UpdateDailyBounty();
    }
};

TEST_F(DailyBounty, IncreaseIsCappedAndNegativeCapForcesTheCap) {
    host.bounty = 900;
    UpdateDailyBounty();
    EXPECT_EQ(host.bounty, 900); // same day
    NextDay();
    EXPECT_EQ(host.bounty, 1000);

    G.settings.Bounty.BountyCap = -50;
    host.bounty = 10;
    NextDay();
    EXPECT_EQ(host.bounty, -50);
}

TEST_F(DailyBounty, ZeroBountyDaysAddNothingAndALaterDayAddsOneIncrease) {
    host.bounty = 0;
    NextDay();
    NextDay();
    EXPECT_EQ(host.bounty, 0);
    host.bounty = 100;
    NextDay();
    EXPECT_EQ(host.bounty, 300);
}

TEST_F(DailyBounty, SumSaturatesInsteadOfWrapping) {
    constexpr int32_t Max = std::numeric_limits<int32_t>::max();
    G.settings.Bounty.BountyCap = Max;
    G.settings.Bounty.DailyBountyIncrease = 1000;
    host.bounty = Max - 10;
    NextDay();
    EXPECT_EQ(host.bounty, Max);
}

} // namespace
