// Putting a freshly written file in place of an older one in a single step, so a reader (or a
// restart after a crash) sees either the old file or the new one, never a half-written one.
#pragma once

// Moves `from` over `to`, replacing `to` when it exists. Both must be in the same folder.
// Returns false when the move failed; `from` is then left where it was.
bool ReplaceFileAtomically(const char* from, const char* to);
