#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "recording_host.h"
#include "spawn/horses.h"
#include "state/plugin_state.h"

namespace {

struct Horses : ::testing::Test {
    RecordingHost host;
    void SetUp() override {
        ResetPluginState();
        host.Install();
    }
    void TearDown() override { host.Uninstall(); }

    Ped AddHorse(const Vec3& pos, int32_t attempt) {
        const Ped h = host.AddPed(pos, false);
        HorseRecord r;
        r.horse = h;
        r.spawnAttempt = attempt;
        G.spawn.HorseRecords.push_back(r);
        G.spawn.SpawnedPeds.push_back(h);
        return h;
    }
    void Seat(Ped rider, Ped horse) {
        host.entities[rider].onMount = true;
        host.entities[rider].mount = horse;
        host.entities[horse].rider = rider;
    }
    void Unseat(Ped rider, Ped horse) {
        host.entities[rider].onMount = false;
        host.entities[rider].mount = 0;
        host.entities[horse].rider = 0;
    }
    bool Tracked(Ped p) const {
        const auto& peds = G.spawn.SpawnedPeds;
        return std::find(peds.begin(), peds.end(), p) != peds.end();
    }
    HorseRecord& Record(Ped h) {
        for (HorseRecord& r : G.spawn.HorseRecords)
            if (r.horse == h) return r;
        throw std::runtime_error("no record");
    }
};

TEST_F(Horses, PairingTakesTheNearestHorseInRangeAndTheLaterOneOnATie) {
    const Ped rider = host.AddPed(Vec3{0.0f, 0.0f, 0.0f});
    const Ped mounted = host.AddPed(Vec3{1.0f, 0.0f, 0.0f});
    const Ped farRider = host.AddPed(Vec3{500.0f, 0.0f, 0.0f});
    const Ped dog = host.AddPed(Vec3{}, false);
    const Ped own = host.AddPed(Vec3{}, false);
    Seat(mounted, own);
    const Ped first = host.AddPed(Vec3{3.0f, 4.0f, 0.0f}, false);  // 5 m
    const Ped second = host.AddPed(Vec3{0.0f, 0.0f, 5.0f}, false); // 5 m, later: wins
    const Ped edge = host.AddPed(Vec3{50.0f, 0.0f, 0.0f}, false);  // exactly the radius
    const Ped beyond = host.AddPed(Vec3{0.0f, 60.0f, 0.0f}, false);

    PairRidersWithHorses({dog, 0, rider, mounted, farRider}, {first, second, 0, edge, beyond},
                         50.0f, true);

    EXPECT_EQ(host.entities[rider].mount, second);
    EXPECT_EQ(host.entities[mounted].mount, own); // no second horse
    EXPECT_FALSE(host.entities[farRider].onMount);
    ASSERT_EQ(host.CountOf(nh::SET_PED_ONTO_MOUNT), 1u);
    // Spare horses are deleted; the one taken and the rider's own are not.
    EXPECT_FALSE(host.entities[first].exists);
    EXPECT_FALSE(host.entities[edge].exists);
    EXPECT_FALSE(host.entities[beyond].exists);
    EXPECT_TRUE(host.entities[second].exists);
    // Only the newly seated rider's horse is sent after the player, at riding speed.
    auto follows = host.CallsOf(nh::TASK_FOLLOW_TO_OFFSET);
    ASSERT_EQ(follows.size(), 1u);
    EXPECT_EQ(follows[0]->U32(0), second);
    EXPECT_EQ(follows[0]->Float(5), 3.2f);
    EXPECT_EQ(host.CallsOf(nh::SET_PED_PATH_CAN_USE_LADDERS).at(0)->U32(0), second);
}

TEST_F(Horses, AHorseExactlyAtTheRadiusIsReachableAndSparesCanBeKept) {
    const Ped rider = host.AddPed(Vec3{});
    const Ped edge = host.AddPed(Vec3{30.0f, 40.0f, 0.0f}, false);
    PairRidersWithHorses({rider}, {edge}, 50.0f, false);
    EXPECT_EQ(host.entities[rider].mount, edge);

    const Ped lonely = host.AddPed(Vec3{}, false);
    const Ped walker = host.AddPed(Vec3{100.0f, 0.0f, 0.0f});
    PairRidersWithHorses({walker}, {lonely}, 50.0f, false);
    EXPECT_TRUE(host.entities[lonely].exists);
    EXPECT_FALSE(host.entities[walker].onMount);
}

TEST_F(Horses, CleanupRemovesStaleRiderlessHorsesButNeverThePlayersMount) {
    G.spawn.SpawnAttemptId = 3;
    const Ped stale = AddHorse(Vec3{}, 2);
    const Ped current = AddHorse(Vec3{}, 3);
    const Ped claimed = AddHorse(Vec3{}, 1);
    Record(claimed).playerClaimed = 1;
    const Ped ridden = AddHorse(Vec3{}, 1);
    const Ped npc = host.AddPed(Vec3{});
    Seat(npc, ridden);
    const Ped players = AddHorse(Vec3{}, 1);
    G.settings.HorseCleanup.ProtectIfPlayerMounted = false;
    Seat(host.playerPed, players);
    // A horse the game already lost is still cleared from the books.
    const Ped gone = AddHorse(Vec3{}, 1);
    host.entities[gone].exists = false;

    PreSpawnHorseCleanup();

    EXPECT_FALSE(host.entities[stale].exists);
    EXPECT_FALSE(Tracked(stale));
    EXPECT_FALSE(Tracked(gone));
    for (Ped kept : {current, claimed, ridden, players}) {
        EXPECT_TRUE(host.entities[kept].exists) << kept;
        EXPECT_TRUE(Tracked(kept)) << kept;
    }
    std::vector<Ped> left;
    for (const HorseRecord& r : G.spawn.HorseRecords)
        left.push_back(r.horse);
    EXPECT_EQ(left, (std::vector<Ped>{current, claimed, ridden, players}));
    EXPECT_FALSE(Record(players).playerClaimed); // not claimed: protection was off

    // Later, with its seat free, the unclaimed horse goes like any other.
    Unseat(host.playerPed, players);
    G.spawn.SpawnAttemptId = 4;
    PreSpawnHorseCleanup();
    EXPECT_FALSE(host.entities[players].exists);
    EXPECT_FALSE(host.entities[current].exists);
    EXPECT_TRUE(host.entities[claimed].exists);
}

TEST_F(Horses, NpcRiddenHorsesGoOnlyWhenAskedAndNeverUnderThePlayer) {
    G.settings.HorseCleanup.DeleteIfMountedByNPC = true;
    G.settings.HorseCleanup.ProtectIfPlayerMounted = false;
    G.spawn.SpawnAttemptId = 5;
    const Ped ridden = AddHorse(Vec3{}, 1);
    const Ped npc = host.AddPed(Vec3{});
    Seat(npc, ridden);
    PreSpawnHorseCleanup();
    EXPECT_FALSE(host.entities[ridden].exists);
}

// The player takes a posse horse: it loses its blip, is marked as the player's, is never sent
// away and survives every later clean-up.
TEST_F(Horses, APlayerMountedPosseHorseIsTheirsForGood) {
    G.spawn.SpawnAttemptId = 1;
    const Ped horse = AddHorse(Vec3{5.0f, 0.0f, 0.0f}, 1);
    const Ped hunter = host.AddPed(Vec3{});
    Seat(hunter, horse);
    HorsePass();
    EXPECT_TRUE(Record(horse).wasRidden);

    Unseat(hunter, horse);
    host.timerMs += 1000;
    HorsePass(); // rider gone, player near: sent away with a blip
    EXPECT_TRUE(Record(horse).sentAway);
    EXPECT_EQ(host.CountOf(nh::TASK_FLEE_PED), 1u);
    ASSERT_NE(Record(horse).blip, 0u);

    Seat(host.playerPed, horse);
    host.fixed[nh::DOES_ENTITY_HAVE_BLIP] = 1;
    host.ClearCalls();
    ProtectPlayerMount();
    EXPECT_TRUE(Record(horse).playerClaimed);
    EXPECT_EQ(Record(horse).blip, 0u);
    EXPECT_EQ(host.CountOf(nh::REMOVE_BLIP), 1u);
    EXPECT_EQ(host.CountOf(nh::BLIP_RELEASE_STEP), 1u);
    host.fixed.erase(nh::DOES_ENTITY_HAVE_BLIP);

    host.timerMs += 1000;
    HorsePass();
    EXPECT_FALSE(Record(horse).sentAway);

    Unseat(host.playerPed, horse);
    host.ClearCalls();
    for (int i = 0; i < 5; ++i) {
        host.timerMs += 3000;
        HorsePass();
    }
    EXPECT_EQ(host.CountOf(nh::TASK_FLEE_PED), 0u);
    G.spawn.SpawnAttemptId = 7;
    PreSpawnHorseCleanup();
    EXPECT_TRUE(host.entities[horse].exists);
    EXPECT_TRUE(Tracked(horse));
}

TEST_F(Horses, ProtectionIgnoresHorsesThatAreNotOurs) {
    const Ped wild = host.AddPed(Vec3{}, false);
    Seat(host.playerPed, wild);
    ProtectPlayerMount();
    EXPECT_EQ(host.CountOf(nh::CLEAR_PED_TASKS), 0u);

    G.settings.HorseCleanup.ProtectIfPlayerMounted = false;
    const Ped ours = AddHorse(Vec3{}, 0);
    Seat(host.playerPed, ours);
    host.ClearCalls();
    ProtectPlayerMount();
    EXPECT_TRUE(host.calls.empty());
    EXPECT_FALSE(Record(ours).playerClaimed);
}

TEST_F(Horses, SendAwayReachesExactlyFortyFiveMetresAndRepeatsEveryThreeSeconds) {
    const Ped atEdge = AddHorse(Vec3{45.0f, 0.0f, 80.0f}, 1); // height does not count
    const Ped beyond = AddHorse(Vec3{0.0f, 45.01f, 0.0f}, 1);
    const Ped neverRidden = AddHorse(Vec3{1.0f, 0.0f, 0.0f}, 1);
    Record(atEdge).wasRidden = 1;
    Record(beyond).wasRidden = 1;

    HorsePass();
    auto flees = host.CallsOf(nh::TASK_FLEE_PED);
    ASSERT_EQ(flees.size(), 1u);
    EXPECT_EQ(flees[0]->U32(0), atEdge);
    EXPECT_EQ(flees[0]->Float(2), 600.0f);
    EXPECT_EQ(flees[0]->Float(5), 2.5f);
    EXPECT_EQ(flees[0]->U32(6), host.playerPed);
    EXPECT_EQ(Record(atEdge).nextOrderMs, host.timerMs + 3000);
    EXPECT_FALSE(Record(beyond).sentAway);
    EXPECT_FALSE(Record(neverRidden).sentAway);
    const auto blips = host.CountOf(nh::ADD_BLIP_FOR_ENTITY);
    EXPECT_EQ(blips, 1u);
    EXPECT_EQ(host.CallsOf(nh::SET_BLIP_NAME).at(0)->texts.at(0), "Bounty Hunter's Horse");

    // Within the second nothing runs; the order repeats only after 3 s.
    host.ClearCalls();
    HorsePass();
    EXPECT_TRUE(host.Hashes() == std::vector<uint64_t>{nh::GET_GAME_TIMER});
    host.timerMs += 2000;
    HorsePass();
    EXPECT_EQ(host.CountOf(nh::TASK_FLEE_PED), 0u);
    host.timerMs += 1000;
    host.fixed[nh::DOES_ENTITY_HAVE_BLIP] = 1;
    HorsePass();
    EXPECT_EQ(host.CountOf(nh::TASK_FLEE_PED), 1u);
    EXPECT_EQ(host.CountOf(nh::ADD_BLIP_FOR_ENTITY), 0u); // no second blip

    // Once the player is farther than 45 m the horse is left alone.
    host.entities[atEdge].pos.x = 46.0f;
    host.ClearCalls();
    host.timerMs += 5000;
    HorsePass();
    EXPECT_EQ(host.CountOf(nh::TASK_FLEE_PED), 0u);
}

} // namespace
