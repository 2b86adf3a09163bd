// What a configuration load noticed about the settings file, for the simulator's settings
// checker. The game never sets a sink: there each note costs the loaders one null test.
#pragma once
#include <string>
#include <vector>

struct ConfigQuery {
    std::string section;
    std::string key; // empty: the whole section was read
};

struct ConfigNote {
    std::string section;
    std::string key; // the key read; empty for a note on a section read whole
    // For a section read whole: the line's place among the section's listed lines (-1: none).
    int entry = -1;
    std::string text; // what the loader did, e.g. "\"abc\" is not a number; 0 is used"
    // Set when the note is about a name the loader does not know: the name, and those it knows.
    std::string unknownName;
    std::vector<std::string> knownNames;
};

struct ConfigDiagnostics {
    // Every section and key the loaders asked the file for, in order.
    std::vector<ConfigQuery> queries;
    std::vector<ConfigNote> notes;
};
