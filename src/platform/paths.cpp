// The plug-in's Windows-style relative file names in the platform's own form.
#include "platform/paths.h"

#ifdef _WIN32
const char* PlatformPath(const char* windowsRelativePath) { return windowsRelativePath; }
#else
// ".\name" means "name in the working directory"; the backslash is not a separator here.
const char* PlatformPath(const char* windowsRelativePath) {
    const char* p = windowsRelativePath;
    if (p[0] == '.' && p[1] == '\\') return p + 2;
    return p;
}
#endif
