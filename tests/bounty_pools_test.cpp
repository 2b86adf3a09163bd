#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "bounty/bounty_pools.h"
#include "plugin_fixture.h"
#include "recording_host.h"
#include "scratch_dir.h"
#include "state/plugin_state.h"
#include "story_recorder.h"

namespace {

constexpr char PoolFile[] = "BountyPools.dat";
constexpr Hash ZoneRegion0 = 0x0DC99072;
constexpr Hash ZoneRegion2 = 0x19700C95;
constexpr Hash ZoneRegion3 = 0x00704B67;
constexpr Hash ZoneRegion5 = 0x0BFD6F0A;

class BountyPools : public PluginFixture {
  protected:
    void SetUp() override {
        PluginFixture::SetUp();
        G.settings.BountyGates.BountyPooling = true;
        G.settings.BountyGates.BountyPoolTracker = true;
        G.settings.Bounty.BountyCap = 100000;
    }

    void StandIn(Hash zone) { host.fixed[nh::GET_MAP_ZONE_AT_COORDS] = zone; }

    // Advances the game timer and runs one tick.
    void Tick(uint32_t advanceMs) {
        host.timerMs += advanceMs;
        UpdateBountyPools();
    }
};

// No file yet (a first install, or one the player deleted): the game's bounty is kept and
// starts the pool of the region the player stands in. A file of zeros still clears it.
TEST_F(BountyPools, FirstStartCreatesZeroFileKeepsBountyAndHoldsWritesFourSeconds) {
    StandIn(ZoneRegion2);
    host.bounty = 700;
    Tick(0);
    EXPECT_EQ(ScratchDir::Read(PoolFile), "0 0 0 0 0 0\n");
    EXPECT_EQ(host.bounty, 700);
    EXPECT_EQ(host.CountOf(nh::SET_PLAYER_BOUNTY), 0u);
    EXPECT_EQ(PooledBountyTotal(), 700);

    host.bounty = 500;
    for (int i = 0; i < 3; ++i)
        Tick(1000);
    Tick(999); // 3999 ms after the start: still held back
    EXPECT_EQ(G.pools.RegionPools[2], 700);
    Tick(1); // 4000 ms: the pool follows the bounty; the write is due 1500 ms later
    EXPECT_EQ(G.pools.RegionPools[2], 500);
    EXPECT_EQ(ScratchDir::Read(PoolFile), "0 0 0 0 0 0\n");
    Tick(1499);
    EXPECT_EQ(ScratchDir::Read(PoolFile), "0 0 0 0 0 0\n");
    Tick(1);
    EXPECT_EQ(ScratchDir::Read(PoolFile), "0 0 0 0 500 500\n");
    EXPECT_EQ(story.lines,
              (std::vector<std::string>{"wrote .\\BountyPools.dat: 0 0 0 0 0 0",
                                        "read .\\BountyPools.dat: 0 0 0 0 0 0 (created)",
                                        "wrote .\\BountyPools.dat: 0 0 0 0 500 500"}));

    ResetPluginState();
    G.settings.BountyGates.BountyPooling = true;
    G.settings.Bounty.BountyCap = 100000;
    ScratchDir::Write(PoolFile, "0 0 0 0 0 0\n");
    host.bounty = 700;
    Tick(0);
    EXPECT_EQ(host.bounty, 0);
}

TEST_F(BountyPools, RegionTwoBountyIsFifthNumberAndTrackerShowsDollarsAndCents) {
    StandIn(ZoneRegion2);
    Tick(0);
    host.bounty = 1250;
    Tick(4000);
    Tick(1500);
    EXPECT_EQ(ScratchDir::Read(PoolFile), "0 0 0 0 1250 1250\n");
    EXPECT_EQ(PooledBountyTotal(), 1250);
    ASSERT_FALSE(host.notices.empty());
    EXPECT_EQ(host.notices.front(), "$0.00");
    EXPECT_EQ(host.notices.back(), "$12.50");
}

TEST_F(BountyPools, RegionLookupFallsBackThroughZoneTypes) {
    host.handlers[nh::GET_MAP_ZONE_AT_COORDS] = [](RecordedCall& c, uint64_t* out) {
        out[0] = c.Int(3) == 0 ? ZoneRegion2 : 0;
    };
    EXPECT_EQ(RegionOfPosition(Vec3{1, 2, 3}), 2);
    auto calls = host.CallsOf(nh::GET_MAP_ZONE_AT_COORDS);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0]->Int(3), 10);
    EXPECT_EQ(calls[1]->Int(3), 1);
    EXPECT_EQ(calls[2]->Int(3), 0);
    EXPECT_FLOAT_EQ(calls[0]->Float(0), 1.0f);

    host.handlers.clear();
    host.ClearCalls();
    StandIn(0x12345678); // a zone outside every region
    EXPECT_EQ(RegionOfPosition(Vec3{}), RegionUnknown);
    EXPECT_EQ(host.CountOf(nh::GET_MAP_ZONE_AT_COORDS), 1u);
    StandIn(ZoneRegion5);
    EXPECT_EQ(RegionOfPosition(Vec3{}), RegionNeverPooled);
}

TEST_F(BountyPools, StartRestoresTheStandingRegionsPoolCappedAndNothingOutsidePooledRegions) {
    ScratchDir::Write(PoolFile, "0 800 0 0 0 800\n"); // region 3 holds 800
    StandIn(ZoneRegion3);
    host.bounty = 50;
    Tick(0);
    EXPECT_EQ(host.bounty, 800);
    EXPECT_TRUE(G.pools.RegionCounted[3]);
    EXPECT_FALSE(G.pools.RegionCounted[0]);

    for (auto [zone, cap, expected] :
         {std::tuple{ZoneRegion3, 500, 500}, std::tuple{ZoneRegion5, 100000, 0},
          std::tuple{Hash{0}, 100000, 0}, std::tuple{ZoneRegion3, -20, -20}}) {
        ResetPluginState();
        G.settings.BountyGates.BountyPooling = true;
        G.settings.Bounty.BountyCap = cap;
        StandIn(zone);
        host.bounty = 50;
        Tick(0);
        EXPECT_EQ(host.bounty, expected) << "zone " << zone << " cap " << cap;
    }
}

TEST_F(BountyPools, SumChangedOutsidePooledRegionsIsNeverShownLater) {
    ScratchDir::Write(PoolFile, "0 0 0 0 1250 1250\n");
    StandIn(0); // no known region: the first sum (12.50) is taken silently
    Tick(0);
    EXPECT_TRUE(host.notices.empty());
    StandIn(ZoneRegion2); // entering region 2 during the hold-off changes nothing
    Tick(1000);
    EXPECT_TRUE(host.notices.empty());
    host.bounty = 1300; // after the hold-off the sum changes and is shown
    Tick(4000);
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0], "$13.00");
}

TEST_F(BountyPools, LeavingKeepsThePoolAndReturningOverwritesItWithTheCurrentBounty) {
    StandIn(ZoneRegion2);
    Tick(0);
    host.bounty = 400;
    Tick(4000);
    StandIn(ZoneRegion0);
    host.bounty = 100;
    Tick(1000);
    EXPECT_EQ(G.pools.RegionPools[2], 400);
    EXPECT_EQ(G.pools.RegionPools[0], 100);
    StandIn(ZoneRegion2);
    host.bounty = 150;
    Tick(1000);
    EXPECT_EQ(G.pools.RegionPools[2], 150);
    Tick(1500);
    EXPECT_EQ(ScratchDir::Read(PoolFile), "100 0 0 0 150 250\n");
}

// Reaching the island (a region never pooled) pauses the pools, but a change made just before
// is still written when it falls due.
TEST_F(BountyPools, PendingWriteLandsWhileThePlayerIsOnTheIsland) {
    StandIn(ZoneRegion2);
    Tick(0);
    host.bounty = 500;
    Tick(4000); // the pool takes 500; its write is due 1500 ms later
    StandIn(ZoneRegion5);
    Tick(1000);
    EXPECT_EQ(ScratchDir::Read(PoolFile), "0 0 0 0 0 0\n");
    Tick(500);
    EXPECT_EQ(ScratchDir::Read(PoolFile), "0 0 0 0 500 500\n");
    EXPECT_FALSE(G.pools.PoolsDirty);

    // Nothing new is taken there: the island's bounty reaches neither a pool nor the file.
    host.bounty = 900;
    for (int i = 0; i < 20; ++i)
        Tick(1000);
    EXPECT_EQ(G.pools.RegionPools[2], 500);
    EXPECT_EQ(ScratchDir::Read(PoolFile), "0 0 0 0 500 500\n");

    // Back in a pooled region the pools follow the bounty again.
    StandIn(ZoneRegion0);
    Tick(1000);
    Tick(1500);
    EXPECT_EQ(ScratchDir::Read(PoolFile), "900 0 0 0 500 1400\n");
}

TEST_F(BountyPools, UnreadableNumbersKeepMemoryAndNegativesReadAsZero) {
    const int32_t before[6] = {1, 2, 3, 4, 5, 15};
    std::copy(std::begin(before), std::end(before), G.pools.PoolFileValues);
    ScratchDir::Write(PoolFile, "9 x 9 9 9 9\n");
    LoadBountyPools();
    EXPECT_TRUE(G.pools.PoolsLoaded);
    EXPECT_TRUE(std::equal(std::begin(before), std::end(before), G.pools.PoolFileValues));

    ScratchDir::Write(PoolFile, "9 9 9\n"); // short
    LoadBountyPools();
    EXPECT_TRUE(std::equal(std::begin(before), std::end(before), G.pools.PoolFileValues));

    ScratchDir::Write(PoolFile, "-5 10 20 30 40 95\n");
    LoadBountyPools();
    const int32_t read[6] = {0, 10, 20, 30, 40, 95};
    EXPECT_TRUE(std::equal(std::begin(read), std::end(read), G.pools.PoolFileValues));
}

// A pool file that is there but cannot be opened for reading is not recreated: the player's
// pools stay in it, and the pools start from zero in memory.
TEST_F(BountyPools, AFileThatCannotBeOpenedIsLeftAsItIs) {
    std::fill(std::begin(G.pools.PoolFileValues), std::end(G.pools.PoolFileValues), 7);
    UnopenableFile socketFile(PoolFile);
    ASSERT_TRUE(socketFile.made);
    LoadBountyPools();
    EXPECT_TRUE(std::filesystem::is_socket(PoolFile));
    EXPECT_TRUE(G.pools.PoolsLoaded);
    EXPECT_TRUE(std::all_of(std::begin(G.pools.PoolFileValues), std::end(G.pools.PoolFileValues),
                            [](int32_t v) { return v == 0; }));
}

TEST_F(BountyPools, HugePoolsSaturateInsteadOfWrapping) {
    constexpr int32_t Max = std::numeric_limits<int32_t>::max();
    ScratchDir::Write(PoolFile, "2147483000 2147483000 0 0 0 0\n"); // regions 0 and 3
    StandIn(ZoneRegion0);
    Tick(0);
    EXPECT_EQ(PooledBountyTotal(), Max);
    host.bounty = 2147483001;
    Tick(4000);
    Tick(1500);
    EXPECT_EQ(ScratchDir::Read(PoolFile), "2147483001 2147483000 0 0 0 2147483647\n");
}

// Checks that the text is one complete pool file as the saving child writes them.
void ExpectCompletePoolFile(const std::string& text, int round) {
    int v[6];
    char end = 0;
    ASSERT_EQ(std::sscanf(text.c_str(), "%d %d %d %d %d %d%c", &v[0], &v[1], &v[2], &v[3], &v[4],
                          &v[5], &end),
              7)
        << "round " << round << ": '" << text << "'";
    EXPECT_EQ(end, '\n');
    for (int f = 0; f < 5; ++f)
        EXPECT_EQ(v[f], v[5] == 0 ? 0 : v[5] * 1000 + f);
}

// A save killed at any moment leaves the old file or the new one, complete; a reader looking
// while saves are under way never sees a partial file either.
TEST_F(BountyPools, KilledWhileSavingNeverLeavesAShortOrEmptyFile) {
    ScratchDir::Write(PoolFile, "0 0 0 0 0 0\n");
    for (int round = 0; round < 20; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int32_t i = 1;; ++i) {
                for (int f = 0; f < 5; ++f)
                    G.pools.PoolFileValues[f] = i * 1000 + f;
                G.pools.PoolFileValues[5] = i;
                SaveBountyPools();
            }
        }
        // Look on while the child saves: first until its saves show, then a while longer.
        std::string first = ScratchDir::Read(PoolFile), text = first;
        for (int look = 0; look < 200000 && text == first; ++look) {
            ExpectCompletePoolFile(text, round);
            text = ScratchDir::Read(PoolFile);
        }
        EXPECT_NE(text, first) << "the child never saved";
        for (int look = 0; look < round * 20; ++look)
            ExpectCompletePoolFile(ScratchDir::Read(PoolFile), round);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ExpectCompletePoolFile(ScratchDir::Read(PoolFile), round);
        if (HasFailure()) return;
    }
}

} // namespace
