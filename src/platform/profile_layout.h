// The settings file as the portable profile reader parses it, with line numbers, and the rules
// by which its lookups pick a section and a key. For the simulator's settings checker, so that
// what it says about a file follows the reader itself (not built into the game's DLL).
#pragma once
#include "platform/host_kind.h"
#if !HARKVANE_WINDOWS_HOST
#include <string>
#include <vector>

struct ProfileKey {
    std::string name;
    std::string value;
    bool hasValue = false; // the line had an "="
    int line = 0;          // 1-based line in the file
};

struct ProfileSection {
    std::string name; // empty for the lines before the first header
    std::vector<ProfileKey> keys;
    int line = 0; // the header's line; 0 for the lines before the first header
};

// The sections of the file in file order, duplicates included; false when it cannot be read.
bool ReadProfileLayout(const char* fileName, std::vector<ProfileSection>& out);
// The section a lookup of `name` reads: the first whose name matches; -1 when none does.
int ProfileSectionIndex(const std::vector<ProfileSection>& sections, const char* name);
// The key a lookup of `name` in the section finds: the first that matches; -1 when none does.
int ProfileKeyIndex(const ProfileSection& section, const char* name);
// True when a whole-section read lists the key (comment lines and bare blank names are not).
bool ProfileListsKey(const ProfileKey& key);
#endif
