#include "config/key_names.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct NamedKey {
    const char* name;
    int32_t code;
};

// F1-F24, letters and digits are generated; these are the other names players know.
constexpr NamedKey NamedKeys[] = {
    {"none", KeyNone},  {"Backspace", 0x08},  {"Tab", 0x09},     {"Enter", 0x0D},
    {"Pause", 0x13},    {"CapsLock", 0x14},   {"Space", 0x20},   {"PageUp", 0x21},
    {"PageDown", 0x22}, {"End", 0x23},        {"Home", 0x24},    {"Left", 0x25},
    {"Up", 0x26},       {"Right", 0x27},      {"Down", 0x28},    {"Insert", 0x2D},
    {"Delete", 0x2E},   {"NumPad0", 0x60},    {"NumPad1", 0x61}, {"NumPad2", 0x62},
    {"NumPad3", 0x63},  {"NumPad4", 0x64},    {"NumPad5", 0x65}, {"NumPad6", 0x66},
    {"NumPad7", 0x67},  {"NumPad8", 0x68},    {"NumPad9", 0x69}, {"Multiply", 0x6A},
    {"Add", 0x6B},      {"Subtract", 0x6D},   {"Decimal", 0x6E}, {"Divide", 0x6F},
    {"NumLock", 0x90},  {"ScrollLock", 0x91},
};

constexpr int32_t KeyF1 = 0x70;
constexpr int FunctionKeys = 24;

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names match without regard to case, as the settings file's keys do.
bool SameName(const char* text, size_t length, const char* name) {
    if (std::strlen(name) != length) return false;
    for (size_t i = 0; i < length; ++i)
        if (Lower(text[i]) != Lower(name[i])) return false;
    return true;
}

bool ParseNumber(const char* text, size_t length, int32_t* code) {
    if (length == 0 || length > 8) return false;
    char digits[16];
    std::memcpy(digits, text, length);
    digits[length] = '\0';
    const bool hex = length > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
    const char* start = hex ? digits + 2 : digits;
    for (const char* p = start; *p; ++p) {
        const bool digit = *p >= '0' && *p <= '9';
        const bool hexDigit = (*p >= 'a' && *p <= 'f') || (*p >= 'A' && *p <= 'F');
        if (!digit && !(hex && hexDigit)) return false;
    }
    const long value = std::strtol(start, nullptr, hex ? 16 : 10);
    if (value < 1 || value > KeyCodeMax) return false;
    *code = static_cast<int32_t>(value);
    return true;
}

} // namespace

bool ParseKeyName(const char* text, int32_t* code) {
    while (*text == ' ' || *text == '\t')
        ++text;
    size_t length = std::strlen(text);
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t' ||
                          text[length - 1] == '\r' || text[length - 1] == '\n'))
        --length;
    if (length == 1) {
        const char c = text[0];
        if (c >= '0' && c <= '9') {
            *code = c;
            return true;
        }
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            *code = c & ~0x20; // the letter keys' codes are the capitals
            return true;
        }
    }
    if (length >= 2 && length <= 3 && (text[0] == 'F' || text[0] == 'f')) {
        int n = 0;
        bool digits = true;
        for (size_t i = 1; i < length; ++i) {
            digits = digits && text[i] >= '0' && text[i] <= '9';
            n = n * 10 + (text[i] - '0');
        }
        if (digits && text[1] != '0' && n >= 1 && n <= FunctionKeys) {
            *code = KeyF1 + n - 1;
            return true;
        }
    }
    for (const NamedKey& key : NamedKeys) {
        if (SameName(text, length, key.name)) {
            *code = key.code;
            return true;
        }
    }
    return ParseNumber(text, length, code);
}

void FormatKeyName(int32_t code, char* out, size_t size) {
    if (code >= KeyF1 && code < KeyF1 + FunctionKeys) {
        std::snprintf(out, size, "F%d", code - KeyF1 + 1);
        return;
    }
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) {
        std::snprintf(out, size, "%c", static_cast<char>(code));
        return;
    }
    for (const NamedKey& key : NamedKeys) {
        if (key.code == code) {
            std::snprintf(out, size, "%s", key.name);
            return;
        }
    }
    std::snprintf(out, size, "0x%02X", static_cast<unsigned>(code));
}

std::string KeyNameText(int32_t code) {
    char name[16];
    FormatKeyName(code, name, sizeof name);
    return name;
}

std::vector<std::string> KnownKeyNames() {
    std::vector<std::string> names;
    for (int n = 1; n <= FunctionKeys; ++n) {
        // Formatted, not "F" + std::to_string(n): GCC 12's optimiser warns falsely on that.
        char name[8];
        std::snprintf(name, sizeof name, "F%d", n);
        names.emplace_back(name);
    }
    for (char c = 'A'; c <= 'Z'; ++c)
        names.emplace_back(1, c);
    for (char c = '0'; c <= '9'; ++c)
        names.emplace_back(1, c);
    for (const NamedKey& key : NamedKeys)
        names.emplace_back(key.name);
    return names;
}
