#include "bounty/streak_and_notices.h"

int ReadStreakFile() {
    return 0;
}
bool SaveStreak() {
    return false;
}
void ShowNotice(const char*) {}
void ShowToast(const char*) {}
