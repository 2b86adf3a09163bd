// Replacing a small state file so that a crash or a kill at any moment leaves either the old
// contents or the new, never a short or empty file: the data goes to "<path>.tmp" first, is
// flushed to disk, and only then renamed over the old file.
#pragma once
#include <cstddef>

#include "platform/host_kind.h"

// Returns true when the new contents are in place. On failure the old file is left untouched
// and the temporary file is removed.
bool ReplaceFileContents(const char* path, const char* data, size_t size);

#if !HARKVANE_WINDOWS_HOST
// Off the game, where the work folder is thrown away (the simulator), the flush to disk may be
// left out: the rename still puts the new contents in place whole, and a killed process loses
// nothing the system already holds; only a power cut could. The game's DLL always flushes.
void SetStateFilesFlushedToDisk(bool flushed);
#endif
