#include "host/main_loop.h"

void ScriptMain() {
    ScriptStartup();
    for (;;) {
        ScriptFramePass();
        scriptWait(0);
    }
}
void ScriptStartup() {}
void ScriptFramePass() {}
void ArmSpawnTimer() {}
void PluginAttach(HostModule module) { scriptRegister(module, ScriptMain); }
void PluginDetach(HostModule module) { scriptUnregister(module); }
