// Portable stand-in for the host DLL's import table: a host living in the same process (the
// simulated world, a test host) installs its six functions here. Not used in the Windows DLL.
#pragma once
#include <cstdint>

#include "natives/host_interface.h"

struct HostFunctions {
    void (*Register)(HostModule module, ScriptEntry entry);
    void (*Unregister)(HostModule module);
    void (*Wait)(uint32_t ms);
    void (*Init)(uint64_t hash);
    void (*Push64)(uint64_t value);
    uint64_t* (*Call)();
};

// Installs the host; passing nullptr removes it (calls then abort with a message).
void InstallHost(const HostFunctions* host);
const HostFunctions* InstalledHost();
