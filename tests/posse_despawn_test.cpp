// Removing hunters: stragglers, the tracked-list cap, the whole posse.
#include "posse/despawn.h"
#include "posse_fixture.h"
#include "story_recorder.h"

namespace {

class DespawnTest : public PosseTest {
  protected:
    StoryRecorder story;
    void SetUp() override {
        PosseTest::SetUp();
        story.Attach();
        TrackDeletes();
    }
    // Every deletion is told, with its reason, in the order made.
    std::vector<std::string> Told(const char* reason, const std::vector<Ped>& peds) const {
        std::vector<std::string> out;
        for (Ped p : peds)
            out.push_back(std::string("despawned: ") + reason + " " + std::to_string(p));
        return out;
    }
    void MakeMember(Ped p, ArmyWave wave = WaveA) {
        G.harkvane.HarkvaneMembers.push_back(HarkvaneMember{static_cast<int32_t>(p), wave});
    }
    // One tracked ped of every kind a clean-up must tell from a living hunter, tracked in this
    // order from `at` outwards, `step` apart.
    struct OtherKinds {
        Ped dead, object, soldier, horse;
    };
    OtherKinds TrackOtherKinds(float at, float step) {
        OtherKinds k;
        k.dead = Hunter(at);
        E(k.dead).deadOrDying = true;
        k.object = Hunter(at + step);
        E(k.object).isPed = false;
        k.soldier = Hunter(at + 2 * step);
        MakeMember(k.soldier);
        k.horse = Hunter(at + 3 * step);
        HorseRecord rec;
        rec.horse = k.horse;
        G.spawn.HorseRecords.push_back(rec);
        return k;
    }
};

TEST_F(DespawnTest, FarPassDeletesOnlyLivingHuntersBeyondTwoHundredMetres) {
    Ped far = Hunter(201.0f);
    Ped near = Hunter(199.0f);
    const OtherKinds farOff = TrackOtherKinds(500.0f, 100.0f);
    Ped gone = Hunter(900.0f);
    E(gone).exists = false;
    G.spawn.SpawnedPeds.insert(G.spawn.SpawnedPeds.begin(), 0);

    DespawnFarPeds(Vec3{0, 0, 0});
    EXPECT_EQ(deleted, (std::vector<Ped>{far}));
    EXPECT_EQ(G.spawn.SpawnedPeds,
              (std::vector<Ped>{near, farOff.dead, farOff.object, farOff.soldier, farOff.horse}));
    EXPECT_EQ(G.despawn.DespawnNextMs, host.timerMs + 500);

    // Every 500 ms (unsigned clock).
    E(near).pos.x = 300.0f;
    host.timerMs += 499;
    DespawnFarPeds(Vec3{0, 0, 0});
    EXPECT_EQ(deleted.size(), 1u);
    host.timerMs += 1;
    DespawnFarPeds(Vec3{0, 0, 0});
    EXPECT_EQ(deleted, (std::vector<Ped>{far, near}));
    EXPECT_EQ(story.lines, Told("fell behind", deleted));
}

TEST_F(DespawnTest, NobodyIsDeletedForDistanceDuringTheArmyEvent) {
    Ped far = Hunter(5000.0f);
    G.harkvane.HarkvaneActive = true;
    DespawnFarPeds(Vec3{0, 0, 0});
    EXPECT_TRUE(deleted.empty());
    EXPECT_EQ(G.spawn.SpawnedPeds, (std::vector<Ped>{far}));
    EXPECT_EQ(G.despawn.DespawnNextMs, 0u);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(DespawnTest, CapRemovesFiveOldestPerFrameSparingProtectedMembers) {
    std::vector<Ped> all;
    for (int i = 0; i < 41; ++i)
        all.push_back(Hunter(10.0f));
    MakeMember(all[0]);
    MakeMember(all[2], WaveB);
    G.settings.Spawner.MaxAlive = 30;

    CompactSpawnedPeds();
    EXPECT_EQ(deleted, (std::vector<Ped>{all[1], all[3], all[4], all[5], all[6]}));
    EXPECT_EQ(story.lines, Told("list cap", deleted));
    ASSERT_EQ(G.spawn.SpawnedPeds.size(), 36u);
    EXPECT_EQ(G.spawn.SpawnedPeds[0], all[0]);
    EXPECT_EQ(G.spawn.SpawnedPeds[1], all[2]);
    EXPECT_EQ(G.spawn.SpawnedPeds[2], all[7]);

    // 36 is within the slack of ten: nothing more.
    CompactSpawnedPeds();
    EXPECT_EQ(G.spawn.SpawnedPeds.size(), 36u);

    // A list made only of protected members loses nothing.
    std::vector<Ped> saved = G.spawn.SpawnedPeds;
    for (Ped p : saved)
        MakeMember(p);
    for (int i = 0; i < 5; ++i)
        MakeMember(Hunter(10.0f));
    deleted.clear();
    CompactSpawnedPeds();
    EXPECT_TRUE(deleted.empty());
    EXPECT_EQ(G.spawn.SpawnedPeds.size(), 41u);
    G.harkvane.HarkvaneMembers.resize(2);

    // Without the protection the members go first like anyone else.
    for (int i = 0; i < 5; ++i)
        Hunter(10.0f);
    G.settings.Harkvane.ProtectFromMaxAlive = false;
    deleted.clear();
    CompactSpawnedPeds();
    EXPECT_EQ(deleted, (std::vector<Ped>{all[0], all[2], all[7], all[8], all[9]}));
}

// The player's claimed horse is theirs: the cap passes over it even when it is the oldest entry,
// while an unclaimed posse horse goes like any other entry.
TEST_F(DespawnTest, CapNeverTakesTheHorseThePlayerClaimed) {
    G.settings.Spawner.MaxAlive = 0;
    Ped claimed = Hunter(10.0f);
    Ped spare = Hunter(10.0f);
    HorseRecord mine, theirs;
    mine.horse = claimed;
    mine.playerClaimed = 1;
    theirs.horse = spare;
    G.spawn.HorseRecords = {mine, theirs};
    std::vector<Ped> rest;
    for (int i = 0; i < 9; ++i)
        rest.push_back(Hunter(10.0f));

    CompactSpawnedPeds();
    EXPECT_EQ(deleted, (std::vector<Ped>{spare, rest[0], rest[1], rest[2], rest[3]}));
    ASSERT_EQ(G.spawn.SpawnedPeds.size(), 6u);
    EXPECT_EQ(G.spawn.SpawnedPeds[0], claimed);
    EXPECT_TRUE(E(claimed).exists);
}

TEST_F(DespawnTest, HorseBlipsGoWhenSwitchedOff) {
    HorseRecord withBlip, without;
    withBlip.blip = 77;
    G.spawn.HorseRecords = {withBlip, without};
    CompactSpawnedPeds();
    EXPECT_EQ(host.CountOf(nh::REMOVE_BLIP), 0u);

    G.settings.Blip.BountyHunterHorse = false;
    CompactSpawnedPeds();
    ASSERT_EQ(host.CountOf(nh::REMOVE_BLIP), 1u);
    EXPECT_EQ(reinterpret_cast<uint32_t*>(host.CallsOf(nh::REMOVE_BLIP)[0]->args[0]),
              &G.spawn.HorseRecords[0].blip);
    EXPECT_EQ(G.spawn.HorseRecords[0].blip, 0u);
}

TEST_F(DespawnTest, PosseDespawnDeletesUnprotectedEndsTheEventAndDropsRetries) {
    Ped living = Hunter(10.0f);
    const OtherKinds k = TrackOtherKinds(20.0f, 10.0f);
    G.spawn.SpawnedPeds.push_back(0);

    HarkvaneState& hv = G.harkvane;
    hv.HarkvaneActive = true;
    hv.HarkvaneStage = WaveBFilling;
    hv.HarkvaneWaveDueMs = 1234;
    hv.HarkvaneMarker = 0x1234567800000001ull;
    hv.HarkvanePeds[0] = {k.soldier};
    hv.HarkvanePeds[2] = {k.soldier};
    G.spawn.DeferredSpawns.push_back(DeferredSpawn{});

    DespawnPosse(ClearReason::Camp);
    EXPECT_EQ(deleted, (std::vector<Ped>{living, k.dead, k.object, k.soldier}));
    EXPECT_EQ(G.spawn.SpawnedPeds, (std::vector<Ped>{k.horse}));
    ASSERT_EQ(host.CountOf(nh::REMOVE_EVENT_MARKER), 1u);
    EXPECT_EQ(host.CallsOf(nh::REMOVE_EVENT_MARKER)[0]->args[0], 0x1234567800000001ull);
    EXPECT_FALSE(hv.HarkvaneActive);
    EXPECT_EQ(hv.HarkvaneStage, WaveAFilling);
    EXPECT_EQ(hv.HarkvaneWaveDueMs, 0u);
    EXPECT_EQ(hv.HarkvaneMarker, 0u);
    EXPECT_TRUE(hv.HarkvaneMembers.empty());
    for (const auto& wave : hv.HarkvanePeds)
        EXPECT_TRUE(wave.empty());
    EXPECT_TRUE(G.spawn.DeferredSpawns.empty());
    // One clear-out with its count, and the army it ended.
    EXPECT_EQ(story.lines, (std::vector<std::string>{"cleared: camp, 4 removed",
                                                     "army ended: cleared (0 placed, 0 dead)"}));
}

} // namespace
