// Loaded configuration tables that live beside the settings record.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "natives/types.h"
#include "state/settings.h"

// The settings checker's record (config/config_diagnostics.h); the state only points at it.
struct ConfigDiagnostics;

struct VariantPercent {
    int32_t Foot = 40;
    int32_t Dogs = 30;
    int32_t Horse = 30;
};

struct Loadout {
    Hash primary = 0;
    Hash sidearm1 = 0;
    Hash sidearm2 = 0;
    Hash throwable = 0;
    Hash melee = 0;
    int32_t ammoPrimary = -1;
    int32_t ammoSidearm = -1;
};

struct LoadoutPoolEntry {
    std::string name; // lower case
    int32_t weight = 0;
};

struct ConfigState {
    VariantPercent VariantWeights[TierCount + 1];
    // Lower-case loadout name -> loadout, iterated in definition order.
    std::vector<std::pair<std::string, Loadout>> LoadoutTable;
    // Lower-case tier tag -> weighted loadout names, in section order.
    std::unordered_map<std::string, std::vector<LoadoutPoolEntry>> TierLoadoutPools;
    struct {
        int32_t AmmoPrimary = 40;
        int32_t AmmoSidearm = 24;
    } Weapons;
    // Hash -> the name it was read as, for the configuration report (names only, not numbers).
    std::unordered_map<Hash, std::string> KnownNames;
    // When set (the settings checker, tests), the loaders log what they ask the file for and
    // what they make of its values there.
    ConfigDiagnostics* Diagnostics = nullptr;
};
