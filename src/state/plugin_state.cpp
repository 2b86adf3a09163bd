// The plug-in's one state block and its reset, the single place its mutable values live.
#include "state/plugin_state.h"

PluginState G;

void ResetPluginState() {
    G = PluginState{};
}
