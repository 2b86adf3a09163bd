// The plug-in's one state block. Every mutable value of the plug-in lives here, so a single
// reset (ResetPluginState) returns it to the state it has when the library loads.
#pragma once
#include <cstdint>

#include "state/bounty_state.h"
#include "state/config_state.h"
#include "state/log_state.h"
#include "state/loop_state.h"
#include "state/posse_state.h"
#include "state/settings.h"
#include "state/spawn_state.h"
#include "state/story.h"

struct PlatformState {
    uint32_t RandState = 1; // the C runtime's generator starts as if seeded with 1
};

struct PluginState {
    Settings settings;
    ConfigState config;
    LoopState loop;
    PoolState pools;
    WitnessState witness;
    SpawnState spawn;
    PursuitState pursuit;
    HarkvaneState harkvane;
    DespawnState despawn;
    PlatformState platform;
    StoryState story;
    LogState log;
};

extern PluginState G;

// Back to library-load state: default settings, empty lists and tables, zeroed timers.
void ResetPluginState();
