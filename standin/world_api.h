// What the stand-in host needs from a simulated world: open a run from the command line,
// answer native calls, advance by a script's wait, answer key and calendar queries, and write
// the run's outputs. The world lives in ScriptHookRDR2.dll beside the host's six functions.
#pragma once
#include <cstdint>

// Parses the harkvane-sim command line (scenario, --seed, --seconds, --workdir, --summary, ...),
// loads the scenario and prepares the work directory. Returns false (after printing why) when
// the run cannot start. The work directory, as given or chosen, is returned in `workdir`.
bool WorldOpen(int argc, char** argv, const char** workdir);
// The host's register and unregister calls, for the world's record of the run.
void WorldScriptRegistered(void* module, void (*entry)());
void WorldScriptUnregistered(void* module);
void WorldNativeInit(uint64_t hash);
void WorldNativePush64(uint64_t value);
uint64_t* WorldNativeCall();
// Advances the world after a script yielded with a wait of `ms` (0: one frame).
void WorldAdvance(uint32_t ms);
bool WorldFinished();
// Bit 0: pressed since the previous query.
int16_t WorldKeyState(int virtualKey);
// The calendar time the plug-in's C runtime reports (fixed by the scenario's seed).
int64_t WorldCalendarTime();
// Writes the summary and the other outputs; returns the process exit code.
int WorldClose();
