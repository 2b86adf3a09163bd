// The witness tracker and the daily bounty increase.
#pragma once
#include <cstdint>

void ResetWitnesses();
void UpdateWitnesses();
// Sets the player's bounty, raised to 0 and then limited to Bounty.BountyCap.
void SetBountyCapped(int32_t cents);
void UpdateDailyBounty();
