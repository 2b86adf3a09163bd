// The plain C functions ScriptHookRDR2.dll (stand-in) exports for harkvane-host.exe.
#pragma once
#include <windows.h>

#include <cstdint>

extern "C" {
// Opens the run (see WorldOpen); returns the work directory or nullptr.
const char* StandinOpen(int argc, char** argv);
// The fiber scriptWait switches back to.
void StandinSetHostFiber(void* fiber);
// Runs a script fiber until its next scriptWait.
void StandinResume(void* scriptFiber);
// Scripts registered and not unregistered, in registration order.
int StandinScriptCount();
void (*StandinScriptEntry(int index))();
// The wait the script that just yielded asked for.
uint32_t StandinTakeWait();
void StandinAdvance(uint32_t ms);
int StandinFinished();
int StandinClose();
// Stand-ins patched into the plug-in's import table.
SHORT WINAPI StandinGetAsyncKeyState(int virtualKey);
int64_t StandinTime64(int64_t* out);
int32_t StandinTime32(int32_t* out);
}
