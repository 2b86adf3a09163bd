// The stand-in ScriptHookRDR2.dll: the host's six functions over the simulated world, the list
// of registered scripts, and the switch back to the host fiber on every scriptWait.
#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "standin_api.h"
#include "world_api.h"

namespace {
struct RegisteredScript {
    HMODULE module;
    void (*entry)();
};

struct HostState {
    std::vector<RegisteredScript> scripts;
    void* hostFiber = nullptr;
    bool inScript = false; // a script fiber is running
    uint32_t pendingWaitMs = 0;
};
HostState Host;
} // namespace

extern "C" {
void StandinScriptRegister(HMODULE module, void (*entry)()) {
    Host.scripts.push_back({module, entry});
    WorldScriptRegistered(module, entry);
}

void StandinScriptUnregister(HMODULE module) {
    std::erase_if(Host.scripts, [&](const RegisteredScript& s) { return s.module == module; });
    WorldScriptUnregistered(module);
}

// A script yields: the host fiber advances the world and resumes it. Called outside a script
// fiber (from the library entry, say) the world simply advances here.
void StandinScriptWait(DWORD ms) {
    if (Host.inScript) {
        Host.pendingWaitMs = ms;
        SwitchToFiber(Host.hostFiber);
    } else {
        WorldAdvance(ms);
    }
}

void StandinNativeInit(UINT64 hash) { WorldNativeInit(hash); }
void StandinNativePush64(UINT64 value) { WorldNativePush64(value); }
PUINT64 StandinNativeCall() { return WorldNativeCall(); }

const char* StandinOpen(int argc, char** argv) {
    const char* workdir = nullptr;
    return WorldOpen(argc, argv, &workdir) ? workdir : nullptr;
}
void StandinSetHostFiber(void* fiber) { Host.hostFiber = fiber; }
void StandinResume(void* scriptFiber) {
    Host.inScript = true;
    SwitchToFiber(scriptFiber);
    Host.inScript = false;
}
int StandinScriptCount() { return static_cast<int>(Host.scripts.size()); }
void (*StandinScriptEntry(int index))() { return Host.scripts.at(index).entry; }
uint32_t StandinTakeWait() { return std::exchange(Host.pendingWaitMs, 0u); }
void StandinAdvance(uint32_t ms) { WorldAdvance(ms); }
int StandinFinished() { return WorldFinished() ? 1 : 0; }
int StandinClose() { return WorldClose(); }

SHORT WINAPI StandinGetAsyncKeyState(int virtualKey) { return WorldKeyState(virtualKey); }
int64_t StandinTime64(int64_t* out) {
    const int64_t t = WorldCalendarTime();
    if (out) *out = t;
    return t;
}
int32_t StandinTime32(int32_t* out) {
    const int32_t t = static_cast<int32_t>(WorldCalendarTime());
    if (out) *out = t;
    return t;
}
}
