// Arbitrary bytes as a scenario file: the simulator's reader must refuse bad input with one line
// and never crash, hang or allocate without bound.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "scenario/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Scenario scenario;
    std::string error;
    if (!ParseScenario(text, ".", &scenario, &error) &&
        (error.empty() || error.find('\n') != std::string::npos || error.rfind("$", 0) != 0)) {
        std::fprintf(stderr, "refusal is not one line naming a path: [%s]\n", error.c_str());
        std::abort();
    }
    return 0;
}
