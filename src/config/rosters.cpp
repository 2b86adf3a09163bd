// The tier rosters (models, counts) and the variant weights, read from their sections.
#include "config/rosters.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/count_bounds.h"
#include "config/ini_access.h"
#include "config/setting_units.h"
#include "natives/hash_keys.h"
#include "platform/crt_numbers.h"
#include "state/plugin_state.h"

namespace {

constexpr uint32_t ListBufferSize = 4096;
constexpr const char* TierKeys[TierCount + 1] = {"", "T1", "T2", "T3", "T4", "T5"};
constexpr const char* DefaultDogModels =
    "A_C_DogHound_01, A_C_DogBluetickCoonhound_01, A_C_DogAmericanFoxHound_01";

struct FootDefaults {
    const char* lead;
    const char* fill;
};
constexpr FootDefaults DefaultFootRoster[TierCount + 1] = {
    {"", ""},
    {"A_M_M_RANCHER_01", "A_M_M_RANCHER_01"},
    {"G_M_M_BountyHunters_01", "A_M_M_RANCHER_01"},
    {"S_M_M_DispatchLawRural_01", "G_M_M_BountyHunters_01"},
    {"S_M_M_MarshallsRural_01", "S_M_M_DispatchLawRural_01"},
    {"S_M_M_PinLaw_01", "S_M_M_MarshallsRural_01"},
};

struct WeightDefaults {
    int32_t foot = 40;
    int32_t dog = 30;
    int32_t horse = 30;
};
constexpr WeightDefaults DefaultWeights;

// Calls visit(piece) for every comma-separated piece of the value, trimmed, empties dropped.
template <typename Visit>
void ReadList(const char* section, const char* key, const char* defaultText, Visit visit) {
    char value[ListBufferSize];
    IniReadString(section, key, defaultText, value, sizeof value);
    std::string_view rest(value);
    std::string piece;
    for (;;) {
        size_t comma = rest.find(',');
        std::string_view trimmed = TrimBlanks(rest.substr(0, comma));
        if (!trimmed.empty()) {
            piece.assign(trimmed);
            visit(piece.c_str());
        }
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
}

void ReadModelList(const char* section, const char* key, const char* defaultText,
                   std::vector<Hash>& out) {
    out.clear();
    ReadList(section, key, defaultText, [&](const char* piece) {
        Hash model = ConfigHashKey(piece);
        if (model != 0 && IsValidModel(model)) {
            out.push_back(model);
        } else if (ConfigDiagnostics* d = G.config.Diagnostics) {
            NoteConfigKey(
                *d, section, key,
                Quoted(piece) +
                    (model == 0 ? " names no model (0)" : " is not a model the game knows") +
                    "; it is left out");
        }
    });
}

// Like the standard library's stof: a leading number, trailing characters ignored; a piece
// that does not convert or lies outside the float range is dropped. "nan" converts, so it stays:
// like any chance it takes its draw, and as no draw is below it, it never adds a member.
void ReadChanceList(const char* key, const char* defaultText, std::vector<float>& out) {
    out.clear();
    ReadList("Extras", key, defaultText, [&](const char* piece) {
        char* end = nullptr;
        errno = 0;
        float chance = std::strtof(piece, &end);
        ConfigDiagnostics* d = G.config.Diagnostics;
        if (end == piece || errno == ERANGE) {
            if (d)
                NoteConfigKey(*d, "Extras", key,
                              Quoted(piece) + " is not a chance; it is left out");
            return;
        }
        if (d && !TrimBlanks(end).empty())
            NoteConfigKey(*d, "Extras", key,
                          Quoted(piece) + " is read as " + ValueInPlay("Extras", key, chance) +
                              "; " + Quoted(TrimBlanks(end)) + " after it is ignored");
        if (d && std::isnan(chance))
            NoteConfigKey(*d, "Extras", key,
                          Quoted(piece) + " is no chance between 0 and 1; it never adds a member");
        const float written = chance;
        if (chance > 1.0f) chance = 1.0f;
        if (chance < 0.0f) chance = 0.0f;
        if (d && !std::isnan(written) && chance != written)
            NoteConfigKey(*d, "Extras", key,
                          NumberText(written) +
                              (chance < written ? " is lowered to " : " is raised to ") +
                              ValueInPlay("Extras", key, chance));
        out.push_back(chance);
    });
    out.resize(static_cast<size_t>(
        LimitCount("Extras", key, static_cast<int32_t>(out.size()), MaxExtraMembers)));
}

// One "%d" conversion as the C library scans it: blanks, an optional sign, at least one digit.
// The number keeps the low 32 bits of its value, as the Windows runtime gives it.
bool ScanDecimal(const char*& p, int32_t& out) {
    const char* q = p;
    while (*q == ' ' || (*q >= '\t' && *q <= '\r'))
        ++q;
    const char* start = q;
    if (*q == '+' || *q == '-') ++q;
    if (*q < '0' || *q > '9') return false;
    while (*q >= '0' && *q <= '9')
        ++q;
    out = CrtAtol(start);
    p = q;
    return true;
}

// `rest`: what a "%d-%d" scan left over, or nullptr when the value was read as one number.
void NoteRange(ConfigDiagnostics& d, const char* section, const char* key, const char* value,
               const char* rest, const CountRange& range) {
    const std::string read = std::to_string(range.min) + "-" + std::to_string(range.max) + " (" +
                             RangeInPlay(section, key, range.min, range.max) + ")";
    int64_t written = 0;
    if (!rest) {
        if (!IsPlainInteger(value, &written) || written != range.min)
            NoteConfigKey(d, section, key,
                          Quoted(value) + " is not a count or a range like 1-3; it is read as " +
                              read);
    } else if (!TrimBlanks(rest).empty()) {
        NoteConfigKey(d, section, key,
                      Quoted(value) + " is read as " + read + "; " + Quoted(TrimBlanks(rest)) +
                          " after it is ignored");
    } else if (range.max < range.min) {
        NoteConfigKey(d, section, key,
                      Quoted(value) + " has the larger number first; every draw gives " +
                          ValueInPlay(section, key, range.min));
    }
}

// "%d-%d" gives (min, max) as written; anything else gives the leading integer for both. Each
// end is then held to the bound.
CountRange ReadRange(const char* section, const char* key, const char* defaultText, int32_t bound) {
    char value[ListBufferSize];
    IniReadString(section, key, defaultText, value, sizeof value);
    const char* p = value;
    CountRange range;
    if (ScanDecimal(p, range.min) && *p == '-' && (++p, ScanDecimal(p, range.max))) {
        if (ConfigDiagnostics* d = G.config.Diagnostics)
            NoteRange(*d, section, key, value, p, range);
        range.min = LimitCount(section, key, range.min, bound);
        range.max = LimitCount(section, key, range.max, bound);
    } else {
        range.min = range.max = CrtAtol(value);
        if (ConfigDiagnostics* d = G.config.Diagnostics)
            NoteRange(*d, section, key, value, nullptr, range);
        range.min = range.max = LimitCount(section, key, range.min, bound);
    }
    return range;
}

Hash ReadModel(const char* section, const char* key, const char* defaultText) {
    char value[ListBufferSize];
    IniReadString(section, key, defaultText, value, sizeof value);
    if (ConfigDiagnostics* d = G.config.Diagnostics)
        if (TrimBlanks(value).empty())
            NoteConfigKey(*d, section, key,
                          "an empty value names no model; the Test Model is used instead");
    return ConfigHashKey(value);
}

std::string TierText(int tier) {
    return "tier-" + std::to_string(tier);
}

// Percentages computed in 32-bit floats as the settings have always been read; the weights
// are summed in 64 bits so a large total cannot wrap.
int32_t Percent(int32_t weight, int64_t total) {
    float percent = static_cast<float>(weight) * 100.0f / static_cast<float>(total) + 0.5f;
    // Outside the int32 range the conversion has no defined value; x86-64 gives INT32_MIN.
    if (!(percent > -2147483648.0f && percent < 2147483648.0f)) return INT32_MIN;
    return static_cast<int32_t>(percent);
}

// The integer reader does not show its text; the checker reads it once more to judge it.
void NoteWeight(ConfigDiagnostics& d, const char* section, const char* key, int32_t used) {
    char value[ListBufferSize];
    IniReadString(section, key, "", value, sizeof value);
    NoteInteger(d, section, key, value, used, "is used");
}

} // namespace

const char* FootLeadKey(int tier) {
    if (tier == 4) return "FirstThree";
    if (tier == 5) return "FirstFour";
    return "Anchor";
}

void LoadRosters(Settings& s) {
    char section[32];
    ReadModelList("Dogs", "Models", DefaultDogModels, s.DogModels);
    for (int t = 1; t <= TierCount; ++t)
        s.DogCountRange[t] = ReadRange("DogCounts", TierKeys[t], "1", MaxDogsPerPosse);
    for (int t = 1; t <= TierCount; ++t) {
        std::snprintf(section, sizeof section, "T%d_Foot", t);
        s.FootRoster[t].lead = ReadModel(section, FootLeadKey(t), DefaultFootRoster[t].lead);
        s.FootRoster[t].fill = ReadModel(section, "Fills", DefaultFootRoster[t].fill);
    }
    for (int t = 1; t <= TierCount; ++t)
        ReadChanceList(TierKeys[t], t == 5 ? "0.90,0.50" : "0.50", s.ExtraChances[t]);
    for (int t = 1; t <= TierCount; ++t) {
        std::snprintf(section, sizeof section, "Horse_T%d", t);
        ReadModelList(section, "Models", "", s.HorseModels[t]);
    }
    for (int t = 1; t <= TierCount; ++t)
        s.HorseCountRange[t] = ReadRange("HorseCounts", TierKeys[t], "0", MaxHorsesPerPosse);
}

void LoadVariantWeights() {
    char section[32];
    for (int t = 1; t <= TierCount; ++t) {
        std::snprintf(section, sizeof section, "VariantWeights_T%d", t);
        int32_t foot = IniReadInt(section, "Foot", DefaultWeights.foot);
        int32_t dog = IniReadInt(section, "Dog", DefaultWeights.dog);
        int32_t horse = IniReadInt(section, "Horse", DefaultWeights.horse);
        int64_t total = int64_t{foot} + dog + horse;
        if (ConfigDiagnostics* d = G.config.Diagnostics) {
            NoteWeight(*d, section, "Foot", foot);
            NoteWeight(*d, section, "Dog", dog);
            NoteWeight(*d, section, "Horse", horse);
            if (total <= 0)
                NoteConfigKey(*d, section, "",
                              "the weights add up to " + std::to_string(total) +
                                  "; 40, 30 and 30 are used: " + TierText(t) +
                                  " posses are 40 % Foot, 30 % Dogs and 30 % Horse");
        }
        if (total <= 0) {
            foot = DefaultWeights.foot;
            dog = DefaultWeights.dog;
            total = 100;
        }
        VariantPercent& row = G.config.VariantWeights[t];
        row.Foot = Percent(foot, total);
        row.Dogs = Percent(dog, total);
        // Wraps like the 32-bit arithmetic it replaces when the percentages are absurd.
        row.Horse = static_cast<int32_t>(100u - static_cast<uint32_t>(row.Foot) -
                                         static_cast<uint32_t>(row.Dogs));
    }
}

void RosterModels(int tier, int memberCount, std::vector<Hash>& out) {
    out.clear();
    const Settings& s = G.settings;
    int leads = tier == 4 ? 3 : tier == 5 ? 4 : 1;
    for (int i = 0; i < memberCount; ++i) {
        if (tier < 1 || tier > TierCount)
            out.push_back(s.FootRoster[1].fill);
        else
            out.push_back(i < leads ? s.FootRoster[tier].lead : s.FootRoster[tier].fill);
    }
    for (Hash& model : out)
        if (!IsValidModel(model)) model = s.Test.Model;
}
