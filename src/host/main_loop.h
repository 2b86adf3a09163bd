// The script: start-up, one pass per frame, and the library's attach/detach work.
#pragma once
#include "natives/host_interface.h"

// The host runs this on its script fiber; it never returns.
void ScriptMain();
// Start-up of ScriptMain: seed, configuration, streak, timer, day number.
void ScriptStartup();
// One per-frame pass, without the closing scriptWait(0).
void ScriptFramePass();
void ArmSpawnTimer();
// Library entry work: attach registers the script, detach deletes our peds and unregisters.
void PluginAttach(HostModule module);
void PluginDetach(HostModule module);
