// The script itself: start-up, one pass per frame in the order the plug-in acts, and the
// library's attach and detach work. Everything else is called from here.
#include "host/main_loop.h"

#include <algorithm>
#include <cstdio>

#include "bounty/bounty_pools.h"
#include "bounty/streak_and_notices.h"
#include "bounty/witnesses.h"
#include "config/config_checks.h"
#include "config/config_diagnostics.h"
#include "config/config_findings.h"
#include "config/loadouts.h"
#include "config/rosters.h"
#include "config/settings_loader.h"
#include "config/shield_zones.h"
#include "host/plugin_log.h"
#include "natives/game_clock.h"
#include "natives/natives.h"
#include "platform/crt_rand.h"
#include "platform/file_presence.h"
#include "platform/keys.h"
#include "platform/paths.h"
#include "posse/deferred_spawns.h"
#include "posse/despawn.h"
#include "posse/harkvane_event.h"
#include "posse/pursuit.h"
#include "spawn/horses.h"
#include "spawn/spawn_driver.h"
#include "state/plugin_state.h"
#include "state/story.h"

const LoopOperations RealLoopOps = {
    .LoadSettings = LoadSettings,
    .LoadVariantWeights = LoadVariantWeights,
    .LoadLoadouts = LoadLoadouts,
    .LoadTierLoadoutPools = LoadTierLoadoutPools,
    .UpdateDailyBounty = UpdateDailyBounty,
    .UpdateBountyPools = UpdateBountyPools,
    .UpdateMountedPursuit = UpdateMountedPursuit,
    .SpawnDriver = SpawnDriver,
    .UpdateStuckWatch = UpdateStuckWatch,
    .HorsePass = HorsePass,
    .UpdateEngagement = UpdateEngagement,
    .UpdateWitnesses = UpdateWitnesses,
    .SaveStreak = SaveStreak,
    .ShowToast = ShowToast,
    .UpdateHarkvaneEvent = UpdateHarkvaneEvent,
    .LeashHarkvaneMembers = LeashHarkvaneMembers,
    .HarkvaneTick = HarkvaneTick,
    .ProcessDeferredSpawns = ProcessDeferredSpawns,
    .ProtectPlayerMount = ProtectPlayerMount,
    .DespawnFarPeds = DespawnFarPeds,
    .DespawnPosse = DespawnPosse,
    .CompactSpawnedPeds = CompactSpawnedPeds,
    .IsProtectedPed = IsProtectedPed,
};

LoopOperations LoopOps = RealLoopOps;

namespace {

// The loop's game-timer checks (the game's own bounty hunters, the pursued hold, the mission
// poll, the army tick) compare raw unsigned values, not TimerDiff: they keep their timing next to
// the timer's wrap, and the native calls follow from it.
constexpr const char* VanillaCooldownName = "BOUNTYHUNTERSGLOBALCOOLDOWN";
constexpr int32_t VanillaCooldownValue = 9999;
constexpr uint32_t VanillaCooldownPeriodMs = 1000;
constexpr uint32_t HarkvaneTickPeriodMs = 1000;
constexpr float ReversedHeadingOffset = 180.0f;
constexpr double HoursPerSecond = 1.0 / 3600.0;
constexpr const char* StreakResetToast = "Harkvane: streak reset (death)";

// A key switched off (0) is never asked about.
constexpr const char* ReloadNoticeText = "Harkvane: settings reloaded";

// The player asked to see that the reload key worked, and whether the file has problems.
void ShowReloadNotice(size_t problems) {
    char text[96];
    if (problems == 0)
        std::snprintf(text, sizeof text, "%s", ReloadNoticeText);
    else
        std::snprintf(text, sizeof text, "%s: %zu problem%s in the file", ReloadNoticeText,
                      problems, problems == 1 ? "" : "s");
    ShowNotice(text);
}

bool KeyPressed(int32_t virtualKey) {
    return virtualKey != 0 && (GetAsyncKeyState(virtualKey) & 1) != 0;
}

// Checks run in this order and stop at the first that reports death; no ped counts as dead.
bool PlayerIsDead(Ped player) {
    if (player == 0) return true;
    if (game::IsEntityDead(player)) return true;
    if (game::IsPedDeadSecondCheck(player)) return true;
    return game::IsPedDeadOrDying(player);
}

double HoldoffEnd() {
    const int32_t seconds = std::max(G.settings.CampShield.HoldoffSeconds, 0);
    return GameHours() + static_cast<double>(seconds) * HoursPerSecond;
}

// Keeps the game's own bounty hunters away by re-applying their global cooldown every second.
void SuppressVanillaHunters() {
    LoopState& loop = G.loop;
    if (loop.VanillaCooldownHash == 0)
        loop.VanillaCooldownHash = game::HashKey(VanillaCooldownName);
    if (loop.VanillaCooldownHash == 0) return;
    if (loop.DisableVanillaBountyHunters) {
        if (!loop.VanillaDisablePrev) loop.VanillaCooldownNextMs = 0;
        const uint32_t t = game::GameTimer();
        if (t >= loop.VanillaCooldownNextMs) {
            game::SetGlobalCooldown(loop.VanillaCooldownHash, VanillaCooldownValue);
            loop.VanillaCooldownNextMs = t + VanillaCooldownPeriodMs;
        }
    }
    loop.VanillaDisablePrev = loop.DisableVanillaBountyHunters;
}

// A death ends the streak toward the army event and stops an event in progress; its soldiers
// stay tracked so the ordinary clean-up removes them.
void ResetStreakOnDeath() {
    if (!G.settings.Harkvane.Enabled || !G.settings.Harkvane.ResetOnPlayerDeath) return;
    if (!PlayerIsDead(game::PlayerPed())) {
        G.loop.DeathResetLatch = false;
        return;
    }
    if (G.loop.DeathResetLatch) return;
    EndHarkvaneEvent(ArmyEnd::PlayerDied);
    G.loop.StreakCount = 0;
    LoopOps.SaveStreak();
    LoopOps.ShowToast(StreakResetToast);
    G.loop.DeathResetLatch = true;
}

void HoldPursuedState(uint32_t t) {
    if (G.loop.PursuedHoldUntilMs == 0) return;
    if (t < G.loop.PursuedHoldUntilMs) {
        game::SetPlayerPursued(game::Player(), true);
    } else {
        game::SetPlayerPursued(game::Player(), false);
        G.loop.PursuedHoldUntilMs = 0;
    }
}

// One clear-out per entry into a condition (a protected place, a death, a mission); the latch
// re-arms when the condition ends.
void DespawnOncePerEntry(bool inside, bool& latch, ClearReason why) {
    if (!inside) {
        latch = false;
        return;
    }
    if (!latch) {
        LoopOps.DespawnPosse(why);
        latch = true;
    }
}

// Entering a protected place clears the posse once per stay; every frame inside pushes the
// end of the hold-off further out so no timed posse arrives right after leaving.
void ShieldPlace(bool inside, bool& latch, double& holdoffUntil, ClearReason why) {
    DespawnOncePerEntry(inside, latch, why);
    if (inside) holdoffUntil = HoldoffEnd();
}

void ApplyCampShield(const Vec3& position) {
    if (!G.settings.CampShield.Enabled) return;
    ShieldPlace(CampZoneHoldingPlayer(position) != nullptr, G.loop.InCampLatch,
                G.loop.CampHoldoffUntil, ClearReason::Camp);
}

void ApplyTownShield(const Vec3& position) {
    G.loop.TownShieldActive = G.settings.TownShield.Rhodes;
    if (!G.loop.TownShieldActive) return;
    ShieldPlace(TownZoneHoldsPlayer(position), G.loop.InTownLatch, G.loop.TownHoldoffUntil,
                ClearReason::Town);
}

void DespawnOnPlayerDeath(Ped player) {
    if (!G.settings.Cleanup.DespawnOnPlayerDeath) return;
    DespawnOncePerEntry(PlayerIsDead(player), G.loop.PlayerDeadLatch, ClearReason::PlayerDied);
}

void DespawnDuringMissions() {
    if (!G.settings.Cleanup.DespawnDuringMissions) return;
    const uint32_t t = game::GameTimer();
    if (t < G.loop.MissionPollNextMs) return;
    G.loop.MissionPollNextMs = t + static_cast<uint32_t>(G.settings.Cleanup.MissionPollMs);
    DespawnOncePerEntry(game::IsMissionActive(), G.loop.MissionLatch, ClearReason::Mission);
}

bool IsLiveHunter(Ped ped) {
    return ped != 0 && game::EntityExists(ped) && game::IsEntityAPed(ped) &&
           !LoopOps.IsProtectedPed(ped) && !game::IsPedDeadOrDying(ped);
}

// The pursued state the driver switched on lasts while any hunter it sent is still alive.
void KeepPursuedWhileHuntersLive() {
    if (!G.loop.PursuitFlag) return;
    int live = 0;
    for (Ped ped : G.spawn.SpawnedPeds) {
        if (IsLiveHunter(ped)) ++live;
    }
    if (live > 0) {
        game::SetPlayerPursued(game::Player(), true);
    } else {
        game::SetPlayerPursued(game::Player(), false);
        G.loop.PursuitFlag = false;
    }
}

// The first gate that applies blocks the timed posse; false when none does. A dead player gets
// none: the clean-up on death has just sent the last posse away.
bool TimedSpawnBlocked(const Vec3& position, Ped player, SpawnGate* gate) {
    const Settings& s = G.settings;
    auto blocked = [gate](SpawnGate g) {
        *gate = g;
        return true;
    };
    if (s.CampShield.Enabled) {
        if (s.CampShield.BlockInCamp && CampZoneHoldingPlayer(position))
            return blocked(SpawnGate::InCamp);
        if (GameHours() < G.loop.CampHoldoffUntil) return blocked(SpawnGate::CampHoldoff);
    }
    if (s.TownShield.Rhodes) {
        if (TownZoneHoldsPlayer(position)) return blocked(SpawnGate::InTown);
        if (GameHours() < G.loop.TownHoldoffUntil) return blocked(SpawnGate::TownHoldoff);
    }
    if (s.BountyGates.BlockMissionSpawns && game::IsMissionActive())
        return blocked(SpawnGate::Mission);
    if (PlayerIsDead(player)) return blocked(SpawnGate::PlayerDead);
    return false;
}

void DecideTimedSpawn(const Vec3& position, Ped player) {
    SpawnGate gate;
    if (TimedSpawnBlocked(position, player, &gate)) {
        TellPosseHeldBack(gate);
        return;
    }
    LoopOps.SpawnDriver();
    G.loop.PosseSentMarker = true;
}

// A decision, spawn or blocked, always re-arms the timer: a blocked posse is dropped, not
// postponed. With the witness tracker on, a due timer waits for the witness gate.
void RunSpawnTimer(const Vec3& position, Ped player) {
    LoopState& loop = G.loop;
    const double now = GameHours();
    StampLogHours(now);
    const bool due =
        now >= loop.NextSpawnHour ||
        now >= loop.LastSpawnHour + static_cast<double>(G.settings.Spawner.MaxSpawnHours);
    if (G.settings.WitnessTracker.Enabled) {
        if (due && !loop.SpawnDueLatch && !loop.WitnessGate)
            TellPosseHeldBack(SpawnGate::AwaitingWitnesses);
        if (due) loop.SpawnDueLatch = true;
        if (!due && !loop.SpawnDueLatch) return;
        if (!loop.WitnessGate) return;
        DecideTimedSpawn(position, player);
        ArmSpawnTimer(now);
        loop.SpawnDueLatch = false;
        loop.WitnessGate = false;
    } else {
        if (!due) return;
        DecideTimedSpawn(position, player);
        ArmSpawnTimer(now);
    }
}

void TellSettings(bool reload) {
    const char* path = G.settings.IniPath.c_str();
    // Asked of the file system only when someone listens: in the game nothing else changes.
    const bool found = StoryHeard() && !FileIsMissing(PlatformPath(path));
    TellSettingsLoaded(path, found, reload);
}

// The reload key: the settings and the keys anew, the log followed to where they point, and what
// the loaders found wrong in the file (the settings checker's findings but the file's layout)
// told to the log and counted on the notice.
void ReloadOnKey() {
    ConfigDiagnostics findings;
    // The checker or a test may be watching already; then its record gets the notes.
    const bool watched = G.config.Diagnostics != nullptr;
    if (!watched) G.config.Diagnostics = &findings;
    ReloadConfiguration();
    if (!watched) {
        NoteSettingsThatSwitchOff(findings);
        G.config.Diagnostics = nullptr;
    }
    FollowLogSetting();
    TellSettings(true);
    if (StoryHeard()) {
        for (const ConfigNote& note : findings.notes)
            TellSettingsProblem(ConfigNoteText(note).c_str());
    }
    if (G.settings.Keys.ReloadNotice) ShowReloadNotice(findings.notes.size());
}

} // namespace

void ReloadConfiguration() {
    LoopOps.LoadSettings(G.settings);
    LoopOps.LoadVariantWeights();
    LoopOps.LoadLoadouts();
    LoopOps.LoadTierLoadoutPools();
}

void ScriptMain() {
    ScriptStartup();
    for (;;) {
        ScriptFramePass();
        scriptWait(0);
    }
}

void ScriptStartup() {
    CrtSrand(static_cast<unsigned>(CalendarTimeSeconds()));
    ReloadConfiguration();
    FollowLogSetting();
    TellSettings(false);
    G.loop.StreakCount = ReadStreakFile();
    ArmSpawnTimer();
    const double hours = GameHours();
    StampLogHours(hours);
    G.loop.DayIndex = GameDayOf(hours);
}

void ScriptFramePass() {
    const Settings& s = G.settings;

    if (s.Bounty.DailyIncreaseEnabled) LoopOps.UpdateDailyBounty();
    if (s.BountyGates.BountyPooling) LoopOps.UpdateBountyPools();
    LoopOps.UpdateMountedPursuit();

    // The hotkeys bypass the loop's own gates; the driver still applies its bounty gate.
    if (KeyPressed(s.Keys.SendPosse)) {
        TellKeyPressed(StoryKey::SendPosse);
        LoopOps.SpawnDriver();
        ArmSpawnTimer();
    }
    if (KeyPressed(s.Keys.ReloadSettings)) {
        TellKeyPressed(StoryKey::ReloadSettings);
        ReloadOnKey();
        ArmSpawnTimer();
    }

    const Ped player = game::PlayerPed();
    const Vec3 position = game::EntityCoords(player);
    // Left unwrapped: it may exceed 360 degrees.
    const float reversedHeading = game::EntityHeading(player) + ReversedHeadingOffset;

    LoopOps.UpdateStuckWatch();
    LoopOps.HorsePass();
    LoopOps.UpdateEngagement();
    if (s.WitnessTracker.Enabled) LoopOps.UpdateWitnesses();

    SuppressVanillaHunters();
    ResetStreakOnDeath();

    LoopOps.UpdateHarkvaneEvent(position, reversedHeading);
    LoopOps.LeashHarkvaneMembers(position);
    const uint32_t t = game::GameTimer();
    StampLogTimer(t);
    if (G.harkvane.HarkvaneActive && t >= G.harkvane.HarkvaneTickNextMs) {
        LoopOps.HarkvaneTick();
        G.harkvane.HarkvaneTickNextMs = t + HarkvaneTickPeriodMs;
    }
    HoldPursuedState(t);

    LoopOps.ProcessDeferredSpawns(position, reversedHeading);
    LoopOps.ProtectPlayerMount();

    ApplyCampShield(position);
    ApplyTownShield(position);

    LoopOps.DespawnFarPeds(position);
    DespawnOnPlayerDeath(player);
    DespawnDuringMissions();
    LoopOps.CompactSpawnedPeds();
    KeepPursuedWhileHuntersLive();

    RunSpawnTimer(position, player);
}

void ArmSpawnTimer(double now) {
    LoopState& loop = G.loop;
    const float minHours = G.settings.Spawner.MinSpawnHours;
    const float maxHours = G.settings.Spawner.MaxSpawnHours;
    loop.LastSpawnHour = now;
    loop.SpawnInterval = minHours;
    if (minHours != maxHours) {
        // The product is scaled as a whole (see CrtUnitDraw on rounding).
        loop.SpawnInterval = (maxHours - minHours) * CrtRandFloat() * CrtUnitScale + minHours;
    }
    loop.NextSpawnHour = loop.LastSpawnHour + static_cast<double>(loop.SpawnInterval);
}

void ArmSpawnTimer() {
    ArmSpawnTimer(GameHours());
}

void PluginAttach(HostModule module) {
    scriptRegister(module, ScriptMain);
}

void PluginDetach(HostModule module) {
    for (Ped ped : G.spawn.SpawnedPeds) {
        // A horse the player claimed is theirs now: it stays in the world, under them or not.
        if (ped == 0 || IsClaimedHorse(ped) || !game::EntityExists(ped)) continue;
        TellPedDespawned(DespawnReason::Unloaded, ped);
        Entity handle = ped; // the host may zero the variable it is given
        game::DeleteEntity(&handle);
    }
    G.spawn.SpawnedPeds.clear();
    // An army event still running holds its marker in the game; nothing releases it once we
    // are gone.
    EndHarkvaneEvent(ArmyEnd::Unloaded);
    G.spawn.AnchorPresent = false;
    G.spawn.AnchorPed = 0;
    scriptUnregister(module);
}
