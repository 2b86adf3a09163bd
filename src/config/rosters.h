// Tier rosters and variant weights.
#pragma once
#include <vector>

#include "natives/types.h"
#include "state/settings.h"

// The roster readers, run by LoadSettings at its roster step: dog models and counts, the foot
// roster, extra-member chances, horse models and horse counts.
void LoadRosters(Settings& settings);
void LoadVariantWeights();
// The member models of a posse of the tier: n entries, invalid ones replaced by Test.Model.
void RosterModels(int tier, int memberCount, std::vector<Hash>& out);

// The key of a tier's lead model in its "T<n>_Foot" section (the fill key is "Fills").
const char* FootLeadKey(int tier);
