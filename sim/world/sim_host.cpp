// The script host's six functions over the attached world: the glue between a host build and
// the world, kept apart so the world itself knows nothing of fibers or registrations.
#include "world/sim_host.h"

#include <cstdio>
#include <cstdlib>

#include "world/world.h"

namespace {
World* Attached = nullptr;
ScriptEntry Registered = nullptr;
NativeCall& Call = HostCallInProgress; // the call in progress, where the plug-in fills it in

World& Require() {
    if (!Attached) {
        std::fprintf(stderr, "harkvane-sim: a host call came in with no world attached\n");
        std::abort();
    }
    return *Attached;
}
} // namespace

void SimAttachWorld(World* world) {
    Attached = world;
    if (world) world->callsWithCare = CallsNeedCare(*world);
}
World* SimAttachedWorld() {
    return Attached;
}

void SimScriptRegister(HostModule module, ScriptEntry entry) {
    (void)module;
    Registered = entry;
    WorldLog(Require(), "script_registered", "script registered with the host");
}

void SimScriptUnregister(HostModule module) {
    (void)module;
    Registered = nullptr;
    WorldLog(Require(), "script_unregistered", "script unregistered from the host");
}

void SimScriptWait(uint32_t ms) {
    World& w = Require();
    // Set up before attaching, never changed during the run: a change would go unanswered.
    if (w.callsWithCare != CallsNeedCare(w)) [[unlikely]] {
        std::fprintf(stderr, "harkvane-sim: the run's trace, watches or hostile answers changed "
                             "after the world was attached\n");
        std::abort();
    }
    WorldAdvance(w, ms);
}

// Filling in a call needs no world; the call itself does, and stops there when none is attached.
void SimNativeInit(uint64_t hash) {
    BeginHostCall(hash);
}

void SimNativePush64(uint64_t value) {
    PushHostSlot(value);
}

void SimNativeAnswer() {
    WorldCall(Require(), Call);
}

uint64_t* SimNativeCall() {
    SimNativeAnswer();
    return Call.result;
}

ScriptEntry SimRegisteredEntry() {
    return Registered;
}
