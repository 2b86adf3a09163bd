#include "state/plugin_state.h"

PluginState G;

void ResetPluginState() {
    G = PluginState{};
}
