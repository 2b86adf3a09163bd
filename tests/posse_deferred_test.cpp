// The retry queue for members that could not be placed at once.
#include "posse/deferred_spawns.h"
#include "posse_fixture.h"

namespace {

// What the scripted placement saw and will answer.
struct FakePlacement {
    struct Search {
        bool anchor;
        Vec3 centre;
        float inner, outer;
    };
    std::vector<Search> searches;
    bool anchorFinds = false;
    bool ringFinds = false;
    bool createFails = false;
    std::vector<char> created; // 'h', 'd', 'r' (horse)
    RecordingHost* host = nullptr;
};
FakePlacement* Fake = nullptr;

bool FakeAnchor(const Vec3& c, bool, Vec3* out) {
    Fake->searches.push_back({true, c, 0, 0});
    if (Fake->anchorFinds) *out = Vec3{c.x + 3, c.y, c.z};
    return Fake->anchorFinds;
}
bool FakeRing(const Vec3& c, float inner, float outer, Vec3* out) {
    Fake->searches.push_back({false, c, inner, outer});
    if (Fake->ringFinds) *out = Vec3{c.x + inner, c.y, c.z};
    return Fake->ringFinds;
}
Ped FakeCreate(char kind, const Vec3& p, bool human) {
    if (Fake->createFails) return 0;
    Fake->created.push_back(kind);
    return Fake->host->AddPed(p, human);
}
Ped FakeHunter(Hash, const Vec3& p, float) {
    return FakeCreate('h', p, true);
}
Ped FakeDog(Hash, const Vec3& p, float) {
    return FakeCreate('d', p, false);
}
Ped FakeHorse(Hash, const Vec3& p, float) {
    return FakeCreate('r', p, false);
}
const DeferredPlacement Scripted = {FakeAnchor, FakeRing, FakeHunter, FakeDog, FakeHorse};

class DeferredTest : public PosseTest {
  protected:
    FakePlacement fake;
    const Vec3 P{100.0f, 50.0f, 5.0f};

    void SetUp() override {
        PosseTest::SetUp();
        fake.host = &host;
        Fake = &fake;
        UseDeferredPlacement(&Scripted);
    }
    void TearDown() override {
        UseDeferredPlacement(nullptr);
        Fake = nullptr;
        PosseTest::TearDown();
    }
    void Queue(uint8_t isHorse = 0, uint8_t isDog = 0) {
        DeferredSpawn d;
        d.model = 0x5555;
        d.isHorse = isHorse;
        d.isDog = isDog;
        G.spawn.DeferredSpawns.push_back(d);
    }
    void StartEvent(int tier = 1) {
        G.harkvane.HarkvaneActive = true;
        G.harkvane.HarkvaneTier = tier;
    }
    void Frame(uint32_t atMs) {
        host.timerMs = atMs;
        ProcessDeferredSpawns(P, 90.0f);
    }
};

TEST_F(DeferredTest, FailedRecordWaitsThenRetriesEachFrameWithWideningRingUntilDropped) {
    Queue();
    const uint32_t t0 = 200000;
    Frame(t0);
    ASSERT_EQ(fake.searches.size(), 1u);
    EXPECT_EQ(G.spawn.DeferredSpawns.at(0).firstSeenMs, t0);
    EXPECT_EQ(G.spawn.DeferredSpawns.at(0).attempts, 1);

    Frame(t0 + 100);
    Frame(t0 + 249);
    EXPECT_EQ(fake.searches.size(), 1u);

    for (uint32_t f = 0; f < 5; ++f)
        Frame(t0 + 250 + f * 16);
    ASSERT_EQ(fake.searches.size(), 6u);
    EXPECT_TRUE(G.spawn.DeferredSpawns.empty());
    const float expectedOuter[] = {14, 14, 34, 54, 74, 94};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_FALSE(fake.searches[i].anchor);
        EXPECT_FLOAT_EQ(fake.searches[i].inner, 8.0f);
        EXPECT_FLOAT_EQ(fake.searches[i].outer, expectedOuter[i]) << "try " << i + 1;
        EXPECT_FLOAT_EQ(fake.searches[i].centre.x, P.x);
    }

    // An empty queue costs nothing.
    host.ClearCalls();
    Frame(t0 + 1000);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(DeferredTest, PlacedMembersAreTrackedAndBlippedExceptHorses) {
    G.settings.Blip.Style = 0xB11B;
    fake.ringFinds = true;
    Queue();     // hunter
    Queue(0, 1); // dog
    Queue(1, 0); // horse
    Frame(300000);
    EXPECT_TRUE(G.spawn.DeferredSpawns.empty());
    EXPECT_EQ(fake.created, (std::vector<char>{'h', 'd', 'r'}));
    ASSERT_EQ(G.spawn.SpawnedPeds.size(), 3u);
    auto blips = host.CallsOf(nh::ADD_BLIP_FOR_ENTITY);
    ASSERT_EQ(blips.size(), 2u);
    EXPECT_EQ(blips[0]->U32(0), 0xB11Bu);
    EXPECT_EQ(blips[0]->U32(1), G.spawn.SpawnedPeds[0]);
    EXPECT_EQ(blips[1]->U32(1), G.spawn.SpawnedPeds[1]);
    // No event: nobody joins a wave.
    EXPECT_TRUE(G.harkvane.HarkvaneMembers.empty());
}

TEST_F(DeferredTest, AnchorIsTriedOnlyOnTheFirstTwoTries) {
    StartEvent();
    G.harkvane.HarkvaneAnchors[1] = WaveAnchor{Vec3{7, 8, 9}, true};
    Queue();
    for (uint32_t f = 0; f < 6; ++f)
        Frame(400000 + (f ? 250 + f : 0));
    std::vector<bool> anchorUse;
    for (const auto& s : fake.searches)
        anchorUse.push_back(s.anchor);
    // Anchor first, then the ring, on the first two tries; the ring alone afterwards.
    EXPECT_EQ(anchorUse, (std::vector<bool>{true, false, true, false, false, false, false, false}));
    EXPECT_FLOAT_EQ(fake.searches[0].centre.x, 7.0f);
    // During the event the ring keeps away from the player by the army's radius.
    EXPECT_FLOAT_EQ(fake.searches[1].inner, 120.0f);
}

TEST_F(DeferredTest, DeferredSoldiersFillWavesInOrderAndOnlyHumansJoin) {
    StartEvent(1); // counts A 3, B 2, C 1
    HarkvaneState& hv = G.harkvane;
    hv.HarkvaneAnchors[0] = WaveAnchor{Vec3{1, 0, 0}, true};
    hv.HarkvanePeds[0] = {501, 502};
    hv.HarkvanePeds[1] = {503, 504};
    hv.HarkvaneSpawned = 4;
    fake.anchorFinds = true;
    fake.ringFinds = true;
    for (int i = 0; i < 4; ++i)
        Queue();
    Queue(0, 1); // a dog
    Frame(500000);

    EXPECT_EQ(fake.created.size(), 5u);
    // First soldier placed at wave A's anchor and fills it; B is full; C takes one; the
    // fourth joins nothing; the dog never joins.
    ASSERT_EQ(hv.HarkvaneMembers.size(), 2u);
    EXPECT_EQ(hv.HarkvaneMembers[0].wave, WaveA);
    EXPECT_EQ(hv.HarkvaneMembers[1].wave, WaveC);
    EXPECT_EQ(hv.HarkvanePeds[0].size(), 3u);
    EXPECT_EQ(hv.HarkvanePeds[1].size(), 2u);
    EXPECT_EQ(hv.HarkvanePeds[2].size(), 1u);
    EXPECT_EQ(hv.HarkvaneSpawned, 6);
    EXPECT_EQ(G.spawn.SpawnedPeds.size(), 5u);
    // Anchor use: only while a valid anchor's wave had room (the first record).
    EXPECT_TRUE(fake.searches[0].anchor);
    EXPECT_FALSE(fake.searches[1].anchor);
}

} // namespace
