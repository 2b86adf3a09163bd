// Renders the configuration the plug-in actually understood, as INI-style text.
#pragma once
#include <string>

std::string RenderEffectiveConfig();
