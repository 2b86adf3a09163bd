// Counts heap allocations made through the global operator new (replaced in alloc_counter.cpp).
#pragma once
#include <cstdint>

namespace bench {
uint64_t AllocationCount();
} // namespace bench
