// harkvane-sim: until the simulated world lands, prints the native catalogue the plug-in uses.
#include <cinttypes>
#include <cstdio>

#include "natives/native_hashes.h"

int main() {
    std::printf("Harkvane native catalogue (%zu natives)\n", NativeCatalogueSize);
    for (const NativeInfo& n : NativeCatalogue)
        std::printf("  0x%016" PRIX64 "  %-32s args=%-14s result=%s\n", n.hash, n.name, n.args,
                    n.result);
    return 0;
}
