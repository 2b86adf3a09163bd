// The plug-in's Windows-style relative file names in the platform's own form.
#include "platform/paths.h"

#ifdef _WIN32
#include <windows.h>

#include <string>

const char* PlatformPath(const char* windowsRelativePath) {
    return windowsRelativePath;
}

namespace {
std::wstring Wide(const char* utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, out.data(), n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}
} // namespace

std::FILE* OpenFileUtf8(const char* path, const char* mode) {
    const std::wstring name = Wide(path), wideMode = Wide(mode);
    if (name.empty() && path[0] != '\0') return nullptr; // not valid UTF-8
    return _wfopen(name.c_str(), wideMode.c_str());
}
#else
// ".\name" means "name in the working directory"; the backslash is not a separator here.
const char* PlatformPath(const char* windowsRelativePath) {
    const char* p = windowsRelativePath;
    if (p[0] == '.' && p[1] == '\\') return p + 2;
    return p;
}

std::FILE* OpenFileUtf8(const char* path, const char* mode) {
    return std::fopen(path, mode);
}
#endif
