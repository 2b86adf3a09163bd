// The plug-in's files in the work directory, laid out as a scenario says (the simulator's runner
// and the stand-in host both start a run this way).
#pragma once
#include "scenario/scenario.h"

// Writes the settings file when the scenario gives one, and each state file it gives; a state
// file it does not give is removed, so the run starts without it.
void LayOutPluginFiles(const Scenario& scenario);
