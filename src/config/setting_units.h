// What a value of the settings file means in play, in the player's units, for the settings
// checker: "15 game hours, about 30 real minutes at the default clock rate", "8 m from the
// player, the nearest a member is placed", "$15.00 (1500 cents)".
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The game clock's default rate: game seconds that pass in one real second.
inline constexpr double DefaultClockRate = 30.0;

// `value` with its unit and meaning for the key; the bare number for a key without a unit.
// Sections with a tier in their name (VariantWeights_T3, Horse_T2) and loadout fields are known.
std::string ValueInPlay(std::string_view section, std::string_view key, double value);

// A count range ("2-3 dogs with a Dogs posse"), or the single count when both ends agree.
std::string RangeInPlay(std::string_view section, std::string_view key, int32_t min, int32_t max);

// What a word key's value does: a road bias or a forced variant.
std::string WordInPlay(std::string_view key, int32_t value);

// What false means for a switch, e.g. "the camp shield is off"; empty when nothing is known.
std::string SwitchOffMeaning(std::string_view section, std::string_view key);

// A number as the checker writes it: whole numbers without a point, others as short as they
// read back.
std::string PlainNumber(double value);
