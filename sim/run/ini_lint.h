// harkvane-sim --lint-ini: what the plug-in would make of a player's settings file, line by line.
#pragma once
#include <string>

// Checks the settings file at path and writes the report to *report. Returns 0 when nothing was
// found, 1 when something was, 2 when the file cannot be read.
int LintIniFile(const std::string& path, std::string* report);
