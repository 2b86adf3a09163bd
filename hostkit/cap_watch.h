// The tracked list's cap as the hosts that put the plug-in under strain watch it (the soak and
// the frames fuzzer): after each frame's clean-up, the peds the cap may remove stand within
// Spawner.MaxAlive + 10, or the cap is still trimming its full five a frame. Counted from the
// plug-in's state without a native call, so watching changes no answer the plug-in gets.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "posse/harkvane_event.h"
#include "state/plugin_state.h"

// Tracked peds the cap may remove: all but the army's soldiers while they are protected.
inline size_t PedsTheCapMayRemove() {
    size_t n = 0;
    const bool spare = G.settings.Harkvane.ProtectFromMaxAlive;
    for (Ped p : G.spawn.SpawnedPeds)
        if (!(spare && p != 0 && IsHarkvaneMember(p))) ++n;
    return n;
}

// What broke the cap's rule in a clean-up that left `after` removable peds of `before`; empty
// when it held.
inline std::string CapRuleBroken(size_t before, size_t after) {
    constexpr int64_t CapSlack = 10;
    constexpr size_t CapStep = 5;
    const int64_t limit = std::max<int64_t>(int64_t{G.settings.Spawner.MaxAlive} + CapSlack, 0);
    if (static_cast<int64_t>(after) <= limit || after + CapStep <= before) return std::string();
    return "tracked list above Spawner.MaxAlive + 10 after clean-up: " + std::to_string(after) +
           " (limit " + std::to_string(limit) + ", before " + std::to_string(before) + ")";
}
