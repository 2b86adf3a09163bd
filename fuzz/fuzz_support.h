// Shared set-up of the fuzz targets: a minimal script host (names hash, every model is valid,
// everything else answers 0) and a private working directory for the plug-in's files.
#pragma once
#include <cstddef>
#include <cstdint>

namespace fuzz {
// Installs the host and moves into a fresh scratch directory; call once per process.
void Start();
// Replaces the named file (as the plug-in names it, e.g. ".\\Harkvane.ini") with the bytes.
void WriteFile(const char* pluginPath, const uint8_t* data, size_t size);
} // namespace fuzz
