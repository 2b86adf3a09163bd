// Reads Harkvane.ini into the settings record (and the rosters it carries).
#pragma once
#include "state/settings.h"

void LoadSettings(Settings& settings);
