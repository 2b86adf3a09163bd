// The answers that make and unmake peds: model requests and loading (with the faults a scenario
// can ask for), creation, placement, deletion and weapons.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "natives/native_hashes.h"
#include "world/native_answers.h"
#include "world/world_story.h"

namespace {

constexpr uint32_t StuckModelMs = 10000;

void Delete(World& w, Entity h) {
    SimPed* p = FindPed(w, h);
    if (!p) return;
    if (p->isPlayer || h == w.playerHorse) {
        WorldLog(w, "anomaly", "plug-in tried to delete the player's own ped or horse");
        return;
    }
    if (WorldStory* story = w.story; story && h == story->takenHorse.horse) {
        if (story->pluginUnloading)
            story->takenHorse.deletedAtUnload = true;
        else
            story->takenHorse.deleted = true;
    }
    Tally(w, &WorldCounters::deletions);
    if (p->fromPlugin) {
        char buf[200];
        std::snprintf(buf, sizeof buf, "despawned %u (%s)", h, ModelName(w, p->model).c_str());
        WorldLog(w, "despawned", buf, "\"ped\":" + std::to_string(h));
        if (w.story) w.story->events.back().ped = h;
    }
    RemoveEntity(w, h);
}

bool ModelLoaded(World& w, Hash model) {
    auto it = w.modelRequestedAt.find(model);
    if (it == w.modelRequestedAt.end()) return false;
    if (w.modelStuck[model]) return false;
    return w.timerMs - it->second >= static_cast<uint32_t>(std::max(0, w.opt.modelLoadWaits) * 10);
}

void RequestModel(World& w, Args a, uint64_t*) {
    const Hash m = a.U(0);
    // A stuck request gives up after a while; the next request starts afresh.
    auto stuck = w.modelStuck.find(m);
    if (stuck != w.modelStuck.end() && w.timerMs - w.modelRequestedAt[m] >= StuckModelMs) {
        w.modelStuck.erase(stuck);
        w.modelRequestedAt.erase(m);
    }
    if (!w.modelRequestedAt.count(m)) {
        w.modelRequestedAt[m] = w.timerMs;
        if (w.opt.faults.modelNeverLoads > 0 && w.faultRng.Chance(w.opt.faults.modelNeverLoads)) {
            w.modelStuck[m] = true;
            Tally(w, &WorldCounters::modelsStuck);
        }
    }
}

void CreatePed(World& w, Args a, uint64_t* r) {
    const Hash m = a.U(0);
    if (!w.models.count(m) || !ModelLoaded(w, m)) return;
    const int ordinal = ++w.createAttempts;
    const auto& aimed = w.opt.faults.failCreations;
    if (std::find(aimed.begin(), aimed.end(), ordinal) != aimed.end()) {
        Tally(w, &WorldCounters::createFailures);
        return;
    }
    if (w.opt.faults.createFailure > 0 && w.faultRng.Chance(w.opt.faults.createFailure)) {
        Tally(w, &WorldCounters::createFailures);
        return;
    }
    {
        const double x = a.F(1), y = a.F(2), z = a.F(3);
        double surface = 0;
        if (WaterAt(w, x, y, &surface) && z - surface < 1.0)
            Tally(w, &WorldCounters::placedInWater);
        if (z - GroundHeight(w, x, y) > 1.25 + 1e-3) Tally(w, &WorldCounters::placedAboveGround);
        if (const SimPed* player = LocatePed(w, w.playerPed))
            if (z > player->pos.z + 3.0 + 1e-3) Tally(w, &WorldCounters::placedAbovePlayer);
    }
    const Ped h = CreatePluginPed(w, m, {a.F(1), a.F(2), a.F(3)}, a.F(4));
    SimPed& p = *FindPed(w, h);
    const char* kind =
        p.kind == ModelKind::Horse ? "horse" : (p.kind == ModelKind::Dog ? "dog" : "human");
    Tally(w, &WorldCounters::pedsByModel, ModelName(w, m));
    Tally(w, &WorldCounters::pedsByKind, kind);
    // A handle handed out again within the pass names only the new entity.
    if (w.story) {
        std::vector<Ped>& created = w.story->createdThisPass;
        created.erase(std::remove(created.begin(), created.end(), h), created.end());
        created.push_back(h);
    }
    char buf[200];
    std::snprintf(buf, sizeof buf, "created %s %u (%s) at (%.1f, %.1f)", kind, h,
                  ModelName(w, m).c_str(), p.pos.x, p.pos.y);
    char js[200];
    std::snprintf(js, sizeof js,
                  "\"ped\":%u,\"model\":\"%s\",\"kind\":\"%s\",\"x\":%.2f,\"y\":%.2f,\"z\":%.2f", h,
                  ModelName(w, m).c_str(), kind, p.pos.x, p.pos.y, p.pos.z);
    WorldLog(w, "ped_created", buf, js);
    r[0] = h;
}

const NativeAnswer Models[] = {
    {nh::IS_MODEL_VALID,
     [](World& w, Args a, uint64_t* r) {
         r[0] = (w.everyModelValid ? a.U(0) != 0 : w.models.count(a.U(0)) != 0) ? 1 : 0;
     }},
    {nh::REQUEST_MODEL, RequestModel},
    {nh::HAS_MODEL_LOADED,
     [](World& w, Args a, uint64_t* r) { r[0] = ModelLoaded(w, a.U(0)) ? 1 : 0; }},
    {nh::SET_MODEL_AS_NO_LONGER_NEEDED,
     [](World& w, Args a, uint64_t*) {
         // A released model must be requested again; a stuck request gets a fresh chance then.
         w.modelRequestedAt.erase(a.U(0));
         w.modelStuck.erase(a.U(0));
     }},
    {nh::CREATE_PED, CreatePed},
    {nh::SET_ENTITY_AS_MISSION_ENTITY,
     [](World& w, Args a, uint64_t*) {
         if (SimPed* p = FindPed(w, a.U(0))) p->owned = true;
     }},
    {nh::SET_RANDOM_OUTFIT_VARIATION, NoAnswer},
    {nh::UPDATE_PED_VARIATION, NoAnswer},
    {nh::FINISH_PED_APPEARANCE, NoAnswer},
    {nh::APPLY_HORSE_PRESET, NoAnswer},
    {nh::SET_ENTITY_COORDS,
     [](World& w, Args a, uint64_t*) {
         SimPed* p = FindPed(w, a.U(0));
         if (!p) return;
         p->pos = {a.F(1), a.F(2), a.F(3)};
         if (SimPed* rd = FindPed(w, p->rider)) rd->pos = p->pos;
         if (SimPed* m = FindPed(w, p->mount)) m->pos = p->pos;
     }},
    {nh::DELETE_ENTITY,
     [](World& w, Args a, uint64_t*) {
         uint32_t* handle = a.P<uint32_t>(0);
         if (!handle) return;
         Delete(w, *handle);
         *handle = 0;
     }},
};

const NativeAnswer Weapons[] = {
    {nh::REMOVE_ALL_PED_WEAPONS,
     [](World& w, Args a, uint64_t*) {
         if (SimPed* p = FindPed(w, a.U(0))) {
             p->weapons.clear();
             p->weaponInHand = 0;
         }
     }},
    {nh::GIVE_WEAPON_TO_PED,
     [](World& w, Args a, uint64_t*) {
         if (SimPed* p = FindPed(w, a.U(0))) {
             p->weapons[a.U(1)] = a.I(2);
             if (a.I(3)) p->weaponInHand = a.U(1);
         }
     }},
    {nh::SET_PED_AMMO,
     [](World& w, Args a, uint64_t*) {
         if (SimPed* p = FindPed(w, a.U(0))) p->weapons[a.U(1)] = a.I(2);
     }},
};

} // namespace

std::span<const NativeAnswer> ModelAnswers() {
    return Models;
}
std::span<const NativeAnswer> WeaponAnswers() {
    return Weapons;
}
