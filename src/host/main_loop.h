// The script: start-up, one pass per frame, and the library's attach/detach work.
#pragma once
#include <cstddef>

#include "natives/host_interface.h"
#include "natives/types.h"
#include "state/settings.h"
#include "state/story.h"

// The host runs this on its script fiber; it never returns.
void ScriptMain();
// Start-up of ScriptMain: seed, configuration, streak, timer, day number.
void ScriptStartup();
// The settings, the variant weights and the loadouts, as at start and on the reload key.
void ReloadConfiguration();
// One per-frame pass, without the closing scriptWait(0).
void ScriptFramePass();
// Arms the spawn timer from `now` (game hours); the no-argument form reads the game clock.
void ArmSpawnTimer(double now);
void ArmSpawnTimer();
// Library entry work: attach registers the script, detach deletes our peds and unregisters.
void PluginAttach(HostModule module);
void PluginDetach(HostModule module);

// The operations of the other subsystems that the pass calls, in one table so a test host can
// put recorders in their place and watch the order and the arguments. Defaults to the real ones.
struct LoopOperations {
    void (*LoadSettings)(Settings&);
    void (*LoadVariantWeights)();
    void (*LoadLoadouts)();
    void (*LoadTierLoadoutPools)();
    void (*UpdateDailyBounty)();
    void (*UpdateBountyPools)();
    void (*UpdateMountedPursuit)();
    void (*SpawnDriver)();
    void (*UpdateStuckWatch)();
    void (*HorsePass)();
    void (*UpdateEngagement)();
    void (*UpdateWitnesses)();
    bool (*SaveStreak)();
    void (*ShowToast)(const char*);
    void (*UpdateHarkvaneEvent)(const Vec3&, float);
    void (*LeashHarkvaneMembers)(const Vec3&);
    void (*HarkvaneTick)();
    void (*ProcessDeferredSpawns)(const Vec3&, float);
    void (*ProtectPlayerMount)();
    void (*DespawnFarPeds)(const Vec3&);
    void (*DespawnPosse)(ClearReason);
    void (*CompactSpawnedPeds)();
    bool (*IsProtectedPed)(Ped);
};

extern const LoopOperations RealLoopOps;
extern LoopOperations LoopOps;
