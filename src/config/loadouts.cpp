// Weapon loadouts: the Weapons section, the per-tier pools and arming a new hunter.
#include "config/loadouts.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "config/config_diagnostics.h"
#include "config/ini_access.h"
#include "config/setting_units.h"
#include "natives/hash_keys.h"
#include "natives/natives.h"
#include "platform/crt_numbers.h"
#include "platform/crt_rand.h"
#include "state/plugin_state.h"

namespace {

constexpr uint32_t WeaponsBufferSize = 8192;
constexpr uint32_t PoolBufferSize = 4096;
// A section reader that returns its buffer size minus two has cut the section short.
constexpr uint32_t WeaponsFitLimit = WeaponsBufferSize - 3;
constexpr uint32_t PoolFitLimit = PoolBufferSize - 3;
constexpr const char* PoolTags[] = {"T1", "T2", "T3", "T4", "T5", "HV", "Default"};
constexpr int32_t UnsetThrowableCount = 25;

// Calls visit(key, value, entry) for every usable line of a section read into buf: split at the
// first "=", both sides trimmed; lines with an empty key or a key starting with ";" are skipped.
// `entry` is the line's place among all the lines of the buffer, for the settings checker.
template <typename Visit> void WalkSectionLines(const char* buf, uint32_t size, Visit visit) {
    const char* end = buf + size;
    int entry = 0;
    for (const char* line = buf; line < end && *line; ++entry) {
        std::string_view text(line, strnlen(line, static_cast<size_t>(end - line)));
        line += text.size() + 1;
        size_t eq = text.find('=');
        std::string_view key = TrimBlanks(text.substr(0, eq));
        std::string_view value =
            eq == std::string_view::npos ? std::string_view() : TrimBlanks(text.substr(eq + 1));
        if (key.empty() || key.front() == ';') continue;
        visit(key, value, entry);
    }
}

// The fields a loadout line may set, by key: a weapon by name or a number of rounds.
struct LoadoutField {
    const char* name;
    Hash Loadout::*weapon;    // null for a number of rounds
    int32_t Loadout::*rounds; // null for a weapon
};

constexpr LoadoutField LoadoutFields[] = {
    {"Primary", &Loadout::primary, nullptr},
    {"Sidearm1", &Loadout::sidearm1, nullptr},
    {"Sidearm2", &Loadout::sidearm2, nullptr},
    {"Throwable", &Loadout::throwable, nullptr},
    {"Melee", &Loadout::melee, nullptr},
    {"AmmoPrimary", nullptr, &Loadout::ammoPrimary},
    {"AmmoSidearm", nullptr, &Loadout::ammoSidearm},
};
constexpr const char* WeaponsSettings[] = {"AmmoPrimary", "AmmoSidearm"};

void NoteLine(ConfigDiagnostics& d, const char* section, int entry, std::string text,
              std::string_view unknownName = {}, std::vector<std::string> knownNames = {}) {
    d.notes.push_back(
        {section, "", entry, std::move(text), std::string(unknownName), std::move(knownNames)});
}

void NoteTooLong(ConfigDiagnostics& d, const char* section, uint32_t limit) {
    NoteLine(d, section, -1,
             "the section is longer than the " + std::to_string(limit) +
                 " characters the plug-in reads; none of it is used");
}

// An ammunition value as AmmoValue reads it.
void NoteAmmo(ConfigDiagnostics& d, int entry, std::string_view key, std::string_view value,
              int32_t used) {
    int64_t written = 0;
    std::string text(value);
    const std::string head = std::string(key) + ": ";
    if (!IsPlainInteger(text, &written))
        NoteLine(d, "Weapons", entry,
                 head + Quoted(text) + " is not a whole number; " + ValueInPlay("Weapons", key, 0) +
                     " is used");
    else if (written != used)
        NoteLine(d, "Weapons", entry,
                 head + text + (written < used ? " is raised to " : " is lowered to ") +
                     ValueInPlay("Weapons", key, used));
}

std::string Lower(std::string_view text) {
    std::string out(text);
    LowerAscii(out);
    return out;
}

// A decimal value as the C runtime's atol reads it, 0 when below 1.
int32_t AmmoValue(std::string_view value) {
    int32_t n = CrtAtol(std::string(value).c_str());
    return n < 1 ? 0 : n;
}

Hash WeaponValue(std::string_view value) {
    std::string name(value);
    std::string lowered = Lower(value);
    if (lowered == "none") return 0;
    return ConfigHashName(name.c_str());
}

void StoreLoadout(const std::string& name, const Loadout& loadout) {
    for (auto& entry : G.config.LoadoutTable) {
        if (entry.first == name) {
            entry.second = loadout;
            return;
        }
    }
    G.config.LoadoutTable.emplace_back(name, loadout);
}

// The field a lower-case key names; null for any other key (the line is ignored).
const LoadoutField* FindLoadoutField(const std::string& lowered) {
    for (const LoadoutField& field : LoadoutFields)
        if (Lower(field.name) == lowered) return &field;
    return nullptr;
}

void SetLoadoutField(Loadout& loadout, const LoadoutField& field, std::string_view value) {
    if (field.weapon)
        loadout.*field.weapon = WeaponValue(value);
    else
        loadout.*field.rounds = AmmoValue(value);
}

// A key with an empty value begins a loadout; one named like a field is more likely a field
// whose value was forgotten, and a name given before is replaced whole.
void NoteLoadoutStart(ConfigDiagnostics& d, int entry, std::string_view key,
                      const std::string& lowered, const std::string& current) {
    if (FindLoadoutField(lowered)) {
        NoteLine(d, "Weapons", entry,
                 Quoted(key) + " has no value, so it begins a new loadout named " +
                     Quoted(lowered));
        return;
    }
    bool before = lowered == current;
    for (const auto& entryPair : G.config.LoadoutTable)
        before = before || entryPair.first == lowered;
    if (before)
        NoteLine(d, "Weapons", entry,
                 "loadout " + Quoted(lowered) +
                     " is defined again; this block replaces the earlier one whole");
}

void NoteLoadoutField(ConfigDiagnostics& d, int entry, std::string_view key, std::string_view value,
                      const std::string& loadout, const LoadoutField* field, const Loadout& before,
                      const Loadout& after) {
    if (!field) {
        std::vector<std::string> names;
        for (const LoadoutField& known : LoadoutFields)
            names.push_back(known.name);
        NoteLine(d, "Weapons", entry, Quoted(key) + " is not a field of a loadout; it is ignored",
                 key, std::move(names));
        return;
    }
    // A weapon not yet given is 0, a number of rounds not yet given -1.
    const bool given = field->weapon ? before.*field->weapon != 0 : before.*field->rounds >= 0;
    if (given)
        NoteLine(d, "Weapons", entry,
                 Quoted(key) + " is given again in loadout " + Quoted(loadout) +
                     "; this later value replaces the earlier one");
    if (field->rounds) NoteAmmo(d, entry, key, value, after.*field->rounds);
}

const std::vector<LoadoutPoolEntry>* FindPool(const char* lowerTag) {
    auto it = G.config.TierLoadoutPools.find(lowerTag);
    if (it == G.config.TierLoadoutPools.end() || it->second.empty()) return nullptr;
    return &it->second;
}

const Loadout* FindLoadout(const std::string& name) {
    for (const auto& entry : G.config.LoadoutTable)
        if (entry.first == name) return &entry.second;
    return nullptr;
}

// A weight that is not a number leaves the line out; a name no loadout has arms with the first.
void NotePoolLine(ConfigDiagnostics& d, const char* section, int entry, std::string_view key,
                  std::string_view value, int32_t weight) {
    int64_t written = 0;
    if (!IsPlainInteger(value, &written)) {
        NoteLine(d, section, entry,
                 Quoted(value) + " is not a whole-number weight; " +
                     ValueInPlay(section, key, weight) + " is used" +
                     (weight < 1 ? ", which leaves the line out" : ""));
    } else if (written != weight) {
        NoteLine(d, section, entry,
                 Quoted(value) + " is out of range; " + ValueInPlay(section, key, weight) +
                     " is used");
    }
    if (weight < 1 || G.config.LoadoutTable.empty() || FindLoadout(Lower(key))) return;
    std::vector<std::string> names;
    for (const auto& entryPair : G.config.LoadoutTable)
        names.push_back(entryPair.first);
    NoteLine(d, section, entry,
             "no loadout is named " + Quoted(Lower(key)) + "; hunters who draw it get the first, " +
                 Quoted(G.config.LoadoutTable.front().first),
             Lower(key), std::move(names));
}

// Picks from the weights by one draw modulo their total; the total is summed in 64 bits so
// no weight can wrap it. Index 0 when the total is not positive (no draw then).
template <typename WeightOf> size_t PickWeighted(size_t count, WeightOf weightOf) {
    int64_t total = 0;
    for (size_t i = 0; i < count; ++i)
        total += weightOf(i);
    if (total <= 0) return 0;
    int64_t r = CrtRand() % total;
    int64_t running = 0;
    for (size_t i = 0; i < count; ++i) {
        running += weightOf(i);
        if (running > r) return i;
    }
    return 0;
}

void Give(Ped ped, Hash weapon, int32_t ammo, bool inHand) {
    Hash reason = HashName("ADD_REASON_DEFAULT");
    game::GiveWeapon(ped, weapon, ammo, inHand, !inHand, reason);
}

} // namespace

void LoadLoadouts() {
    ConfigState& c = G.config;
    c.LoadoutTable.clear();
    std::vector<char> buf(WeaponsBufferSize);
    uint32_t n = IniReadSection("Weapons", buf.data(), WeaponsBufferSize);
    ConfigDiagnostics* d = c.Diagnostics;
    if (d && n > WeaponsFitLimit) NoteTooLong(*d, "Weapons", WeaponsFitLimit);
    if (n != 0 && n <= WeaponsFitLimit) {
        std::string current;
        Loadout record;
        WalkSectionLines(
            buf.data(), WeaponsBufferSize,
            [&](std::string_view key, std::string_view value, int entry) {
                std::string lowered = Lower(key);
                if (value.empty()) {
                    if (d) NoteLoadoutStart(*d, entry, key, lowered, current);
                    if (!current.empty()) StoreLoadout(current, record);
                    current = lowered;
                    record = Loadout{};
                } else if (current.empty()) {
                    int32_t* amount = lowered == "ammoprimary"   ? &c.Weapons.AmmoPrimary
                                      : lowered == "ammosidearm" ? &c.Weapons.AmmoSidearm
                                                                 : nullptr;
                    if (amount) *amount = AmmoValue(value);
                    if (d && amount) NoteAmmo(*d, entry, key, value, *amount);
                    if (d && !amount)
                        NoteLine(*d, "Weapons", entry,
                                 Quoted(key) + " is not a setting of the section, "
                                               "and no loadout has begun; it is ignored",
                                 key, {std::begin(WeaponsSettings), std::end(WeaponsSettings)});
                } else {
                    const Loadout before = record;
                    const LoadoutField* field = FindLoadoutField(lowered);
                    if (field) SetLoadoutField(record, *field, value);
                    if (d) NoteLoadoutField(*d, entry, key, value, current, field, before, record);
                }
            });
        if (!current.empty()) StoreLoadout(current, record);
    }
    if (c.LoadoutTable.empty()) {
        Loadout repeater;
        repeater.primary = ConfigHashName("WEAPON_REPEATER_CARBINE");
        repeater.sidearm1 = ConfigHashName("WEAPON_REVOLVER_CATTLEMAN");
        c.LoadoutTable.emplace_back("repeater", repeater);
    }
}

void LoadTierLoadoutPools() {
    ConfigState& c = G.config;
    c.TierLoadoutPools.clear();
    std::vector<char> buf(PoolBufferSize);
    for (const char* tag : PoolTags) {
        char section[64];
        std::snprintf(section, sizeof section, "TierLoadouts.%s", tag);
        uint32_t n = IniReadSection(section, buf.data(), PoolBufferSize);
        ConfigDiagnostics* d = c.Diagnostics;
        if (d && n > PoolFitLimit) NoteTooLong(*d, section, PoolFitLimit);
        if (n == 0 || n > PoolFitLimit) continue;
        std::vector<LoadoutPoolEntry> pool;
        WalkSectionLines(buf.data(), PoolBufferSize,
                         [&](std::string_view key, std::string_view value, int entry) {
                             int32_t weight = CrtAtol(std::string(value).c_str());
                             if (d) NotePoolLine(*d, section, entry, key, value, weight);
                             if (weight < 1) return;
                             pool.push_back({Lower(key), weight});
                         });
        if (!pool.empty()) c.TierLoadoutPools[Lower(tag)] = std::move(pool);
    }
    if (c.TierLoadoutPools.empty()) {
        std::vector<LoadoutPoolEntry> pool;
        for (const auto& entry : c.LoadoutTable)
            pool.push_back({entry.first, 1});
        c.TierLoadoutPools["default"] = std::move(pool);
    }
}

void ApplyLoadout(Ped ped, const char* tierTag) {
    if (!game::IsPedHuman(ped)) return;
    game::RemoveAllWeapons(ped);
    const ConfigState& c = G.config;
    // Nothing loaded yet: the ped stays unarmed rather than reading an empty table.
    if (c.LoadoutTable.empty()) return;

    std::string tag = tierTag && *tierTag ? tierTag : (G.harkvane.HarkvaneActive ? "HV" : "T1");
    LowerAscii(tag);
    const std::vector<LoadoutPoolEntry>* pool = FindPool(tag.c_str());
    if (!pool) pool = FindPool("default");

    const Loadout* loadout = nullptr;
    if (pool) {
        size_t pick = PickWeighted(pool->size(), [&](size_t i) { return (*pool)[i].weight; });
        loadout = FindLoadout((*pool)[pick].name);
    } else {
        // Every loadout with weight 1, in table order.
        size_t pick = PickWeighted(c.LoadoutTable.size(), [](size_t) { return int32_t{1}; });
        loadout = &c.LoadoutTable[pick].second;
    }
    if (!loadout) loadout = &c.LoadoutTable.front().second;

    int32_t ammoPrimary = loadout->ammoPrimary >= 0 ? loadout->ammoPrimary : c.Weapons.AmmoPrimary;
    if (ammoPrimary <= 0) ammoPrimary = LastResortPrimaryAmmo;
    int32_t ammoSidearm = loadout->ammoSidearm >= 0 ? loadout->ammoSidearm : c.Weapons.AmmoSidearm;
    if (ammoSidearm <= 0) ammoSidearm = LastResortSidearmAmmo;

    if (loadout->primary) Give(ped, loadout->primary, ammoPrimary, true);
    if (loadout->sidearm1) Give(ped, loadout->sidearm1, ammoSidearm, false);
    if (loadout->sidearm2) Give(ped, loadout->sidearm2, ammoSidearm, false);
    if (loadout->throwable) {
        Give(ped, loadout->throwable, ammoPrimary, false);
        game::SetPedAmmo(ped, loadout->throwable,
                         loadout->ammoPrimary >= 0 ? ammoPrimary : UnsetThrowableCount);
    }
    if (loadout->melee) Give(ped, loadout->melee, 1, false);
}
