// A test of the plug-in against the recording host: a fresh state block, the story recorded, the
// host installed, all in a scratch folder of its own (the plug-in writes its files beside it).
// Fixtures that set more up call PluginFixture::SetUp() first.
#pragma once
#include <gtest/gtest.h>

#include "recording_host.h"
#include "scratch_dir.h"
#include "state/plugin_state.h"
#include "story_recorder.h"

struct PluginFixture : ::testing::Test {
    ScratchDir scratch;
    RecordingHost host;
    StoryRecorder story;

    void SetUp() override {
        ResetPluginState();
        story.Attach();
        host.Install();
    }
    void TearDown() override { host.Uninstall(); }
};
