// The loaders' notes on a settings file in the words a player reads, shared by the settings
// checker and the player's log, so both say the same of the same file.
#pragma once
#include <string>
#include <vector>

#include "config/config_diagnostics.h"

// The known name closest to `name` (fewest letters to change, case ignored); empty when none is
// known.
std::string ClosestName(const std::string& name, const std::vector<std::string>& known);

// "[Section] Key: what the loader did (closest known name: X)". `afterKey` follows the key's
// name (the checker says " (not in the file)" there).
std::string ConfigNoteText(const ConfigNote& note, const char* afterKey = "");
