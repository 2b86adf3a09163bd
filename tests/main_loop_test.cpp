// The per-frame pass against the recording host, with the other subsystems' operations replaced
// by recorders so the order of calls and the loop's own latches and gates can be watched.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "config/shield_zones.h"
#include "host/main_loop.h"
#include "host/plugin_log.h"
#include "natives/game_clock.h"
#include "natives/native_hashes.h"
#include "platform/crt_rand.h"
#include "platform/keys.h"
#include "plugin_fixture.h"
#include "recording_host.h"
#include "scratch_dir.h"
#include "state/plugin_state.h"
#include "story_recorder.h"

namespace {

struct Event {
    std::string name;
    size_t callIndex; // number of native calls recorded before it
};

RecordingHost* Host = nullptr;
std::vector<Event> Trace;
std::vector<Ped> ProtectedPeds;
Vec3 LastPosition;
float LastHeading = 0.0f;

void Note(const char* name) {
    Trace.push_back({name, Host->calls.size()});
}

const LoopOperations Recorders = {
    .LoadSettings = [](Settings&) { Note("LoadSettings"); },
    .LoadVariantWeights = [] { Note("LoadVariantWeights"); },
    .LoadLoadouts = [] { Note("LoadLoadouts"); },
    .LoadTierLoadoutPools = [] { Note("LoadTierLoadoutPools"); },
    .UpdateDailyBounty = [] { Note("UpdateDailyBounty"); },
    .UpdateBountyPools = [] { Note("UpdateBountyPools"); },
    .UpdateMountedPursuit = [] { Note("UpdateMountedPursuit"); },
    .SpawnDriver = [] { Note("SpawnDriver"); },
    .UpdateStuckWatch = [] { Note("UpdateStuckWatch"); },
    .HorsePass = [] { Note("HorsePass"); },
    .UpdateEngagement = [] { Note("UpdateEngagement"); },
    .UpdateWitnesses = [] { Note("UpdateWitnesses"); },
    .SaveStreak =
        [] {
            Note("SaveStreak");
            return true;
        },
    .ShowToast = [](const char*) { Note("ShowToast"); },
    .UpdateHarkvaneEvent =
        [](const Vec3& p, float h) {
            LastPosition = p;
            LastHeading = h;
            Note("UpdateHarkvaneEvent");
        },
    .LeashHarkvaneMembers = [](const Vec3&) { Note("LeashHarkvaneMembers"); },
    .HarkvaneTick = [] { Note("HarkvaneTick"); },
    .ProcessDeferredSpawns = [](const Vec3&, float) { Note("ProcessDeferredSpawns"); },
    .ProtectPlayerMount = [] { Note("ProtectPlayerMount"); },
    .DespawnFarPeds = [](const Vec3&) { Note("DespawnFarPeds"); },
    .DespawnPosse = [](ClearReason) { Note("DespawnPosse"); },
    .CompactSpawnedPeds = [] { Note("CompactSpawnedPeds"); },
    .IsProtectedPed =
        [](Ped p) {
            for (Ped q : ProtectedPeds)
                if (q == p) return true;
            return false;
        },
};

constexpr Vec3 OpenCountry{500.0f, 500.0f, 10.0f};
constexpr Vec3 AtHorseshoeOverlook{-125.572f, -32.097f, 95.893f};
constexpr Vec3 InRhodes{1383.95f, -1260.199f, 78.121f};

struct MainLoop : PluginFixture {
    void SetUp() override {
        PluginFixture::SetUp();
        Host = &host;
        Trace.clear();
        ProtectedPeds.clear();
        LoopOps = Recorders;
        PlacePlayer(OpenCountry);
    }
    void TearDown() override {
        LoopOps = RealLoopOps;
        PluginFixture::TearDown();
        Host = nullptr;
    }

    void PlacePlayer(const Vec3& p) { host.entities[host.playerPed].pos = p; }
    HostEntity& Player() { return host.entities[host.playerPed]; }
    void SetClock(int hour, int minute) {
        host.hour = hour;
        host.minute = minute;
    }
    // Arms the timer so it falls due `minutes` from the present clock (negative: already due).
    void TimerDueIn(double minutes) {
        const double now = GameHours();
        G.loop.LastSpawnHour = now;
        G.loop.NextSpawnHour = now + minutes / 60.0;
        G.settings.Spawner.MaxSpawnHours = 10.0f; // only NextSpawnHour decides
    }
    size_t Count(const std::string& name) const {
        size_t n = 0;
        for (const Event& e : Trace)
            n += e.name == name;
        return n;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const Event& e : Trace)
            out.push_back(e.name);
        return out;
    }
    // Recorder events and the chosen natives interleaved in the order they happened.
    std::vector<std::string> Merged(const std::vector<uint64_t>& natives) const {
        std::vector<std::string> out;
        size_t next = 0;
        for (size_t i = 0; i <= host.calls.size(); ++i) {
            while (next < Trace.size() && Trace[next].callIndex == i)
                out.push_back(Trace[next++].name);
            if (i == host.calls.size()) break;
            for (uint64_t h : natives)
                if (host.calls[i].hash == h) out.push_back(host.calls[i].Name());
        }
        return out;
    }
};

TEST_F(MainLoop, OneFrameCallsEverythingInItsFixedOrder) {
    G.loop.DisableVanillaBountyHunters = true;
    G.harkvane.HarkvaneActive = true;
    G.loop.PursuedHoldUntilMs = host.timerMs + 5000;
    G.loop.PursuitFlag = true;
    const Ped hunter = host.AddPed({510.0f, 500.0f, 10.0f});
    G.spawn.SpawnedPeds = {hunter};
    // The hotkeys re-arm the timer; the latch keeps this frame's decision due.
    G.loop.SpawnDueLatch = true;
    G.loop.WitnessGate = true;
    host.missionActive = true;
    TimerDueIn(-1);
    Player().heading = 270.0f;
    FeedKeyPress(0x76);
    FeedKeyPress(0x78);

    ScriptFramePass();

    const std::vector<std::string> expected = {
        "UpdateDailyBounty",
        "UpdateBountyPools",
        "UpdateMountedPursuit",
        "SpawnDriver", // F7
        "LoadSettings",
        "LoadVariantWeights",
        "LoadLoadouts",
        "LoadTierLoadoutPools", // F9
        "PLAYER_PED_ID",
        "GET_ENTITY_COORDS",
        "GET_ENTITY_HEADING",
        "UpdateStuckWatch",
        "HorsePass",
        "UpdateEngagement",
        "UpdateWitnesses",
        "SET_GLOBAL_COOLDOWN",
        "PLAYER_PED_ID", // death reset check
        "UpdateHarkvaneEvent",
        "LeashHarkvaneMembers",
        "HarkvaneTick",
        "SET_PLAYER_PURSUED", // hold after an event
        "ProcessDeferredSpawns",
        "ProtectPlayerMount",
        "DespawnFarPeds",
        "IS_MISSION_ACTIVE",
        "DespawnPosse", // mission clean-up
        "CompactSpawnedPeds",
        "SET_PLAYER_PURSUED", // hunters still alive
        "IS_MISSION_ACTIVE",  // the timed spawn's mission gate blocks
    };
    EXPECT_EQ(Merged({nh::PLAYER_PED_ID, nh::GET_ENTITY_COORDS, nh::GET_ENTITY_HEADING,
                      nh::SET_GLOBAL_COOLDOWN, nh::SET_PLAYER_PURSUED, nh::IS_MISSION_ACTIVE}),
              expected);
    EXPECT_FLOAT_EQ(LastPosition.x, OpenCountry.x);
    EXPECT_FLOAT_EQ(LastHeading, 450.0f); // reversed heading is not wrapped
    // The decision re-armed the timer and lowered the witness gate, though nothing spawned.
    EXPECT_FALSE(G.loop.WitnessGate);
    EXPECT_FALSE(G.loop.SpawnDueLatch);
    EXPECT_FALSE(G.loop.PosseSentMarker);
    EXPECT_GT(G.loop.NextSpawnHour, GameHours());
    // The reload tells what the checker would find (the loaders stand in: no horses, no dogs).
    std::vector<std::string> told;
    for (const std::string& line : story.lines)
        told.push_back(line.substr(0, line.find(':', line.find("problem"))));
    EXPECT_EQ(told, (std::vector<std::string>{"key send posse", "key reload settings",
                                              "settings reloaded .\\Harkvane.ini (missing)",
                                              "settings problem", "settings problem",
                                              "held back: mission"}));
}

// The story names the first gate that kept a due posse at home; a wait for witnesses is told
// once, when it begins, and its end is the decision itself.
TEST_F(MainLoop, TheStoryNamesTheGateThatHeldADuePosseBack) {
    struct Case {
        const char* told;
        Vec3 at;
        bool mission;
        void (*set)();
    };
    const Case cases[] = {
        {"held back: in camp", AtHorseshoeOverlook, false, [] {}},
        {"held back: camp hold-off", OpenCountry, true,
         [] { G.loop.CampHoldoffUntil = GameHours() + 1.0; }},
        {"held back: in town", InRhodes, true, [] { G.settings.TownShield.Rhodes = true; }},
        {"held back: town hold-off", OpenCountry, true,
         [] {
             G.settings.TownShield.Rhodes = true;
             G.loop.TownHoldoffUntil = GameHours() + 1.0;
         }},
        {"held back: mission", OpenCountry, true, [] {}},
    };
    for (const Case& c : cases) {
        ResetPluginState();
        story.lines.clear();
        story.Attach();
        G.settings.WitnessTracker.Enabled = false;
        host.missionActive = c.mission;
        PlacePlayer(c.at);
        c.set();
        TimerDueIn(-1);
        ScriptFramePass();
        EXPECT_EQ(story.Starting("held back"), std::vector<std::string>{c.told}) << c.told;
    }

    ResetPluginState();
    story.lines.clear();
    story.Attach();
    host.missionActive = false;
    PlacePlayer(OpenCountry);
    G.settings.WitnessTracker.Enabled = true;
    TimerDueIn(-1);
    ScriptFramePass();
    ScriptFramePass();
    G.loop.WitnessGate = true;
    ScriptFramePass();
    EXPECT_EQ(story.lines, std::vector<std::string>{"held back: awaiting witnesses"});
    EXPECT_EQ(Count("SpawnDriver"), 1u);
}

uint32_t NextCrtState(uint32_t s) {
    return s * 214013u + 2531011u;
}

TEST_F(MainLoop, ArmingDrawsOnlyWhenTheBoundsDiffer) {
    G.settings.Spawner.MinSpawnHours = 0.5f;
    G.settings.Spawner.MaxSpawnHours = 0.5f;
    CrtSrand(1234);
    ArmSpawnTimer(100.0);
    EXPECT_EQ(G.platform.RandState, 1234u); // no draw
    EXPECT_DOUBLE_EQ(G.loop.LastSpawnHour, 100.0);
    EXPECT_DOUBLE_EQ(G.loop.NextSpawnHour, 100.5);

    G.settings.Spawner.MinSpawnHours = 0.25f;
    G.settings.Spawner.MaxSpawnHours = 0.75f;
    ArmSpawnTimer(100.0);
    const uint32_t after = NextCrtState(1234);
    EXPECT_EQ(G.platform.RandState, after); // exactly one draw
    const float r = static_cast<float>((after >> 16) & 0x7FFF);
    const float interval = (0.75f - 0.25f) * r * (1.0f / 32767.0f) + 0.25f;
    EXPECT_EQ(G.loop.NextSpawnHour, 100.0 + static_cast<double>(interval));
}

TEST_F(MainLoop, StartupSeedsLoadsReadsTheStreakAndArms) {
    { std::ofstream("Harkvane.dat") << "3\n"; }
    G.settings.Spawner.MinSpawnHours = 0.5f;
    G.settings.Spawner.MaxSpawnHours = 0.5f;
    PinCalendarTime(987654);
    host.year = 1899;
    host.month = 3;
    host.day = 7;
    SetClock(5, 30);
    ScriptStartup();
    PinCalendarTime(-1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"LoadSettings", "LoadVariantWeights",
                                                 "LoadLoadouts", "LoadTierLoadoutPools"}));
    EXPECT_EQ(G.platform.RandState, 987654u);
    EXPECT_EQ(G.loop.StreakCount, 3);
    const double now = GameHours();
    EXPECT_DOUBLE_EQ(G.loop.LastSpawnHour, now);
    EXPECT_DOUBLE_EQ(G.loop.NextSpawnHour, now + 0.5);
    EXPECT_EQ(G.loop.DayIndex, static_cast<int32_t>(now / 24.0));
}

TEST_F(MainLoop, HotkeysBypassEveryGateAndRunInOrder) {
    // Everything that can hold back a timed posse is in force at once.
    PlacePlayer(AtHorseshoeOverlook);
    G.settings.TownShield.Rhodes = true;
    G.loop.TownHoldoffUntil = GameHours() + 5.0;
    host.missionActive = true;
    G.loop.WitnessGate = false;
    TimerDueIn(30);
    G.settings.Spawner.MinSpawnHours = 0.25f;
    G.settings.Spawner.MaxSpawnHours = 0.75f;
    const uint32_t before = G.platform.RandState;

    FeedKeyPress(0x76);
    ScriptFramePass();
    EXPECT_EQ(Count("SpawnDriver"), 1u);
    EXPECT_DOUBLE_EQ(G.loop.LastSpawnHour, GameHours());
    EXPECT_EQ(G.platform.RandState, NextCrtState(before));

    // Both keys in one frame: the posse first, then the reload, each re-arming the timer.
    Trace.clear();
    FeedKeyPress(0x78);
    FeedKeyPress(0x76);
    ScriptFramePass();
    const std::vector<std::string> names = Names();
    ASSERT_GE(names.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(names.begin() + 3, names.begin() + 8),
              (std::vector<std::string>{"SpawnDriver", "LoadSettings", "LoadVariantWeights",
                                        "LoadLoadouts", "LoadTierLoadoutPools"}));
    EXPECT_EQ(G.platform.RandState, NextCrtState(NextCrtState(NextCrtState(before))));

    // Presses are consumed: the next frame sends nothing.
    Trace.clear();
    ScriptFramePass();
    EXPECT_EQ(Count("SpawnDriver"), 0u);
    EXPECT_EQ(Count("LoadSettings"), 0u);
}

// The hotkeys follow [Keys]: a moved key acts, the old one does nothing, 0 switches a key off.
TEST_F(MainLoop, HotkeysFollowTheirSettings) {
    struct Case {
        int32_t sendPosse, reloadSettings, pressed;
        size_t sends, reloads;
    };
    const Case cases[] = {
        {0x76, 0x78, 0x76, 1, 0}, {0x76, 0x78, 0x78, 0, 1}, // F7 and F9 as shipped
        {0x65, 0x78, 0x65, 1, 0}, {0x65, 0x78, 0x76, 0, 0}, // moved to NumPad5; F7 is free
        {0x76, 0x2D, 0x2D, 0, 1}, {0x76, 0x2D, 0x78, 0, 0}, // reload moved to Insert
        {0, 0x78, 0x76, 0, 0},    {0x76, 0, 0x78, 0, 0},    // none
    };
    for (const Case& c : cases) {
        Trace.clear();
        G.settings.Keys.SendPosse = c.sendPosse;
        G.settings.Keys.ReloadSettings = c.reloadSettings;
        FeedKeyPress(c.pressed);
        ScriptFramePass();
        EXPECT_EQ(Count("SpawnDriver"), c.sends) << std::hex << c.pressed;
        EXPECT_EQ(Count("LoadSettings"), c.reloads) << std::hex << c.pressed;
        ResetKeyState();
    }
}

// With ReloadNotice on, the reload key says it worked and how many problems the loaders found
// (as the settings checker counts them, but for the file's layout); off (the default) it shows
// nothing.
TEST_F(MainLoop, ReloadNoticeCountsTheProblemsFound) {
    LoopOps.LoadSettings = RealLoopOps.LoadSettings;
    struct Case {
        const char* ini;
        const char* notice; // nullptr: none
    } cases[] = {
        {"[Keys]\nReloadNotice=yes\n[Debug]\nForceVariant=Foot\n", "Harkvane: settings reloaded"},
        {"[Keys]\nReloadNotice=yes\n[Spawner]\nMaxAlive=lots\n[Debug]\nForceVariant=Foot\n",
         "Harkvane: settings reloaded: 1 problem in the file"},
        {"[Keys]\nReloadNotice=yes\nSendPosse=F77\n[Spawner]\nMinSpawnHours=soon\n[Debug]\n"
         "ForceVariant=Foot\n",
         "Harkvane: settings reloaded: 2 problems in the file"},
        // Horse posses without horses: the settings that switch a feature off count too.
        {"[Keys]\nReloadNotice=yes\n", "Harkvane: settings reloaded: 1 problem in the file"},
        {"[Spawner]\nMaxAlive=lots\n", nullptr},
    };
    for (const Case& c : cases) {
        std::ofstream("Harkvane.ini", std::ios::binary) << c.ini;
        host.notices.clear();
        FeedKeyPress(0x78);
        ScriptFramePass();
        EXPECT_EQ(Count("LoadVariantWeights"), 1u) << c.ini;
        EXPECT_EQ(host.notices,
                  c.notice ? std::vector<std::string>{c.notice} : std::vector<std::string>{})
            << c.ini;
        EXPECT_EQ(G.config.Diagnostics, nullptr);
        Trace.clear();
    }
}

TEST_F(MainLoop, DueTimerWaitsAcrossFramesForTheWitnessGate) {
    G.settings.WitnessTracker.Enabled = true;
    G.settings.BountyGates.BlockMissionSpawns = false;
    SetClock(12, 0);
    TimerDueIn(-1);
    ScriptFramePass();
    EXPECT_EQ(Count("SpawnDriver"), 0u);
    EXPECT_TRUE(G.loop.SpawnDueLatch);

    // The clock is set back before the due moment: the latch alone keeps the timer due.
    const double next = G.loop.NextSpawnHour;
    SetClock(11, 0);
    ScriptFramePass();
    EXPECT_EQ(Count("SpawnDriver"), 0u);
    EXPECT_TRUE(G.loop.SpawnDueLatch);
    EXPECT_EQ(G.loop.NextSpawnHour, next);

    G.loop.WitnessGate = true;
    ScriptFramePass();
    EXPECT_EQ(Count("SpawnDriver"), 1u);
    EXPECT_TRUE(G.loop.PosseSentMarker);
    EXPECT_FALSE(G.loop.SpawnDueLatch);
    EXPECT_FALSE(G.loop.WitnessGate);
    EXPECT_DOUBLE_EQ(G.loop.LastSpawnHour, GameHours());

    // Not due, latch clear, gate up: nothing happens and the gate stays up.
    G.loop.WitnessGate = true;
    ScriptFramePass();
    EXPECT_EQ(Count("SpawnDriver"), 1u);
    EXPECT_TRUE(G.loop.WitnessGate);
}

TEST_F(MainLoop, MaxSpawnHoursMakesTheTimerDueWithoutWitnesses) {
    G.settings.WitnessTracker.Enabled = false;
    G.settings.BountyGates.BlockMissionSpawns = false;
    G.loop.LastSpawnHour = GameHours() - 0.5;
    G.loop.NextSpawnHour = GameHours() + 100.0;
    G.settings.Spawner.MaxSpawnHours = 0.5f;
    ScriptFramePass();
    EXPECT_EQ(Count("SpawnDriver"), 1u);
    EXPECT_TRUE(G.loop.PosseSentMarker);
    EXPECT_GT(G.loop.NextSpawnHour, GameHours());
}

TEST_F(MainLoop, CampHoldoffBlocksADueSpawnEvenWithoutBlockInCamp) {
    G.settings.WitnessTracker.Enabled = false;
    G.settings.CampShield.BlockInCamp = false;
    G.settings.CampShield.HoldoffSeconds = 10;
    PlacePlayer(AtHorseshoeOverlook);
    TimerDueIn(-1);
    ScriptFramePass();
    EXPECT_EQ(Count("SpawnDriver"), 0u);
    EXPECT_GT(G.loop.NextSpawnHour, GameHours()); // the blocked posse is lost, not postponed

    // Without a hold-off the camp itself no longer blocks.
    G.settings.CampShield.HoldoffSeconds = -5; // counts as 0
    TimerDueIn(-1);
    ScriptFramePass();
    EXPECT_EQ(Count("SpawnDriver"), 1u);

    // With BlockInCamp on the camp blocks by itself.
    G.settings.CampShield.BlockInCamp = true;
    TimerDueIn(-1);
    ScriptFramePass();
    EXPECT_EQ(Count("SpawnDriver"), 1u);
}

TEST_F(MainLoop, CampEntryClearsThePosseOncePerStay) {
    G.settings.CampShield.HoldoffSeconds = 3600;
    TimerDueIn(30);
    PlacePlayer(AtHorseshoeOverlook);
    ScriptFramePass();
    ScriptFramePass();
    EXPECT_EQ(Count("DespawnPosse"), 1u);
    EXPECT_TRUE(G.loop.InCampLatch);
    const double firstHoldoff = G.loop.CampHoldoffUntil;
    EXPECT_DOUBLE_EQ(firstHoldoff, GameHours() + 1.0);
    // Staying inside renews the hold-off.
    SetClock(host.hour, host.minute + 10);
    ScriptFramePass();
    EXPECT_GT(G.loop.CampHoldoffUntil, firstHoldoff);
    EXPECT_EQ(Count("DespawnPosse"), 1u);

    PlacePlayer(OpenCountry);
    ScriptFramePass();
    EXPECT_FALSE(G.loop.InCampLatch);
    PlacePlayer(AtHorseshoeOverlook);
    ScriptFramePass();
    EXPECT_EQ(Count("DespawnPosse"), 2u);

    // The shield switched off leaves its latch alone.
    G.settings.CampShield.Enabled = false;
    PlacePlayer(OpenCountry);
    ScriptFramePass();
    EXPECT_TRUE(G.loop.InCampLatch);
}

TEST_F(MainLoop, ZonesUseHorizontalDistanceAndTheFirstEnabledCampWins) {
    const bool on = true;
    const ShieldZone zone = {"test", {0.0f, 0.0f, 0.0f}, &on};
    EXPECT_TRUE(ZoneHolds(zone, 5.0f, {3.0f, 4.0f, 1000.0f})); // on the edge, height ignored
    EXPECT_FALSE(ZoneHolds(zone, 4.99f, {3.0f, 4.0f, 0.0f}));

    // A radius wide enough to cover the whole map puts the player in every camp at once.
    G.settings.CampShield.RadiusMeters = 1.0e6f;
    EXPECT_STREQ(CampZoneHoldingPlayer(OpenCountry)->Name, "Horseshoe Overlook");
    G.settings.CampShield.HorseshoeOverlook = false;
    EXPECT_STREQ(CampZoneHoldingPlayer(OpenCountry)->Name, "Clemens Point");

    G.settings.CampShield.RadiusMeters = 55.0f;
    EXPECT_EQ(CampZoneHoldingPlayer(AtHorseshoeOverlook), nullptr); // disabled never holds
    G.settings.CampShield.Guarma = false;
    EXPECT_EQ(CampZoneHoldingPlayer({1194.275f, -7219.732f, 0.0f}), nullptr);
    G.settings.CampShield.Guarma = true;
    EXPECT_STREQ(CampZoneHoldingPlayer({1194.275f, -7219.732f, 0.0f})->Name, "Guarma Camp");
}

TEST_F(MainLoop, TownShieldOffNeverBlocksAndLeavesItsLatch) {
    G.settings.WitnessTracker.Enabled = false;
    G.settings.BountyGates.BlockMissionSpawns = false;
    G.settings.TownShield.Rhodes = false;
    G.loop.InTownLatch = true;
    G.loop.TownHoldoffUntil = GameHours() + 5.0;
    PlacePlayer(InRhodes);
    TimerDueIn(-1);
    ScriptFramePass();
    EXPECT_EQ(Count("DespawnPosse"), 0u);
    EXPECT_TRUE(G.loop.InTownLatch);
    EXPECT_FALSE(G.loop.TownShieldActive);
    EXPECT_EQ(Count("SpawnDriver"), 1u);

    // Switched on: entering the town clears the posse once and blocks the timed posse.
    G.settings.TownShield.Rhodes = true;
    G.loop.InTownLatch = false;
    TimerDueIn(-1);
    ScriptFramePass();
    ScriptFramePass();
    EXPECT_TRUE(G.loop.TownShieldActive);
    EXPECT_EQ(Count("DespawnPosse"), 1u);
    EXPECT_EQ(Count("SpawnDriver"), 1u);
    EXPECT_DOUBLE_EQ(G.loop.TownHoldoffUntil, GameHours() + 10.0 / 3600.0);
    // Just outside the 85 m radius the town no longer holds the player.
    PlacePlayer({InRhodes.x + 86.0f, InRhodes.y, InRhodes.z});
    ScriptFramePass();
    EXPECT_FALSE(G.loop.InTownLatch);
}

std::string FileText(const char* name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(MainLoop, DeathResetsTheStreakOncePerDeathWithoutDeletingPeds) {
    // The real streak writer and notices, counted on the way.
    LoopOps.SaveStreak = [] {
        Note("SaveStreak");
        return RealLoopOps.SaveStreak();
    };
    LoopOps.ShowToast = RealLoopOps.ShowToast;
    G.loop.StreakCount = 4;
    HarkvaneState& event = G.harkvane;
    event.HarkvaneActive = true;
    event.HarkvaneMarker = 0x1234567800000001ull;
    event.HarkvaneStage = WaitingForC;
    event.HarkvaneWaveDueMs = 5000;
    const Ped soldier = host.AddPed({510.0f, 500.0f, 10.0f});
    event.HarkvanePeds[0] = {soldier};
    event.HarkvaneMembers = {{static_cast<int32_t>(soldier), WaveA}};
    G.spawn.SpawnedPeds = {soldier};
    Player().dead = true;

    ScriptFramePass();
    ScriptFramePass();
    EXPECT_EQ(Count("SaveStreak"), 1u);
    EXPECT_EQ(FileText("Harkvane.dat"), "0\n");
    EXPECT_EQ(host.notices, (std::vector<std::string>{"Harkvane: streak reset (death)"}));
    ASSERT_EQ(host.CountOf(nh::REMOVE_EVENT_MARKER), 1u);
    EXPECT_EQ(host.CallsOf(nh::REMOVE_EVENT_MARKER)[0]->args[0], 0x1234567800000001ull);
    EXPECT_FALSE(event.HarkvaneActive);
    EXPECT_EQ(event.HarkvaneMarker, 0u);
    EXPECT_EQ(event.HarkvaneStage, WaveAFilling);
    EXPECT_EQ(event.HarkvaneWaveDueMs, 0u);
    EXPECT_TRUE(event.HarkvanePeds[0].empty());
    EXPECT_EQ(event.HarkvaneMembers.size(), 1u);
    EXPECT_EQ(G.spawn.SpawnedPeds, std::vector<Ped>{soldier});
    EXPECT_EQ(host.CountOf(nh::DELETE_ENTITY), 0u);
    EXPECT_EQ(Count("DespawnPosse"), 1u); // the death clean-up, once
    EXPECT_EQ(story.Starting("army"),
              std::vector<std::string>{"army ended: player died (0 placed, 0 dead)"});
    EXPECT_EQ(story.Starting("wrote"), std::vector<std::string>{"wrote Harkvane.dat: 0"});

    // Alive again, then a second death without toasts: saved again, nothing shown.
    Player().dead = false;
    ScriptFramePass();
    EXPECT_FALSE(G.loop.DeathResetLatch);
    EXPECT_FALSE(G.loop.PlayerDeadLatch);
    G.settings.Harkvane.Toasts = false;
    G.loop.StreakCount = 2;
    host.playerPed = 0; // no player ped counts as dead
    ScriptFramePass();
    EXPECT_EQ(Count("SaveStreak"), 2u);
    EXPECT_EQ(FileText("Harkvane.dat"), "0\n");
    EXPECT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(Count("DespawnPosse"), 2u);
}

TEST_F(MainLoop, MissionPollRunsOnItsCadenceAndClearsOncePerMission) {
    G.settings.Cleanup.MissionPollMs = 750;
    G.settings.BountyGates.BlockMissionSpawns = false;
    TimerDueIn(30);
    host.missionActive = true;
    auto frameAt = [&](uint32_t offset, uint32_t start) {
        host.timerMs = start + offset;
        ScriptFramePass();
    };
    const uint32_t start = host.timerMs;
    frameAt(0, start);
    frameAt(100, start);
    frameAt(749, start);
    EXPECT_EQ(host.CountOf(nh::IS_MISSION_ACTIVE), 1u);
    EXPECT_EQ(Count("DespawnPosse"), 1u);
    frameAt(750, start);
    EXPECT_EQ(host.CountOf(nh::IS_MISSION_ACTIVE), 2u);
    EXPECT_EQ(Count("DespawnPosse"), 1u); // same mission
    host.missionActive = false;
    frameAt(1500, start);
    EXPECT_FALSE(G.loop.MissionLatch);
    host.missionActive = true;
    frameAt(2250, start);
    EXPECT_EQ(Count("DespawnPosse"), 2u);
}

TEST_F(MainLoop, PursuedStateHoldsAfterAnEventThenFollowsLiveHunters) {
    G.loop.PursuedHoldUntilMs = host.timerMs + 1000;
    ScriptFramePass();
    host.timerMs += 999;
    ScriptFramePass();
    host.timerMs += 1;
    ScriptFramePass();
    ScriptFramePass();
    auto pursued = host.CallsOf(nh::SET_PLAYER_PURSUED);
    ASSERT_EQ(pursued.size(), 3u);
    EXPECT_EQ(pursued[0]->Int(1), 1);
    EXPECT_EQ(pursued[1]->Int(1), 1);
    EXPECT_EQ(pursued[2]->Int(1), 0);
    EXPECT_EQ(G.loop.PursuedHoldUntilMs, 0u);

    // Only a present, living, unprotected ped keeps the player pursued.
    const Ped vanished = host.AddPed({});
    host.entities[vanished].exists = false;
    const Ped notAPed = host.AddPed({});
    host.entities[notAPed].isPed = false;
    const Ped guarded = host.AddPed({});
    ProtectedPeds = {guarded};
    const Ped dying = host.AddPed({});
    host.entities[dying].deadOrDying = true;
    const Ped hunter = host.AddPed({});
    G.spawn.SpawnedPeds = {0, vanished, notAPed, guarded, dying, hunter};
    G.loop.PursuitFlag = true;
    host.ClearCalls();
    ScriptFramePass();
    ASSERT_EQ(host.CountOf(nh::SET_PLAYER_PURSUED), 1u);
    EXPECT_EQ(host.CallsOf(nh::SET_PLAYER_PURSUED)[0]->Int(1), 1);
    EXPECT_TRUE(G.loop.PursuitFlag);

    host.entities[hunter].deadOrDying = true;
    host.ClearCalls();
    ScriptFramePass();
    ASSERT_EQ(host.CountOf(nh::SET_PLAYER_PURSUED), 1u);
    EXPECT_EQ(host.CallsOf(nh::SET_PLAYER_PURSUED)[0]->Int(1), 0);
    EXPECT_FALSE(G.loop.PursuitFlag);
    host.ClearCalls();
    ScriptFramePass();
    EXPECT_EQ(host.CountOf(nh::SET_PLAYER_PURSUED), 0u);
}

TEST_F(MainLoop, GameHuntersAreHeldOffEverySecondWhileSwitchedOn) {
    G.loop.DisableVanillaBountyHunters = true;
    ScriptFramePass();
    host.timerMs += 999;
    ScriptFramePass();
    host.timerMs += 1;
    ScriptFramePass();
    EXPECT_EQ(host.CountOf(nh::GET_HASH_KEY), 1u); // asked once, then cached
    auto cooldowns = host.CallsOf(nh::SET_GLOBAL_COOLDOWN);
    ASSERT_EQ(cooldowns.size(), 2u);
    EXPECT_EQ(cooldowns[0]->U32(0), GameNameHash("BOUNTYHUNTERSGLOBALCOOLDOWN"));
    EXPECT_EQ(cooldowns[0]->Int(1), 9999);

    // Switching off and on again applies it at once.
    G.loop.DisableVanillaBountyHunters = false;
    ScriptFramePass();
    G.loop.DisableVanillaBountyHunters = true;
    ScriptFramePass();
    EXPECT_EQ(host.CountOf(nh::SET_GLOBAL_COOLDOWN), 3u);
}

TEST_F(MainLoop, DetachDeletesOnlyHandlesThatStillExist) {
    int module = 0;
    PluginAttach(&module);
    EXPECT_TRUE(host.registered);
    EXPECT_EQ(host.registeredEntry, &ScriptMain);

    const Ped a = host.AddPed({});
    const Ped gone = host.AddPed({});
    host.entities[gone].exists = false;
    const Ped b = host.AddPed({});
    G.spawn.SpawnedPeds = {a, 0, gone, b};
    G.spawn.AnchorPed = a;
    G.spawn.AnchorPresent = true;
    // An army event still running: its marker goes with the plug-in, after the peds.
    G.harkvane.HarkvaneActive = true;
    G.harkvane.HarkvaneMarker = 0x0000000300000007ull;
    host.ClearCalls();
    PluginDetach(&module);

    EXPECT_EQ(host.CountOf(nh::DOES_ENTITY_EXIST), 3u); // the zero handle is never asked about
    EXPECT_EQ(host.CountOf(nh::DELETE_ENTITY), 2u);
    const std::vector<uint64_t> hashes = host.Hashes();
    ASSERT_EQ(host.CountOf(nh::REMOVE_EVENT_MARKER), 1u);
    EXPECT_EQ(hashes.back(), nh::REMOVE_EVENT_MARKER);
    EXPECT_EQ(host.CallsOf(nh::REMOVE_EVENT_MARKER)[0]->args.at(0), 0x0000000300000007ull);
    EXPECT_EQ(G.harkvane.HarkvaneMarker, 0u);
    EXPECT_FALSE(host.entities[a].exists);
    EXPECT_FALSE(host.entities[b].exists);
    EXPECT_TRUE(G.spawn.SpawnedPeds.empty());
    EXPECT_FALSE(G.spawn.AnchorPresent);
    EXPECT_EQ(G.spawn.AnchorPed, 0u);
    EXPECT_FALSE(host.registered);
}

// Unloading takes every posse entity with it except the horse the player claimed: it stays
// theirs, in the world, whether or not they sit on it.
TEST_F(MainLoop, DetachLeavesTheClaimedHorseInTheWorld) {
    int module = 0;
    PluginAttach(&module);
    const Ped hunter = host.AddPed({});
    const Ped claimed = host.AddPed({}, false);
    const Ped spare = host.AddPed({}, false);
    HorseRecord mine, theirs;
    mine.horse = claimed;
    mine.playerClaimed = 1;
    theirs.horse = spare;
    G.spawn.HorseRecords = {mine, theirs};
    G.spawn.SpawnedPeds = {claimed, hunter, spare};
    PluginDetach(&module);

    EXPECT_EQ(host.CountOf(nh::DELETE_ENTITY), 2u);
    EXPECT_TRUE(host.entities[claimed].exists);
    EXPECT_FALSE(host.entities[hunter].exists);
    EXPECT_FALSE(host.entities[spare].exists);
    EXPECT_TRUE(G.spawn.SpawnedPeds.empty());
}

// The log asks the game nothing and draws no number: a start, both keys and a due posse make
// the same native calls with the same arguments and leave the generator where they leave it,
// log on or off; off, no file but the plug-in's own is written.
TEST_F(MainLoop, TheLogChangesNoNativeCallAndNoDraw) {
    LoopOps = RealLoopOps;
    host.fixed[nh::GET_PLAYER_BOUNTY] = 900;
    const auto entities = host.entities;
    const uint32_t firstHandle = host.nextHandle;
    const uint64_t firstText = host.nextTextHandle;
    PinCalendarTime(1899);
    auto play = [&](const std::string& ini) {
        std::ofstream("Harkvane.ini", std::ios::binary) << ini;
        ResetPluginState();
        host.entities = entities;
        host.nextHandle = firstHandle;
        host.nextTextHandle = firstText;
        host.ClearCalls();
        ScriptStartup();
        for (int key : {0x76, 0x78, 0}) {
            if (key != 0) FeedKeyPress(key);
            if (key == 0) TimerDueIn(-1.0);
            ScriptFramePass();
            ResetKeyState();
        }
        std::vector<std::string> calls;
        for (const RecordedCall& c : host.calls)
            calls.push_back(c.Describe());
        return std::make_pair(calls, CrtRand());
    };
    const std::string ini = "[BountyGates]\nBountyPooling=false\n[Spawner]\nMaxSpawnHours=1\n";
    const auto off = play(ini);
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"Harkvane.dat", "Harkvane.ini"}));

    const auto on = play(ini + "[Debug]\nLogFile=Harkvane.log\n");
    PinCalendarTime(-1);
    EXPECT_GT(off.first.size(), 100u);
    ASSERT_EQ(on.first.size(), off.first.size());
    for (size_t i = 0; i < on.first.size(); ++i)
        ASSERT_EQ(on.first[i], off.first[i]) << "call " << i;
    EXPECT_EQ(on.second, off.second);
    std::ifstream log("Harkvane.log");
    std::stringstream text;
    text << log.rdbuf();
    for (const char* said :
         {"settings loaded from .\\Harkvane.ini\n", "F7 pressed: send a posse now\n",
          "F9 pressed: reload the settings\n", "posse sent: tier T"})
        EXPECT_NE(text.str().find(said), std::string::npos) << said << " in\n" << text.str();
}

// A line the file will not take (its folder is missing, the disk is full) is kept and written
// before the next one that goes through; past what memory keeps, the lines are counted instead.
TEST_F(MainLoop, LogLinesTheFileRefusesAreKeptAndWrittenLater) {
    G.settings.Debug.LogFile = "logs/Harkvane.log";
    FollowLogSetting();
    auto lines = [] {
        std::ifstream in("logs/Harkvane.log");
        std::vector<std::string> out;
        for (std::string l; std::getline(in, l);)
            out.push_back(l.substr(l.find(" s  ") + 4)); // past the stamp
        return out;
    };
    TellPosseHeldBack(SpawnGate::Mission);
    TellPosseHeldBack(SpawnGate::InCamp);
    EXPECT_FALSE(std::filesystem::exists("logs"));
    std::filesystem::create_directory("logs");
    TellPosseHeldBack(SpawnGate::InTown);
    const std::vector<std::string> kept = lines();
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_NE(kept[0].find("a mission is running"), std::string::npos);
    EXPECT_NE(kept[1].find("in a camp"), std::string::npos);
    EXPECT_NE(kept[2].find("in town"), std::string::npos);

    std::filesystem::remove_all("logs");
    const int told = 400; // about 40 KiB: more than is kept
    for (int i = 0; i < told; ++i)
        TellPosseHeldBack(SpawnGate::Mission);
    std::filesystem::create_directory("logs");
    TellPosseHeldBack(SpawnGate::InTown);
    const std::vector<std::string> after = lines();
    ASSERT_GE(after.size(), 3u);
    const size_t written = after.size() - 2;
    EXPECT_EQ(after[written],
              std::to_string(told - written) + " lines could not be written to this log");
    EXPECT_NE(after.back().find("in town"), std::string::npos);

    // Switched off: what was kept is dropped and nothing more is written.
    TellPosseHeldBack(SpawnGate::Mission);
    G.settings.Debug.LogFile.clear();
    FollowLogSetting();
    TellPosseHeldBack(SpawnGate::Mission);
    EXPECT_EQ(lines().size(), after.size() + 1);
}

} // namespace
