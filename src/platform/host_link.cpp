// The host's six functions for hosts in the same process (the simulator, the test hosts),
// in place of the DLL's import table.
#include "platform/host_kind.h"
#if !HARKVANE_WINDOWS_HOST
#include "platform/host_link.h"

#include <cstdio>
#include <cstdlib>

namespace {
const HostFunctions* Host = nullptr;

const HostFunctions& Require() {
    if (!Host) {
        std::fprintf(stderr, "harkvane: no script host installed\n");
        std::abort();
    }
    return *Host;
}
} // namespace

void InstallHost(const HostFunctions* host) { Host = host; }
const HostFunctions* InstalledHost() { return Host; }

void scriptRegister(HostModule module, ScriptEntry entry) { Require().Register(module, entry); }
void scriptUnregister(HostModule module) { Require().Unregister(module); }
void scriptWait(uint32_t ms) { Require().Wait(ms); }
void nativeInit(uint64_t hash) { Require().Init(hash); }
void nativePush64(uint64_t value) { Require().Push64(value); }
uint64_t* nativeCall() { return Require().Call(); }
#endif
