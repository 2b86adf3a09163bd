// Portable stand-in for the host DLL's import table: a host living in the same process (the
// simulated world, a test host) installs its six functions here. Not used in the Windows DLL.
#pragma once
#include <cstddef>
#include <cstdint>

#include "natives/host_interface.h"

// One native call as a host in this process takes it in: the native, the slots pushed for it,
// and the result slots handed back.
struct HostCall {
    // Room for the catalogue's longest native (14 slots); a call with more pushed is refused.
    static constexpr size_t MaxArgs = 16;
    uint64_t hash = 0;
    uint64_t args[MaxArgs] = {};
    size_t argCount = 0; // every push counts, kept or not
    uint64_t result[4] = {0, 0, 0, 0};
};

// The call being filled in: nativeInit and nativePush64 write it here, each a store or two, as a
// simulated seed makes tens of millions of calls.
extern HostCall HostCallInProgress;

// Starts a call and adds one slot to it: what every host in this process does with a push.
inline void BeginHostCall(uint64_t hash) {
    HostCallInProgress.hash = hash;
    HostCallInProgress.argCount = 0;
}
inline void PushHostSlot(uint64_t value) {
    HostCall& c = HostCallInProgress;
    if (c.argCount < HostCall::MaxArgs) c.args[c.argCount] = value;
    ++c.argCount;
}

struct HostFunctions {
    void (*Register)(HostModule module, ScriptEntry entry);
    void (*Unregister)(HostModule module);
    void (*Wait)(uint32_t ms);
    void (*Init)(uint64_t hash);
    void (*Push64)(uint64_t value);
    uint64_t* (*Call)();
    // Given by a host that reads HostCallInProgress itself (the simulated world): answers the call
    // into HostCallInProgress.result. Any other host (nullptr here) is handed the call part by
    // part when it is made: Init, each slot kept to Push64, Call. Taken when the host is
    // installed: a host that changes it reinstalls itself.
    void (*AnswerCallInProgress)() = nullptr;
};

// Installs the host; passing nullptr removes it (calls then abort with a message).
void InstallHost(const HostFunctions* host);
const HostFunctions* InstalledHost();
