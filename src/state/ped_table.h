// A fixed-capacity open-addressing table of ped handles, each with a small value. Lookups are
// O(1) and nothing is ever allocated, so the per-frame passes can consult it freely. Handle 0 is
// never stored (it marks a free slot).
#pragma once
#include <cstdint>
#include <cstring>

#include "natives/types.h"

template <int Capacity> struct PedTable {
    static_assert((Capacity & (Capacity - 1)) == 0, "capacity must be a power of two");

    Ped keys[Capacity] = {};
    int32_t values[Capacity] = {};
    int32_t size = 0;

    void Clear() {
        std::memset(keys, 0, sizeof keys);
        size = 0;
    }

    // The value stored for the ped, or nullptr.
    int32_t* Find(Ped ped) {
        if (ped == 0) return nullptr;
        for (uint32_t i = Slot(ped);; i = (i + 1) & (Capacity - 1)) {
            if (keys[i] == ped) return &values[i];
            if (keys[i] == 0) return nullptr;
        }
    }
    bool Contains(Ped ped) { return Find(ped) != nullptr; }

    // Adds or replaces; refuses 0 and a table more than half full (callers keep below that).
    bool Put(Ped ped, int32_t value) {
        if (ped == 0) return false;
        uint32_t i = Slot(ped);
        for (; keys[i] != 0; i = (i + 1) & (Capacity - 1)) {
            if (keys[i] == ped) {
                values[i] = value;
                return true;
            }
        }
        if (size * 2 >= Capacity) return false;
        keys[i] = ped;
        values[i] = value;
        ++size;
        return true;
    }

  private:
    static uint32_t Slot(Ped ped) { return (ped * 0x9E3779B1u) >> 7 & (Capacity - 1); }
};
