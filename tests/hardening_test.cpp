// Long-session hardening: tables that would otherwise grow for the whole session.
#include <gtest/gtest.h>

#include "natives/native_hashes.h"
#include "posse/pursuit.h"
#include "recording_host.h"
#include "spawn/horses.h"
#include "state/plugin_state.h"

namespace {

TEST(Hardening, RecordsOfHorsesNoLongerTrackedGoAtTheNextAttemptWithoutAskingTheGame) {
    RecordingHost host;
    ResetPluginState();
    host.Install();
    const Ped kept = host.AddPed(Vec3{}, false);
    const Ped gone = host.AddPed(Vec3{}, false);
    host.entities[kept].rider = 77; // taken: stays
    for (Ped horse : {kept, gone}) {
        HorseRecord r;
        r.horse = horse;
        G.spawn.HorseRecords.push_back(r);
    }
    G.spawn.SpawnedPeds = {kept}; // the other vanished and the clean-up dropped it
    EXPECT_TRUE(IsProtectedPed(gone));
    G.spawn.SpawnAttemptId = 5;
    host.ClearCalls();

    PreSpawnHorseCleanup();

    ASSERT_EQ(G.spawn.HorseRecords.size(), 1u);
    EXPECT_EQ(G.spawn.HorseRecords[0].horse, kept);
    // The kept horse is asked about; the one no longer tracked is not.
    const auto asked = host.CallsOf(nh::IS_MOUNT_SEAT_FREE);
    ASSERT_FALSE(asked.empty());
    for (const RecordedCall* c : asked)
        EXPECT_EQ(c->U32(0), kept);
    // A new ped handed the old horse's handle is a hunter again, not a protected horse.
    host.entities[gone] = HostEntity{};
    EXPECT_FALSE(IsProtectedPed(gone));
    host.Uninstall();
}

} // namespace
