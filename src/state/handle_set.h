// A set of non-zero ped handles with constant-time insert and lookup that keeps its storage
// across clear(), so a pass can rebuild it every frame without allocating.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "natives/types.h"

struct HandleSet {
    std::vector<Ped> slots; // open addressing, 0 = empty; size is a power of two or 0
    size_t count = 0;

    size_t Size() const { return count; }
    bool Empty() const { return count == 0; }

    void Clear() {
        if (count != 0) std::fill(slots.begin(), slots.end(), Ped{0});
        count = 0;
    }

    // Makes room for n handles without further growth.
    void Reserve(size_t n) {
        size_t want = 16;
        while (want < n * 2)
            want *= 2;
        if (want > slots.size()) Rehash(want);
    }

    bool Contains(Ped p) const {
        if (p == 0 || slots.empty()) return false;
        const size_t mask = slots.size() - 1;
        for (size_t i = Mix(p) & mask;; i = (i + 1) & mask) {
            if (slots[i] == p) return true;
            if (slots[i] == 0) return false;
        }
    }

    // Adds p (0 is never stored); true when it was not there yet.
    bool Insert(Ped p) {
        if (p == 0) return false;
        if ((count + 1) * 2 > slots.size()) Rehash(slots.empty() ? 16 : slots.size() * 2);
        const size_t mask = slots.size() - 1;
        for (size_t i = Mix(p) & mask;; i = (i + 1) & mask) {
            if (slots[i] == p) return false;
            if (slots[i] == 0) {
                slots[i] = p;
                ++count;
                return true;
            }
        }
    }

    // Removes p; true when it was there. The entries after it move back toward their home
    // slots so that every lookup still finds them.
    bool Erase(Ped p) {
        if (p == 0 || slots.empty()) return false;
        const size_t mask = slots.size() - 1;
        size_t hole = Mix(p) & mask;
        while (slots[hole] != p) {
            if (slots[hole] == 0) return false;
            hole = (hole + 1) & mask;
        }
        slots[hole] = 0;
        --count;
        for (size_t i = (hole + 1) & mask; slots[i] != 0; i = (i + 1) & mask) {
            const size_t home = Mix(slots[i]) & mask;
            // The entry may stay when its home lies cyclically in (hole, i].
            const bool stays = hole <= i ? (hole < home && home <= i) : (hole < home || home <= i);
            if (stays) continue;
            slots[hole] = slots[i];
            slots[i] = 0;
            hole = i;
        }
        return true;
    }

    void Swap(HandleSet& other) {
        slots.swap(other.slots);
        std::swap(count, other.count);
    }

  private:
    static size_t Mix(Ped p) { return static_cast<size_t>((p * 0x9E3779B97F4A7C15ull) >> 32); }

    void Rehash(size_t size) {
        std::vector<Ped> old;
        old.swap(slots);
        slots.assign(size, 0);
        count = 0;
        for (Ped p : old)
            if (p != 0) Insert(p);
    }
};
