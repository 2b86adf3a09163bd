// The six script-host functions answered by the simulated world. A host build (the in-process
// runner here, or a stand-in host library) forwards its entry points to these.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "natives/host_interface.h"

struct World;

// The host's plumbing the world reaches through while it runs, one per process like the attached
// world: where a key press goes (the plug-in's key reader) and the trace file of every native
// call and world event. A host sets it before its run and clears it after.
struct HostGlue {
    void (*pressKey)(int virtualKey) = nullptr;
    std::FILE* trace = nullptr; // JSON lines; nullptr: no trace
    std::string traceLine;      // the line being written, kept to allocate once
};
// Read on every native call (is a trace being written?), so it is reached without a call.
inline HostGlue SimHostGlueOfProcess;
inline HostGlue& SimHostGlue() {
    return SimHostGlueOfProcess;
}

// The world the host functions act on; nullptr detaches it.
void SimAttachWorld(World* world);
World* SimAttachedWorld();

void SimScriptRegister(HostModule module, ScriptEntry entry);
void SimScriptUnregister(HostModule module);
// Advances the world by ms (a zero wait is one frame).
void SimScriptWait(uint32_t ms);
void SimNativeInit(uint64_t hash);
void SimNativePush64(uint64_t value);
uint64_t* SimNativeCall();
// SimNativeCall for a host in this process, which finds the answer in HostCallInProgress.result.
void SimNativeAnswer();

// The registered script entry, or nullptr.
ScriptEntry SimRegisteredEntry();
