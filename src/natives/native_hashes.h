// Named constants for every native hash, and the catalogue as a table (for tests and hosts).
#pragma once
#include <cstddef>
#include <cstdint>

#include "natives/native_list.h"

namespace nh {
#define HARKVANE_HASH_CONSTANT(name, hash, args, result) inline constexpr uint64_t name = hash;
HARKVANE_NATIVES(HARKVANE_HASH_CONSTANT)
#undef HARKVANE_HASH_CONSTANT
} // namespace nh

struct NativeInfo {
    const char* name;
    uint64_t hash;
    const char* args;   // one kind letter per pushed slot (see native_list.h)
    const char* result; // one kind letter
};

inline constexpr NativeInfo NativeCatalogue[] = {
#define HARKVANE_CATALOGUE_ENTRY(name, hash, args, result) {#name, hash, args, result},
    HARKVANE_NATIVES(HARKVANE_CATALOGUE_ENTRY)
#undef HARKVANE_CATALOGUE_ENTRY
};
inline constexpr size_t NativeCatalogueSize = sizeof(NativeCatalogue) / sizeof(NativeCatalogue[0]);

// The catalogue entry of a hash, or nullptr.
const NativeInfo* FindNative(uint64_t hash);
