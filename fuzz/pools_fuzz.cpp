// Arbitrary bytes as the pool file: the load keeps a complete set of non-negative values or
// the values already in memory, and what it keeps saves and loads back unchanged.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>

#include "bounty/bounty_pools.h"
#include "fuzz_support.h"
#include "state/plugin_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::WriteFile(".\\BountyPools.dat", data, size);
    ResetPluginState();
    constexpr int32_t Before[6] = {11, 22, 33, 44, 55, 165};
    std::copy(std::begin(Before), std::end(Before), std::begin(G.pools.PoolFileValues));
    LoadBountyPools();
    const bool kept =
        std::equal(std::begin(Before), std::end(Before), std::begin(G.pools.PoolFileValues));
    for (int32_t v : G.pools.PoolFileValues)
        if (v < 0 && !kept) std::abort();
    int32_t loaded[6];
    std::copy(std::begin(G.pools.PoolFileValues), std::end(G.pools.PoolFileValues), loaded);
    SaveBountyPools();
    std::fill(std::begin(G.pools.PoolFileValues), std::end(G.pools.PoolFileValues), -1);
    LoadBountyPools();
    if (!std::equal(std::begin(loaded), std::end(loaded), std::begin(G.pools.PoolFileValues)))
        std::abort();
    return 0;
}
