// The streak file and the on-screen notice service.
#pragma once

// Reads Harkvane.dat at start-up (creating it with "0\n" when it cannot be opened).
int ReadStreakFile();
// Writes StreakCount to Harkvane.dat; true when the file now holds that value.
bool SaveStreak();
void ShowNotice(const char* text);
// ShowNotice when Harkvane.Toasts is on.
void ShowToast(const char* text);
