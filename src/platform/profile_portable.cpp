#ifndef _WIN32
// Placeholder: answers every query with its default until the portable reader lands.
#include <cstdio>
#include <cstring>

#include "platform/profile.h"

uint32_t GetPrivateProfileStringA(const char*, const char*, const char* defaultValue, char* out,
                                  uint32_t size, const char*) {
    if (!out || size == 0) return 0;
    std::snprintf(out, size, "%s", defaultValue ? defaultValue : "");
    return static_cast<uint32_t>(std::strlen(out));
}
uint32_t GetPrivateProfileIntA(const char*, const char*, int32_t defaultValue, const char*) {
    return static_cast<uint32_t>(defaultValue);
}
uint32_t GetPrivateProfileSectionA(const char*, char* out, uint32_t size, const char*) {
    if (out && size >= 2) out[0] = out[1] = '\0';
    return 0;
}
#endif
