// The native catalogue's lookup by hash (the catalogue itself is native_list.h).
#include "natives/native_hashes.h"

const NativeInfo* FindNative(uint64_t hash) {
    for (const NativeInfo& n : NativeCatalogue)
        if (n.hash == hash) return &n;
    return nullptr;
}
