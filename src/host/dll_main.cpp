// The Windows library entry: the loader calls it on attach and detach; the portable attach and
// detach work of the main loop does the rest. Thread notifications need nothing.
#include <windows.h>

#include "host/main_loop.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        PluginAttach(instance);
        break;
    case DLL_PROCESS_DETACH:
        PluginDetach(instance);
        break;
    default:
        break;
    }
    return TRUE;
}
