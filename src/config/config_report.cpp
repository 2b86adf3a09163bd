// The effective configuration as text (--print-settings and the report page), apart from the
// loaders so that reading the file never depends on how it is shown.
#include "config/config_report.h"

#include <charconv>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/count_bounds.h"
#include "config/ini_access.h"
#include "config/key_names.h"
#include "config/loadouts.h"
#include "config/rosters.h"
#include "config/settings_keys.h"
#include "state/plugin_state.h"

namespace {

constexpr const char* PoolTags[] = {"T1", "T2", "T3", "T4", "T5", "HV", "Default"};

std::string FloatText(float value) {
    char buf[64];
    auto result = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, result.ptr);
}

std::string HexText(Hash hash) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", hash);
    return buf;
}

// The name the hash was read as when known, else the number (both load back to the same hash).
std::string HashText(Hash hash) {
    if (hash == 0) return "0";
    auto it = G.config.KnownNames.find(hash);
    return it != G.config.KnownNames.end() ? it->second : HexText(hash);
}

// For a hash shown by name, a note giving its number.
std::string HashNote(Hash hash) {
    if (hash == 0 || !G.config.KnownNames.count(hash)) return std::string();
    return HashText(hash) + " is " + HexText(hash);
}

std::string WordText(int32_t value, std::span<const WordChoice> words) {
    for (const WordChoice& choice : words) {
        if (choice.value == value) {
            std::string word = choice.word;
            word[0] = static_cast<char>(word[0] - 'a' + 'A');
            return word;
        }
    }
    return std::to_string(value);
}

std::string ModelListText(const std::vector<Hash>& models) {
    std::string text;
    for (Hash model : models)
        text += (text.empty() ? "" : ", ") + HashText(model);
    return text;
}

std::string RangeText(const CountRange& range) {
    return std::to_string(range.min) + "-" + std::to_string(range.max);
}

// Sections in order of first appearance; a key of a section seen before joins it.
struct Report {
    std::vector<std::pair<std::string, std::string>> sections;
    const EffectiveValues* defaults = nullptr;
    EffectiveValues* collected = nullptr;
    std::string loadout; // the [Weapons] loadout being shown; empty before the first

    void Line(const char* section, const std::string& line) {
        for (auto& entry : sections) {
            if (entry.first == section) {
                entry.second += line + "\n";
                return;
            }
        }
        sections.emplace_back(section, line + "\n");
    }
    // A note heading the section, given once however many of its keys ask for it.
    void SectionNote(const char* section, const std::string& note) {
        const std::string line = "; " + note + "\n";
        for (auto& entry : sections) {
            if (entry.first == section) {
                if (entry.second.compare(0, line.size(), line) != 0) entry.second.insert(0, line);
                return;
            }
        }
        sections.emplace_back(section, line);
    }
    void BoundNote(const char* section, int32_t bound, const char* what) {
        SectionNote(section, "at most " + std::to_string(bound) + " " + what +
                                 ": a larger count is read as " + std::to_string(bound));
    }

    // Notes go on a line of their own: the profile reader does not strip comments from values.
    void Key(const char* section, const char* key, const std::string& value,
             const std::string& note = std::string()) {
        const bool weapons = std::string_view(section) == "Weapons";
        const bool loadoutStart = weapons && value.empty();
        if (loadoutStart) loadout = key;
        const std::string id = std::string(section) + "\n" +
                               (weapons && !loadoutStart ? loadout : std::string()) + "\n" + key;
        if (collected) (*collected)[id] = value;
        if (!note.empty()) Line(section, "; " + note);
        if (defaults) {
            auto it = defaults->find(id);
            if (it == defaults->end()) {
                if (loadoutStart || std::string_view(section).starts_with("TierLoadouts."))
                    Line(section, "; * added: the built-in settings have no " +
                                      std::string(loadoutStart ? "loadout" : "entry") +
                                      " of this name");
            } else if (it->second != value) {
                Line(section, "; * changed: the built-in default is " +
                                  (it->second.empty() ? std::string("empty") : it->second));
            }
        }
        Line(section, std::string(key) + (value.empty() ? " =" : " = " + value));
    }

    std::string Text(const std::string& source) const {
        std::string out =
            "; Effective configuration: what the plug-in understood from " + source + "\n";
        for (const auto& entry : sections)
            out += "\n[" + entry.first + "]\n" + entry.second;
        return out;
    }

    // The settings keys, in reading order.
    void Float(const char* section, const char* key, float& field, float = 0.0f) {
        Key(section, key, FloatText(field));
    }
    void Int(const char* section, const char* key, int32_t& field, int32_t = 0) {
        Key(section, key, std::to_string(field));
    }
    void Bool(const char* section, const char* key, bool& field, bool = false) {
        Key(section, key, field ? "true" : "false");
    }
    void Word(const char* section, const char* key, int32_t& field,
              std::span<const WordChoice> words, const char*) {
        Key(section, key, WordText(field, words));
    }
    void AnchorRoadBias(const char* section, const char* key, int32_t& field, bool& given,
                        int32_t) {
        if (given)
            Key(section, key, WordText(field, RoadBiasWords));
        else
            Key(section, key, "",
                "not given: follows HorseRoadBias (" + WordText(field, RoadBiasWords) + ")");
    }
    void Text(const char* section, const char* key, std::string& field, const char*) {
        Key(section, key, field);
    }
    void HashKey(const char* section, const char* key, Hash& field, const char*) {
        Key(section, key, HashText(field), HashNote(field));
    }
    void Hotkey(const char* section, const char* key, int32_t& field, const char*) {
        Key(section, key, KeyNameText(field));
    }
    void AtLeast(const char*, const char*, float&, float, const char*) {}
    void AtMost(const char* section, const char*, int32_t&, int32_t bound, const char* what) {
        BoundNote(section, bound, what);
    }

    void Rosters(Settings& s) {
        static constexpr const char* tierKeys[TierCount + 1] = {"", "T1", "T2", "T3", "T4", "T5"};
        char section[32];
        Key("Dogs", "Models", ModelListText(s.DogModels));
        BoundNote("DogCounts", MaxDogsPerPosse, "dogs a posse");
        for (int t = 1; t <= TierCount; ++t)
            Key("DogCounts", tierKeys[t], RangeText(s.DogCountRange[t]));
        for (int t = 1; t <= TierCount; ++t) {
            std::snprintf(section, sizeof section, "T%d_Foot", t);
            Key(section, FootLeadKey(t), HashText(s.FootRoster[t].lead),
                HashNote(s.FootRoster[t].lead));
            Key(section, "Fills", HashText(s.FootRoster[t].fill), HashNote(s.FootRoster[t].fill));
        }
        SectionNote("Extras", "at most " + std::to_string(MaxExtraMembers) +
                                  " chances a tier: later ones are dropped");
        for (int t = 1; t <= TierCount; ++t) {
            std::string chances;
            for (float chance : s.ExtraChances[t])
                chances += (chances.empty() ? "" : ", ") + FloatText(chance);
            Key("Extras", tierKeys[t], chances);
        }
        for (int t = 1; t <= TierCount; ++t) {
            std::snprintf(section, sizeof section, "Horse_T%d", t);
            Key(section, "Models", ModelListText(s.HorseModels[t]));
        }
        BoundNote("HorseCounts", MaxHorsesPerPosse, "horses a posse");
        for (int t = 1; t <= TierCount; ++t)
            Key("HorseCounts", tierKeys[t], RangeText(s.HorseCountRange[t]));
    }

    void VariantWeights() {
        char section[32];
        for (int t = 1; t <= TierCount; ++t) {
            const VariantPercent& row = G.config.VariantWeights[t];
            std::snprintf(section, sizeof section, "VariantWeights_T%d", t);
            Line(section, "; percentages after scaling the weights to 100");
            Key(section, "Foot", std::to_string(row.Foot));
            Key(section, "Dog", std::to_string(row.Dogs));
            Key(section, "Horse", std::to_string(row.Horse));
        }
    }

    void Weapons() {
        const ConfigState& c = G.config;
        Key("Weapons", "AmmoPrimary", std::to_string(c.Weapons.AmmoPrimary));
        Key("Weapons", "AmmoSidearm", std::to_string(c.Weapons.AmmoSidearm));
        auto weapon = [](Hash hash) { return hash ? HashText(hash) : std::string("NONE"); };
        // A loadout's own ammunition, or a note of what applies in its place.
        auto ammo = [&](const char* key, int32_t own, int32_t section, int32_t lastResort) {
            if (own >= 0)
                Key("Weapons", key, std::to_string(own));
            else
                Line("Weapons", std::string("; ") + key + " not set: " +
                                    std::to_string(section > 0 ? section : lastResort) + " apply");
        };
        for (const auto& [name, loadout] : c.LoadoutTable) {
            Line("Weapons", "");
            Key("Weapons", name.c_str(), "");
            Key("Weapons", "Primary", weapon(loadout.primary));
            Key("Weapons", "Sidearm1", weapon(loadout.sidearm1));
            Key("Weapons", "Sidearm2", weapon(loadout.sidearm2));
            Key("Weapons", "Throwable", weapon(loadout.throwable));
            Key("Weapons", "Melee", weapon(loadout.melee));
            ammo("AmmoPrimary", loadout.ammoPrimary, c.Weapons.AmmoPrimary, LastResortPrimaryAmmo);
            ammo("AmmoSidearm", loadout.ammoSidearm, c.Weapons.AmmoSidearm, LastResortSidearmAmmo);
        }
    }

    void Pools() {
        for (const char* tag : PoolTags) {
            std::string lowered = tag;
            LowerAscii(lowered);
            std::string section = std::string("TierLoadouts.") + tag;
            auto it = G.config.TierLoadoutPools.find(lowered);
            if (it == G.config.TierLoadoutPools.end()) {
                Line(section.c_str(), "; no entries: uses the Default pool");
                continue;
            }
            for (const LoadoutPoolEntry& entry : it->second)
                Key(section.c_str(), entry.name.c_str(), std::to_string(entry.weight));
        }
    }
};

} // namespace

std::string RenderEffectiveConfig() {
    return RenderEffectiveConfig(G.settings.IniPath);
}

namespace {

void Walk(Report& report) {
    // The walk only reads the fields; it takes them by reference as the loader does.
    Settings& settings = G.settings;
    VisitSettingKeys(settings, G.loop.DisableVanillaBountyHunters, report);
    report.Line("TownShield", "; the town radius is fixed at " +
                                  FloatText(G.settings.TownShield.RadiusMeters) + " m");
    report.VariantWeights();
    report.Weapons();
    report.Pools();
}

} // namespace

EffectiveValues CollectEffectiveValues() {
    EffectiveValues values;
    Report report;
    report.collected = &values;
    Walk(report);
    return values;
}

std::string RenderEffectiveConfig(const std::string& source, const EffectiveValues* defaults) {
    Report report;
    report.defaults = defaults;
    Walk(report);
    std::string text = report.Text(source);
    if (defaults)
        text.insert(text.find('\n') + 1,
                    "; A line starting \"; *\" marks a value that differs from the built-in "
                    "default.\n");
    return text;
}
