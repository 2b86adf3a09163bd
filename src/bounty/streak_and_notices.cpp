#include "bounty/streak_and_notices.h"

int ReadStreakFile() { return 0; }
void SaveStreak() {}
void ShowNotice(const char*) {}
void ShowToast(const char*) {}
