// Maps the plug-in's Windows-style relative file names (".\Harkvane.ini") to the platform's
// own form; on Windows the name is used as written.
#pragma once

const char* PlatformPath(const char* windowsRelativePath);
