// The world's answer to every native of the catalogue, and the trace line of each call.
#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "hostkit/slots.h"
#include "natives/native_hashes.h"
#include "world/world.h"

namespace {

constexpr uint32_t StuckModelMs = 10000;

// A catalogue entry with its argument count worked out once.
struct KnownNative {
    const NativeInfo* info = nullptr;
    size_t argCount = 0;
};

const KnownNative* Lookup(uint64_t hash) {
    static const std::unordered_map<uint64_t, KnownNative> index = [] {
        std::unordered_map<uint64_t, KnownNative> m;
        for (const NativeInfo& n : NativeCatalogue)
            m[n.hash] = {&n, std::strlen(n.args)};
        return m;
    }();
    auto it = index.find(hash);
    return it == index.end() ? nullptr : &it->second;
}

struct Args {
    const std::vector<uint64_t>& s;
    int32_t I(size_t i) const { return SlotInt(s[i]); }
    uint32_t U(size_t i) const { return SlotU32(s[i]); }
    float F(size_t i) const { return SlotFloat(s[i]); }
    template <typename T> T* P(size_t i) const { return SlotPointer<T>(s[i]); }
};

void SetFloat(uint64_t* r, float f) {
    r[0] = FloatSlot(f);
}
void SetVec(uint64_t* r, const Point3& p) {
    WriteVec3Slots(r, static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z));
}
void WriteVec(void* dst, const Point3& p) {
    const float v[3] = {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
    char* d = static_cast<char*>(dst);
    for (int i = 0; i < 3; ++i)
        std::memcpy(d + 8 * i, &v[i], sizeof(float));
}

bool Exists(const World& w, Entity h) {
    return FindPed(w, h) != nullptr;
}
bool DeadOrDying(const World& w, const SimPed* p) {
    if (!p) return false;
    if (p->isPlayer) return w.playerDead;
    return p->dying || p->health <= 0;
}
bool FullyDead(const World& w, const SimPed* p) {
    if (!p) return false;
    if (p->isPlayer) return w.playerDead;
    return p->dying && w.timerMs - p->diedAtMs >= 1500;
}

const Landmark* CampHolding(const World& w, const Point3& at) {
    for (const Landmark& l : w.landmarks) {
        const double r = l.town ? 85.0 : 60.0;
        if (std::hypot(at.x - l.x, at.y - l.y) <= r) return &l;
    }
    return nullptr;
}

// Why the plug-in is probably deleting this entity, judged from the world around the player.
std::string DespawnReason(const World& w, const SimPed& p) {
    const SimPed* pl = FindPed(w, w.playerPed);
    if (!w.despawnContext.empty()) return w.despawnContext;
    if (w.playerDead) return "player died";
    if (MissionActive(w)) return "story mission";
    if (pl) {
        if (const Landmark* l = CampHolding(w, pl->pos)) return std::string("shelter: ") + l->name;
        if (std::hypot(p.pos.x - pl->pos.x, p.pos.y - pl->pos.y) > 200.0) return "fell far behind";
    }
    if (p.kind == ModelKind::Horse) return "horse clean-up";
    if (p.dying) return "dead body cleared";
    return "list cap or posse clear-out";
}

void Delete(World& w, Entity h) {
    SimPed* p = FindPed(w, h);
    if (!p) return;
    if (p->isPlayer || h == w.playerHorse) {
        WorldLog(w, "anomaly", "plug-in tried to delete the player's own ped or horse");
        return;
    }
    const std::string why = DespawnReason(w, *p);
    if (h == w.takenHorse) {
        if (w.despawnContext.empty())
            w.takenHorseDeleted = true;
        else
            w.takenHorseDeletedAtUnload = true;
    }
    ++w.counters.deletions;
    ++w.counters.despawnReasons[why];
    if (p->fromPlugin) {
        char buf[200];
        std::snprintf(buf, sizeof buf, "despawned %u (%s): %s", h, ModelName(w, p->model).c_str(),
                      why.c_str());
        WorldLog(w, "despawned", buf,
                 "\"ped\":" + std::to_string(h) + ",\"reason\":\"" + why + "\"");
    }
    RemoveEntity(w, h);
}

void StartTask(World& w, SimPed* p, TaskKind kind, Ped target) {
    if (!p || p->isPlayer) return;
    p->task = kind;
    p->target = target;
    p->taskStartMs = w.timerMs;
}

bool ModelLoaded(World& w, Hash model) {
    auto it = w.modelRequestedAt.find(model);
    if (it == w.modelRequestedAt.end()) return false;
    if (w.modelStuck[model]) return false;
    return w.timerMs - it->second >= static_cast<uint32_t>(std::max(0, w.opt.modelLoadWaits) * 10);
}

void Dispatch(World& w, uint64_t hash, const Args& a, uint64_t* r) {
    switch (hash) {
    // Clock and timer.
    case nh::GET_CLOCK_YEAR:
    case nh::GET_CLOCK_MONTH:
    case nh::GET_CLOCK_DAY_OF_MONTH:
    case nh::GET_CLOCK_HOURS:
    case nh::GET_CLOCK_MINUTES: {
        int y, mo, d, h, mi;
        ClockFields(w, &y, &mo, &d, &h, &mi);
        const int v = hash == nh::GET_CLOCK_YEAR      ? y
                      : hash == nh::GET_CLOCK_MONTH   ? mo
                      : hash == nh::GET_CLOCK_HOURS   ? h
                      : hash == nh::GET_CLOCK_MINUTES ? mi
                                                      : d;
        r[0] = static_cast<uint32_t>(v);
        return;
    }
    case nh::GET_GAME_TIMER:
        r[0] = w.timerMs;
        return;
    // Player, bounty and law.
    case nh::PLAYER_PED_ID:
        r[0] = w.playerPed;
        return;
    case nh::PLAYER_ID:
        r[0] = static_cast<uint32_t>(w.playerIndex);
        return;
    case nh::GET_PLAYER_BOUNTY:
        r[0] = static_cast<uint32_t>(w.bounty);
        return;
    case nh::SET_PLAYER_BOUNTY: {
        const int32_t v = a.I(1);
        if (v != w.bounty) {
            WorldLog(w, "bounty", "bounty " + FormatCents(w.bounty) + " -> " + FormatCents(v),
                     "\"bounty\":" + std::to_string(v));
        }
        w.bounty = v;
        return;
    }
    case nh::GET_MAP_ZONE_AT_COORDS:
        r[0] = ZoneAt(w, a.F(0), a.F(1), a.I(3));
        return;
    case nh::SET_PLAYER_LAW_REGION: {
        ++w.counters.lawRegionCalls;
        char buf[64];
        std::snprintf(buf, sizeof buf, "law region set to 0x%08X", a.U(1));
        WorldLog(w, "law_region", buf);
        return;
    }
    case nh::LAW_CALL_WITH_ZEROED_VALUE: {
        const uint64_t* v = a.P<const uint64_t>(0);
        if (!v || *v != 0) WorldLog(w, "anomaly", "law call given a value that is not zero");
        return;
    }
    case nh::SET_PLAYER_PURSUED: {
        const bool on = a.I(1) != 0;
        if (on != w.pursued)
            WorldLog(w, "pursued", on ? "pursued state on" : "pursued state off",
                     std::string("\"on\":") + (on ? "true" : "false"));
        w.pursued = on;
        return;
    }
    case nh::GET_PLAYER_STATE_QUERY:
        r[0] = static_cast<uint32_t>(w.lawStateQuery);
        return;
    case nh::SET_LAW_SETTING:
        return;
    case nh::REPORT_CRIME_ON_PLAYER:
        ++w.counters.crimesReported;
        return;
    case nh::SET_GLOBAL_COOLDOWN:
        ++w.counters.cooldownCalls;
        return;
    case nh::IS_MISSION_ACTIVE:
        r[0] = MissionActive(w) ? 1 : 0;
        return;
    // Entity queries.
    case nh::DOES_ENTITY_EXIST:
        r[0] = Exists(w, a.U(0)) ? 1 : 0;
        return;
    case nh::IS_ENTITY_A_PED:
        r[0] = Exists(w, a.U(0)) ? 1 : 0;
        return;
    case nh::IS_PED_HUMAN: {
        const SimPed* p = FindPed(w, a.U(0));
        r[0] = p && p->kind == ModelKind::Human ? 1 : 0;
        return;
    }
    case nh::IS_ENTITY_DEAD:
    case nh::IS_PED_DEAD_SECOND_CHECK:
        r[0] = FullyDead(w, FindPed(w, a.U(0))) ? 1 : 0;
        return;
    case nh::IS_PED_DEAD_OR_DYING:
        r[0] = DeadOrDying(w, FindPed(w, a.U(0))) ? 1 : 0;
        return;
    case nh::GET_ENTITY_MODEL: {
        const SimPed* p = FindPed(w, a.U(0));
        r[0] = p ? p->model : 0;
        return;
    }
    case nh::IS_MODEL_A_HORSE: {
        auto it = w.models.find(a.U(0));
        r[0] = it != w.models.end() && it->second.kind == ModelKind::Horse ? 1 : 0;
        return;
    }
    case nh::GET_ENTITY_COORDS: {
        const SimPed* p = FindPed(w, a.U(0));
        SetVec(r, p ? p->pos : Point3{});
        return;
    }
    case nh::GET_ENTITY_HEADING: {
        const SimPed* p = FindPed(w, a.U(0));
        SetFloat(r, p ? static_cast<float>(p->heading) : 0.0f);
        return;
    }
    case nh::IS_PED_IN_COMBAT: {
        const SimPed* p = FindPed(w, a.U(0));
        const SimPed* t = p ? FindPed(w, p->target) : nullptr;
        r[0] = p && !DeadOrDying(w, p) &&
                       (p->task == TaskKind::Combat || p->task == TaskKind::Pursue) && t &&
                       !DeadOrDying(w, t)
                   ? 1
                   : 0;
        return;
    }
    case nh::IS_PED_IN_ANY_VEHICLE:
        r[0] = a.U(0) == w.playerPed && w.playerInVehicle ? 1 : 0;
        return;
    case nh::CAN_PED_PERCEIVE_PED: {
        const SimPed* o = FindPed(w, a.U(0));
        const SimPed* t = FindPed(w, a.U(1));
        r[0] = o && t && !DeadOrDying(w, o) && Perceives(w, *o, *t) ? 1 : 0;
        return;
    }
    case nh::HAS_CLEAR_LOS_TO_ENTITY: {
        const SimPed* o = FindPed(w, a.U(0));
        const SimPed* t = FindPed(w, a.U(1));
        r[0] = o && t && ClearLineOfSight(w, *o, *t) ? 1 : 0;
        return;
    }
    case nh::GET_PED_NEARBY_PEDS: {
        uint64_t* slots = a.P<uint64_t>(1);
        if (!slots) return;
        const int capacity = std::clamp(static_cast<int>(static_cast<int32_t>(slots[0])), 0, 64);
        Ped found[64];
        const int n = NearbyPeds(w, a.U(0), found, capacity);
        for (int i = 0; i < n; ++i)
            slots[1 + i] = found[i];
        r[0] = static_cast<uint32_t>(n);
        return;
    }
    // World and geometry.
    case nh::GET_DISTANCE_BETWEEN_COORDS: {
        const double dx = a.F(0) - a.F(3), dy = a.F(1) - a.F(4), dz = a.F(2) - a.F(5);
        SetFloat(r, static_cast<float>(a.I(6) ? std::sqrt(dx * dx + dy * dy + dz * dz)
                                              : std::sqrt(dx * dx + dy * dy)));
        return;
    }
    case nh::GET_GROUND_Z_FOR_3D_COORD: {
        const double g = GroundHeight(w, a.F(0), a.F(1));
        if (a.F(2) > g) {
            if (float* out = a.P<float>(3)) *out = static_cast<float>(g);
            r[0] = 1;
            if (PlateauRise(w, a.F(0), a.F(1)) > 0) ++w.counters.raisedGroundAnswers;
        }
        return;
    }
    case nh::GET_SAFE_COORD_FOR_PED: {
        Point3 p;
        if (SafeCoordForPed(w, a.F(0), a.F(1), a.F(2), a.I(5), &p)) {
            if (void* out = a.P<void>(4)) WriteVec(out, p);
            r[0] = 1;
            if (PlateauRise(w, p.x, p.y) > 0) ++w.counters.raisedGroundAnswers;
        }
        return;
    }
    case nh::GET_WATER_HEIGHT: {
        double surface;
        if (WaterAt(w, a.F(0), a.F(1), &surface)) {
            if (float* out = a.P<float>(3)) *out = static_cast<float>(surface);
            r[0] = 1;
        }
        return;
    }
    case nh::CREATE_BOX_VOLUME:
        r[0] = static_cast<uint32_t>(w.nextVolume++);
        return;
    case nh::CREATE_EVENT_MARKER: {
        const uint64_t m = w.nextMarker++;
        w.markers[m] = a.I(0);
        ++w.counters.markersCreated;
        r[0] = m;
        return;
    }
    case nh::REMOVE_EVENT_MARKER:
        if (w.markers.erase(w.callArgs[0]))
            ++w.counters.markersRemoved;
        else
            WorldLog(w, "anomaly", "removal of an unknown event marker");
        return;
    // Models, creation and deletion.
    case nh::IS_MODEL_VALID:
        r[0] = (w.everyModelValid ? a.U(0) != 0 : w.models.count(a.U(0)) != 0) ? 1 : 0;
        return;
    case nh::REQUEST_MODEL: {
        const Hash m = a.U(0);
        // A stuck request gives up after a while; the next request starts afresh.
        auto stuck = w.modelStuck.find(m);
        if (stuck != w.modelStuck.end() && w.timerMs - w.modelRequestedAt[m] >= StuckModelMs) {
            w.modelStuck.erase(stuck);
            w.modelRequestedAt.erase(m);
        }
        if (!w.modelRequestedAt.count(m)) {
            w.modelRequestedAt[m] = w.timerMs;
            if (w.opt.faults.modelNeverLoads > 0 &&
                w.faultRng.Chance(w.opt.faults.modelNeverLoads)) {
                w.modelStuck[m] = true;
                ++w.counters.modelsStuck;
            }
        }
        return;
    }
    case nh::HAS_MODEL_LOADED:
        r[0] = ModelLoaded(w, a.U(0)) ? 1 : 0;
        return;
    case nh::SET_MODEL_AS_NO_LONGER_NEEDED: {
        // A released model must be requested again; a stuck request gets a fresh chance then.
        w.modelRequestedAt.erase(a.U(0));
        w.modelStuck.erase(a.U(0));
        return;
    }
    case nh::CREATE_PED: {
        const Hash m = a.U(0);
        if (!w.models.count(m) || !ModelLoaded(w, m)) return;
        const int ordinal = ++w.counters.createAttempts;
        const auto& aimed = w.opt.faults.failCreations;
        if (std::find(aimed.begin(), aimed.end(), ordinal) != aimed.end()) {
            ++w.counters.createFailures;
            return;
        }
        if (w.opt.faults.createFailure > 0 && w.faultRng.Chance(w.opt.faults.createFailure)) {
            ++w.counters.createFailures;
            return;
        }
        {
            const double x = a.F(1), y = a.F(2), z = a.F(3);
            double surface = 0;
            if (WaterAt(w, x, y, &surface) && z - surface < 1.0) ++w.counters.placedInWater;
            if (z - GroundHeight(w, x, y) > 1.25 + 1e-3) ++w.counters.placedAboveGround;
            if (const SimPed* player = FindPed(static_cast<const World&>(w), w.playerPed))
                if (z > player->pos.z + 3.0 + 1e-3) ++w.counters.placedAbovePlayer;
        }
        const Ped h = CreatePluginPed(w, m, {a.F(1), a.F(2), a.F(3)}, a.F(4));
        SimPed& p = w.peds[h];
        const char* kind =
            p.kind == ModelKind::Horse ? "horse" : (p.kind == ModelKind::Dog ? "dog" : "human");
        ++w.counters.pedsByModel[ModelName(w, m)];
        ++w.counters.pedsByKind[kind];
        // A handle handed out again within the pass names only the new entity.
        w.createdThisPass.erase(std::remove(w.createdThisPass.begin(), w.createdThisPass.end(), h),
                                w.createdThisPass.end());
        w.createdThisPass.push_back(h);
        char buf[200];
        std::snprintf(buf, sizeof buf, "created %s %u (%s) at (%.1f, %.1f)", kind, h,
                      ModelName(w, m).c_str(), p.pos.x, p.pos.y);
        char js[200];
        std::snprintf(
            js, sizeof js,
            "\"ped\":%u,\"model\":\"%s\",\"kind\":\"%s\",\"x\":%.2f,\"y\":%.2f,\"z\":%.2f", h,
            ModelName(w, m).c_str(), kind, p.pos.x, p.pos.y, p.pos.z);
        WorldLog(w, "ped_created", buf, js);
        r[0] = h;
        return;
    }
    case nh::SET_ENTITY_AS_MISSION_ENTITY:
        if (SimPed* p = FindPed(w, a.U(0))) p->owned = true;
        return;
    case nh::SET_RANDOM_OUTFIT_VARIATION:
    case nh::UPDATE_PED_VARIATION:
    case nh::FINISH_PED_APPEARANCE:
    case nh::APPLY_HORSE_PRESET:
        return;
    case nh::SET_ENTITY_COORDS: {
        SimPed* p = FindPed(w, a.U(0));
        if (!p) return;
        p->pos = {a.F(1), a.F(2), a.F(3)};
        if (SimPed* rd = FindPed(w, p->rider)) rd->pos = p->pos;
        if (SimPed* m = FindPed(w, p->mount)) m->pos = p->pos;
        return;
    }
    case nh::DELETE_ENTITY: {
        uint32_t* handle = a.P<uint32_t>(0);
        if (!handle) return;
        Delete(w, *handle);
        *handle = 0;
        return;
    }
    // Weapons.
    case nh::REMOVE_ALL_PED_WEAPONS:
        if (SimPed* p = FindPed(w, a.U(0))) {
            p->weapons.clear();
            p->weaponInHand = 0;
        }
        return;
    case nh::GIVE_WEAPON_TO_PED:
        if (SimPed* p = FindPed(w, a.U(0))) {
            p->weapons[a.U(1)] = a.I(2);
            if (a.I(3)) p->weaponInHand = a.U(1);
        }
        return;
    case nh::SET_PED_AMMO:
        if (SimPed* p = FindPed(w, a.U(0))) p->weapons[a.U(1)] = a.I(2);
        return;
    // Orders and behaviour.
    case nh::SET_PED_PATH_CAN_USE_CLIMBOVERS:
    case nh::SET_PED_PATH_CAN_USE_LADDERS:
        return;
    case nh::SET_BLOCKING_OF_EVENTS:
        if (SimPed* p = FindPed(w, a.U(0))) p->blockEvents = a.I(1) != 0;
        return;
    case nh::TASK_COMBAT_PED: {
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
        return;
    }
    case nh::SET_PED_KEEP_TASK:
        if (SimPed* p = FindPed(w, a.U(0))) p->keepTask = a.I(1) != 0;
        return;
    case nh::CLEAR_PED_TASKS:
        if (SimPed* p = FindPed(w, a.U(0)); p && !p->isPlayer) p->task = TaskKind::None;
        return;
    case nh::TASK_FOLLOW_TO_OFFSET: {
        SimPed* p = FindPed(w, a.U(0));
        if (!p || DeadOrDying(w, p)) return;
        StartTask(w, p, TaskKind::Follow, a.U(1));
        p->offset = {a.F(2), a.F(3), a.F(4)};
        p->speed = a.F(5);
        p->timeoutMs = a.I(6);
        p->stopRange = a.F(7);
        return;
    }
    case nh::TASK_FLEE_PED: {
        SimPed* p = FindPed(w, a.U(0));
        if (!p || DeadOrDying(w, p)) return;
        StartTask(w, p, TaskKind::Flee, a.U(1));
        p->fleeDistance = a.F(2);
        if (p->fromPlugin && p->kind != ModelKind::Horse)
            WorldLog(w, "gave_up", "hunter " + std::to_string(p->handle) + " gives up and flees",
                     "\"ped\":" + std::to_string(p->handle));
        return;
    }
    case nh::TASK_SECOND_STAGE_PURSUIT: {
        SimPed* p = FindPed(w, a.U(0));
        if (!p || DeadOrDying(w, p)) return;
        StartTask(w, p, TaskKind::Pursue, a.U(1));
        return;
    }
    case nh::TASK_DISMOUNT: {
        SimPed* p = FindPed(w, a.U(0));
        if (!p || !p->mount) return;
        SimPed* m = FindPed(w, p->mount);
        if (m && m->rider == p->handle) m->rider = 0;
        p->mount = 0;
        p->pos.x += 1.5;
        p->pos.z = GroundHeight(w, p->pos.x, p->pos.y);
        p->task = TaskKind::None;
        return;
    }
    // Mounts.
    case nh::IS_PED_ON_MOUNT: {
        const SimPed* p = FindPed(w, a.U(0));
        r[0] = p && p->mount && Exists(w, p->mount) ? 1 : 0;
        return;
    }
    case nh::GET_MOUNT: {
        const SimPed* p = FindPed(w, a.U(0));
        r[0] = p && Exists(w, p->mount) ? p->mount : 0;
        return;
    }
    case nh::GET_RIDER_OF_MOUNT: {
        const SimPed* p = FindPed(w, a.U(0));
        r[0] = p && Exists(w, p->rider) ? p->rider : 0;
        return;
    }
    case nh::IS_MOUNT_SEAT_FREE: {
        const SimPed* p = FindPed(w, a.U(0));
        r[0] = p && p->kind == ModelKind::Horse && !Exists(w, p->rider) ? 1 : 0;
        return;
    }
    case nh::SET_PED_ONTO_MOUNT: {
        SimPed* rider = FindPed(w, a.U(0));
        SimPed* mount = FindPed(w, a.U(1));
        if (!rider || !mount || mount->kind != ModelKind::Horse || Exists(w, mount->rider) ||
            DeadOrDying(w, rider) || DeadOrDying(w, mount))
            return;
        if (SimPed* old = FindPed(w, rider->mount)) old->rider = 0;
        mount->rider = rider->handle;
        rider->mount = mount->handle;
        rider->pos = mount->pos;
        return;
    }
    // Blips.
    case nh::ADD_BLIP_FOR_ENTITY: {
        SimPed* p = FindPed(w, a.U(1));
        if (!p) return;
        SimBlip b;
        b.handle = w.nextBlip++;
        b.entity = p->handle;
        b.style = a.U(0);
        w.blips[b.handle] = b;
        p->blip = b.handle;
        ++w.counters.blipsCreated;
        r[0] = b.handle;
        return;
    }
    case nh::BLIP_ADD_MODIFIER: {
        auto it = w.blips.find(a.U(0));
        if (it != w.blips.end()) it->second.modifiers.push_back(a.U(1));
        return;
    }
    case nh::SET_BLIP_NAME: {
        auto it = w.blips.find(a.U(0));
        const char* name = a.P<const char>(1);
        if (it != w.blips.end() && name) it->second.name = name;
        return;
    }
    case nh::DOES_ENTITY_HAVE_BLIP: {
        const SimPed* p = FindPed(w, a.U(0));
        r[0] = p && p->blip && w.blips.count(p->blip) ? 1 : 0;
        return;
    }
    case nh::GET_BLIP_FROM_ENTITY: {
        const SimPed* p = FindPed(w, a.U(0));
        r[0] = p && w.blips.count(p->blip) ? p->blip : 0;
        return;
    }
    case nh::BLIP_RELEASE_STEP: {
        auto it = w.blips.find(a.U(0));
        if (it != w.blips.end()) it->second.released = true;
        return;
    }
    case nh::REMOVE_BLIP: {
        uint32_t* handle = a.P<uint32_t>(0);
        if (!handle) return;
        auto it = w.blips.find(*handle);
        if (it != w.blips.end()) {
            if (SimPed* p = FindPed(w, it->second.entity); p && p->blip == *handle) p->blip = 0;
            w.blips.erase(it);
            ++w.counters.blipsRemoved;
        }
        *handle = 0;
        return;
    }
    // On-screen text.
    case nh::CREATE_VAR_STRING: {
        const char* text = a.P<const char>(2);
        const uint64_t h = w.nextText++;
        w.texts[h] = text ? text : "";
        if (w.texts.size() > 4096) w.texts.erase(w.texts.begin()); // the game recycles them
        r[0] = h;
        return;
    }
    case nh::SET_NOTICE_TEXT: {
        auto it = w.texts.find(w.callArgs[0]);
        w.pendingNotice = it != w.texts.end() ? it->second : std::string();
        return;
    }
    case nh::SHOW_NOTICE: {
        ++w.counters.notices[w.pendingNotice];
        std::string esc;
        for (char c : w.pendingNotice) {
            if (c == '"' || c == '\\') esc += '\\';
            esc += c;
        }
        WorldLog(w, "notice", "notice \"" + w.pendingNotice + "\"", "\"text\":\"" + esc + "\"");
        return;
    }
    // Names.
    case nh::GET_HASH_KEY: {
        const char* text = a.P<const char>(0);
        r[0] = GameNameHash(text);
        return;
    }
    default:
        return;
    }
}

void AppendNumber(std::string& out, double v) {
    if (!std::isfinite(v)) {
        out += "null";
        return;
    }
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    out += buf;
}

void AppendText(std::string& out, const char* s) {
    out += '"';
    for (; s && *s; ++s) {
        const unsigned char c = static_cast<unsigned char>(*s);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

void AppendVec(std::string& out, const void* p) {
    const char* c = static_cast<const char*>(p);
    float v[3];
    for (int i = 0; i < 3; ++i)
        std::memcpy(&v[i], c + 8 * i, sizeof(float));
    out += '[';
    for (int i = 0; i < 3; ++i) {
        if (i) out += ',';
        AppendNumber(out, v[i]);
    }
    out += ']';
}

void AppendHash(std::string& out, uint32_t h) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "\"0x%08X\"", h);
    out += buf;
}

// An integer, handle, hash, float or 64-bit slot as the trace writes it; false for other kinds.
bool AppendSlot(std::string& out, char kind, uint64_t slot) {
    const uint32_t lo = static_cast<uint32_t>(slot);
    switch (kind) {
    case 'i':
        out += std::to_string(static_cast<int32_t>(lo));
        return true;
    case 'e':
        out += std::to_string(lo);
        return true;
    case 'h':
        AppendHash(out, lo);
        return true;
    case 'f':
        AppendNumber(out, SlotFloat(slot));
        return true;
    case 'q':
        out += std::to_string(slot);
        return true;
    default:
        return false;
    }
}

// Writes the trace line of one call; in-out handles are shown as they were before the call.
void TraceCall(World& w, const NativeInfo& info, const std::vector<uint64_t>& before) {
    std::string& line = w.traceLine;
    line.clear();
    char head[96];
    std::snprintf(head, sizeof head,
                  "{\"frame\":%" PRIu64 ",\"t_ms\":%u,\"native\":\"0x%016" PRIX64 "\",", w.frame,
                  w.timerMs, info.hash);
    line += head;
    line += "\"name\":\"";
    line += info.name;
    line += "\",\"args\":[";
    const std::vector<uint64_t>& s = w.callArgs;
    for (size_t i = 0; i < s.size(); ++i) {
        if (i) line += ',';
        if (AppendSlot(line, info.args[i], s[i])) continue;
        const void* ptr = reinterpret_cast<const void*>(static_cast<uintptr_t>(s[i]));
        switch (info.args[i]) {
        case 's':
            AppendText(line, static_cast<const char*>(ptr));
            break;
        case 'F':
            if (ptr && w.result[0]) {
                float f;
                std::memcpy(&f, ptr, sizeof f);
                AppendNumber(line, f);
            } else {
                line += "null";
            }
            break;
        case 'V':
            if (ptr && w.result[0])
                AppendVec(line, ptr);
            else
                line += "null";
            break;
        case 'E':
        case 'B':
        case 'Z':
            line += std::to_string(before[i]);
            break;
        case 'N': {
            const uint64_t* slots = static_cast<const uint64_t*>(ptr);
            line += '[';
            const int n = slots ? static_cast<int>(static_cast<int32_t>(w.result[0])) : 0;
            for (int k = 0; k < n; ++k) {
                if (k) line += ',';
                line += std::to_string(static_cast<uint32_t>(slots[1 + k]));
            }
            line += ']';
            break;
        }
        default:
            line += std::to_string(s[i]);
        }
    }
    line += "],\"ret\":";
    const char kind = info.result[0];
    if (kind == 'v')
        line += "null";
    else if (kind == 'b')
        line += static_cast<uint32_t>(w.result[0]) ? "true" : "false";
    else if (kind == 'V')
        AppendVec(line, w.result);
    else if (!AppendSlot(line, kind, w.result[0]))
        line += std::to_string(w.result[0]);
    line += "}\n";
    std::fputs(line.c_str(), w.trace);
}

void CountWatched(World& w, const NativeInfo& info) {
    const uint32_t now = ElapsedMs(w);
    for (NativeWatch& watch : w.watches) {
        if (watch.hash != info.hash || now < watch.fromMs || now >= watch.toMs) continue;
        bool match = true;
        for (size_t i = 0; i < watch.args.size() && match; ++i) {
            const NativeArgMatch& m = watch.args[i];
            if (m.any) continue;
            const uint64_t slot = w.callArgs[i];
            switch (info.args[i]) {
            case 'f':
                match = std::fabs(SlotFloat(slot) - m.number) <=
                        1e-3 * std::max(1.0, std::fabs(m.number));
                break;
            case 's': {
                const char* t = reinterpret_cast<const char*>(static_cast<uintptr_t>(slot));
                match = t && m.text == t;
                break;
            }
            case 'q':
                match = slot == m.bits;
                break;
            default:
                match = static_cast<uint32_t>(slot) == static_cast<uint32_t>(m.bits);
            }
        }
        if (match) ++watch.calls;
    }
}

} // namespace

void WorldCall(World& w) {
    const KnownNative* known = Lookup(w.callHash);
    if (!known) {
        std::fprintf(stderr,
                     "harkvane-sim: the plug-in called native 0x%016" PRIX64
                     ", which is not in the catalogue; stopping the run\n",
                     w.callHash);
        std::abort();
    }
    const NativeInfo* info = known->info;
    const size_t expected = known->argCount;
    if (w.callArgs.size() != expected) {
        std::fprintf(stderr,
                     "harkvane-sim: native %s (0x%016" PRIX64 ") takes %zu arguments but %zu were "
                     "pushed; stopping the run\n",
                     info->name, info->hash, expected, w.callArgs.size());
        std::abort();
    }
    ++w.counters.nativeCalls;
    std::vector<uint64_t> before;
    if (w.trace) {
        before.assign(w.callArgs.size(), 0);
        for (size_t i = 0; i < w.callArgs.size(); ++i) {
            const char k = info->args[i];
            const void* ptr = reinterpret_cast<const void*>(static_cast<uintptr_t>(w.callArgs[i]));
            if ((k == 'E' || k == 'B') && ptr) {
                uint32_t v;
                std::memcpy(&v, ptr, sizeof v);
                before[i] = v;
            } else if (k == 'Z' && ptr) {
                std::memcpy(&before[i], ptr, sizeof(uint64_t));
            }
        }
    }
    std::memset(w.result, 0, sizeof w.result);
    Dispatch(w, w.callHash, Args{w.callArgs}, w.result);
    if (w.trace) TraceCall(w, *info, before);
    if (!w.watches.empty()) CountWatched(w, *info);
}
