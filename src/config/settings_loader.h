// Reads Harkvane.ini into the settings record (and the rosters it carries).
#pragma once
#include "config/settings.h"

void LoadSettings(Settings& settings);
