#include "config/setting_units.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// How a number of the key is turned into play: its unit, and for times and money what it comes
// to for the player.
enum class Unit { GameHours, GameSeconds, RealMs, Cents, Chance, Phrase };

struct KeyUnit {
    std::string_view section; // a trailing '*' matches any tier suffix ("Horse_T*")
    std::string_view key;     // "*" matches every key of the section
    Unit unit;
    std::string_view phrase; // '#' stands for the number
};

constexpr KeyUnit Units[] = {
    {"Spawner", "MinSpawnHours", Unit::GameHours, "the shortest wait between posses"},
    {"Spawner", "MaxSpawnHours", Unit::GameHours, "the longest wait between posses"},
    {"Spawner", "MaxAlive", Unit::Phrase,
     "# tracked peds (hunters, dogs, horses and soldiers kept at once)"},
    {"Spawner", "SpawnAttemptsPerMember", Unit::Phrase, "# tries (to find a place for a member)"},
    {"Spawner", "SpawnNearMinMeters", Unit::Phrase,
     "# m (the nearest to the player a member is placed)"},
    {"Spawner", "SpawnNearMaxMeters", Unit::Phrase,
     "# m (the farthest from the player a member is placed)"},
    {"Spawner", "SpawnRingStepMeters", Unit::Phrase,
     "# m (between the rings searched for a place)"},
    {"Spawner", "MinSeparationMeters", Unit::Phrase, "# m (kept between members)"},
    {"Spawner", "AnchorClusterMinMeters", Unit::Phrase,
     "# m (the nearest to the first member the others gather)"},
    {"Spawner", "AnchorClusterMaxMeters", Unit::Phrase,
     "# m (the farthest from the first member the others gather)"},
    {"Spawner", "AnchorClusterStepMeters", Unit::Phrase,
     "# m (between the rings searched around the first member)"},
    {"Spawner", "AnchorClusterSeparation", Unit::Phrase,
     "# m (kept between members gathered around the first)"},
    {"SpawnPlacement", "MaxAbovePlayerMeters", Unit::Phrase,
     "# m (the highest a member is placed above the player)"},
    {"SpawnPlacement", "MaxAboveSurfaceMeters", Unit::Phrase,
     "# m (the highest a member is placed above the ground)"},
    {"Mounting", "PairRadiusMeters", Unit::Phrase, "# m (how far a rider looks for a horse)"},
    {"Bounty", "DailyBountyIncrease", Unit::Cents, "added to the bounty each game day"},
    {"Bounty", "BountyCap", Unit::Cents, "the most the plug-in raises the bounty to"},
    {"Cleanup", "MissionPollMs", Unit::RealMs, "between checks for a story mission"},
    {"CampShield", "RadiusMeters", Unit::Phrase, "# m (around a camp)"},
    {"CampShield", "HoldoffSeconds", Unit::GameSeconds,
     "posses held off after the player leaves a camp"},
    {"WitnessTracker", "WitnessRangeMeters", Unit::Phrase,
     "# m (how near a bystander must be to witness)"},
    {"WitnessTracker", "WitnessAmount", Unit::Phrase, "# witnesses (before a posse may come)"},
    {"WitnessTracker", "WitnessCap", Unit::Phrase, "# witnesses (counted at most)"},
    {"TierGates", "*", Unit::Cents, "the highest bounty of this tier"},
    {"Harkvane", "TriggerEvery", Unit::Phrase,
     "# posses (the army comes in place of one posse in #)"},
    {"Harkvane", "AnchorRadiusMeters", Unit::Phrase,
     "# m (from the player, where the army gathers)"},
    {"Harkvane", "SpawnIntervalMs", Unit::RealMs, "between soldiers of a wave"},
    {"Harkvane_Counts_A", "*", Unit::Phrase, "# soldiers (in the first wave)"},
    {"Harkvane_Counts_B", "*", Unit::Phrase, "# soldiers (in the second wave)"},
    {"Harkvane_Counts_C", "*", Unit::Phrase, "# soldiers (in the third wave)"},
    {"Debug", "ForceTier", Unit::Phrase,
     "# (the tier of every posse; outside 1-5 the bounty decides)"},
    {"Extras", "*", Unit::Chance, "of one more member"},
    {"DogCounts", "*", Unit::Phrase, "# dogs (with a Dogs posse)"},
    {"HorseCounts", "*", Unit::Phrase, "# horses (with a Horse posse)"},
    {"VariantWeights_T*", "Foot", Unit::Phrase, "# (the weight of Foot posses)"},
    {"VariantWeights_T*", "Dog", Unit::Phrase, "# (the weight of Dogs posses)"},
    {"VariantWeights_T*", "Horse", Unit::Phrase, "# (the weight of Horse posses)"},
    {"Weapons", "AmmoPrimary", Unit::Phrase, "# rounds (for the long gun)"},
    {"Weapons", "AmmoSidearm", Unit::Phrase, "# rounds (for the sidearms)"},
    {"TierLoadouts.*", "*", Unit::Phrase, "# (the weight of this loadout)"},
};

struct SwitchMeaning {
    std::string_view section, key, off;
};

constexpr SwitchMeaning Switches[] = {
    {"SpawnPlacement", "LimitAbovePlayer", "members may be placed high above the player"},
    {"SpawnPlacement", "EnforceSurfaceSnap", "members may be placed above the ground"},
    {"Mounting", "AutoPair", "riders are not seated on the posse's horses"},
    {"Mounting", "DeleteUnpairedHorses", "horses without a rider are kept"},
    {"HorseCleanup", "ProtectIfPlayerMounted", "the horse the player rides may be removed"},
    {"Blip", "BountyHunterHorse", "posse horses get no map blips"},
    {"Bounty", "DailyIncreaseEnabled", "the bounty does not grow each day"},
    {"Cleanup", "DespawnOnPlayerDeath", "posses stay when the player dies"},
    {"Cleanup", "DespawnDuringMissions", "posses stay during story missions"},
    {"CampShield", "Enabled", "camps neither clear posses nor hold them off"},
    {"CampShield", "BlockInCamp", "posses may come while the player is in camp"},
    {"WitnessTracker", "Enabled", "posses come without waiting for witnesses"},
    {"WitnessTracker", "WitnessNumberDisplay", "the witness count is not shown"},
    {"WitnessTracker", "DeathReset", "witnesses are kept when the player dies"},
    {"BountyGates", "BountyPooling", "the game's own bounty is used instead of the pools"},
    {"BountyGates", "BlockMissionSpawns", "posses may come during story missions"},
    {"BountyGates", "BountyPoolTracker", "the bounty pools are not shown"},
    {"Harkvane", "Enabled", "the army never comes"},
    {"Harkvane", "Toasts", "the army's start and end are not announced"},
    {"Harkvane", "ProtectFromMaxAlive", "soldiers count against MaxAlive"},
    {"Harkvane", "ResetOnPlayerDeath", "the posse count toward the army survives a death"},
};

bool SectionMatches(std::string_view pattern, std::string_view section) {
    if (!pattern.empty() && pattern.back() == '*') {
        pattern.remove_suffix(1);
        return section.size() > pattern.size() && section.substr(0, pattern.size()) == pattern;
    }
    return pattern == section;
}

std::string Phrase(std::string_view phrase, const std::string& number) {
    std::string out;
    for (char c : phrase) {
        if (c == '#')
            out += number;
        else
            out += c;
    }
    return out;
}

// A stretch of real time in the largest unit that keeps it readable.
std::string RealTime(double seconds) {
    const double a = std::fabs(seconds);
    auto unit = [&](double size, const char* one, const char* many) {
        const double n = std::round(seconds / size * 10.0) / 10.0;
        return PlainNumber(n) + " " + (n == 1.0 ? one : many);
    };
    if (a >= 2 * 3600.0) return unit(3600.0, "real hour", "real hours");
    if (a >= 60.0) return unit(60.0, "real minute", "real minutes");
    if (a >= 1.0) return unit(1.0, "real second", "real seconds");
    return PlainNumber(std::round(seconds * 1000.0)) + " real ms";
}

std::string Money(double cents) {
    if (!(std::fabs(cents) < 1e15)) return PlainNumber(cents) + " cents";
    const long long c = std::llround(cents);
    const long long a = c < 0 ? -c : c;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s$%lld.%02lld", c < 0 ? "-" : "", a / 100, a % 100);
    return buf;
}

} // namespace

std::string PlainNumber(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    if (value == std::trunc(value) && std::fabs(value) < 1e15) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(value));
        return buf;
    }
    char buf[64];
    auto result = std::to_chars(buf, buf + sizeof buf, static_cast<float>(value));
    return std::string(buf, result.ptr);
}

std::string ValueInPlay(std::string_view section, std::string_view key, double value) {
    for (const KeyUnit& u : Units) {
        if (!SectionMatches(u.section, section) || (u.key != "*" && u.key != key)) continue;
        const std::string n = PlainNumber(value);
        switch (u.unit) {
        case Unit::GameHours:
            return n + (value == 1.0 ? " game hour" : " game hours") + " (" +
                   std::string(u.phrase) + "), about " +
                   RealTime(value * 3600.0 / DefaultClockRate) + " at the default clock rate";
        case Unit::GameSeconds:
            return n + (value == 1.0 ? " game second" : " game seconds") + " (" +
                   std::string(u.phrase) + "), about " + RealTime(value / DefaultClockRate) +
                   " at the default clock rate";
        case Unit::RealMs:
            return n + " ms of real time (" +
                   (std::fabs(value) >= 1000 ? RealTime(value / 1000.0) + " " : "") +
                   std::string(u.phrase) + ")";
        case Unit::Cents:
            return n + " cents (" + Money(value) + ", " + std::string(u.phrase) + ")";
        case Unit::Chance:
            return n + " (a " + PlainNumber(std::round(value * 1000.0) / 10.0) + " % chance " +
                   std::string(u.phrase) + ")";
        case Unit::Phrase:
            return Phrase(u.phrase, n);
        }
    }
    return PlainNumber(value);
}

std::string RangeInPlay(std::string_view section, std::string_view key, int32_t min, int32_t max) {
    if (min == max) return ValueInPlay(section, key, min);
    for (const KeyUnit& u : Units)
        if (SectionMatches(u.section, section) && (u.key == "*" || u.key == key) &&
            u.unit == Unit::Phrase)
            return Phrase(u.phrase, std::to_string(min) + "-" + std::to_string(max));
    return std::to_string(min) + "-" + std::to_string(max);
}

std::string WordInPlay(std::string_view key, int32_t value) {
    if (key == "ForceVariant") {
        if (value == 0) return "the kind of posse is drawn from the variant weights";
        return "every posse is of this kind";
    }
    if (value == 2) return "horses are placed only on roads";
    if (value == 1) return "horses are placed on a road where one is near";
    return "horses are placed without regard to roads";
}

std::string SwitchOffMeaning(std::string_view section, std::string_view key) {
    for (const SwitchMeaning& s : Switches)
        if (s.section == section && s.key == key) return std::string(s.off);
    if (section == "CampShield") return "this camp does not shield the player";
    if (section == "TownShield") return "this town does not shield the player";
    return std::string();
}
