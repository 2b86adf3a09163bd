// Replacing a small state file so that a crash or a kill at any moment leaves either the old
// contents or the new, never a short or empty file: the data goes to "<path>.tmp" first, is
// flushed to disk, and only then renamed over the old file.
#pragma once
#include <cstddef>

// Returns true when the new contents are in place. On failure the old file is left untouched
// and the temporary file is removed.
bool ReplaceFileContents(const char* path, const char* data, size_t size);
