// The entity table the table hosts share and the natives they answer from it, written once so
// the recording test host and the bench host cannot answer the same native differently.
#include "hostkit/entity_table.h"

#include <cmath>

#include "hostkit/name_hash.h"
#include "hostkit/slots.h"
#include "natives/native_hashes.h"

namespace {

// The natives that read one flag of the entity; `ofLiving` ones read false for a deleted one.
struct FlagAnswer {
    uint64_t hash;
    bool HostEntity::*flag;
    bool ofLiving;
};

constexpr FlagAnswer FlagAnswers[] = {
    {nh::DOES_ENTITY_EXIST, &HostEntity::exists, false},
    {nh::IS_ENTITY_A_PED, &HostEntity::isPed, true},
    {nh::IS_PED_HUMAN, &HostEntity::human, true},
    {nh::IS_ENTITY_DEAD, &HostEntity::dead, false},
    {nh::IS_PED_DEAD_SECOND_CHECK, &HostEntity::dead, false},
    {nh::IS_PED_IN_COMBAT, &HostEntity::inCombat, false},
    {nh::IS_PED_IN_ANY_VEHICLE, &HostEntity::inVehicle, false},
    {nh::CAN_PED_PERCEIVE_PED, &HostEntity::canSeePlayer, false},
    {nh::HAS_CLEAR_LOS_TO_ENTITY, &HostEntity::canSeePlayer, false},
    {nh::IS_PED_ON_MOUNT, &HostEntity::onMount, false},
    {nh::DOES_ENTITY_HAVE_BLIP, &HostEntity::hasBlip, false},
};

// The natives that read one whole number the host keeps for the clock or the player.
struct NumberAnswer {
    uint64_t hash;
    int32_t TablePlayer::*number;
};

constexpr NumberAnswer NumberAnswers[] = {
    {nh::GET_CLOCK_YEAR, &TablePlayer::year},        {nh::GET_CLOCK_MONTH, &TablePlayer::month},
    {nh::GET_CLOCK_DAY_OF_MONTH, &TablePlayer::day}, {nh::GET_CLOCK_HOURS, &TablePlayer::hour},
    {nh::GET_CLOCK_MINUTES, &TablePlayer::minute},   {nh::PLAYER_ID, &TablePlayer::playerIndex},
    {nh::GET_PLAYER_BOUNTY, &TablePlayer::bounty},
};

// The clock's timer, the player's ped, bounty and mission.
bool AnswerPlayer(uint64_t hash, const uint64_t* args, size_t count, TablePlayer& player,
                  uint64_t& r) {
    auto arg = [&](size_t i) { return i < count ? args[i] : uint64_t{0}; };
    switch (hash) {
    case nh::GET_GAME_TIMER:
        r = player.timerMs;
        break;
    case nh::PLAYER_PED_ID:
        r = player.playerPed;
        break;
    case nh::SET_PLAYER_BOUNTY:
        player.bounty = SlotInt(arg(1));
        r = 0;
        break;
    case nh::IS_MISSION_ACTIVE:
        r = player.missionActive;
        break;
    default:
        return false;
    }
    return true;
}

// What the entity table knows of one entity (e, the first argument's), its mount and rider.
bool AnswerEntity(uint64_t hash, const uint64_t* args, size_t count, FindHostEntity find,
                  HostEntity* e, uint64_t* result) {
    auto arg = [&](size_t i) { return i < count ? args[i] : uint64_t{0}; };
    uint64_t& r = result[0];
    switch (hash) {
    case nh::IS_PED_DEAD_OR_DYING:
        r = e && (e->deadOrDying || e->dead);
        break;
    case nh::GET_ENTITY_MODEL:
        r = e ? e->model : 0;
        break;
    case nh::GET_ENTITY_COORDS: {
        const Vec3 p = e ? e->pos : Vec3{};
        WriteVec3Slots(result, p.x, p.y, p.z);
        break;
    }
    case nh::GET_ENTITY_HEADING:
        r = FloatSlot(e ? e->heading : 0.0f);
        break;
    case nh::GET_MOUNT:
        r = e ? e->mount : 0;
        break;
    case nh::GET_RIDER_OF_MOUNT:
        r = e ? e->rider : 0;
        break;
    case nh::IS_MOUNT_SEAT_FREE:
        r = e && e->rider == 0;
        break;
    case nh::SET_PED_ONTO_MOUNT: {
        HostEntity* horse = find(SlotU32(arg(1)));
        if (e && horse) {
            e->onMount = true;
            e->mount = SlotU32(arg(1));
            horse->rider = SlotU32(args[0]);
        }
        r = 0;
        break;
    }
    case nh::DELETE_ENTITY: {
        // The handle comes by pointer; the host zeroes it.
        uint32_t* handle = SlotPointer<uint32_t>(arg(0));
        if (HostEntity* gone = find(*handle)) gone->exists = false;
        *handle = 0;
        r = 0;
        break;
    }
    default:
        return false;
    }
    return true;
}

// Geometry and the answers every table host gives alike beyond its entities.
bool AnswerFixed(uint64_t hash, const uint64_t* args, size_t count, uint64_t& r) {
    auto arg = [&](size_t i) { return i < count ? args[i] : uint64_t{0}; };
    switch (hash) {
    case nh::GET_DISTANCE_BETWEEN_COORDS: {
        const float dx = SlotFloat(arg(0)) - SlotFloat(arg(3));
        const float dy = SlotFloat(arg(1)) - SlotFloat(arg(4));
        const float dz = SlotFloat(arg(2)) - SlotFloat(arg(5));
        r = FloatSlot(std::sqrt(dx * dx + dy * dy + dz * dz));
        break;
    }
    case nh::GET_WATER_HEIGHT:
        r = 0; // no water anywhere
        break;
    case nh::HAS_MODEL_LOADED:
        r = 1;
        break;
    case nh::REMOVE_BLIP:
        *SlotPointer<uint32_t>(arg(0)) = 0;
        r = 0;
        break;
    case nh::GET_HASH_KEY:
        r = GameNameHash(SlotPointer<const char>(arg(0)));
        break;
    case nh::CREATE_EVENT_MARKER:
        r = 0x1234567800000001ull;
        break;
    case nh::CREATE_BOX_VOLUME:
        r = 77;
        break;
    default:
        return false;
    }
    return true;
}

} // namespace

bool AnswerTableNative(uint64_t hash, const uint64_t* args, size_t count, FindHostEntity find,
                       TablePlayer& player, uint64_t* result) {
    HostEntity* e = count > 0 ? find(SlotU32(args[0])) : nullptr;
    uint64_t& r = result[0];
    for (const FlagAnswer& answer : FlagAnswers) {
        if (answer.hash != hash) continue;
        r = e && (e->exists || !answer.ofLiving) && e->*answer.flag;
        return true;
    }
    for (const NumberAnswer& answer : NumberAnswers) {
        if (answer.hash != hash) continue;
        r = static_cast<uint32_t>(player.*answer.number);
        return true;
    }
    return AnswerPlayer(hash, args, count, player, r) ||
           AnswerEntity(hash, args, count, find, e, result) || AnswerFixed(hash, args, count, r);
}
