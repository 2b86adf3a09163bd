// Posse horses: pairing riders, releasing a horse the player takes, sending riderless ones away.
#pragma once
#include <vector>

#include "natives/types.h"

void PairRidersWithHorses(const std::vector<Ped>& riders, const std::vector<Ped>& horses,
                          float radius, bool deleteUnpaired);
void PreSpawnHorseCleanup();
void ProtectPlayerMount();
void HorsePass();
void ReleaseHorse(Ped horse);
void AddHorseBlip(Ped horse);
// A horse the player has ridden is theirs: no clean-up of ours deletes it. Asks the game nothing.
bool IsClaimedHorse(Ped ped);
