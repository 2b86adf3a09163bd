// Who answers the plug-in's platform calls. In the game (the Windows DLL) the script host, the
// Windows API and the C runtime do; everywhere else the portable stand-ins of this folder do. The
// simulator's Windows build takes the stand-ins too (HARKVANE_PORTABLE_HOST), so that it reads
// settings, draws random numbers and takes key presses exactly as on Linux.
#pragma once
#if defined(_WIN32) && !defined(HARKVANE_PORTABLE_HOST)
#define HARKVANE_WINDOWS_HOST 1
#else
#define HARKVANE_WINDOWS_HOST 0
#endif
