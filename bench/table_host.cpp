// The bench's host: every native answered from flat tables in constant time, so the frame
// benchmark measures the plug-in and not the host; it can record the traffic for a replay.
#include "table_host.h"

#include <cmath>
#include <cstring>

#include "hostkit/slots.h"
#include "natives/host_interface.h"
#include "natives/native_hashes.h"
#include "platform/host_link.h"

namespace bench {
namespace {

constexpr size_t MaxSlots = 16;
constexpr size_t ScratchSlots = NearbyLimit + 8;

TableHost* Active = nullptr;
uint64_t PendingHash = 0;
uint64_t PendingArgs[MaxSlots];
size_t PendingCount = 0;
uint64_t Result[8];

// Out-pointers of replayed calls point here; the host may write through them.
uint64_t ReplayScratch[ScratchSlots];

// Handles the host has handed out (0 is none); an entity is kept after deletion.
HostEntity* Find(uint32_t handle) {
    return handle != 0 && handle < Active->nextHandle ? &Active->entities[handle] : nullptr;
}

uint64_t Answer() {
    TableHost& h = *Active;
    const uint64_t* a = PendingArgs;
    if (AnswerTableNative(PendingHash, a, PendingCount, Find, h, Result)) return Result[0];
    switch (PendingHash) {
    case nh::GET_MAP_ZONE_AT_COORDS:
        return h.zone;
    case nh::IS_MODEL_A_HORSE:
        return static_cast<uint32_t>(a[0]) == h.horseModel;
    case nh::GET_PED_NEARBY_PEDS: {
        uint64_t* out = reinterpret_cast<uint64_t*>(a[1]);
        const int n = h.nearbyCount < NearbyLimit ? h.nearbyCount : NearbyLimit;
        for (int i = 0; i < n; ++i)
            out[i + 1] = h.nearby[i];
        return static_cast<uint64_t>(n);
    }
    case nh::GET_GROUND_Z_FOR_3D_COORD:
        *reinterpret_cast<float*>(a[3]) = 40.0f;
        return 1;
    case nh::GET_SAFE_COORD_FOR_PED: {
        Vec3* out = reinterpret_cast<Vec3*>(a[4]);
        out->x = SlotFloat(a[0]);
        out->y = SlotFloat(a[1]);
        out->z = 40.0f;
        return 1;
    }
    case nh::IS_MODEL_VALID:
        return static_cast<uint32_t>(a[0]) != 0;
    case nh::CREATE_PED: {
        if (h.nextHandle >= MaxEntities) return 0;
        HostEntity e;
        e.exists = true;
        e.model = static_cast<uint32_t>(a[0]);
        e.human = e.model != h.horseModel && e.model != h.dogModel;
        e.pos = Vec3{SlotFloat(a[1]), SlotFloat(a[2]), SlotFloat(a[3])};
        e.heading = SlotFloat(a[4]);
        h.entities[h.nextHandle] = e;
        return h.nextHandle++;
    }
    case nh::ADD_BLIP_FOR_ENTITY:
        if (HostEntity* e = Find(SlotU32(a[1]))) e->hasBlip = true;
        return ++h.textHandle;
    case nh::GET_BLIP_FROM_ENTITY: {
        const HostEntity* e = Find(SlotU32(a[0]));
        return e && e->hasBlip ? 7 : 0;
    }
    case nh::CREATE_VAR_STRING:
        return ++h.textHandle;
    default:
        return 0;
    }
}

void Record(Recording& rec) {
    const NativeInfo* info = FindNative(PendingHash);
    const char* kinds = info ? info->args : "";
    rec.words.push_back(PendingHash);
    rec.words.push_back(PendingCount);
    for (size_t i = 0; i < PendingCount; ++i) {
        const char kind = kinds[i] != '\0' ? kinds[i] : 'q';
        if (kind == 's') {
            const char* text = reinterpret_cast<const char*>(PendingArgs[i]);
            rec.texts.emplace_back(text ? text : "");
            rec.words.push_back(reinterpret_cast<uint64_t>(rec.texts.back().c_str()));
        } else if (std::strchr("FVEBZN", kind) != nullptr) {
            rec.words.push_back(reinterpret_cast<uint64_t>(&ReplayScratch[0]));
        } else {
            rec.words.push_back(PendingArgs[i]);
        }
    }
}

void HostRegister(HostModule, ScriptEntry) {}
void HostUnregister(HostModule) {}
void HostWait(uint32_t ms) {
    Active->timerMs += ms;
}
void HostInit(uint64_t hash) {
    PendingHash = hash;
    PendingCount = 0;
}
void HostPush(uint64_t v) {
    if (PendingCount < MaxSlots) PendingArgs[PendingCount++] = v;
}
uint64_t* HostCall() {
    ++Active->calls;
    Result[0] = Answer();
    if (Active->recorder) Record(*Active->recorder);
    return Result;
}

const HostFunctions TableFunctions = {HostRegister, HostUnregister, HostWait,
                                      HostInit,     HostPush,       HostCall};

} // namespace

size_t Recording::Calls() const {
    size_t n = 0;
    for (size_t i = 0; i < words.size(); i += 2 + words[i + 1])
        ++n;
    return n;
}

void TableHost::Install() {
    Active = this;
    InstallHost(&TableFunctions);
    entities[playerPed].exists = true;
}

void TableHost::Uninstall() {
    if (Active != this) return;
    InstallHost(nullptr);
    Active = nullptr;
}

Ped TableHost::Add(const HostEntity& e) {
    const Ped p = nextHandle++;
    entities[p] = e;
    entities[p].exists = true;
    return p;
}

void BeginRecordedFrame(Recording& rec) {
    rec.frameStart.push_back(rec.words.size());
}

void EndRecording(Recording& rec) {
    rec.frameStart.push_back(rec.words.size());
}

void ReplayFrame(const Recording& rec, size_t frame) {
    ReplayScratch[0] = NearbyLimit;
    const uint64_t* p = rec.words.data() + rec.frameStart[frame];
    const uint64_t* end = rec.words.data() + rec.frameStart[frame + 1];
    while (p < end) {
        nativeInit(p[0]);
        const uint64_t n = p[1];
        p += 2;
        for (uint64_t i = 0; i < n; ++i)
            nativePush64(p[i]);
        p += n;
        nativeCall();
    }
}

} // namespace bench
