// The entity record of the table hosts (the recording test host, the bench host) and the
// answers they share: every native that only reads or edits entities, and a few fixed ones.
#pragma once
#include <cstddef>
#include <cstdint>

#include "natives/types.h"

struct HostEntity {
    bool exists = true;
    bool isPed = true;
    bool human = true;
    bool dead = false;        // IS_ENTITY_DEAD and the second death check
    bool deadOrDying = false; // IS_PED_DEAD_OR_DYING (a dead entity is that too)
    bool inCombat = false;
    bool inVehicle = false;
    bool onMount = false;
    bool canSeePlayer = true; // perception and line of sight toward anyone
    bool hasBlip = false;
    Ped mount = 0;
    Ped rider = 0;
    Hash model = 0;
    Vec3 pos;
    float heading = 0.0f;
};

// The clock, the game timer and the player as a table host keeps them.
struct TablePlayer {
    uint32_t timerMs = 100000;
    int32_t year = 1899, month = 5, day = 10, hour = 12, minute = 0;
    Ped playerPed = 1;
    PlayerIndex playerIndex = 0;
    int32_t bounty = 0;
    bool missionActive = false;
};

// The host's entity under a handle, or nullptr when it has none.
using FindHostEntity = HostEntity* (*)(uint32_t handle);

// When `hash` is one of the entity natives (existence, kind, death, model, position, heading,
// combat, vehicle, sight, mounts, distance, deletion), of the clock, timer and player natives
// (from `player`), or one every table host answers alike (no water, every model loaded, blip
// removal, the name hash, fixed marker and volume handles), answers it: fills the result slots (a
// vector takes three) and returns true. `args` holds the `count` pushed slots; a slot not pushed
// reads as 0. Any other native: false, nothing written.
bool AnswerTableNative(uint64_t hash, const uint64_t* args, size_t count, FindHostEntity find,
                       TablePlayer& player, uint64_t* result);
