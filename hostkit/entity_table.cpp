#include "hostkit/entity_table.h"

#include <cmath>

#include "hostkit/slots.h"
#include "natives/native_hashes.h"

bool AnswerEntityNative(uint64_t hash, const uint64_t* args, size_t count, FindHostEntity find,
                        uint64_t* result) {
    auto arg = [&](size_t i) { return i < count ? args[i] : uint64_t{0}; };
    HostEntity* e = count > 0 ? find(SlotU32(args[0])) : nullptr;
    uint64_t& r = result[0];
    switch (hash) {
    case nh::DOES_ENTITY_EXIST:
        r = e && e->exists;
        break;
    case nh::IS_ENTITY_A_PED:
        r = e && e->exists && e->isPed;
        break;
    case nh::IS_PED_HUMAN:
        r = e && e->exists && e->human;
        break;
    case nh::IS_ENTITY_DEAD:
    case nh::IS_PED_DEAD_SECOND_CHECK:
        r = e && e->dead;
        break;
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
    case nh::IS_PED_IN_COMBAT:
        r = e && e->inCombat;
        break;
    case nh::IS_PED_IN_ANY_VEHICLE:
        r = e && e->inVehicle;
        break;
    case nh::CAN_PED_PERCEIVE_PED:
    case nh::HAS_CLEAR_LOS_TO_ENTITY:
        r = e && e->canSeePlayer;
        break;
    case nh::IS_PED_ON_MOUNT:
        r = e && e->onMount;
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
    case nh::DOES_ENTITY_HAVE_BLIP:
        r = e && e->hasBlip;
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
    case nh::GET_DISTANCE_BETWEEN_COORDS: {
        const float dx = SlotFloat(arg(0)) - SlotFloat(arg(3));
        const float dy = SlotFloat(arg(1)) - SlotFloat(arg(4));
        const float dz = SlotFloat(arg(2)) - SlotFloat(arg(5));
        r = FloatSlot(std::sqrt(dx * dx + dy * dy + dz * dz));
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
