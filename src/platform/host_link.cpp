// The host's six functions for hosts in the same process (the simulator, the test hosts),
// in place of the DLL's import table.
#include "platform/host_link.h"

#include "platform/host_kind.h"

// Defined in every build: the simulated world answers from it in the Windows stand-in host too.
HostCall HostCallInProgress;

#if !HARKVANE_WINDOWS_HOST
#include <cstdio>
#include <cstdlib>

namespace {
const HostFunctions* Host = nullptr;
// The installed host's AnswerCallInProgress, kept on its own so a call, tens of millions of them
// a simulated seed, tests and loads one pointer.
void (*AnswerCall)() = nullptr;

const HostFunctions& Require() {
    if (!Host) {
        std::fprintf(stderr, "harkvane: no script host installed\n");
        std::abort();
    }
    return *Host;
}

// A host that takes a call part by part gets the parts now, in the order they were made. From a
// copy: such a host may fill in HostCallInProgress itself as it is handed them.
[[gnu::noinline]] uint64_t* CallPartByPart(const HostFunctions& host) {
    const HostCall c = HostCallInProgress;
    host.Init(c.hash);
    for (size_t i = 0; i < c.argCount && i < HostCall::MaxArgs; ++i)
        host.Push64(c.args[i]);
    return host.Call();
}
} // namespace

void InstallHost(const HostFunctions* host) {
    Host = host;
    AnswerCall = host ? host->AnswerCallInProgress : nullptr;
}
const HostFunctions* InstalledHost() {
    return Host;
}

void scriptRegister(HostModule module, ScriptEntry entry) {
    Require().Register(module, entry);
}
void scriptUnregister(HostModule module) {
    Require().Unregister(module);
}
void scriptWait(uint32_t ms) {
    Require().Wait(ms);
}
void nativeInit(uint64_t hash) {
    BeginHostCall(hash);
}
void nativePush64(uint64_t value) {
    PushHostSlot(value);
}
uint64_t* nativeCall() {
    if (AnswerCall) [[likely]] {
        AnswerCall();
        return HostCallInProgress.result;
    }
    return CallPartByPart(Require());
}
#endif
