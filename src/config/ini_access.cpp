// The one gate to the settings file: profile reads, query notes for the settings checker, and
// the name helpers the loaders share.
#include "config/ini_access.h"

#include <charconv>
#include <cstring>
#include <string>
#include <utility>

#include "config/setting_units.h"
#include "natives/hash_keys.h"
#include "platform/profile.h"
#include "state/plugin_state.h"

namespace {

void NoteQuery(const char* section, const char* key) {
    if (ConfigDiagnostics* d = G.config.Diagnostics)
        d->queries.push_back({section, key ? key : ""});
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

void NoteConfigKey(ConfigDiagnostics& d, const char* section, const char* key, std::string text) {
    ConfigNote note;
    note.section = section;
    note.key = key;
    note.text = std::move(text);
    d.notes.push_back(std::move(note));
}

std::string Quoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    out.append(text);
    out.push_back('"');
    return out;
}

std::string NumberText(float value) {
    char buf[64];
    auto result = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, result.ptr);
}

bool IsPlainInteger(std::string_view text, int64_t* value) {
    text = TrimBlanks(text);
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i == text.size()) return false;
    int64_t n = 0;
    for (size_t k = i; k < text.size(); ++k) {
        if (text[k] < '0' || text[k] > '9') return false;
        if (n < (int64_t{1} << 40)) n = n * 10 + (text[k] - '0');
    }
    *value = text[0] == '-' ? -n : n;
    return true;
}

void NoteInteger(ConfigDiagnostics& d, const char* section, const char* key, const char* text,
                 int32_t used, const char* what) {
    int64_t written = 0;
    if (TrimBlanks(text).empty()) return;
    if (!IsPlainInteger(text, &written))
        NoteConfigKey(d, section, key,
                      Quoted(text) + " is not a whole number; " + ValueInPlay(section, key, used) +
                          " " + what);
    else if (written != used)
        NoteConfigKey(d, section, key,
                      Quoted(text) + " is out of range; " + ValueInPlay(section, key, used) + " " +
                          what);
}

void LowerAscii(char* text) {
    for (; *text; ++text)
        if (*text >= 'A' && *text <= 'Z') *text = static_cast<char>(*text - 'A' + 'a');
}

void LowerAscii(std::string& text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}
