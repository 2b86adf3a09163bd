// Forwards the plug-in's events to whoever listens (state/story.h says how to listen).
#include "state/story.h"

#include "state/plugin_state.h"

namespace {

// One test when nobody listens; otherwise the event is filled in and handed to each listener in
// the order they were attached.
template <class Fill> void Tell(StoryKind kind, Fill fill) {
    const StoryState& story = G.story;
    if (story.ListenerCount == 0) return;
    StoryEvent event;
    event.kind = kind;
    fill(event);
    for (int i = 0; i < story.ListenerCount; ++i)
        story.Listeners[i].hear(story.Listeners[i].context, event);
}

} // namespace

StoryArmy ArmyStoryNow() {
    const HarkvaneState& hv = G.harkvane;
    StoryArmy army{};
    army.tier = hv.HarkvaneTier;
    army.stage = hv.HarkvaneStage;
    army.spawned = hv.HarkvaneSpawned;
    army.dead = hv.HarkvaneDeaths;
    return army;
}

bool AttachStoryListener(StoryListener listener) {
    StoryState& story = G.story;
    if (listener.hear == nullptr || story.ListenerCount >= MaxStoryListeners) return false;
    story.Listeners[story.ListenerCount++] = listener;
    return true;
}

void DetachStoryListener(StoryListener listener) {
    StoryState& story = G.story;
    int kept = 0;
    for (int i = 0; i < story.ListenerCount; ++i) {
        const StoryListener& l = story.Listeners[i];
        if (l.hear != listener.hear || l.context != listener.context) story.Listeners[kept++] = l;
    }
    for (int i = kept; i < story.ListenerCount; ++i)
        story.Listeners[i] = StoryListener{};
    story.ListenerCount = kept;
}

bool StoryHeard() {
    return G.story.ListenerCount != 0;
}

void TellSettingsLoaded(const char* path, bool found, bool reload) {
    Tell(StoryKind::SettingsLoaded, [&](StoryEvent& e) {
        e.settings = StorySettings{path, found, reload};
    });
}

void TellSettingsProblem(const char* text) {
    Tell(StoryKind::SettingsProblem, [&](StoryEvent& e) { e.problem = text; });
}

void TellStateFileRead(const char* name, bool found, bool created, const int32_t* values,
                       int valueCount) {
    Tell(StoryKind::StateFileRead, [&](StoryEvent& e) {
        e.file = StoryFile{name, found, created, nullptr, values, valueCount};
    });
}

void TellStateFileWritten(const char* name, bool ok, const char* text) {
    Tell(StoryKind::StateFileWritten,
         [&](StoryEvent& e) { e.file = StoryFile{name, ok, false, text, nullptr, 0}; });
}

void TellKeyPressed(StoryKey key) {
    Tell(StoryKind::KeyPressed, [&](StoryEvent& e) { e.key = key; });
}

void TellPosseSent(const StoryPosse& posse) {
    Tell(StoryKind::PosseSent, [&](StoryEvent& e) { e.posse = posse; });
}

void TellPosseHeldBack(SpawnGate gate) {
    Tell(StoryKind::PosseHeldBack, [&](StoryEvent& e) { e.heldBack = gate; });
}

void TellArmyStarted(bool leaderPlaced, bool reinforced) {
    Tell(StoryKind::ArmyStarted, [&](StoryEvent& e) {
        e.army = ArmyStoryNow();
        e.army.leaderPlaced = leaderPlaced;
        e.army.reinforced = reinforced;
    });
}

void TellArmyStage() {
    Tell(StoryKind::ArmyStageChanged, [&](StoryEvent& e) { e.army = ArmyStoryNow(); });
}

void TellArmyEnded(ArmyEnd how) {
    Tell(StoryKind::ArmyEnded, [&](StoryEvent& e) {
        e.army = ArmyStoryNow();
        e.army.how = how;
    });
}

void TellPosseCleared(ClearReason reason, int removed) {
    Tell(StoryKind::PosseCleared, [&](StoryEvent& e) {
        e.cleared = StoryCleared{reason, removed};
    });
}

void TellPedDespawned(DespawnReason reason, Ped ped) {
    Tell(StoryKind::PedDespawned, [&](StoryEvent& e) { e.despawned = StoryDespawn{reason, ped}; });
}
