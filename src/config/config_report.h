// Renders the configuration the plug-in actually understood, as INI-style text.
#pragma once
#include <map>
#include <string>

// Every value the report shows, by section, loadout (in [Weapons]) and key: what a load of no
// file gives is the built-in default the report compares against.
using EffectiveValues = std::map<std::string, std::string>;
EffectiveValues CollectEffectiveValues();

// `source` names where the settings were read from (the header says so); the form without it
// names the settings file path. With `defaults`, each value that differs from its built-in
// default gets a note line above it naming the default.
std::string RenderEffectiveConfig(const std::string& source,
                                  const EffectiveValues* defaults = nullptr);
std::string RenderEffectiveConfig();
