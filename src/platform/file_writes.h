// A count of the files this process has written or moved, for a host outside the game that
// watches the plug-in's files (the simulator's timeline tells each change of a state file): it
// reads them again only after something was written, not every time it looks. Every writer of
// those files notes its write here: the state files, the player's log and, in the simulator, the
// scenario's own rewrites.
#pragma once
#include <cstdint>

void NoteFileWritten();
uint64_t FilesWrittenSoFar();
