// Tier rosters and variant weights.
#pragma once
#include <vector>

#include "natives/types.h"

void LoadVariantWeights();
// The member models of a posse of the tier: n entries, invalid ones replaced by Test.Model.
void RosterModels(int tier, int memberCount, std::vector<Hash>& out);
