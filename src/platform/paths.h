// Maps the plug-in's Windows-style relative file names (".\Harkvane.ini") to the platform's
// own form; on Windows the name is used as written.
#pragma once
#include <cstdio>

const char* PlatformPath(const char* windowsRelativePath);

// Opens a file whose name is UTF-8. On Windows the C runtime reads narrow names in the ANSI code
// page, so the name goes through the wide-character call; elsewhere it is fopen itself.
std::FILE* OpenFileUtf8(const char* path, const char* mode);
