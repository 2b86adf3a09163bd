// Every read of the settings file goes through here: the platform's profile functions on the
// file named by the settings record, and the text helpers the configuration readers share.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "config/config_diagnostics.h"

#include "natives/types.h"

uint32_t IniReadString(const char* section, const char* key, const char* defaultText, char* out,
                       uint32_t size);
int32_t IniReadInt(const char* section, const char* key, int32_t defaultValue);
// Reads a whole section as NUL-separated lines; the buffer is zero-filled first.
uint32_t IniReadSection(const char* section, char* out, uint32_t size);

// ParseHashKey, remembering the text of a hashed name so the configuration report can show it.
Hash ConfigHashKey(const char* text);
// The host's hash of a name, remembered the same way.
Hash ConfigHashName(const char* name);

// Space, tab, carriage return and line feed, the only blanks a configuration value is trimmed of.
std::string_view TrimBlanks(std::string_view text);
// ASCII lower case in place (bytes above 0x7F unchanged).
void LowerAscii(char* text);
void LowerAscii(std::string& text);

// Notes for the settings checker; callers test G.config.Diagnostics before building one.
void NoteConfigKey(ConfigDiagnostics& d, const char* section, const char* key, std::string text);
std::string Quoted(std::string_view text);
// Shortest text that reads back as the same float.
std::string NumberText(float value);
// Optional blanks and sign, then decimal digits only; *value gets the number (saturated far
// beyond the 32-bit range).
bool IsPlainInteger(std::string_view text, int64_t* value);
// Notes a non-empty integer value that does not read as written: `used` is what the reader gave,
// `what` ends the note ("is used", "rounds are given", ...).
void NoteInteger(ConfigDiagnostics& d, const char* section, const char* key, const char* text,
                 int32_t used, const char* what);
