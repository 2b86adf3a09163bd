// Shared set-up of the fuzz targets: a script host and a private working directory for the
// plug-in's files. The host answers from a frames input while one is given (the frames target;
// see frames_input.h) and otherwise from its own small model: names hash, some model names are
// unknown, the peds the plug-in created exist until deleted or reported gone, everything else
// answers 0.
#pragma once
#include <cstddef>
#include <cstdint>
#include <unordered_set>

namespace frames {
class Reader;
}

namespace fuzz {
// Installs the host and moves into a fresh scratch directory; call once per process.
void Start();
// Replaces the named file (as the plug-in names it, e.g. ".\\Harkvane.ini") with the bytes.
void WriteFile(const char* pluginPath, const uint8_t* data, size_t size);

// What the host saw, for the frames target's checks.
struct HostRecord {
    uint64_t calls = 0; // native calls and waits
    uint64_t waits = 0;
    // Handles the creation native handed out that were not deleted or reported gone since.
    std::unordered_set<uint32_t> pluginPeds;
    // When `calls` passes `callLimit` the host asks `overLimit`, which may raise the limit (and
    // returns true) or report the freeze.
    uint64_t callLimit = UINT64_MAX;
    bool (*overLimit)() = nullptr;
};
HostRecord& Record();
// Answers come from `reader` (nullptr: from the model); the record starts afresh.
void AnswerFrom(frames::Reader* reader);
} // namespace fuzz
