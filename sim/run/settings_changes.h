// Which settings a sweep ran with: the file they came from and every setting the plug-in
// understood differently from its built-in defaults (the values it uses when a key is missing).
#pragma once
#include <string>
#include <vector>

#include "run/sweep_report.h"
#include "scenario/scenario.h"

// Where the scenario's settings come from, in words.
std::string SettingsSource(const Scenario& scenario);
// Loads the defaults and then the scenario's settings as the plug-in does (the settings text is
// written to scratchFile first) and lists what differs, in the order the plug-in reports its
// settings. Leaves the plug-in's state loaded with the scenario's settings.
std::vector<SettingChange> SettingsChanged(const Scenario& scenario,
                                           const std::string& scratchFile);
