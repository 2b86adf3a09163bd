// Fills the settings record from Harkvane.ini, key by key, with the defaults for what is missing.
#include "config/settings_loader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "config/config_diagnostics.h"
#include "config/count_bounds.h"
#include "config/ini_access.h"
#include "config/key_names.h"
#include "config/rosters.h"
#include "config/setting_units.h"
#include "config/settings_keys.h"
#include "state/plugin_state.h"

namespace {

constexpr uint32_t FloatBufferSize = 128;
constexpr uint32_t BoolBufferSize = 64;
constexpr uint32_t TextBufferSize = 4096;

bool IsTrueWord(const char* lowered) {
    return std::strcmp(lowered, "1") == 0 || std::strcmp(lowered, "true") == 0 ||
           std::strcmp(lowered, "on") == 0 || std::strcmp(lowered, "yes") == 0;
}

int32_t MapWord(const char* lowered, std::span<const WordChoice> words) {
    for (const WordChoice& choice : words)
        if (std::strcmp(lowered, choice.word) == 0) return choice.value;
    return 0;
}

struct Loader {
    char text[TextBufferSize];

    // The default text is the value a missing key leaves; a value that does not start with a
    // number leaves `fallback` (the unrounded present value, or the fixed value).
    void ReadFloat(const char* section, const char* key, float& field, float fallback) {
        char defaultText[64];
        std::snprintf(defaultText, sizeof defaultText, "%.3f", static_cast<double>(fallback));
        char value[FloatBufferSize];
        IniReadString(section, key, defaultText, value, sizeof value);
        char* end = value;
        float parsed = std::strtof(value, &end);
        field = end == value ? fallback : parsed;
        if (ConfigDiagnostics* d = G.config.Diagnostics)
            NoteFloat(*d, section, key, value, end, field);
    }
    static void NoteFloat(ConfigDiagnostics& d, const char* section, const char* key,
                          const char* value, const char* end, float field) {
        if (end == value && value[0] != '\0')
            NoteConfigKey(d, section, key,
                          Quoted(value) + " is not a number; " + ValueInPlay(section, key, field) +
                              " is used");
        else if (!TrimBlanks(end).empty())
            NoteConfigKey(d, section, key,
                          Quoted(value) + " is read as " + ValueInPlay(section, key, field) + "; " +
                              Quoted(TrimBlanks(end)) + " after it is ignored");
    }
    void Float(const char* section, const char* key, float& field) {
        ReadFloat(section, key, field, field);
    }
    void Float(const char* section, const char* key, float& field, float fixed) {
        ReadFloat(section, key, field, fixed);
    }

    void Int(const char* section, const char* key, int32_t& field) {
        field = IniReadInt(section, key, field);
        if (ConfigDiagnostics* d = G.config.Diagnostics) NoteInt(*d, section, key, field);
    }
    void Int(const char* section, const char* key, int32_t& field, int32_t fixed) {
        field = IniReadInt(section, key, fixed);
        if (ConfigDiagnostics* d = G.config.Diagnostics) NoteInt(*d, section, key, field);
    }
    // The integer reader does not show its text; the checker reads it once more to judge it.
    void NoteInt(ConfigDiagnostics& d, const char* section, const char* key, int32_t used) {
        IniReadString(section, key, "", text, sizeof text);
        NoteInteger(d, section, key, text, used, "is used");
    }

    void Bool(const char* section, const char* key, bool& field, bool ifMissing) {
        char value[BoolBufferSize];
        IniReadString(section, key, ifMissing ? "true" : "false", value, sizeof value);
        if (ConfigDiagnostics* d = G.config.Diagnostics)
            NoteBool(*d, section, key, value, ifMissing);
        LowerAscii(value);
        field = IsTrueWord(value);
    }
    static void NoteBool(ConfigDiagnostics& d, const char* section, const char* key,
                         const char* value, bool ifMissing) {
        std::string lowered = value;
        LowerAscii(lowered);
        if (IsTrueWord(lowered.c_str()) || lowered == "0" || lowered == "false" ||
            lowered == "off" || lowered == "no")
            return;
        // An empty value only surprises where a missing key would mean true.
        const std::string off = SwitchOffMeaning(section, key);
        const std::string meaning = off.empty() ? std::string() : ": " + off;
        if (lowered.empty()) {
            if (ifMissing)
                NoteConfigKey(d, section, key, "an empty value is read as false" + meaning);
            return;
        }
        NoteConfigKey(d, section, key,
                      Quoted(value) +
                          " is not one of 1, true, on, yes (or 0, false, off, no); "
                          "false is used" +
                          meaning);
    }
    void Bool(const char* section, const char* key, bool& field) {
        Bool(section, key, field, field);
    }

    void Word(const char* section, const char* key, int32_t& field,
              std::span<const WordChoice> words, const char* missingText) {
        IniReadString(section, key, missingText, text, sizeof text);
        if (ConfigDiagnostics* d = G.config.Diagnostics)
            NoteWord(*d, section, key, words, missingText);
        LowerAscii(text);
        field = MapWord(text, words);
    }
    // `text` holds the value as read.
    void NoteWord(ConfigDiagnostics& d, const char* section, const char* key,
                  std::span<const WordChoice> words, const char* missingText) {
        std::string lowered = text;
        LowerAscii(lowered);
        for (const WordChoice& choice : words)
            if (lowered == choice.word) return;
        std::string fallback = missingText;
        LowerAscii(fallback);
        if (lowered.empty() && MapWord(fallback.c_str(), words) == 0) return;
        std::string list, zero;
        for (const WordChoice& choice : words) {
            list += (list.empty() ? "" : ", ") + std::string(choice.word);
            if (choice.value == 0) zero = choice.word;
        }
        NoteConfigKey(d, section, key,
                      (lowered.empty() ? std::string("an empty value") : Quoted(text)) +
                          " is not one of " + list + " (any case); " + zero +
                          " (0) is used: " + WordInPlay(key, 0));
    }

    void AnchorRoadBias(const char* section, const char* key, int32_t& field, bool& given,
                        int32_t horseRoadBias) {
        IniReadString(section, key, "", text, sizeof text);
        given = text[0] != '\0';
        if (!given) {
            field = horseRoadBias;
            return;
        }
        if (ConfigDiagnostics* d = G.config.Diagnostics)
            NoteWord(*d, section, key, RoadBiasWords, "");
        LowerAscii(text);
        field = MapWord(text, RoadBiasWords);
    }

    void Text(const char* section, const char* key, std::string& field, const char* missingText) {
        IniReadString(section, key, missingText, text, sizeof text);
        field = text;
    }

    void HashKey(const char* section, const char* key, Hash& field, const char* missingText) {
        IniReadString(section, key, missingText, text, sizeof text);
        field = ConfigHashKey(text);
        if (ConfigDiagnostics* d = G.config.Diagnostics)
            if (field == 0 && TrimBlanks(text).empty())
                NoteConfigKey(*d, section, key,
                              std::string("an empty value names no model or style (0)") +
                                  (std::string_view(section) == "Blip"
                                       ? ": posse members and soldiers get no map blips"
                                       : ""));
    }

    // A key name or number; a value that is neither keeps the key the missing text names.
    void Hotkey(const char* section, const char* key, int32_t& field, const char* missingText) {
        IniReadString(section, key, missingText, text, sizeof text);
        if (ParseKeyName(text, &field)) return;
        ParseKeyName(missingText, &field);
        if (ConfigDiagnostics* d = G.config.Diagnostics) {
            NoteConfigKey(
                *d, section, key,
                (TrimBlanks(text).empty() ? std::string("an empty value") : Quoted(text)) +
                    " is not a key name, none or a key number from 1 to " +
                    std::to_string(KeyCodeMax) + "; " + missingText + " is used");
            if (!TrimBlanks(text).empty()) {
                d->notes.back().unknownName = std::string(TrimBlanks(text));
                d->notes.back().knownNames = KnownKeyNames();
            }
        }
    }

    // Also catches a value that does not compare (NaN on either side).
    void AtLeast(const char* section, const char* key, float& field, float floor,
                 const char* floorKey) {
        if (field >= floor) return;
        if (ConfigDiagnostics* d = G.config.Diagnostics)
            NoteConfigKey(*d, section, key,
                          NumberText(field) + " is raised to " + ValueInPlay(section, key, floor) +
                              ", the " + floorKey);
        field = floor;
    }

    void AtMost(const char* section, const char* key, int32_t& field, int32_t bound, const char*) {
        field = LimitCount(section, key, field, bound);
    }

    void Rosters(Settings& s) { LoadRosters(s); }
};

} // namespace

void LoadSettings(Settings& settings) {
    G.config.KnownNames.clear();
    Loader loader;
    VisitSettingKeys(settings, G.loop.DisableVanillaBountyHunters, loader);
}
