// Listens to the plug-in's story and keeps each event as one short line, so a test can state
// what the plug-in must tell as a list of rules. Attach after ResetPluginState (which detaches
// every listener).
#pragma once
#include <string>
#include <vector>

#include "state/story.h"

struct StoryRecorder {
    std::vector<std::string> lines;

    void Attach() { AttachStoryListener({Hear, this}); }
    // The lines that start with `prefix`, in order.
    std::vector<std::string> Starting(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& l : lines)
            if (l.rfind(prefix, 0) == 0) out.push_back(l);
        return out;
    }

    static void Hear(void* self, const StoryEvent& e) {
        static_cast<StoryRecorder*>(self)->lines.push_back(Line(e));
    }

    static std::string Line(const StoryEvent& e) {
        auto n = [](long long v) { return std::to_string(v); };
        static const char* const Gates[] = {"in camp",       "camp hold-off",     "in town",
                                            "town hold-off", "mission",           "player dead",
                                            "no bounty",     "awaiting witnesses"};
        static const char* const Clears[] = {"camp", "town", "player died", "mission"};
        static const char* const Despawns[] = {"fell behind", "list cap", "old horse",
                                               "unpaired horse", "unloaded"};
        static const char* const Ends[] = {"won",     "nobody placed", "player died",
                                           "cleared", "reinforced",    "unloaded"};
        static const char* const Variants[] = {"?", "Foot", "Dogs", "Horse"};
        switch (e.kind) {
        case StoryKind::SettingsLoaded:
            return std::string(e.settings.reload ? "settings reloaded " : "settings loaded ") +
                   e.settings.path + (e.settings.found ? "" : " (missing)");
        case StoryKind::SettingsProblem:
            return std::string("settings problem: ") + e.problem;
        case StoryKind::StateFileRead: {
            std::string l = std::string("read ") + e.file.name + ":";
            for (int i = 0; i < e.file.valueCount; ++i)
                l += " " + n(e.file.values[i]);
            if (!e.file.ok) l += " nothing";
            return l + (e.file.created ? " (created)" : "");
        }
        case StoryKind::StateFileWritten: {
            std::string text = e.file.text;
            while (!text.empty() && text.back() == '\n')
                text.pop_back();
            return std::string(e.file.ok ? "wrote " : "write failed ") + e.file.name + ": " + text;
        }
        case StoryKind::KeyPressed:
            return e.key == StoryKey::SendPosse ? "key send posse" : "key reload settings";
        case StoryKind::PosseSent:
            return "posse T" + n(e.posse.tier) + " " + Variants[e.posse.variant] + ": " +
                   n(e.posse.hunters) + " hunters, " + n(e.posse.dogs) + " dogs, " +
                   n(e.posse.horses) + " horses, " + n(e.posse.deferred) + " deferred";
        case StoryKind::PosseHeldBack:
            return std::string("held back: ") + Gates[static_cast<int>(e.heldBack)];
        case StoryKind::ArmyStarted:
            return "army started T" + n(e.army.tier) +
                   (e.army.leaderPlaced ? ", leader placed" : ", no leader") +
                   (e.army.reinforced ? ", reinforcing" : "");
        case StoryKind::ArmyStageChanged:
            return "army stage " + n(e.army.stage) + " (" + n(e.army.spawned) + " placed, " +
                   n(e.army.dead) + " dead)";
        case StoryKind::ArmyEnded:
            return std::string("army ended: ") + Ends[static_cast<int>(e.army.how)] + " (" +
                   n(e.army.spawned) + " placed, " + n(e.army.dead) + " dead)";
        case StoryKind::PosseCleared:
            return std::string("cleared: ") + Clears[static_cast<int>(e.cleared.reason)] + ", " +
                   n(e.cleared.removed) + " removed";
        case StoryKind::PedDespawned:
            return std::string("despawned: ") + Despawns[static_cast<int>(e.despawned.reason)] +
                   " " + n(e.despawned.ped);
        }
        return "?";
    }
};
