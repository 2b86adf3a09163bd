// The game's hostile answers, for the fault option world.faults.hostile_answers: a share of the
// position, ground and handle queries answered as a real game sometimes answers them (a ped
// streaming out at NaN or 1e30, a ground probe that fails, a mount that is the ped itself, a
// handle that is gone for one call, a nearby-ped count beyond the buffer). Applied after the
// sane answer, with the fault generator only, so a world without the option answers as before.
#include <cmath>
#include <cstring>
#include <limits>

#include "natives/native_hashes.h"
#include "world/native_answers.h"
#include "world/world_story.h"

namespace {

float HostileFloat(World& w) {
    static constexpr float Values[] = {std::numeric_limits<float>::quiet_NaN(),
                                       std::numeric_limits<float>::infinity(),
                                       -std::numeric_limits<float>::infinity(), 1e30f, -1e30f};
    return Values[w.faultRng.Below(static_cast<int>(std::size(Values)))];
}

// One coordinate or all three of a Vec3 in its slots (three floats, 8 bytes apart).
void SpoilVec(World& w, void* dst) {
    char* d = static_cast<char*>(dst);
    const int only = w.faultRng.Below(4); // 3: all of them
    for (int i = 0; i < 3; ++i) {
        if (only != 3 && only != i) continue;
        const float f = HostileFloat(w);
        std::memcpy(d + 8 * i, &f, sizeof f);
    }
}

// A probe that fails, or one that succeeds with a hostile height.
void SpoilProbe(World& w, float* out, uint64_t* r) {
    if (w.faultRng.Chance(0.5)) {
        r[0] = 0;
        return;
    }
    if (!out) return;
    *out = HostileFloat(w);
    r[0] = 1;
}

} // namespace

void SpoilAnswer(World& w, uint64_t hash, Args a, uint64_t* r) {
    switch (hash) {
    case nh::GET_ENTITY_COORDS:
    case nh::GET_ENTITY_HEADING:
    case nh::GET_DISTANCE_BETWEEN_COORDS:
    case nh::GET_GROUND_Z_FOR_3D_COORD:
    case nh::GET_SAFE_COORD_FOR_PED:
    case nh::GET_WATER_HEIGHT:
    case nh::DOES_ENTITY_EXIST:
    case nh::PLAYER_PED_ID:
    case nh::GET_MOUNT:
    case nh::GET_RIDER_OF_MOUNT:
    case nh::GET_PED_NEARBY_PEDS:
        break;
    default:
        return;
    }
    if (!w.faultRng.Chance(w.opt.faults.hostileAnswers)) return;
    Tally(w, &WorldCounters::hostileAnswers);
    switch (hash) {
    case nh::GET_ENTITY_COORDS:
        SpoilVec(w, r);
        break;
    case nh::GET_ENTITY_HEADING:
    case nh::GET_DISTANCE_BETWEEN_COORDS:
        SetFloat(r, HostileFloat(w));
        break;
    case nh::GET_GROUND_Z_FOR_3D_COORD:
    case nh::GET_WATER_HEIGHT:
        SpoilProbe(w, a.P<float>(3), r);
        break;
    case nh::GET_SAFE_COORD_FOR_PED:
        if (w.faultRng.Chance(0.5) || !a.P<void>(4)) {
            r[0] = 0;
        } else {
            SpoilVec(w, a.P<void>(4));
            r[0] = 1;
        }
        break;
    case nh::DOES_ENTITY_EXIST: // gone for this one call
    case nh::PLAYER_PED_ID:
        r[0] = 0;
        break;
    case nh::GET_MOUNT: // the ped itself, or the player
    case nh::GET_RIDER_OF_MOUNT:
        r[0] = w.faultRng.Chance(0.5) ? a.U(0) : w.playerPed;
        break;
    case nh::GET_PED_NEARBY_PEDS: // a count beyond the buffer it was given
        r[0] = static_cast<uint32_t>(static_cast<int32_t>(r[0]) + 1000);
        break;
    default:
        break;
    }
}
