#include "bounty/witnesses.h"

void ResetWitnesses() {}
void UpdateWitnesses() {}
void SetBountyCapped(int32_t) {}
void UpdateDailyBounty() {}
