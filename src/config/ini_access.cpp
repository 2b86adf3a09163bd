#include "config/ini_access.h"

#include <cstring>
#include <string>

#include "host/plugin_state.h"
#include "natives/hash_keys.h"
#include "platform/profile.h"

namespace {

void NoteQuery(const char* section, const char* key) {
    if (G.config.IniQueryLog) G.config.IniQueryLog->emplace_back(section, key ? key : "");
}

// True when ParseHashKey takes the text as a number rather than hashing it as a name.
bool IsNumericHashText(const char* text) {
    while (*text == ' ' || *text == '\t')
        ++text;
    if (*text == '\0') return true;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return true;
    for (; *text; ++text)
        if (*text < '0' || *text > '9') return false;
    return true;
}

void RememberName(Hash hash, const char* name) {
    if (hash != 0) G.config.KnownNames[hash] = name;
}

} // namespace

uint32_t IniReadString(const char* section, const char* key, const char* defaultText, char* out,
                       uint32_t size) {
    NoteQuery(section, key);
    if (size == 0) return 0;
    out[0] = '\0';
    uint32_t n =
        GetPrivateProfileStringA(section, key, defaultText, out, size, G.settings.IniPath.c_str());
    out[size - 1] = '\0';
    return n;
}

int32_t IniReadInt(const char* section, const char* key, int32_t defaultValue) {
    NoteQuery(section, key);
    return static_cast<int32_t>(
        GetPrivateProfileIntA(section, key, defaultValue, G.settings.IniPath.c_str()));
}

uint32_t IniReadSection(const char* section, char* out, uint32_t size) {
    NoteQuery(section, nullptr);
    if (size == 0) return 0;
    std::memset(out, 0, size);
    uint32_t n = GetPrivateProfileSectionA(section, out, size, G.settings.IniPath.c_str());
    // The walkers stop at an empty line; make sure the buffer ends in one whatever came back.
    out[size - 1] = '\0';
    if (size >= 2) out[size - 2] = '\0';
    return n;
}

Hash ConfigHashKey(const char* text) {
    Hash hash = ParseHashKey(text);
    if (!IsNumericHashText(text)) {
        while (*text == ' ' || *text == '\t')
            ++text;
        RememberName(hash, text);
    }
    return hash;
}

Hash ConfigHashName(const char* name) {
    Hash hash = HashName(name);
    RememberName(hash, name);
    return hash;
}

std::string_view TrimBlanks(std::string_view text) {
    constexpr std::string_view blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

void LowerAscii(char* text) {
    for (; *text; ++text)
        if (*text >= 'A' && *text <= 'Z') *text = static_cast<char>(*text - 'A' + 'a');
}

void LowerAscii(std::string& text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}
