#include "recording_host.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "platform/host_link.h"
#include "platform/keys.h"

namespace {

RecordingHost* Active = nullptr;
RecordedCall Pending;
uint64_t ResultSlots[8];

HostEntity* Find(uint32_t handle) {
    auto it = Active->entities.find(handle);
    return it == Active->entities.end() ? nullptr : &it->second;
}

// The default answers: an entity table and the player's state.
uint64_t DefaultAnswer(RecordedCall& c, uint64_t* out) {
    RecordingHost& h = *Active;
    if (AnswerTableNative(c.hash, c.args.data(), c.args.size(), Find, h, out)) return out[0];
    switch (c.hash) {
    case nh::IS_MODEL_A_HORSE:
        return h.horseModels.count(c.U32(0)) ? 1 : 0;
    case nh::GET_GROUND_Z_FOR_3D_COORD:
        if (!h.groundFound || c.Float(2) < h.groundZ) return 0;
        *reinterpret_cast<float*>(c.args[3]) = h.groundZ;
        return 1;
    case nh::GET_SAFE_COORD_FOR_PED:
        if (!h.safeCoordFound) return 0;
        *reinterpret_cast<Vec3*>(c.args[4]) = Vec3{c.Float(0), c.Float(1), h.groundZ};
        return 1;
    case nh::IS_MODEL_VALID:
        return c.U32(0) != 0 && !h.invalidModels.count(c.U32(0)) ? 1 : 0;
    case nh::CREATE_PED: {
        Ped p = h.nextHandle++;
        HostEntity ent;
        ent.model = c.U32(0);
        ent.pos = Vec3{c.Float(1), c.Float(2), c.Float(3)};
        ent.heading = c.Float(4);
        ent.human = !h.horseModels.count(ent.model);
        h.entities[p] = ent;
        return p;
    }
    case nh::ADD_BLIP_FOR_ENTITY:
    case nh::GET_BLIP_FROM_ENTITY:
        return h.nextHandle++;
    case nh::CREATE_VAR_STRING:
        return h.nextTextHandle++;
    case nh::SET_NOTICE_TEXT:
        return 0;
    case nh::SHOW_NOTICE:
        return 0;
    default:
        return 0;
    }
}

void HostRegister(HostModule, ScriptEntry entry) {
    Active->registered = true;
    Active->registeredEntry = entry;
}
void HostUnregister(HostModule) {
    Active->registered = false;
}
void HostWait(uint32_t ms) {
    Active->waits.push_back(ms);
    Active->timerMs += ms;
}
void HostInit(uint64_t hash) {
    Pending = RecordedCall{};
    Pending.hash = hash;
}
void HostPush(uint64_t v) {
    const NativeInfo* info = FindNative(Pending.hash);
    size_t i = Pending.args.size();
    if (info && i < std::strlen(info->args) && info->args[i] == 's' && v != 0)
        Pending.texts.emplace_back(reinterpret_cast<const char*>(v));
    Pending.args.push_back(v);
}
uint64_t* HostCall() {
    RecordingHost& h = *Active;
    std::memset(ResultSlots, 0, sizeof ResultSlots);
    uint64_t result;
    auto handler = h.handlers.find(Pending.hash);
    auto queue = h.queued.find(Pending.hash);
    if (handler != h.handlers.end()) {
        handler->second(Pending, ResultSlots);
        result = ResultSlots[0];
    } else if (queue != h.queued.end() && !queue->second.empty()) {
        result = queue->second.front();
        queue->second.pop_front();
        ResultSlots[0] = result;
    } else if (auto f = h.fixed.find(Pending.hash); f != h.fixed.end()) {
        result = f->second;
        ResultSlots[0] = result;
    } else {
        result = DefaultAnswer(Pending, ResultSlots);
        if (Pending.hash != nh::GET_ENTITY_COORDS) ResultSlots[0] = result;
    }
    if (Pending.hash == nh::SET_NOTICE_TEXT) {
        // The notice text is the text of the var-string call that made this handle.
        for (auto it = h.calls.rbegin(); it != h.calls.rend(); ++it)
            if (it->hash == nh::CREATE_VAR_STRING && it->result == Pending.args[0]) {
                h.notices.push_back(it->texts.size() > 1 ? it->texts[1] : "");
                break;
            }
    }
    Pending.result = ResultSlots[0];
    h.calls.push_back(Pending);
    return ResultSlots;
}

const HostFunctions RecordingFunctions = {HostRegister, HostUnregister, HostWait,
                                          HostInit,     HostPush,       HostCall};

} // namespace

const char* RecordedCall::Name() const {
    const NativeInfo* info = FindNative(hash);
    return info ? info->name : "?";
}

void RecordingHost::Install() {
    Active = this;
    InstallHost(&RecordingFunctions);
    ResetKeyState();
    entities[playerPed] = HostEntity{};
}

void RecordingHost::Uninstall() {
    if (Active == this) {
        InstallHost(nullptr);
        Active = nullptr;
    }
}

Ped RecordingHost::AddPed(const Vec3& pos, bool human) {
    Ped p = nextHandle++;
    HostEntity e;
    e.pos = pos;
    e.human = human;
    entities[p] = e;
    return p;
}

std::vector<const RecordedCall*> RecordingHost::CallsOf(uint64_t hash) const {
    std::vector<const RecordedCall*> out;
    for (const RecordedCall& c : calls)
        if (c.hash == hash) out.push_back(&c);
    return out;
}

size_t RecordingHost::CountOf(uint64_t hash) const {
    size_t n = 0;
    for (const RecordedCall& c : calls)
        if (c.hash == hash) ++n;
    return n;
}

std::vector<uint64_t> RecordingHost::Hashes() const {
    std::vector<uint64_t> out;
    out.reserve(calls.size());
    for (const RecordedCall& c : calls)
        out.push_back(c.hash);
    return out;
}

std::string RecordedCall::Describe() const {
    const RecordedCall& c = *this;
    const NativeInfo* info = FindNative(c.hash);
    std::ostringstream line;
    line << (info ? info->name : "?") << "(";
    const char* kinds = info ? info->args : "";
    size_t texts = 0;
    for (size_t i = 0; i < c.args.size(); ++i) {
        if (i) line << ", ";
        const char kind = i < std::strlen(kinds) ? kinds[i] : 'q';
        char buf[64];
        switch (kind) {
        case 'i':
            std::snprintf(buf, sizeof buf, "%d", c.Int(i));
            break;
        case 'e':
        case 'h':
            std::snprintf(buf, sizeof buf, "%u", c.U32(i));
            break;
        case 'f':
            std::snprintf(buf, sizeof buf, "%.9g", c.Float(i));
            break;
        case 's':
            // The copy taken at the call: the plug-in's text may be gone by now.
            std::snprintf(buf, sizeof buf, "\"%s\"",
                          texts < c.texts.size() ? c.texts[texts++].c_str() : "?");
            break;
        case 'q':
            std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(c.args[i]));
            break;
        default:
            std::snprintf(buf, sizeof buf, "&");
            break;
        }
        line << buf;
    }
    line << ")";
    const char result = info ? info->result[0] : 'q';
    if (result == 'f') {
        float f;
        const uint32_t bits = static_cast<uint32_t>(c.result);
        std::memcpy(&f, &bits, sizeof f);
        line << " -> " << f;
    } else if (result != 'v' && result != 'V') {
        line << " -> " << static_cast<uint32_t>(c.result);
    }
    return line.str();
}
