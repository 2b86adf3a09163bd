// harkvane-host.exe: runs the plug-in DLL the way the game's script host does, over the
// simulated world in the stand-in ScriptHookRDR2.dll. It loads the plug-in (its library entry
// registers the script), runs every registered script on its own fiber, advances the world
// each time a script waits, and unloads the plug-in at the end (its detach clean-up).
//
//   harkvane-host.exe [SCENARIO.json] [--plugin Harkvane.asi] [harkvane-sim options...]
//
// Two of the plug-in's imports are redirected to the world, in the plug-in's import table only:
// USER32!GetAsyncKeyState (the scenario's key presses) and the C runtime's calendar clock (so
// the generator seed, and with it every posse, follows the scenario's seed as in harkvane-sim).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "standin_api.h"

namespace {
// Unix absolute paths given under Wine name the same files on drive Z:.
std::string WindowsPath(const std::string& path) {
    return (!path.empty() && path[0] == '/') ? "Z:" + path : path;
}

bool IsPathOption(const char* arg) {
    return !std::strcmp(arg, "--workdir") || !std::strcmp(arg, "--summary") ||
           !std::strcmp(arg, "--trace") || !std::strcmp(arg, "--map") || !std::strcmp(arg, "--ini");
}

// Replaces the import-table slot of `dll`!`function` in `module` with `replacement`.
// Returns false when the module does not import that function.
bool PatchImport(HMODULE module, const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return false;
    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         desc->Name != 0; ++desc) {
        if (_stricmp(reinterpret_cast<const char*>(base + desc->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
            DWORD old = 0;
            VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &old);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof(void*), old, &old);
            return true;
        }
    }
    return false;
}

void* HostFiber = nullptr;

struct ScriptFiber {
    void (*entry)();
    void* fiber;
};

VOID CALLBACK RunScript(LPVOID parameter) {
    auto* script = static_cast<ScriptFiber*>(parameter);
    script->entry();
    // A script function is not meant to return; if it does, it just stops being scheduled.
    script->entry = nullptr;
    for (;;) SwitchToFiber(HostFiber);
}
} // namespace

int main(int argc, char** argv) {
    std::string plugin = "Harkvane.asi";
    std::vector<std::string> args{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--plugin") && i + 1 < argc) {
            plugin = argv[++i];
        } else if (IsPathOption(argv[i]) && i + 1 < argc) {
            args.push_back(argv[i]);
            args.push_back(WindowsPath(argv[++i]));
        } else {
            args.push_back(argv[i][0] == '/' ? WindowsPath(argv[i]) : argv[i]);
        }
    }
    std::vector<char*> worldArgv;
    for (std::string& a : args) worldArgv.push_back(a.data());

    // The plug-in is found relative to where the host was started, before moving into the
    // work directory where it keeps its files.
    char pluginPath[MAX_PATH];
    if (!GetFullPathNameA(WindowsPath(plugin).c_str(), MAX_PATH, pluginPath, nullptr)) {
        std::fprintf(stderr, "harkvane-host: bad plug-in path %s\n", plugin.c_str());
        return 2;
    }

    const char* workdir = StandinOpen(static_cast<int>(worldArgv.size()), worldArgv.data());
    if (!workdir) return 2;
    if (!SetCurrentDirectoryA(WindowsPath(workdir).c_str())) {
        std::fprintf(stderr, "harkvane-host: cannot enter work directory %s\n", workdir);
        return 2;
    }

    HostFiber = ConvertThreadToFiber(nullptr);
    StandinSetHostFiber(HostFiber);

    HMODULE module = LoadLibraryA(pluginPath);
    if (!module) {
        std::fprintf(stderr, "harkvane-host: cannot load %s (error %lu)\n", pluginPath,
                     GetLastError());
        return 2;
    }
    PatchImport(module, "USER32.dll", "GetAsyncKeyState",
                reinterpret_cast<void*>(&StandinGetAsyncKeyState));
    PatchImport(module, "msvcrt.dll", "_time64", reinterpret_cast<void*>(&StandinTime64));
    PatchImport(module, "msvcrt.dll", "time", reinterpret_cast<void*>(&StandinTime64));
    PatchImport(module, "msvcrt.dll", "_time32", reinterpret_cast<void*>(&StandinTime32));

    std::deque<ScriptFiber> scripts; // fibers keep pointers to their entries
    while (!StandinFinished()) {
        // Scripts registered since the last round get their fiber now.
        for (int i = static_cast<int>(scripts.size()); i < StandinScriptCount(); ++i)
            scripts.push_back({StandinScriptEntry(i), nullptr});
        if (scripts.empty()) {
            StandinAdvance(0);
            continue;
        }
        for (ScriptFiber& script : scripts) {
            if (!script.entry) continue;
            if (!script.fiber) script.fiber = CreateFiber(0, RunScript, &script);
            StandinResume(script.fiber);
            StandinAdvance(StandinTakeWait());
        }
    }

    FreeLibrary(module);
    for (ScriptFiber& script : scripts)
        if (script.fiber) DeleteFiber(script.fiber);
    ConvertFiberToThread();
    return StandinClose();
}
