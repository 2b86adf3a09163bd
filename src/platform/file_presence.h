// Telling a state file that is not there from one that is there but cannot be read (held open
// by another program, or closed to us by its permissions): only the first may be created anew,
// or the player's data would be replaced.
#pragma once

// True when nothing exists at the path; false when something does, readable or not.
bool FileIsMissing(const char* path);
