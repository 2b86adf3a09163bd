// Typed wrappers: the only way the rest of the plug-in reaches the game. Each takes only the
// values that vary and pushes the fixed ones itself.
#pragma once
#include <cstdint>

#include "natives/types.h"

namespace game {

// Clock and timer
int32_t ClockYear();
int32_t ClockMonth();
int32_t ClockDay();
int32_t ClockHour();
int32_t ClockMinute();
uint32_t GameTimer();

// Player, bounty and law
Ped PlayerPed();
PlayerIndex Player();
int32_t PlayerBounty(PlayerIndex player);
void SetPlayerBounty(PlayerIndex player, int32_t cents);
Hash MapZoneAt(float x, float y, float z, int32_t zoneType);
void SetPlayerLawRegion(PlayerIndex player, Hash lawRegion);
void LawCallWithZeroedValue();
void SetPlayerPursued(PlayerIndex player, bool on);
int32_t PlayerStateQuery(PlayerIndex player);
void SetLawSetting(int32_t value); // always 5 in practice
void ReportCrimeOnPlayer(PlayerIndex player);
void SetGlobalCooldown(Hash cooldown, int32_t value);
bool IsMissionActive();

// Entity queries
bool EntityExists(Entity e);
bool IsEntityAPed(Entity e);
bool IsPedHuman(Ped p);
bool IsEntityDead(Entity e);
bool IsPedDeadOrDying(Ped p);
bool IsPedDeadSecondCheck(Ped p);
Hash EntityModel(Entity e);
bool IsModelAHorse(Hash model);
Vec3 EntityCoords(Entity e);
float EntityHeading(Entity e);
bool IsPedInCombat(Ped p);
bool IsPedInAnyVehicle(Ped p);
bool CanPedPerceive(Ped observer, Ped target);
bool HasClearLineOfSight(Entity from, Entity to); // flags 17
// Fills slots[1..64] with nearby peds (slots[0] must hold 64 on entry); returns the count.
int32_t NearbyPeds(Ped ped, uint64_t (&slots)[65]);

// World and geometry
float DistanceBetween(const Vec3& a, const Vec3& b);
bool GroundHeight(float x, float y, float z, float* outHeight);
bool SafeCoordForPed(float x, float y, float z, Vec3* outPoint, int32_t flags);
bool WaterHeight(float x, float y, float z, float* outHeight);
int32_t CreateBoxVolume(float x, float y, float z); // 2500 m on each side
uint64_t CreateEventMarker(int32_t volume);
void RemoveEventMarker(uint64_t marker);

// Models, creation and deletion
bool IsModelValid(Hash model);
void RequestModel(Hash model);
bool HasModelLoaded(Hash model);
void ReleaseModel(Hash model);
Ped CreatePed(Hash model, float x, float y, float z, float heading);
void MarkOwnedByScript(Entity e);
void RandomOutfit(Ped p);
void RefreshAppearance(Ped p);
void FinishAppearance(Ped p);
void ApplyHorsePreset(Ped horse);
void SetEntityCoords(Entity e, float x, float y, float z);
// Deletes the entity; the host may zero *handle. Pass the address of a local copy.
void DeleteEntity(Entity* handle);

// Weapons
void RemoveAllWeapons(Ped p);
void GiveWeapon(Ped p, Hash weapon, int32_t ammo, bool inHand, bool inHolster, Hash reason);
void SetPedAmmo(Ped p, Hash weapon, int32_t ammo);

// Orders and behaviour
void SetPathCanUseClimbovers(Ped p);
void SetPathCanUseLadders(Ped p);
void BlockNonTemporaryEvents(Ped p);
void TaskCombatPed(Ped p, Ped target);
void KeepTask(Ped p);
void ClearTasks(Ped p, int32_t flag);
void TaskFollowAtOffset(Ped p, Entity target, float dx, float dy, float dz, float speed,
                        int32_t timeoutMs, float stoppingRange);
void TaskFlee(Ped p, Ped target, float distance, float speed, Ped other);
void TaskSecondStagePursuit(Ped p, Ped target);
void TaskDismount(Ped p, Ped player);

// Mounts
bool IsPedOnMount(Ped p);
Ped MountOf(Ped p);
Ped RiderOfMount(Ped mount);
bool IsMountSeatFree(Ped mount);
void PutPedOnMount(Ped rider, Ped mount);

// Blips
Blip AddBlipForEntity(Hash style, Entity e);
void BlipAddModifier(Blip b, Hash modifier);
void SetBlipName(Blip b, const char* name);
bool EntityHasBlip(Entity e);
Blip BlipOfEntity(Entity e);
void BlipReleaseStep(Blip b);
void RemoveBlip(Blip* blip);

// On-screen text
uint64_t LiteralText(const char* text);
void SetNoticeText(uint64_t textHandle);
void ShowNoticeNow();

// Names
Hash HashKey(const char* name);

} // namespace game
