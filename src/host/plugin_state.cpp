#include "host/plugin_state.h"

PluginState G;

void ResetPluginState() { G = PluginState{}; }
