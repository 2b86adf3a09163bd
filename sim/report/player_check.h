// The way in for players who never open a console: harkvane-sim started with no arguments (a
// double-click on harkvane-sim.exe), or with only --no-open.
#pragma once

// Finds Harkvane.ini (in the working folder, else beside the program), prints what the settings
// checker finds in it, sweeps a representative evening with those settings, writes the sweep page
// and one evening's report into Harkvane-report/ beside the file and opens the sweep page in the
// default browser (unless openBrowser is false). On Windows, when the console window would close
// with the program, waits for Enter first. Returns 0 when nothing was found and every evening
// ran, 1 when the checker found something or an evening failed, 2 when no settings file could be
// read.
int RunPlayerCheck(bool openBrowser);
