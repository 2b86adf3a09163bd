// The six functions of the script-hook host. Every game access of the plug-in ends here.
// On Windows they are imported from the host DLL; elsewhere a host (the simulated world or a
// test host) installs its own implementation through platform/host_link.h.
#pragma once
#include <cstdint>

using HostModule = void*;
using ScriptEntry = void (*)();

void scriptRegister(HostModule module, ScriptEntry entry);
void scriptUnregister(HostModule module);
void scriptWait(uint32_t ms);
void nativeInit(uint64_t hash);
void nativePush64(uint64_t value);
uint64_t* nativeCall();
