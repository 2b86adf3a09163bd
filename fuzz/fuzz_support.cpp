#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "hostkit/name_hash.h"
#include "natives/native_hashes.h"
#include "platform/host_link.h"
#include "platform/paths.h"

namespace fuzz {
namespace {

uint64_t PendingHash = 0;
uint64_t PendingArgs[16];
size_t PendingCount = 0;
uint64_t Result[8];

void Register(HostModule, ScriptEntry) {}
void Unregister(HostModule) {}
void Wait(uint32_t) {}
void Init(uint64_t hash) {
    PendingHash = hash;
    PendingCount = 0;
}
void Push(uint64_t v) {
    if (PendingCount < 16) PendingArgs[PendingCount++] = v;
}
uint64_t* Call() {
    std::memset(Result, 0, sizeof Result);
    if (PendingHash == nh::GET_HASH_KEY && PendingCount > 0)
        Result[0] = GameNameHash(reinterpret_cast<const char*>(PendingArgs[0]));
    else if (PendingHash == nh::IS_MODEL_VALID && PendingCount > 0)
        Result[0] = static_cast<uint32_t>(PendingArgs[0]) % 7 != 0; // some names are unknown
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
    WorkDir =
        std::filesystem::temp_directory_path() / ("harkvane-fuzz-" + std::to_string(getpid()));
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

} // namespace fuzz
