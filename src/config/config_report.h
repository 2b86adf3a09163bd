// Renders the configuration the plug-in actually understood, as INI-style text.
#pragma once
#include <string>

// `source` names where the settings were read from (the header says so); the form without it
// names the settings file path.
std::string RenderEffectiveConfig(const std::string& source);
std::string RenderEffectiveConfig();
