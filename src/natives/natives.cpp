// The typed native wrappers: the only code that pushes slots to the host.
#include "natives/natives.h"

#include "natives/native_call.h"
#include "natives/native_hashes.h"

namespace game {
namespace {

using namespace native;

// Calls taking no arguments.
uint64_t* Call0(uint64_t hash) {
    Begin(hash);
    return Call();
}

// Calls taking one 32-bit value (entity, hash, player index or integer).
uint64_t* Call1(uint64_t hash, uint32_t a) {
    Begin(hash);
    PushU32(a);
    return Call();
}

uint64_t* Call2(uint64_t hash, uint32_t a, uint32_t b) {
    Begin(hash);
    PushU32(a);
    PushU32(b);
    return Call();
}

// Ped-to-ped calls: two handles, then two integer flags.
uint64_t* Call2Flags(uint64_t hash, uint32_t a, uint32_t b, int32_t flag1, int32_t flag2) {
    Begin(hash);
    PushU32(a);
    PushU32(b);
    PushInt(flag1);
    PushInt(flag2);
    return Call();
}

// The three-slot entity call: (entity, 1, flag).
void EntityCall3(uint64_t hash, Entity e, int32_t flag) {
    Begin(hash);
    PushU32(e);
    PushInt(1);
    PushInt(flag);
    Call();
}

} // namespace

// Clock and timer
int32_t ClockYear() { return ResultInt(Call0(nh::GET_CLOCK_YEAR)); }
int32_t ClockMonth() { return ResultInt(Call0(nh::GET_CLOCK_MONTH)); }
int32_t ClockDay() { return ResultInt(Call0(nh::GET_CLOCK_DAY_OF_MONTH)); }
int32_t ClockHour() { return ResultInt(Call0(nh::GET_CLOCK_HOURS)); }
int32_t ClockMinute() { return ResultInt(Call0(nh::GET_CLOCK_MINUTES)); }
uint32_t GameTimer() { return ResultU32(Call0(nh::GET_GAME_TIMER)); }

// Player, bounty and law
Ped PlayerPed() { return ResultU32(Call0(nh::PLAYER_PED_ID)); }
PlayerIndex Player() { return ResultInt(Call0(nh::PLAYER_ID)); }
int32_t PlayerBounty(PlayerIndex player) {
    return ResultInt(Call1(nh::GET_PLAYER_BOUNTY, static_cast<uint32_t>(player)));
}
void SetPlayerBounty(PlayerIndex player, int32_t cents) {
    Call2(nh::SET_PLAYER_BOUNTY, static_cast<uint32_t>(player), static_cast<uint32_t>(cents));
}
Hash MapZoneAt(float x, float y, float z, int32_t zoneType) {
    Begin(nh::GET_MAP_ZONE_AT_COORDS);
    PushXYZThenInt(x, y, z, zoneType);
    return ResultU32(Call());
}
void SetPlayerLawRegion(PlayerIndex player, Hash lawRegion) {
    Call2(nh::SET_PLAYER_LAW_REGION, static_cast<uint32_t>(player), lawRegion);
}
void LawCallWithZeroedValue() {
    uint64_t zero = 0;
    Begin(nh::LAW_CALL_WITH_ZEROED_VALUE);
    PushPtr(&zero);
    Call();
}
void SetPlayerPursued(PlayerIndex player, bool on) {
    Call2(nh::SET_PLAYER_PURSUED, static_cast<uint32_t>(player), on ? 1u : 0u);
}
int32_t PlayerStateQuery(PlayerIndex player) {
    return ResultInt(Call1(nh::GET_PLAYER_STATE_QUERY, static_cast<uint32_t>(player)));
}
void SetLawSetting(int32_t value) { Call1(nh::SET_LAW_SETTING, static_cast<uint32_t>(value)); }
void ReportCrimeOnPlayer(PlayerIndex player) {
    constexpr Hash CrimeHash = 0x99C52FF5;
    Begin(nh::REPORT_CRIME_ON_PLAYER);
    PushInt(player);
    PushFourInts(static_cast<int32_t>(CrimeHash), 0, 0, 1);
    Call();
}
void SetGlobalCooldown(Hash cooldown, int32_t value) {
    Call2(nh::SET_GLOBAL_COOLDOWN, cooldown, static_cast<uint32_t>(value));
}
bool IsMissionActive() { return ResultBool(Call0(nh::IS_MISSION_ACTIVE)); }

// Entity queries
bool EntityExists(Entity e) { return ResultBool(Call1(nh::DOES_ENTITY_EXIST, e)); }
bool IsEntityAPed(Entity e) { return ResultBool(Call1(nh::IS_ENTITY_A_PED, e)); }
bool IsPedHuman(Ped p) { return ResultBool(Call1(nh::IS_PED_HUMAN, p)); }
bool IsEntityDead(Entity e) { return ResultBool(Call1(nh::IS_ENTITY_DEAD, e)); }
bool IsPedDeadOrDying(Ped p) { return ResultBool(Call2(nh::IS_PED_DEAD_OR_DYING, p, 1)); }
bool IsPedDeadSecondCheck(Ped p) { return ResultBool(Call1(nh::IS_PED_DEAD_SECOND_CHECK, p)); }
Hash EntityModel(Entity e) { return ResultU32(Call1(nh::GET_ENTITY_MODEL, e)); }
bool IsModelAHorse(Hash model) { return ResultBool(Call1(nh::IS_MODEL_A_HORSE, model)); }
Vec3 EntityCoords(Entity e) {
    Begin(nh::GET_ENTITY_COORDS);
    PushU32(e);
    PushInt(1);
    PushInt(0);
    return ResultVec3(Call());
}
float EntityHeading(Entity e) { return ResultFloat(Call1(nh::GET_ENTITY_HEADING, e)); }
bool IsPedInCombat(Ped p) { return ResultBool(Call2(nh::IS_PED_IN_COMBAT, p, 0)); }
bool IsPedInAnyVehicle(Ped p) { return ResultBool(Call2(nh::IS_PED_IN_ANY_VEHICLE, p, 0)); }
bool CanPedPerceive(Ped observer, Ped target) {
    return ResultBool(Call2Flags(nh::CAN_PED_PERCEIVE_PED, observer, target, 0, 1));
}
bool HasClearLineOfSight(Entity from, Entity to) {
    Begin(nh::HAS_CLEAR_LOS_TO_ENTITY);
    PushU32(from);
    PushU32(to);
    PushInt(17);
    return ResultBool(Call());
}
int32_t NearbyPeds(Ped ped, uint64_t (&slots)[65]) {
    Begin(nh::GET_PED_NEARBY_PEDS);
    PushU32(ped);
    PushPtr(slots);
    PushInt(-1);
    PushInt(-1);
    return ResultInt(Call());
}

// World and geometry
float DistanceBetween(const Vec3& a, const Vec3& b) {
    Begin(nh::GET_DISTANCE_BETWEEN_COORDS);
    PushXYZ(a.x, a.y, a.z);
    PushXYZ(b.x, b.y, b.z);
    PushInt(1);
    return ResultFloat(Call());
}
bool GroundHeight(float x, float y, float z, float* outHeight) {
    Begin(nh::GET_GROUND_Z_FOR_3D_COORD);
    PushXYZ(x, y, z);
    PushPtr(outHeight);
    PushInt(0);
    return ResultBool(Call());
}
bool SafeCoordForPed(float x, float y, float z, Vec3* outPoint, int32_t flags) {
    Begin(nh::GET_SAFE_COORD_FOR_PED);
    PushXYZThenInt(x, y, z, 1);
    PushPtr(outPoint);
    PushInt(flags);
    return ResultBool(Call());
}
bool WaterHeight(float x, float y, float z, float* outHeight) {
    Begin(nh::GET_WATER_HEIGHT);
    PushXYZ(x, y, z);
    PushPtr(outHeight);
    return ResultBool(Call());
}
int32_t CreateBoxVolume(float x, float y, float z) {
    constexpr float Side = 2500.0f;
    Begin(nh::CREATE_BOX_VOLUME);
    PushXYZ(x, y, z);
    PushXYZ(0.0f, 0.0f, 0.0f); // rotation
    PushXYZ(Side, Side, Side); // size
    return ResultInt(Call());
}
uint64_t CreateEventMarker(int32_t volume) {
    return Call1(nh::CREATE_EVENT_MARKER, static_cast<uint32_t>(volume))[0];
}
void RemoveEventMarker(uint64_t marker) {
    Begin(nh::REMOVE_EVENT_MARKER);
    PushU64(marker);
    Call();
}

// Models, creation and deletion
bool IsModelValid(Hash model) { return ResultBool(Call1(nh::IS_MODEL_VALID, model)); }
void RequestModel(Hash model) { Call2(nh::REQUEST_MODEL, model, 0); }
bool HasModelLoaded(Hash model) { return ResultBool(Call1(nh::HAS_MODEL_LOADED, model)); }
void ReleaseModel(Hash model) { Call1(nh::SET_MODEL_AS_NO_LONGER_NEEDED, model); }
Ped CreatePed(Hash model, float x, float y, float z, float heading) {
    Begin(nh::CREATE_PED);
    PushU32(model);
    PushXYZ(x, y, z);
    PushFloat(heading);
    PushFourInts(0, 0, 0, 0);
    return ResultU32(Call());
}
void MarkOwnedByScript(Entity e) { EntityCall3(nh::SET_ENTITY_AS_MISSION_ENTITY, e, 1); }
void RandomOutfit(Ped p) { Call2(nh::SET_RANDOM_OUTFIT_VARIATION, p, 1); }
void RefreshAppearance(Ped p) {
    Begin(nh::UPDATE_PED_VARIATION);
    PushU32(p);
    PushFourInts(1, 1, 1, 1);
    PushInt(0);
    Call();
}
void FinishAppearance(Ped p) { Call2(nh::FINISH_PED_APPEARANCE, p, 1); }
void ApplyHorsePreset(Ped horse) {
    constexpr Hash HorsePreset = 0x4B96E611;
    Call2(nh::APPLY_HORSE_PRESET, horse, HorsePreset);
}
void SetEntityCoords(Entity e, float x, float y, float z) {
    Begin(nh::SET_ENTITY_COORDS);
    PushU32(e);
    PushXYZThenA0BC(x, y, z, 1, 1, 1);
    Call();
}
void DeleteEntity(Entity* handle) {
    Begin(nh::DELETE_ENTITY);
    PushPtr(handle);
    Call();
}

// Weapons
void RemoveAllWeapons(Ped p) { EntityCall3(nh::REMOVE_ALL_PED_WEAPONS, p, 1); }
void GiveWeapon(Ped p, Hash weapon, int32_t ammo, bool inHand, bool inHolster, Hash reason) {
    Begin(nh::GIVE_WEAPON_TO_PED);
    PushU32(p);
    PushU32(weapon);
    PushInt(ammo);
    PushInt(inHand ? 1 : 0);
    PushInt(inHolster ? 1 : 0);
    PushInt(0);
    PushInt(0);
    PushFloat(1.0f);
    PushInt(0);
    PushU32(reason);
    PushInt(1);
    PushInt(0);
    PushInt(0);
    Call();
}
void SetPedAmmo(Ped p, Hash weapon, int32_t ammo) {
    Begin(nh::SET_PED_AMMO);
    PushU32(p);
    PushU32(weapon);
    PushInt(ammo);
    Call();
}

// Orders and behaviour
void SetPathCanUseClimbovers(Ped p) { Call2(nh::SET_PED_PATH_CAN_USE_CLIMBOVERS, p, 1); }
void SetPathCanUseLadders(Ped p) { Call2(nh::SET_PED_PATH_CAN_USE_LADDERS, p, 1); }
void BlockNonTemporaryEvents(Ped p) { Call2(nh::SET_BLOCKING_OF_EVENTS, p, 1); }
void TaskCombatPed(Ped p, Ped target) { Call2Flags(nh::TASK_COMBAT_PED, p, target, 0, 0); }
void KeepTask(Ped p) { Call2(nh::SET_PED_KEEP_TASK, p, 1); }
void ClearTasks(Ped p, int32_t flag) { EntityCall3(nh::CLEAR_PED_TASKS, p, flag); }
void TaskFollowAtOffset(Ped p, Entity target, float dx, float dy, float dz, float speed,
                        int32_t timeoutMs, float stoppingRange) {
    Begin(nh::TASK_FOLLOW_TO_OFFSET);
    PushU32(p);
    PushU32(target);
    PushXYZ(dx, dy, dz);
    PushFloat(speed);
    PushInt(timeoutMs);
    PushFloat(stoppingRange);
    PushInt(1);
    PushInt(0);
    PushFourInts(0, 0, 0, 0);
    Call();
}
void TaskFlee(Ped p, Ped target, float distance, float speed, Ped other) {
    Begin(nh::TASK_FLEE_PED);
    PushU32(p);
    PushU32(target);
    PushFloat(distance);
    PushInt(-1);
    PushInt(0);
    PushFloat(speed);
    PushU32(other);
    Call();
}
void TaskSecondStagePursuit(Ped p, Ped target) {
    Begin(nh::TASK_SECOND_STAGE_PURSUIT);
    PushU32(p);
    PushU32(target);
    PushFourInts(0, 0, 0, 0);
    Call();
}
void TaskDismount(Ped p, Ped player) {
    Begin(nh::TASK_DISMOUNT);
    PushU32(p);
    PushFourInts(0, 0, 0, 0);
    PushU32(player);
    Call();
}

// Mounts
bool IsPedOnMount(Ped p) { return ResultBool(Call1(nh::IS_PED_ON_MOUNT, p)); }
Ped MountOf(Ped p) { return ResultU32(Call1(nh::GET_MOUNT, p)); }
Ped RiderOfMount(Ped mount) { return ResultU32(Call2(nh::GET_RIDER_OF_MOUNT, mount, 0)); }
bool IsMountSeatFree(Ped mount) { return ResultBool(Call2(nh::IS_MOUNT_SEAT_FREE, mount, 0)); }
void PutPedOnMount(Ped rider, Ped mount) { Call2Flags(nh::SET_PED_ONTO_MOUNT, rider, mount, 0, 0); }

// Blips
Blip AddBlipForEntity(Hash style, Entity e) {
    return ResultU32(Call2(nh::ADD_BLIP_FOR_ENTITY, style, e));
}
void BlipAddModifier(Blip b, Hash modifier) { Call2(nh::BLIP_ADD_MODIFIER, b, modifier); }
void SetBlipName(Blip b, const char* name) {
    Begin(nh::SET_BLIP_NAME);
    PushU32(b);
    PushPtr(name);
    Call();
}
bool EntityHasBlip(Entity e) { return ResultBool(Call1(nh::DOES_ENTITY_HAVE_BLIP, e)); }
Blip BlipOfEntity(Entity e) { return ResultU32(Call1(nh::GET_BLIP_FROM_ENTITY, e)); }
void BlipReleaseStep(Blip b) { Call1(nh::BLIP_RELEASE_STEP, b); }
void RemoveBlip(Blip* blip) {
    Begin(nh::REMOVE_BLIP);
    PushPtr(blip);
    Call();
}

// On-screen text
uint64_t LiteralText(const char* text) {
    static const char Kind[] = "LITERAL_STRING";
    Begin(nh::CREATE_VAR_STRING);
    PushInt(10);
    PushPtr(Kind);
    PushPtr(text);
    return Call()[0];
}
void SetNoticeText(uint64_t textHandle) {
    Begin(nh::SET_NOTICE_TEXT);
    PushU64(textHandle);
    Call();
}
void ShowNoticeNow() { Call0(nh::SHOW_NOTICE); }

// Names
Hash HashKey(const char* name) {
    Begin(nh::GET_HASH_KEY);
    PushPtr(name);
    return ResultU32(Call());
}

} // namespace game
