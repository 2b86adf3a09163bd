// The fuzz targets' shared host and working folder, kept apart so that each target holds only
// the reader it drives.
#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "frames_input.h"
#include "hostkit/name_hash.h"
#include "hostkit/slots.h"
#include "natives/native_hashes.h"
#include "platform/host_link.h"
#include "platform/paths.h"

namespace fuzz {
namespace {

// Room for the longest call of the catalogue; a longer one keeps its first slots.
constexpr size_t MaxSlots = 16;

uint64_t PendingHash = 0;
uint64_t PendingArgs[MaxSlots];
size_t PendingCount = 0;
uint64_t Result[8];
frames::Reader* Feed = nullptr;
HostRecord Seen;

void Count() {
    if (++Seen.calls > Seen.callLimit && !(Seen.overLimit && Seen.overLimit())) {
        std::fprintf(stderr, "fuzz: a frame passed its bound of host calls (%llu since start)\n",
                     static_cast<unsigned long long>(Seen.calls));
        std::abort();
    }
}

void Register(HostModule, ScriptEntry) {}
void Unregister(HostModule) {}
void Wait(uint32_t) {
    Count();
    ++Seen.waits;
}
void Init(uint64_t hash) {
    PendingHash = hash;
    PendingCount = 0;
}
void Push(uint64_t v) {
    if (PendingCount < MaxSlots) PendingArgs[PendingCount++] = v;
}

bool IsPluginPed(uint64_t slot) {
    return Seen.pluginPeds.count(SlotU32(slot)) != 0;
}

// The model's answer, when no input gives one.
void ModelAnswer() {
    const uint64_t first = PendingCount > 0 ? PendingArgs[0] : 0;
    switch (PendingHash) {
    case nh::GET_HASH_KEY:
        Result[0] = GameNameHash(SlotPointer<const char>(first));
        break;
    case nh::IS_MODEL_VALID:
        Result[0] = static_cast<uint32_t>(first) % 7 != 0; // some names are unknown
        break;
    case nh::DOES_ENTITY_EXIST:
    case nh::IS_ENTITY_A_PED:
        Result[0] = IsPluginPed(first);
        break;
    default:
        break;
    }
}

// Keeps the record of the plug-in's peds: created, deleted, or reported gone by the game.
void Observe(uint32_t deletedHandle) {
    switch (PendingHash) {
    case nh::CREATE_PED:
        if (SlotU32(Result[0]) != 0) Seen.pluginPeds.insert(SlotU32(Result[0]));
        break;
    case nh::DELETE_ENTITY:
        Seen.pluginPeds.erase(deletedHandle);
        break;
    case nh::DOES_ENTITY_EXIST:
        if (PendingCount > 0 && SlotU32(Result[0]) == 0)
            Seen.pluginPeds.erase(SlotU32(PendingArgs[0]));
        break;
    default:
        break;
    }
}

uint64_t* Call() {
    Count();
    std::memset(Result, 0, sizeof Result);
    // The handle as the plug-in handed it over, before the host may zero it.
    const uint32_t deleted = PendingHash == nh::DELETE_ENTITY && PendingCount > 0
                                 ? *SlotPointer<uint32_t>(PendingArgs[0])
                                 : 0;
    if (!Feed || !Feed->Answer(PendingHash, PendingArgs, PendingCount, Result)) ModelAnswer();
    Observe(deleted);
    return Result;
}

const HostFunctions Host = {Register, Unregister, Wait, Init, Push, Call};

} // namespace

namespace {

std::filesystem::path WorkDir;

// A run that ends normally takes its working folder with it; after a crash the folder stays
// beside the crash input for a look.
void RemoveWorkDir() {
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
    std::filesystem::remove_all(WorkDir, ignored);
}

} // namespace

void Start() {
    InstallHost(&Host);
    // The plug-in flushes every state file it writes to disk; in memory that costs nothing.
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    WorkDir = base / ("harkvane-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(WorkDir);
    std::filesystem::current_path(WorkDir);
    std::atexit(RemoveWorkDir);
}

void WriteFile(const char* pluginPath, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(PlatformPath(pluginPath), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

HostRecord& Record() {
    return Seen;
}

void AnswerFrom(frames::Reader* reader) {
    Feed = reader;
    Seen = HostRecord();
}

} // namespace fuzz
