// The Win32 private-profile (INI) functions. On Windows these are kernel32's own; elsewhere
// platform/profile_portable.cpp implements them with the same observable behaviour.
#pragma once
#include "platform/host_kind.h"
#if HARKVANE_WINDOWS_HOST
#include <windows.h>
#else
#include <cstdint>

uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                  char* out, uint32_t size, const char* fileName);
uint32_t GetPrivateProfileIntA(const char* section, const char* key, int32_t defaultValue,
                               const char* fileName);
uint32_t GetPrivateProfileSectionA(const char* section, char* out, uint32_t size,
                                   const char* fileName);
#endif
