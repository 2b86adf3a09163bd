// The answers about entities: whether one exists and what it is, its model, place, heading,
// life and fight, what it can see, the peds near it, and who rides which horse.
#include <algorithm>

#include "natives/native_hashes.h"
#include "world/native_answers.h"

namespace {

bool FullyDead(const World& w, const SimPed* p) {
    if (!p) return false;
    if (p->isPlayer) return w.playerDead;
    return p->dying && w.timerMs - p->diedAtMs >= 1500;
}

void AnswerFullyDead(World& w, Args a, uint64_t* r) {
    r[0] = FullyDead(w, PeekPed(w, a.U(0))) ? 1 : 0;
}

const NativeAnswer EntityQueries[] = {
    {nh::DOES_ENTITY_EXIST, AnswerExists},
    {nh::IS_ENTITY_A_PED, AnswerExists},
    {nh::IS_PED_HUMAN,
     [](World& w, Args a, uint64_t* r) {
         const SimPed* p = PeekPed(w, a.U(0));
         r[0] = p && p->kind == ModelKind::Human ? 1 : 0;
     }},
    {nh::IS_ENTITY_DEAD, AnswerFullyDead},
    {nh::IS_PED_DEAD_OR_DYING,
     [](World& w, Args a, uint64_t* r) { r[0] = DeadOrDying(w, PeekPed(w, a.U(0))) ? 1 : 0; }},
    {nh::IS_PED_DEAD_SECOND_CHECK, AnswerFullyDead},
    {nh::GET_ENTITY_MODEL,
     [](World& w, Args a, uint64_t* r) {
         const SimPed* p = PeekPed(w, a.U(0));
         r[0] = p ? p->model : 0;
     }},
    {nh::IS_MODEL_A_HORSE,
     [](World& w, Args a, uint64_t* r) {
         const Hash model = a.U(0);
         if ((w.horseModelBits >> (model % 32) & 1) == 0) return; // no horse has its bit
         const std::vector<Hash>& horses = w.horseModels;
         r[0] = std::find(horses.begin(), horses.end(), model) != horses.end() ? 1 : 0;
     }},
    {nh::GET_ENTITY_COORDS,
     [](World& w, Args a, uint64_t* r) {
         const SimPed* p = LocatePed(w, a.U(0));
         SetVec(r, p ? p->pos : Point3{});
     }},
    {nh::GET_ENTITY_HEADING,
     [](World& w, Args a, uint64_t* r) {
         const SimPed* p = FindPed(w, a.U(0));
         SetFloat(r, p ? static_cast<float>(p->heading) : 0.0f);
     }},
    {nh::IS_PED_IN_COMBAT,
     [](World& w, Args a, uint64_t* r) {
         const SimPed* p = PeekPed(w, a.U(0));
         const SimPed* t = p ? PeekPed(w, p->target) : nullptr;
         r[0] = p && !DeadOrDying(w, p) &&
                        (p->task == TaskKind::Combat || p->task == TaskKind::Pursue) && t &&
                        !DeadOrDying(w, t)
                    ? 1
                    : 0;
     }},
    {nh::IS_PED_IN_ANY_VEHICLE,
     [](World& w, Args a, uint64_t* r) {
         r[0] = a.U(0) == w.playerPed && w.playerInVehicle ? 1 : 0;
     }},
    {nh::CAN_PED_PERCEIVE_PED,
     [](World& w, Args a, uint64_t* r) {
         const SimPed* o = FindPed(w, a.U(0));
         const SimPed* t = FindPed(w, a.U(1));
         r[0] = o && t && !DeadOrDying(w, o) && Perceives(w, *o, *t) ? 1 : 0;
     }},
    {nh::HAS_CLEAR_LOS_TO_ENTITY,
     [](World& w, Args a, uint64_t* r) {
         const SimPed* o = LocatePed(w, a.U(0));
         const SimPed* t = LocatePed(w, a.U(1));
         r[0] = o && t && ClearLineOfSight(w, *o, *t) ? 1 : 0;
     }},
    {nh::GET_PED_NEARBY_PEDS,
     [](World& w, Args a, uint64_t* r) {
         uint64_t* slots = a.P<uint64_t>(1);
         if (!slots) return;
         const int capacity = std::clamp(static_cast<int>(static_cast<int32_t>(slots[0])), 0, 64);
         Ped found[64];
         const int n = NearbyPeds(w, a.U(0), found, capacity);
         for (int i = 0; i < n; ++i)
             slots[1 + i] = found[i];
         r[0] = static_cast<uint32_t>(n);
     }},
};

const NativeAnswer Mounts[] = {
    {nh::IS_PED_ON_MOUNT,
     [](World& w, Args a, uint64_t* r) {
         const SimPed* p = PeekPed(w, a.U(0));
         r[0] = p && p->mount && Exists(w, p->mount) ? 1 : 0;
     }},
    {nh::GET_MOUNT,
     [](World& w, Args a, uint64_t* r) {
         const SimPed* p = PeekPed(w, a.U(0));
         r[0] = p && Exists(w, p->mount) ? p->mount : 0;
     }},
    {nh::GET_RIDER_OF_MOUNT,
     [](World& w, Args a, uint64_t* r) {
         const SimPed* p = PeekPed(w, a.U(0));
         r[0] = p && Exists(w, p->rider) ? p->rider : 0;
     }},
    {nh::IS_MOUNT_SEAT_FREE,
     [](World& w, Args a, uint64_t* r) {
         const SimPed* p = PeekPed(w, a.U(0));
         r[0] = p && p->kind == ModelKind::Horse && !Exists(w, p->rider) ? 1 : 0;
     }},
    {nh::SET_PED_ONTO_MOUNT,
     [](World& w, Args a, uint64_t*) {
         SimPed* rider = FindPed(w, a.U(0));
         SimPed* mount = FindPed(w, a.U(1));
         if (!rider || !mount || mount->kind != ModelKind::Horse || Exists(w, mount->rider) ||
             DeadOrDying(w, rider) || DeadOrDying(w, mount))
             return;
         if (SimPed* old = FindPed(w, rider->mount)) old->rider = 0;
         mount->rider = rider->handle;
         rider->mount = mount->handle;
         rider->pos = mount->pos;
     }},
};

} // namespace

std::span<const NativeAnswer> EntityQueryAnswers() {
    return EntityQueries;
}
std::span<const NativeAnswer> MountAnswers() {
    return Mounts;
}
