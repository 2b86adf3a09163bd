// Every wrapper against the native table: hash, argument order, fixed values and slot encoding.
// Hashes and float bit patterns are written out here on purpose, so a slip in the catalogue or
// in the push helpers cannot hide behind the same constant on both sides.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <vector>

#include "natives/native_hashes.h"
#include "natives/natives.h"
#include "recording_host.h"
#include "state/plugin_state.h"

namespace {

constexpr uint64_t MinusOne = 0x00000000FFFFFFFFull;
// Single-precision bit patterns of the floats used below.
constexpr uint64_t F0 = 0x00000000, F1 = 0x3F800000, F2 = 0x40000000, F3 = 0x40400000,
                   F4 = 0x40800000, F5 = 0x40A00000, F6 = 0x40C00000, FHalf = 0x3F000000,
                   FMinus1_5 = 0xBFC00000, F90 = 0x42B40000, F250 = 0x437A0000, F600 = 0x44160000,
                   F2500 = 0x451C4000;
constexpr Ped A = 0x11, B = 0x22;
constexpr PlayerIndex P = 3;

uint64_t Ptr(const void* p) {
    return reinterpret_cast<uint64_t>(p);
}

struct Case {
    const char* what;
    uint64_t hash;
    std::function<void()> call;
    std::vector<uint64_t> slots;
};

struct NativeSlots : ::testing::Test {
    RecordingHost host;
    void SetUp() override {
        ResetPluginState();
        host.Install();
    }
    void TearDown() override { host.Uninstall(); }
};

TEST_F(NativeSlots, EveryWrapperPushesExactlyTheTableArguments) {
    float height = 0.0f;
    Vec3 spot;
    uint64_t nearby[65] = {64};
    Entity doomed = 0x33;
    Blip blip = 0x44;
    const char* blipName = "Bounty hunter";
    const char* notice = "Hunters are coming";
    const char* model = "A_C_DogHound_01";
    const std::vector<Case> cases = {
        // clock and timer
        {"ClockYear", 0xE136DCA28C4A48BA, [] { game::ClockYear(); }, {}},
        {"ClockMonth", 0x2D44E8FC79EAB1AC, [] { game::ClockMonth(); }, {}},
        {"ClockDay", 0xDF2FD796C54480A5, [] { game::ClockDay(); }, {}},
        {"ClockHour", 0xC82CF208C2B19199, [] { game::ClockHour(); }, {}},
        {"ClockMinute", 0x4E162231B823DBBF, [] { game::ClockMinute(); }, {}},
        {"GameTimer", 0x4F67E8ECA7D3F667, [] { game::GameTimer(); }, {}},
        // player, bounty and law
        {"PlayerPed", 0x096275889B8E0EE0, [] { game::PlayerPed(); }, {}},
        {"Player", 0x217E9DC48139933D, [] { game::Player(); }, {}},
        {"PlayerBounty", 0x54310AAB97B92816, [] { game::PlayerBounty(P); }, {3}},
        {"SetPlayerBounty",
         0x093A9D1F72DF0D19,
         [] { game::SetPlayerBounty(P, -1); },
         {3, MinusOne}},
        {"MapZoneAt",
         0x43AD8FC02B429D33,
         [] { game::MapZoneAt(1.0f, -1.5f, 0.5f, 10); },
         {F1, FMinus1_5, FHalf, 10}},
        {"SetPlayerLawRegion",
         0x73BAD7B2F2DB50DE,
         [] { game::SetPlayerLawRegion(P, 0xDEADBEEF); },
         {3, 0xDEADBEEF}},
        {"LawCallWithZeroedValue", 0x537CE992BD2D7BCB, nullptr, {}}, // below: a stack address
        {"SetPlayerPursued", 0x8674D138391FFB1B, [] { game::SetPlayerPursued(P, true); }, {3, 1}},
        {"PlayerStateQuery", 0xDD5FD601481F648B, [] { game::PlayerStateQuery(P); }, {3}},
        {"SetLawSetting", 0x28A4BD2CEE236E19, [] { game::SetLawSetting(5); }, {5}},
        {"ReportCrimeOnPlayer",
         0xF60386770878A98F,
         [] { game::ReportCrimeOnPlayer(P); },
         {3, 0x99C52FF5, 0, 0, 1}},
        {"SetGlobalCooldown",
         0xF19706B1F8FFA88F,
         [] { game::SetGlobalCooldown(0x89ABCDEF, 9999); },
         {0x89ABCDEF, 9999}},
        {"IsMissionActive", 0xB15CD1CF58771DE1, [] { game::IsMissionActive(); }, {}},
        // entity queries
        {"EntityExists", 0xD42BD6EB2E0F1677, [] { game::EntityExists(A); }, {A}},
        {"IsEntityAPed", 0xCF8176912DDA4EA5, [] { game::IsEntityAPed(A); }, {A}},
        {"IsPedHuman", 0xB980061DA992779D, [] { game::IsPedHuman(A); }, {A}},
        {"IsEntityDead", 0x7D5B1F88E7504BBA, [] { game::IsEntityDead(A); }, {A}},
        {"IsPedDeadOrDying", 0x3317DEDB88C95038, [] { game::IsPedDeadOrDying(A); }, {A, 1}},
        {"IsPedDeadSecondCheck", 0xD839450756ED5A80, [] { game::IsPedDeadSecondCheck(A); }, {A}},
        {"EntityModel", 0xDA76A9F39210D365, [] { game::EntityModel(A); }, {A}},
        {"IsModelAHorse",
         0x772A1969F649E902,
         [] { game::IsModelAHorse(0xF0000001); },
         {0xF0000001}},
        {"EntityCoords", 0xA86D5F069399F44D, [] { game::EntityCoords(A); }, {A, 1, 0}},
        {"EntityHeading", 0xC230DD956E2F5507, [] { game::EntityHeading(A); }, {A}},
        {"IsPedInCombat", 0x4859F1FC66A6278E, [] { game::IsPedInCombat(A); }, {A, 0}},
        {"IsPedInAnyVehicle", 0x997ABD671D25CA0B, [] { game::IsPedInAnyVehicle(A); }, {A, 0}},
        {"CanPedPerceive", 0x7F9B9791D4CB71F6, [] { game::CanPedPerceive(A, B); }, {A, B, 0, 1}},
        {"HasClearLineOfSight",
         0xE88F19660651D566,
         [] { game::HasClearLineOfSight(A, B); },
         {A, B, 17}},
        {"NearbyPeds",
         0x23F8F5FC7E8C4A6B,
         [&] { game::NearbyPeds(A, nearby); },
         {A, Ptr(nearby), MinusOne, MinusOne}},
        // world and geometry
        {"DistanceBetween",
         0x0BE7F4E3CDBAFB28,
         [] {
             game::DistanceBetween(Vec3{1, 2, 3}, Vec3{4, 5, 6});
         },
         {F1, F2, F3, F4, F5, F6, 1}},
        {"GroundHeight",
         0x24FA4267BB8D2431,
         [&] { game::GroundHeight(1, 2, 3, &height); },
         {F1, F2, F3, Ptr(&height), 0}},
        {"SafeCoordForPed",
         0xB61C8E878A4199CA,
         [&] { game::SafeCoordForPed(1, 2, 3, &spot, 16); },
         {F1, F2, F3, 1, Ptr(&spot), 16}},
        {"WaterHeight",
         0xFCA8B23F28813F69,
         [&] { game::WaterHeight(1, 2, 3, &height); },
         {F1, F2, F3, Ptr(&height)}},
        {"CreateBoxVolume",
         0xB3FB80A32BAE3065,
         [] { game::CreateBoxVolume(1, 2, 3); },
         {F1, F2, F3, F0, F0, F0, F2500, F2500, F2500}},
        {"CreateEventMarker", 0xA2D5A26208421426, [] { game::CreateEventMarker(77); }, {77}},
        {"RemoveEventMarker",
         0x49F751F6868DDC5B,
         [] { game::RemoveEventMarker(0x1234567800000001ull); },
         {0x1234567800000001ull}},
        // models, creation and deletion
        {"IsModelValid", 0x392C8D8E07B70EFC, [] { game::IsModelValid(0xF0000001); }, {0xF0000001}},
        {"RequestModel",
         0xFA28FE3A6246FC30,
         [] { game::RequestModel(0xF0000001); },
         {0xF0000001, 0}},
        {"HasModelLoaded",
         0x1283B8B89DD5D1B6,
         [] { game::HasModelLoaded(0xF0000001); },
         {0xF0000001}},
        {"ReleaseModel", 0x4AD96EF928BD4F9A, [] { game::ReleaseModel(0xF0000001); }, {0xF0000001}},
        {"CreatePed",
         0xD49F9B0955C367DE,
         [] { game::CreatePed(0xF0000001, 1, 2, 3, 90); },
         {0xF0000001, F1, F2, F3, F90, 0, 0, 0, 0}},
        {"MarkOwnedByScript", 0xDC19C288082E586E, [] { game::MarkOwnedByScript(A); }, {A, 1, 1}},
        {"RandomOutfit", 0x283978A15512B2FE, [] { game::RandomOutfit(A); }, {A, 1}},
        {"RefreshAppearance",
         0xCC8CA3E88256E58F,
         [] { game::RefreshAppearance(A); },
         {A, 1, 1, 1, 1, 0}},
        {"FinishAppearance", 0x1794B4FCC84D812F, [] { game::FinishAppearance(A); }, {A, 1}},
        {"ApplyHorsePreset",
         0x1902C4CFCC5BE57C,
         [] { game::ApplyHorsePreset(A); },
         {A, 0x4B96E611}},
        {"SetEntityCoords",
         0x06843DA7060A026B,
         [] { game::SetEntityCoords(A, 1, 2, 3); },
         {A, F1, F2, F3, 1, 0, 1, 1}},
        {"DeleteEntity", 0x4CD38C78BD19A497, [&] { game::DeleteEntity(&doomed); }, {Ptr(&doomed)}},
        // weapons
        {"RemoveAllWeapons", 0xF25DF915FA38C5F3, [] { game::RemoveAllWeapons(A); }, {A, 1, 1}},
        {"GiveWeapon",
         0x5E3BDDBCB83F3D84,
         [] { game::GiveWeapon(A, 0xF0000002, 36, true, false, 0xF0000003); },
         {A, 0xF0000002, 36, 1, 0, 0, 0, F1, 0, 0xF0000003, 1, 0, 0}},
        {"SetPedAmmo",
         0x14E56BC5B5DB6A19,
         [] { game::SetPedAmmo(A, 0xF0000002, -1); },
         {A, 0xF0000002, MinusOne}},
        // orders and behaviour
        {"SetPathCanUseClimbovers",
         0x8E06A6FE76C9EFF4,
         [] { game::SetPathCanUseClimbovers(A); },
         {A, 1}},
        {"SetPathCanUseLadders", 0x77A5B103C87F476E, [] { game::SetPathCanUseLadders(A); }, {A, 1}},
        {"BlockNonTemporaryEvents",
         0x9F8AA94D6D97DBF4,
         [] { game::BlockNonTemporaryEvents(A); },
         {A, 1}},
        {"TaskCombatPed", 0xF166E48407BAC484, [] { game::TaskCombatPed(A, B); }, {A, B, 0, 0}},
        {"KeepTask", 0x971D38760FBC02EF, [] { game::KeepTask(A); }, {A, 1}},
        {"ClearTasks", 0xE1EF3C1216AFF2CD, [] { game::ClearTasks(A, 1); }, {A, 1, 1}},
        {"TaskFollowAtOffset",
         0x304AE42E357B8C7E,
         [] { game::TaskFollowAtOffset(A, B, 1, -1.5f, 0, 3, -1, 5); },
         {A, B, F1, FMinus1_5, F0, F3, MinusOne, F5, 1, 0, 0, 0, 0, 0}},
        {"TaskFlee",
         0x22B0D0E37CCB840D,
         [] { game::TaskFlee(A, B, 250, 600, 0); },
         {A, B, F250, MinusOne, 0, F600, 0}},
        {"TaskSecondStagePursuit",
         0x5C8514540D27FBFB,
         [] { game::TaskSecondStagePursuit(A, B); },
         {A, B, 0, 0, 0, 0}},
        {"TaskDismount", 0x48E92D3DDE23C23A, [] { game::TaskDismount(A, B); }, {A, 0, 0, 0, 0, B}},
        // mounts
        {"IsPedOnMount", 0x460BC76A0E10655E, [] { game::IsPedOnMount(A); }, {A}},
        {"MountOf", 0xE7E11B8DCBED1058, [] { game::MountOf(A); }, {A}},
        {"RiderOfMount", 0xB676EFDA03DADA52, [] { game::RiderOfMount(A); }, {A, 0}},
        {"IsMountSeatFree", 0xAAB0FE202E9FC9F0, [] { game::IsMountSeatFree(A); }, {A, 0}},
        {"PutPedOnMount", 0x028F76B6E78246EB, [] { game::PutPedOnMount(A, B); }, {A, B, 0, 0}},
        // blips
        {"AddBlipForEntity",
         0x23F74C2FDA6E7C61,
         [] { game::AddBlipForEntity(0xF0000004, A); },
         {0xF0000004, A}},
        {"BlipAddModifier",
         0xEDD964B7984AC291,
         [] { game::BlipAddModifier(0x44, 0xF0000005); },
         {0x44, 0xF0000005}},
        {"SetBlipName",
         0x9CB1A1623062F402,
         [&] { game::SetBlipName(0x44, blipName); },
         {0x44, Ptr(blipName)}},
        {"EntityHasBlip", 0x9FA00E2FC134A9D0, [] { game::EntityHasBlip(A); }, {A}},
        {"BlipOfEntity", 0x6D2C41A8BD6D6FD0, [] { game::BlipOfEntity(A); }, {A}},
        {"BlipReleaseStep", 0x01B928CA2E198B01, [] { game::BlipReleaseStep(0x44); }, {0x44}},
        {"RemoveBlip", 0xF2C3C9DA47AAA54A, [&] { game::RemoveBlip(&blip); }, {Ptr(&blip)}},
        // on-screen text
        {"LiteralText", 0xFA925AC00EB830B9, nullptr, {}}, // below: the kind text's address
        {"SetNoticeText",
         0xFA233F8FE190514C,
         [] { game::SetNoticeText(0xABCDEF0123456789ull); },
         {0xABCDEF0123456789ull}},
        {"ShowNoticeNow", 0xE9990552DEC71600, [] { game::ShowNoticeNow(); }, {}},
        // names
        {"HashKey", 0xFD340785ADF8CFB7, [&] { game::HashKey(model); }, {Ptr(model)}},
    };

    std::set<uint64_t> covered;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        covered.insert(c.hash);
        if (!c.call) continue;
        host.ClearCalls();
        c.call();
        ASSERT_EQ(host.calls.size(), 1u);
        EXPECT_EQ(host.calls[0].hash, c.hash);
        EXPECT_EQ(host.calls[0].args, c.slots);
    }

    // The zeroed value is a local of the wrapper: its address is all the caller can know, so
    // check that it points at a zero when the native runs.
    bool sawZero = false;
    host.handlers[0x537CE992BD2D7BCB] = [&](RecordedCall& call, uint64_t*) {
        ASSERT_EQ(call.args.size(), 1u);
        sawZero = *reinterpret_cast<const uint64_t*>(call.args[0]) == 0;
    };
    host.ClearCalls();
    game::LawCallWithZeroedValue();
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].hash, 0x537CE992BD2D7BCBu);
    EXPECT_TRUE(sawZero);

    host.ClearCalls();
    game::LiteralText(notice);
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].hash, 0xFA925AC00EB830B9u);
    ASSERT_EQ(host.calls[0].args.size(), 3u);
    EXPECT_EQ(host.calls[0].args[0], 10u);
    EXPECT_STREQ(reinterpret_cast<const char*>(host.calls[0].args[1]), "LITERAL_STRING");
    EXPECT_EQ(host.calls[0].args[2], Ptr(notice));

    // Every native of the catalogue was exercised, through exactly the catalogued hash.
    EXPECT_EQ(cases.size(), 82u);
    EXPECT_EQ(covered.size(), 82u);
    std::set<uint64_t> catalogued;
    for (const NativeInfo& n : NativeCatalogue)
        catalogued.insert(n.hash);
    EXPECT_EQ(NativeCatalogueSize, 82u);
    EXPECT_EQ(catalogued, covered);
}

// The catalogue's argument kinds say how many slots each native takes; the wrappers agree.
TEST_F(NativeSlots, CatalogueArgumentCountsMatchWhatTheWrappersPush) {
    game::GiveWeapon(A, 1, 2, false, true, 3);
    game::TaskFollowAtOffset(A, B, 0, 0, 0, 1, 1000, 2);
    game::CreateBoxVolume(0, 0, 0);
    for (const RecordedCall& c : host.calls) {
        SCOPED_TRACE(c.Name());
        ASSERT_NE(FindNative(c.hash), nullptr);
        EXPECT_EQ(std::strlen(FindNative(c.hash)->args), c.args.size());
    }
    EXPECT_EQ(host.calls[0].U32(4), 1u); // in holster
    EXPECT_EQ(host.calls[1].U32(6), 1000u);
}

// Results: 32-bit values from the low half of slot 0, 64-bit handles from the whole slot,
// positions as three floats in 8-byte slots.
TEST_F(NativeSlots, ResultsAreReadFromTheRightPartOfTheSlots) {
    host.fixed[0x54310AAB97B92816] = 0xDEADBEEFFFFFFFFFull;
    EXPECT_EQ(game::PlayerBounty(P), -1);
    host.fixed[0xC230DD956E2F5507] = 0xFFFFFFFF00000000ull | F90;
    EXPECT_EQ(game::EntityHeading(A), 90.0f);
    host.fixed[0xD42BD6EB2E0F1677] = 0x0000000100000000ull; // high half only: false
    EXPECT_FALSE(game::EntityExists(A));
    host.fixed[0xA2D5A26208421426] = 0x8000000000000007ull;
    EXPECT_EQ(game::CreateEventMarker(1), 0x8000000000000007ull);
    host.fixed[0xFA925AC00EB830B9] = 0xFFFF000000000010ull;
    EXPECT_EQ(game::LiteralText("x"), 0xFFFF000000000010ull);
    host.fixed[0x4F67E8ECA7D3F667] = 0xFFFFFFF0ull;
    EXPECT_EQ(game::GameTimer(), 0xFFFFFFF0u);

    host.handlers[0xA86D5F069399F44D] = [](RecordedCall&, uint64_t* out) {
        const float xyz[3] = {1.5f, -2.0f, 300.25f};
        for (int i = 0; i < 3; ++i) {
            uint32_t bits;
            std::memcpy(&bits, &xyz[i], sizeof bits);
            out[i] = 0xCCCCCCCC00000000ull | bits; // junk in the padding must not matter
        }
    };
    const Vec3 v = game::EntityCoords(A);
    EXPECT_EQ(v.x, 1.5f);
    EXPECT_EQ(v.y, -2.0f);
    EXPECT_EQ(v.z, 300.25f);
}

} // namespace
