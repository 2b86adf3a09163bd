// Settings that are each valid alone but together switch a feature off without a word: Horse
// posses that bring no horses, a witness count that can never be reached, a tier no bounty
// reaches. For the settings checker; reads the configuration as the loaders left it.
#pragma once
#include "config/config_diagnostics.h"

void NoteSettingsThatSwitchOff(ConfigDiagnostics& d);
