// Arbitrary text as a configured hash: a number keeps its low 32 bits, a name goes to the host.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "natives/hash_keys.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const Hash h = ParseHashKey(text.c_str());
    // Blank text is no hash at all.
    if (text.find_first_not_of(" \t") == std::string::npos && h != 0) std::abort();
    if (text == "0x" && h != 0) std::abort();
    return 0;
}
