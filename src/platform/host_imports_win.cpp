// The Windows DLL's binding of the six host functions. The host exports them under their
// Microsoft-decorated C++ names, which this compiler cannot produce; the import library built
// from windows/ScriptHookRDR2.def gives each one a plain C name (HostScriptRegister, ...) that
// imports the decorated one. The functions below are thin forwards to those imports.
#include "platform/host_kind.h"
#if HARKVANE_WINDOWS_HOST
#include <windows.h>

#include <cstdint>

#include "natives/host_interface.h"

extern "C" {
__declspec(dllimport) void HostScriptRegister(HMODULE module, void (*entry)());
__declspec(dllimport) void HostScriptUnregister(HMODULE module);
__declspec(dllimport) void HostScriptWait(DWORD ms);
__declspec(dllimport) void HostNativeInit(UINT64 hash);
__declspec(dllimport) void HostNativePush64(UINT64 value);
__declspec(dllimport) PUINT64 HostNativeCall();
}

void scriptRegister(HostModule module, ScriptEntry entry) {
    HostScriptRegister(static_cast<HMODULE>(module), entry);
}
void scriptUnregister(HostModule module) { HostScriptUnregister(static_cast<HMODULE>(module)); }
void scriptWait(uint32_t ms) { HostScriptWait(ms); }
void nativeInit(uint64_t hash) { HostNativeInit(hash); }
void nativePush64(uint64_t value) { HostNativePush64(value); }
uint64_t* nativeCall() { return HostNativeCall(); }
#endif
