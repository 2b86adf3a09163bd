#include "config/loadouts.h"

void LoadLoadouts() {}
void LoadTierLoadoutPools() {}
void ApplyLoadout(Ped, const char*) {}
