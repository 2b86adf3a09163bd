#include "spawn/horses.h"

void PairRidersWithHorses(const std::vector<Ped>&, const std::vector<Ped>&, float, bool) {}
void PreSpawnHorseCleanup() {}
void ProtectPlayerMount() {}
void HorsePass() {}
void ReleaseHorse(Ped) {}
void AddHorseBlip(Ped) {}
