#include "config/settings_loader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>

#include "config/count_bounds.h"
#include "config/ini_access.h"
#include "config/rosters.h"
#include "config/settings_keys.h"
#include "host/plugin_state.h"

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
    }
    void Float(const char* section, const char* key, float& field) {
        ReadFloat(section, key, field, field);
    }
    void Float(const char* section, const char* key, float& field, float fixed) {
        ReadFloat(section, key, field, fixed);
    }

    void Int(const char* section, const char* key, int32_t& field) {
        field = IniReadInt(section, key, field);
    }
    void Int(const char* section, const char* key, int32_t& field, int32_t fixed) {
        field = IniReadInt(section, key, fixed);
    }

    void Bool(const char* section, const char* key, bool& field, bool ifMissing) {
        char value[BoolBufferSize];
        IniReadString(section, key, ifMissing ? "true" : "false", value, sizeof value);
        LowerAscii(value);
        field = IsTrueWord(value);
    }
    void Bool(const char* section, const char* key, bool& field) {
        Bool(section, key, field, field);
    }

    void Word(const char* section, const char* key, int32_t& field,
              std::span<const WordChoice> words, const char* missingText) {
        IniReadString(section, key, missingText, text, sizeof text);
        LowerAscii(text);
        field = MapWord(text, words);
    }

    void AnchorRoadBias(const char* section, const char* key, int32_t& field, bool& given,
                        int32_t horseRoadBias) {
        IniReadString(section, key, "", text, sizeof text);
        given = text[0] != '\0';
        if (!given) {
            field = horseRoadBias;
            return;
        }
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
    }

    // Also catches a value that does not compare (NaN on either side).
    void AtLeast(float& field, float floor) {
        if (!(field >= floor)) field = floor;
    }

    void AtMost(const char* section, const char* key, int32_t& field, int32_t bound) {
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
