#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>

#include <gtest/gtest.h>

#include "plugin_fixture.h"
#include "posse/harkvane_event.h"
#include "recording_host.h"
#include "scratch_dir.h"
#include "spawn/spawn_driver.h"
#include "spawn_test_support.h"
#include "state/plugin_state.h"
#include "story_recorder.h"

namespace {

constexpr Hash SoldierModel = 0x5A1D1E55;
constexpr Hash BlipStyle = 0xB11B;
constexpr Hash NewHanoverZone = 0x1D3E259F;

class HarkvaneEvent : public PluginFixture {
  protected:
    Vec3 player{0.0f, 0.0f, 0.0f};
    float heading = 180.0f;

    void SetUp() override {
        PluginFixture::SetUp();
        G.settings.Harkvane.Model = SoldierModel;
        G.settings.Blip.Style = BlipStyle;
        G.settings.Harkvane.SpawnIntervalMs = 2500;
        G.settings.Bounty.BountyCap = 100000;
        G.loop.StreakCount = 5;
        host.bounty = 4000;
    }

    void Start(int tier) { StartHarkvaneEvent(tier, player, heading); }
    void Frame(uint32_t advanceMs) {
        host.timerMs += advanceMs;
        UpdateHarkvaneEvent(player, heading);
    }
    const std::vector<Ped>& Wave(int i) const { return G.harkvane.HarkvanePeds[i]; }
    void KillAll() {
        for (const HarkvaneMember& m : G.harkvane.HarkvaneMembers)
            host.entities[static_cast<Ped>(m.ped)].deadOrDying = true;
    }
    bool Attacked(Ped ped) const {
        for (const RecordedCall* c : host.CallsOf(nh::TASK_COMBAT_PED))
            if (c->U32(0) == ped) return true;
        return false;
    }
    bool Approached(Ped ped) const {
        for (const RecordedCall* c : host.CallsOf(nh::TASK_FOLLOW_TO_OFFSET))
            if (c->U32(0) == ped) return true;
        return false;
    }
    float DistanceFromPlayer(Ped ped) {
        const Vec3& p = host.entities[ped].pos;
        return std::hypot(p.x - player.x, p.y - player.y);
    }
};

TEST_F(HarkvaneEvent, StartHoldsThePursuedStateOffMarksTheAreaAndPlacesWaveALeader) {
    Start(2);
    std::vector<uint64_t> head = host.Hashes();
    head.resize(6);
    EXPECT_EQ(head, (std::vector<uint64_t>{nh::PLAYER_ID, nh::SET_PLAYER_PURSUED,
                                           nh::SET_LAW_SETTING, nh::REPORT_CRIME_ON_PLAYER,
                                           nh::CREATE_BOX_VOLUME, nh::CREATE_EVENT_MARKER}));
    EXPECT_EQ(host.calls[1].Int(1), 0);
    EXPECT_EQ(host.calls[2].Int(0), 5);
    EXPECT_EQ(host.calls[3].U32(1), 0x99C52FF5u);
    EXPECT_FLOAT_EQ(host.calls[4].Float(6), 2500.0f);

    const HarkvaneState& hv = G.harkvane;
    EXPECT_TRUE(hv.HarkvaneActive);
    EXPECT_EQ(hv.HarkvaneMarker, 0x1234567800000001ull);
    ASSERT_EQ(hv.HarkvaneMembers.size(), 1u);
    Ped leader = static_cast<Ped>(hv.HarkvaneMembers[0].ped);
    EXPECT_EQ(hv.HarkvaneMembers[0].wave, WaveA);
    EXPECT_EQ(Wave(0), std::vector<Ped>{leader});
    EXPECT_EQ(G.spawn.SpawnedPeds, std::vector<Ped>{leader});
    EXPECT_EQ(host.entities[leader].model, SoldierModel);
    EXPECT_TRUE(hv.HarkvaneAnchors[0].valid);
    EXPECT_EQ(hv.HarkvaneSpawned, 1);
    EXPECT_EQ(hv.HarkvaneWaveTarget, 3); // wave A of tier 2 is 4 strong, the leader included
    EXPECT_EQ(hv.HarkvaneNextMemberMs, host.timerMs);
    EXPECT_EQ(host.notices, std::vector<std::string>{"You Are The HARKVANE"});
}

// Tier 1: A 3, B 2, C 1. Members come 2 s apart, the next leader 2.5 s after a wave is out, 95 to
// 100 m from the player; wave A closes in, waves B and C attack at once; when everyone is dead
// the bounty is cleared, the law told, the pursued state held for 60 s and the streak reset.
TEST_F(HarkvaneEvent, ThreeWavesWonClearsTheBountyAndResetsTheStreak) {
    host.fixed[nh::GET_MAP_ZONE_AT_COORDS] = NewHanoverZone;
    Start(1);
    Frame(0);
    EXPECT_EQ(Wave(0).size(), 2u); // the first member comes at once
    Frame(1999);
    EXPECT_EQ(Wave(0).size(), 2u);
    Frame(1);
    EXPECT_EQ(Wave(0).size(), 3u);
    Frame(16);
    EXPECT_EQ(G.harkvane.HarkvaneStage, WaitingForB);
    Frame(2499);
    EXPECT_TRUE(Wave(1).empty());
    Frame(1);
    ASSERT_EQ(Wave(1).size(), 1u);
    EXPECT_EQ(G.harkvane.HarkvaneStage, WaveBFilling);
    Ped leaderB = Wave(1)[0];
    EXPECT_GE(DistanceFromPlayer(leaderB), 94.9f);
    EXPECT_LE(DistanceFromPlayer(leaderB), 100.1f);
    Frame(16);
    ASSERT_EQ(Wave(1).size(), 2u);
    Ped memberB = Wave(1)[1];
    Frame(16);
    Frame(2500);
    ASSERT_EQ(Wave(2).size(), 1u); // wave C is its leader alone
    Frame(16);
    EXPECT_EQ(G.harkvane.HarkvaneStage, AllWavesOut);

    for (Ped p : Wave(0))
        EXPECT_TRUE(Approached(p) && !Attacked(p));
    EXPECT_TRUE(Approached(leaderB) && !Attacked(leaderB));
    EXPECT_TRUE(Attacked(memberB));
    auto clears = host.CallsOf(nh::CLEAR_PED_TASKS);
    ASSERT_FALSE(clears.empty());
    EXPECT_EQ(clears.back()->U32(0), memberB);
    EXPECT_EQ(clears.back()->Int(1), 1);
    EXPECT_EQ(clears.back()->Int(2), 0);
    EXPECT_EQ(G.harkvane.HarkvaneSpawned, 6);
    EXPECT_EQ(host.CountOf(nh::ADD_BLIP_FOR_ENTITY), 6u);

    Frame(16);
    EXPECT_TRUE(G.harkvane.HarkvaneActive);
    KillAll();
    host.ClearCalls();
    host.notices.clear();
    Frame(16);
    EXPECT_FALSE(G.harkvane.HarkvaneActive);
    EXPECT_EQ(G.harkvane.HarkvaneDeaths, 6);
    EXPECT_TRUE(G.harkvane.HarkvaneMembers.empty());
    EXPECT_EQ(host.notices, std::vector<std::string>{"Bounty Cleared"});
    EXPECT_EQ(host.bounty, 0);
    EXPECT_EQ(G.harkvane.HarkvaneMarker, 0u);
    auto removed = host.CallsOf(nh::REMOVE_EVENT_MARKER);
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(removed[0]->args[0], 0x1234567800000001ull);
    auto law = host.CallsOf(nh::SET_PLAYER_LAW_REGION);
    ASSERT_EQ(law.size(), 1u);
    EXPECT_EQ(law[0]->U32(1), GameNameHash("LAW_REGION_NEW_HANOVER"));
    auto hashes = host.Hashes();
    auto at = std::find(hashes.begin(), hashes.end(), nh::SET_PLAYER_LAW_REGION);
    ASSERT_NE(at + 1, hashes.end());
    EXPECT_EQ(at[1], nh::LAW_CALL_WITH_ZEROED_VALUE);
    EXPECT_EQ(at[2], nh::SET_PLAYER_PURSUED);
    EXPECT_EQ(host.CallsOf(nh::SET_PLAYER_PURSUED).back()->Int(1), 1);
    EXPECT_EQ(G.loop.PursuedHoldUntilMs, host.timerMs + 60000);
    EXPECT_EQ(G.loop.StreakCount, 0);
    EXPECT_EQ(ScratchDir::Read("Harkvane.dat"), "0\n");
    // The story tells each stage once, as it is entered, and the outcome.
    EXPECT_EQ(story.Starting("army"),
              (std::vector<std::string>{
                  "army started T1, leader placed", "army stage 1 (3 placed, 0 dead)",
                  "army stage 10 (4 placed, 0 dead)", "army stage 2 (5 placed, 0 dead)",
                  "army stage 20 (6 placed, 0 dead)", "army stage 3 (6 placed, 0 dead)",
                  "army ended: won (6 placed, 6 dead)"}));
}

TEST_F(HarkvaneEvent, WaveOfOneOrNoneStillGetsItsLeaderAndNothingMore) {
    // The lowest int32 count (as a file may give it) has no one below the leader either.
    for (int countB : {0, 1, INT32_MIN}) {
        ResetPluginState();
        G.settings.Harkvane.Model = SoldierModel;
        G.settings.Harkvane.SpawnIntervalMs = -500; // counts as no pause
        G.settings.Harkvane_Counts_A[1] = countB == INT32_MIN ? INT32_MIN : 1;
        G.settings.Harkvane_Counts_B[1] = countB;
        Start(1);
        Frame(0); // wave A (leader only) is out: B is due at once
        EXPECT_EQ(G.harkvane.HarkvaneStage, WaitingForB);
        Frame(0);
        EXPECT_EQ(Wave(1).size(), 1u) << countB;
        EXPECT_EQ(G.harkvane.HarkvaneWaveTarget, 0);
        Frame(2000);
        EXPECT_EQ(Wave(1).size(), 1u);
        EXPECT_EQ(G.harkvane.HarkvaneStage, WaitingForC);
    }
}

// Wave A is its leader alone and the leader cannot be created: nobody has been fought, so the
// pause before wave B is no success. Wave B's leader then brings a real fight, and only its death
// clears the bounty.
TEST_F(HarkvaneEvent, NoSoldierPlacedIsNoSuccessUntilOneIsPlacedAndBeaten) {
    for (int countA : {0, 1}) {
        ResetPluginState();
        story.lines.clear();
        story.Attach();
        G.settings.Harkvane.Model = SoldierModel;
        G.settings.Harkvane.SpawnIntervalMs = 2500;
        G.settings.Harkvane_Counts_A[1] = countA;
        G.settings.Harkvane_Counts_B[1] = 1;
        G.settings.Harkvane_Counts_C[1] = 1;
        host.bounty = 4000;
        host.ClearCalls();
        host.queued[nh::CREATE_PED] = {0};
        Start(1);
        ASSERT_TRUE(G.harkvane.HarkvaneMembers.empty());
        Frame(0);
        ASSERT_EQ(G.harkvane.HarkvaneStage, WaitingForB) << countA;
        Frame(16);
        EXPECT_TRUE(G.harkvane.HarkvaneActive) << countA;
        EXPECT_EQ(host.bounty, 4000);
        EXPECT_EQ(host.CountOf(nh::SET_PLAYER_BOUNTY), 0u);

        Frame(2500); // wave B's leader
        ASSERT_EQ(Wave(1).size(), 1u);
        Frame(16);
        Frame(16);
        EXPECT_TRUE(G.harkvane.HarkvaneActive);
        KillAll();
        Frame(16);
        EXPECT_FALSE(G.harkvane.HarkvaneActive);
        EXPECT_EQ(host.bounty, 0);
        EXPECT_EQ(story.Starting("army started"),
                  std::vector<std::string>{"army started T1, no leader"});
        EXPECT_EQ(story.Starting("army ended"),
                  std::vector<std::string>{"army ended: won (1 placed, 1 dead)"});
    }
}

// No leader of any wave can be created: once every wave is out the event ends as a clear-out
// ends it (marker released) and the bounty, the streak and the notices are untouched.
TEST_F(HarkvaneEvent, ArmyOfNoneEndsWithoutClearingTheBounty) {
    G.settings.Harkvane_Counts_A[1] = 1;
    G.settings.Harkvane_Counts_B[1] = 1;
    G.settings.Harkvane_Counts_C[1] = 1;
    G.settings.Harkvane.SpawnIntervalMs = 0;
    host.queued[nh::CREATE_PED] = {0, 0, 0};
    Start(1);
    host.notices.clear();
    for (int i = 0; i < 8 && G.harkvane.HarkvaneActive; ++i)
        Frame(16);
    EXPECT_FALSE(G.harkvane.HarkvaneActive);
    EXPECT_EQ(G.harkvane.HarkvaneSpawned, 0);
    EXPECT_EQ(G.harkvane.HarkvaneMarker, 0u);
    ASSERT_EQ(host.CountOf(nh::REMOVE_EVENT_MARKER), 1u);
    EXPECT_EQ(host.CallsOf(nh::REMOVE_EVENT_MARKER)[0]->args[0], 0x1234567800000001ull);
    EXPECT_EQ(host.bounty, 4000);
    EXPECT_EQ(host.CountOf(nh::SET_PLAYER_BOUNTY), 0u);
    EXPECT_EQ(host.CountOf(nh::SET_PLAYER_LAW_REGION), 0u);
    EXPECT_EQ(story.lines.back(), "army ended: nobody placed (0 placed, 0 dead)");
    EXPECT_EQ(G.loop.PursuedHoldUntilMs, 0u);
    EXPECT_EQ(G.loop.StreakCount, 5);
    EXPECT_TRUE(host.notices.empty());
}

// F7 or the timer starts the event again while it runs: the first marker is released before the
// second is made, and the first army stays in the event, so the bounty waits for its death too.
TEST_F(HarkvaneEvent, StartOverARunningEventReleasesItsMarkerAndKeepsItsArmy) {
    host.queued[nh::CREATE_EVENT_MARKER] = {0xAAAA000000000001ull, 0xBBBB000000000002ull};
    Start(1);
    Frame(0);
    Frame(2000);
    const std::vector<HarkvaneMember> first = G.harkvane.HarkvaneMembers;
    ASSERT_EQ(first.size(), 3u);

    host.ClearCalls();
    Start(2);
    std::vector<uint64_t> head = host.Hashes();
    head.resize(7);
    EXPECT_EQ(head,
              (std::vector<uint64_t>{nh::PLAYER_ID, nh::SET_PLAYER_PURSUED, nh::SET_LAW_SETTING,
                                     nh::REPORT_CRIME_ON_PLAYER, nh::REMOVE_EVENT_MARKER,
                                     nh::CREATE_BOX_VOLUME, nh::CREATE_EVENT_MARKER}));
    EXPECT_EQ(host.calls[4].args[0], 0xAAAA000000000001ull);
    const HarkvaneState& hv = G.harkvane;
    EXPECT_EQ(hv.HarkvaneMarker, 0xBBBB000000000002ull);
    ASSERT_EQ(hv.HarkvaneMembers.size(), 4u);
    for (size_t i = 0; i < first.size(); ++i)
        EXPECT_EQ(hv.HarkvaneMembers[i].ped, first[i].ped);
    EXPECT_EQ(Wave(0).size(), 4u);
    EXPECT_EQ(hv.HarkvaneSpawned, 4);
    EXPECT_EQ(hv.HarkvaneTier, 2);
    // The first event ends in the new one, which takes its soldiers in.
    const std::vector<std::string> handover(story.lines.end() - 2, story.lines.end());
    EXPECT_EQ(handover, (std::vector<std::string>{"army ended: reinforced (3 placed, 0 dead)",
                                                  "army started T2, leader placed, reinforcing"}));

    // The new army out and beaten while the first still stands: no success yet.
    G.settings.Harkvane.SpawnIntervalMs = 100000;
    for (int i = 0; i < 10 && hv.HarkvaneStage == WaveAFilling; ++i)
        Frame(2000);
    ASSERT_EQ(hv.HarkvaneStage, WaitingForB);
    ASSERT_EQ(hv.HarkvaneMembers.size(), 7u); // three of the first army, four of the second
    for (const HarkvaneMember& m : hv.HarkvaneMembers)
        if (std::none_of(first.begin(), first.end(),
                         [&](const HarkvaneMember& f) { return f.ped == m.ped; }))
            host.entities[static_cast<Ped>(m.ped)].deadOrDying = true;
    Frame(16);
    EXPECT_TRUE(hv.HarkvaneActive);
    EXPECT_EQ(host.bounty, 4000);
    KillAll();
    Frame(16);
    EXPECT_FALSE(hv.HarkvaneActive);
    EXPECT_EQ(host.bounty, 0);
    auto removed = host.CallsOf(nh::REMOVE_EVENT_MARKER);
    ASSERT_EQ(removed.size(), 2u);
    EXPECT_EQ(removed[1]->args[0], 0xBBBB000000000002ull);
}

TEST_F(HarkvaneEvent, AnchorNeverSetStallsTheWaveAndSkipsTheSuccessCheck) {
    HarkvaneState& hv = G.harkvane;
    hv.HarkvaneActive = true;
    hv.HarkvaneTier = 1;
    hv.HarkvaneStage = WaveBFilling;
    hv.HarkvaneWaveTarget = 2;
    for (int i = 0; i < 5; ++i)
        Frame(3000);
    EXPECT_EQ(hv.HarkvaneStage, WaveBFilling);
    EXPECT_TRUE(hv.HarkvaneActive); // 0 deaths of 0 spawned would otherwise be a success
    EXPECT_EQ(host.CountOf(nh::CREATE_PED), 0u);

    // An anchor left by an earlier event's leader is used as it is.
    hv.HarkvaneAnchors[1] = WaveAnchor{Vec3{40.0f, 0.0f, 0.0f}, true};
    Frame(3000);
    ASSERT_EQ(Wave(1).size(), 1u);
    EXPECT_LE(std::hypot(host.entities[Wave(1)[0]].pos.x - 40.0f, host.entities[Wave(1)[0]].pos.y),
              6.5f);
}

TEST_F(HarkvaneEvent, WipedOutDuringThePauseBeforeWaveBWinsWithoutWaveB) {
    host.fixed[nh::GET_MAP_ZONE_AT_COORDS] = 0x12345678; // outside every law region
    Start(1);
    Frame(0);
    Frame(2000);
    Frame(16);
    ASSERT_EQ(G.harkvane.HarkvaneStage, WaitingForB);
    KillAll();
    Frame(16);
    EXPECT_FALSE(G.harkvane.HarkvaneActive);
    EXPECT_TRUE(Wave(1).empty());
    auto law = host.CallsOf(nh::SET_PLAYER_LAW_REGION);
    ASSERT_EQ(law.size(), 1u);
    EXPECT_EQ(law[0]->U32(1), 0u);
    EXPECT_EQ(host.CountOf(nh::GET_HASH_KEY), 0u);
}

TEST_F(HarkvaneEvent, VanishedMembersAreNeverCountedDead) {
    Start(1);
    Frame(0);
    Frame(2000);
    Frame(16);
    Ped gone = Wave(0)[0];
    host.entities[gone].exists = false;
    KillAll();
    Frame(16);
    EXPECT_TRUE(G.harkvane.HarkvaneActive);
    EXPECT_EQ(G.harkvane.HarkvaneDeaths, 2);
    EXPECT_TRUE(G.harkvane.HarkvaneMembers.empty());
}

TEST_F(HarkvaneEvent, LeashBringsStragglersBackOnTheirBearingWithACooldown) {
    Start(1);
    Ped walker = Wave(0)[0];
    Ped driver = host.AddPed(Vec3{0.0f, 300.0f, 0.0f});
    Ped rider = host.AddPed(Vec3{-250.0f, 0.0f, 0.0f});
    Ped mount = host.AddPed(Vec3{-250.0f, 0.0f, 0.0f}, false);
    host.entities[driver].inVehicle = true;
    host.entities[rider].onMount = true;
    host.entities[rider].mount = mount;
    for (Ped p : {driver, rider}) {
        G.spawn.SpawnedPeds.push_back(p);
        G.harkvane.HarkvaneMembers.push_back(HarkvaneMember{static_cast<int32_t>(p), WaveA});
    }
    host.entities[walker].pos = Vec3{250.0f, 0.0f, 0.0f};

    host.ClearCalls();
    LeashHarkvaneMembers(player);
    auto moves = host.CallsOf(nh::SET_ENTITY_COORDS);
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0]->U32(0), walker);
    EXPECT_GE(moves[0]->Float(1), 95.0f);
    EXPECT_LE(moves[0]->Float(1), 105.0f);
    EXPECT_NEAR(moves[0]->Float(2), 0.0f, 1e-3f);
    EXPECT_FLOAT_EQ(moves[0]->Float(3), 0.1f); // ground under the target, raised a little
    EXPECT_EQ(moves[1]->U32(0), mount);
    EXPECT_LE(moves[1]->Float(1), -95.0f);
    EXPECT_TRUE(Approached(walker) && Approached(rider) && !Approached(driver));

    host.ClearCalls();
    host.timerMs += 2499;
    LeashHarkvaneMembers(player); // the host did not move them: still far, but cooling down
    EXPECT_EQ(host.CountOf(nh::SET_ENTITY_COORDS), 0u);
    host.timerMs += 1;
    LeashHarkvaneMembers(player);
    EXPECT_EQ(host.CountOf(nh::SET_ENTITY_COORDS), 2u);
}

// While the player lies dead the streak stays 0, but the file is written only when it may not
// hold 0 yet; a failed write is tried again on the next frame.
TEST_F(HarkvaneEvent, DeadPlayerStreakIsSavedOnceAndRetriedAfterAFailure) {
    Start(1);
    host.entities[host.playerPed].deadOrDying = true;
    Frame(16);
    EXPECT_EQ(G.loop.StreakCount, 0);
    EXPECT_EQ(ScratchDir::Read("Harkvane.dat"), "0\n");
    std::filesystem::remove("Harkvane.dat");
    Frame(16);
    Frame(16);
    EXPECT_FALSE(ScratchDir::Exists("Harkvane.dat"));

    G.loop.StreakCount = 4; // moved meanwhile: the file may no longer hold 0
    std::filesystem::create_directory("Harkvane.dat.tmp"); // the next writes fail
    Frame(16);
    Frame(16);
    EXPECT_FALSE(ScratchDir::Exists("Harkvane.dat"));
    std::filesystem::remove("Harkvane.dat.tmp");
    Frame(16);
    EXPECT_EQ(ScratchDir::Read("Harkvane.dat"), "0\n");
    std::filesystem::remove("Harkvane.dat");
    Frame(16);
    EXPECT_FALSE(ScratchDir::Exists("Harkvane.dat"));
}

} // namespace
