// An allocator for the node-based handle tables (std::unordered_map keyed by ped handle). Nodes
// of erased entries go on a free list and serve the next insert, so a table whose hunters come
// and go allocates only when it grows past its largest size so far. Single-threaded, like
// everything else of the plug-in (it runs on the host's script fiber).
#pragma once
#include <cstddef>
#include <new>

namespace recycling {
struct FreeNode {
    FreeNode* next;
};
// One free list per node type; nodes stay reachable from here, so they are never leaked.
template <class T> inline FreeNode* freeList = nullptr;
} // namespace recycling

template <class T> struct RecyclingAllocator {
    using value_type = T;

    RecyclingAllocator() noexcept = default;
    template <class U> RecyclingAllocator(const RecyclingAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if constexpr (sizeof(T) >= sizeof(recycling::FreeNode)) {
            recycling::FreeNode*& head = recycling::freeList<T>;
            if (n == 1 && head != nullptr) {
                recycling::FreeNode* node = head;
                head = node->next;
                return reinterpret_cast<T*>(node);
            }
        }
        return static_cast<T*>(::operator new(n * sizeof(T)));
    }

    void deallocate(T* p, std::size_t n) noexcept {
        if constexpr (sizeof(T) >= sizeof(recycling::FreeNode)) {
            if (n == 1) {
                recycling::FreeNode* node = reinterpret_cast<recycling::FreeNode*>(p);
                node->next = recycling::freeList<T>;
                recycling::freeList<T> = node;
                return;
            }
        }
        ::operator delete(p);
    }

    template <class U> bool operator==(const RecyclingAllocator<U>&) const noexcept { return true; }
};
