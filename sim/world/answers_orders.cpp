// The answers to the plug-in's orders: fight, follow, flee, pursue, dismount, and the flags that
// keep a ped on its task.
#include "natives/native_hashes.h"
#include "world/native_answers.h"

namespace {

void StartTask(World& w, SimPed* p, TaskKind kind, Ped target) {
    if (!p || p->isPlayer) return;
    p->task = kind;
    p->target = target;
    p->taskStartMs = w.timerMs;
}

void CombatPed(World& w, Args a, uint64_t*) {
    SimPed* p = FindPed(w, a.U(0));
    if (!p || DeadOrDying(w, p)) return;
    StartTask(w, p, TaskKind::Combat, a.U(1));
    if (!p->engaged && p->fromPlugin && a.U(1) == w.playerPed) {
        p->engaged = true;
        WorldLog(w, "engaged",
                 std::string(p->kind == ModelKind::Dog ? "dog " : "hunter ") +
                     std::to_string(p->handle) + " engages the player",
                 "\"ped\":" + std::to_string(p->handle));
    }
}

void FollowToOffset(World& w, Args a, uint64_t*) {
    SimPed* p = FindPed(w, a.U(0));
    if (!p || DeadOrDying(w, p)) return;
    StartTask(w, p, TaskKind::Follow, a.U(1));
    p->offset = {a.F(2), a.F(3), a.F(4)};
    p->speed = a.F(5);
    p->timeoutMs = a.I(6);
    p->stopRange = a.F(7);
}

void FleePed(World& w, Args a, uint64_t*) {
    SimPed* p = FindPed(w, a.U(0));
    if (!p || DeadOrDying(w, p)) return;
    StartTask(w, p, TaskKind::Flee, a.U(1));
    p->fleeDistance = a.F(2);
    if (p->fromPlugin && p->kind != ModelKind::Horse)
        WorldLog(w, "gave_up", "hunter " + std::to_string(p->handle) + " gives up and flees",
                 "\"ped\":" + std::to_string(p->handle));
}

void Dismount(World& w, Args a, uint64_t*) {
    SimPed* p = FindPed(w, a.U(0));
    if (!p || !p->mount) return;
    SimPed* m = FindPed(w, p->mount);
    if (m && m->rider == p->handle) m->rider = 0;
    p->mount = 0;
    p->pos.x += 1.5;
    p->pos.z = GroundHeight(w, p->pos.x, p->pos.y);
    p->task = TaskKind::None;
}

const NativeAnswer Orders[] = {
    {nh::SET_PED_PATH_CAN_USE_CLIMBOVERS, NoAnswer},
    {nh::SET_PED_PATH_CAN_USE_LADDERS, NoAnswer},
    {nh::SET_BLOCKING_OF_EVENTS,
     [](World& w, Args a, uint64_t*) {
         if (SimPed* p = FindPed(w, a.U(0))) p->blockEvents = a.I(1) != 0;
     }},
    {nh::TASK_COMBAT_PED, CombatPed},
    {nh::SET_PED_KEEP_TASK,
     [](World& w, Args a, uint64_t*) {
         if (SimPed* p = FindPed(w, a.U(0))) p->keepTask = a.I(1) != 0;
     }},
    {nh::CLEAR_PED_TASKS,
     [](World& w, Args a, uint64_t*) {
         if (SimPed* p = FindPed(w, a.U(0)); p && !p->isPlayer) p->task = TaskKind::None;
     }},
    {nh::TASK_FOLLOW_TO_OFFSET, FollowToOffset},
    {nh::TASK_FLEE_PED, FleePed},
    {nh::TASK_SECOND_STAGE_PURSUIT,
     [](World& w, Args a, uint64_t*) {
         SimPed* p = FindPed(w, a.U(0));
         if (!p || DeadOrDying(w, p)) return;
         StartTask(w, p, TaskKind::Pursue, a.U(1));
     }},
    {nh::TASK_DISMOUNT, Dismount},
};

} // namespace

std::span<const NativeAnswer> OrderAnswers() {
    return Orders;
}
