#include "config/config_checks.h"

#include <algorithm>
#include <string>
#include <vector>

#include "config/ini_access.h"
#include "config/setting_units.h"
#include "state/plugin_state.h"

namespace {

// "tiers 1, 2 and 5" / "tier 3".
std::string TierList(const std::vector<int>& tiers) {
    std::string text = tiers.size() == 1 ? "tier " : "tiers ";
    for (size_t i = 0; i < tiers.size(); ++i) {
        if (i > 0) text += i + 1 == tiers.size() ? " and " : ", ";
        text += std::to_string(tiers[i]);
    }
    return text;
}

// Whether posses of a variant can be drawn at a tier: forced, or given a share by the weights.
bool VariantDrawn(int tier, int32_t variant) {
    const int32_t forced = G.settings.Debug.ForceVariant;
    if (forced >= VariantFoot && forced <= VariantHorse) return forced == variant;
    const VariantPercent& w = G.config.VariantWeights[tier];
    const int32_t foot = std::clamp(w.Foot, 0, 100);
    const int32_t dogs = std::clamp(w.Dogs, 0, 100 - foot);
    if (variant == VariantDogs) return dogs > 0;
    return foot + dogs < 100;
}

int32_t MostDrawn(const CountRange& range) {
    return std::max(range.min, range.max);
}

// A note on the key of the first of `tiers` in [section] (T1 to T5).
void NoteFirstTier(ConfigDiagnostics& d, const char* section, const std::vector<int>& tiers,
                   const std::string& text) {
    std::string key = "T";
    key += std::to_string(tiers.front());
    NoteConfigKey(d, section, key.c_str(), text);
}

void NoteHorselessPosses(ConfigDiagnostics& d) {
    const Settings& s = G.settings;
    std::vector<int> noModels, noCount;
    for (int t = 1; t <= TierCount; ++t) {
        if (!VariantDrawn(t, VariantHorse)) continue;
        if (s.HorseModels[t].empty())
            noModels.push_back(t);
        else if (MostDrawn(s.HorseCountRange[t]) <= 0)
            noCount.push_back(t);
    }
    if (!noModels.empty()) {
        std::string section = "Horse_T";
        section += std::to_string(noModels.front());
        const std::string lists = noModels.size() == 1
                                      ? "[" + section + "] Models names no horse"
                                      : "their [Horse_T*] Models lists name no horse";
        NoteConfigKey(d, section.c_str(), "Models",
                      "Horse posses of " + TierList(noModels) +
                          " come without horses: the variant weights send them, but " + lists +
                          "; name horses there or give Horse a weight of 0");
    }
    if (!noCount.empty()) {
        NoteFirstTier(d, "HorseCounts", noCount,
                      "Horse posses of " + TierList(noCount) +
                          " come without horses: the variant weights send them, but their "
                          "HorseCounts allow 0 horses");
    }
}

void NoteDoglessPosses(ConfigDiagnostics& d) {
    const Settings& s = G.settings;
    std::vector<int> noCount;
    bool drawn = false;
    for (int t = 1; t <= TierCount; ++t) {
        if (!VariantDrawn(t, VariantDogs)) continue;
        drawn = true;
        if (MostDrawn(s.DogCountRange[t]) <= 0) noCount.push_back(t);
    }
    if (drawn && s.DogModels.empty()) {
        NoteConfigKey(d, "Dogs", "Models",
                      "Dogs posses come without dogs: the variant weights send them, but no dog "
                      "model is listed");
    } else if (!noCount.empty()) {
        NoteFirstTier(d, "DogCounts", noCount,
                      "Dogs posses of " + TierList(noCount) +
                          " come without dogs: the variant weights send them, but their DogCounts "
                          "allow 0 dogs");
    }
}

void NoteUnreachableWitnessGate(ConfigDiagnostics& d) {
    const auto& w = G.settings.WitnessTracker;
    if (!w.Enabled) return;
    const int32_t needed = std::max(w.WitnessAmount, 1);
    const int32_t counted = std::clamp(w.WitnessCap, 0, MaxWitnesses);
    if (!(w.WitnessRangeMeters >= 1.0f))
        NoteConfigKey(d, "WitnessTracker", "WitnessRangeMeters",
                      ValueInPlay("WitnessTracker", "WitnessRangeMeters", w.WitnessRangeMeters) +
                          " is read as 1 m: a bystander must all but touch the player to "
                          "witness, so timed posses hardly ever come");
    if (counted < needed)
        NoteConfigKey(d, "WitnessTracker", "WitnessAmount",
                      ValueInPlay("WitnessTracker", "WitnessAmount", needed) + ", but " +
                          ValueInPlay("WitnessTracker", "WitnessCap", counted) +
                          ": timed posses never come (only F7 sends one)");
}

void NoteUnreachableTiers(ConfigDiagnostics& d) {
    const auto& g = G.settings.TierGates;
    if (G.settings.Debug.ForceTier >= 1 && G.settings.Debug.ForceTier <= TierCount) return;
    const int32_t limits[] = {g.T1Max, g.T2Max, g.T3Max, g.T4Max};
    static constexpr const char* keys[] = {"T1Max", "T2Max", "T3Max", "T4Max"};
    int32_t highest = limits[0];
    for (int t = 2; t <= 4; ++t) {
        if (limits[t - 1] <= highest)
            NoteConfigKey(d, "TierGates", keys[t - 1],
                          ValueInPlay("TierGates", keys[t - 1], limits[t - 1]) +
                              " is not above the gates of the tiers below it: no bounty is tier " +
                              std::to_string(t));
        highest = std::max(highest, limits[t - 1]);
    }
}

void NoteSwitchedOffOthers(ConfigDiagnostics& d) {
    const Settings& s = G.settings;
    if (s.Harkvane.Enabled && s.Harkvane.TriggerEvery < 1)
        NoteConfigKey(d, "Harkvane", "TriggerEvery",
                      std::to_string(s.Harkvane.TriggerEvery) +
                          " is below 1: the army never comes, though Enabled is true");
    if (s.CampShield.Enabled && !(s.CampShield.RadiusMeters > 0.0f))
        NoteConfigKey(d, "CampShield", "RadiusMeters",
                      ValueInPlay("CampShield", "RadiusMeters", s.CampShield.RadiusMeters) +
                          ": no camp shields the player, though Enabled is true");
}

} // namespace

void NoteSettingsThatSwitchOff(ConfigDiagnostics& d) {
    NoteHorselessPosses(d);
    NoteDoglessPosses(d);
    NoteUnreachableWitnessGate(d);
    NoteUnreachableTiers(d);
    NoteSwitchedOffOthers(d);
}
