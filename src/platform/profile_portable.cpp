// The private-profile (INI) reader with the observable behaviour of the Win32 functions, quirks
// included, so a settings file reads the same on every platform:
// - a file is a list of sections; lines before the first "[name]" form a section with an empty
//   name; a line is trimmed of blanks (and ^Z) at both ends, blank lines are dropped;
// - a line starting with "[" opens a section named by the text up to the line's last "]" (so
//   "[a]b]" names "a]b"; blanks inside the brackets and any text after that "]" are ignored);
//   a "[" line without "]" is an ordinary line;
// - any other line is a key: the text before the first "=" (trimmed) is its name, the text after
//   it (trimmed) its value; a line without "=" is a key without a value. Lines starting with ";"
//   are stored like any other but left out when a section or its key names are listed;
// - lookups compare names without regard to case; the first matching section is the only one
//   searched, and the first matching key in it wins;
// - a value wholly enclosed in matching quotes loses them when read as a single value.
#include "platform/host_kind.h"
#if !HARKVANE_WINDOWS_HOST
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/profile_layout.h"

namespace {

struct ParsedProfile {
    std::string bytes; // the file as read, to tell whether a cached parse is still current
    bool exists = false;
    std::vector<ProfileSection> sections;
};

// The last file parsed. A settings load asks for the same file some hundreds of times; comparing
// the bytes just read with these is far cheaper than parsing again, and can never miss an edit.
// Pure cache of file contents, not plug-in state: a reset has no reason to clear it.
ParsedProfile Cache;
std::string CachePath;
std::vector<char> Scratch; // wide-side buffer the narrow functions convert from

bool IsBlank(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(const char* a, size_t aLen, const char* b, size_t bLen) {
    if (aLen != bLen) return false;
    for (size_t i = 0; i < aLen; ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool EqualNoCase(const std::string& a, const char* b) {
    return EqualNoCase(a.data(), a.size(), b, std::strlen(b));
}

bool ReadWholeFile(const char* path, std::string& out) {
    out.clear();
    FILE* f = OpenFileUtf8(path, "rb");
    if (!f) return false;
    struct stat st {};
    if (fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        return false;
    }
    char chunk[8192];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        out.append(chunk, n);
    std::fclose(f);
    return true;
}

// Text of a file with a byte-order mark is decoded from UTF-8 or UTF-16 to the narrow form the
// "A" functions return. Only the ASCII range is carried over as is; other characters become '?'.
std::string DecodeText(const std::string& raw) {
    const auto* b = reinterpret_cast<const unsigned char*>(raw.data());
    const size_t n = raw.size();
    if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        std::string out;
        for (size_t i = 3; i < n;) {
            const unsigned char c = b[i];
            size_t len = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
            i += len;
        }
        return out;
    }
    const bool little = n >= 2 && b[0] == 0xFF && b[1] == 0xFE;
    const bool big = n >= 2 && b[0] == 0xFE && b[1] == 0xFF;
    if (little || big) {
        std::string out;
        for (size_t i = 2; i + 1 < n; i += 2) {
            const unsigned unit = little ? (b[i] | (b[i + 1] << 8)) : ((b[i] << 8) | b[i + 1]);
            out.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
        }
        return out;
    }
    return raw;
}

void Parse(const std::string& text, std::vector<ProfileSection>& sections) {
    sections.clear();
    if (text.empty()) return;
    sections.emplace_back(); // lines before the first section header
    const char* p = text.data();
    const char* end = p + text.size();
    ProfileKey* previous = nullptr;
    int nextLine = 1;
    while (p < end) {
        const int line = nextLine;
        const char* start = p;
        while (p < end && *p != '\n' && *p != '\r')
            ++p;
        const char* lineEnd = p;
        // CR LF, LF and a lone CR each end one line; the run of them is skipped together.
        for (; p < end && (*p == '\n' || *p == '\r'); ++p)
            if (*p == '\n' || p + 1 == end || p[1] != '\n') ++nextLine;
        while (start < lineEnd && IsBlank(*start))
            ++start;
        while (lineEnd > start && IsBlank(lineEnd[-1]))
            --lineEnd;
        if (start >= lineEnd) continue;

        if (*start == '[') {
            const char* close = lineEnd;
            while (close > start + 1 && close[-1] != ']')
                --close;
            if (close > start + 1) {
                --close; // the last "]" of the line
                sections.emplace_back();
                const char* nameStart = start + 1;
                const char* nameEnd = close;
                while (nameStart < nameEnd && IsBlank(*nameStart))
                    ++nameStart;
                while (nameEnd > nameStart && IsBlank(nameEnd[-1]))
                    --nameEnd;
                sections.back().name.assign(nameStart, nameEnd);
                sections.back().line = line;
                previous = nullptr;
                continue;
            }
        }

        const char* nameEnd = lineEnd;
        const char* valueStart = static_cast<const char*>(std::memchr(start, '=', lineEnd - start));
        if (valueStart) {
            nameEnd = valueStart;
            while (nameEnd > start && IsBlank(nameEnd[-1]))
                --nameEnd;
            ++valueStart;
            while (valueStart < lineEnd && IsBlank(*valueStart))
                ++valueStart;
        }
        // A run of lines with empty names keeps only its first.
        if (nameEnd == start && previous && previous->name.empty()) continue;
        ProfileKey& key = sections.back().keys.emplace_back();
        key.name.assign(start, nameEnd);
        key.line = line;
        if (valueStart) {
            key.value.assign(valueStart, lineEnd);
            key.hasValue = true;
        }
        previous = &key;
    }
}

// The parsed form of the named file; a missing file reads as one without sections.
const ParsedProfile& Load(const char* fileName) {
    const char* path = PlatformPath(fileName ? fileName : "");
    std::string bytes;
    const bool exists = ReadWholeFile(path, bytes);
    if (CachePath == path && Cache.exists == exists && Cache.bytes == bytes) return Cache;
    CachePath = path;
    Cache.exists = exists;
    Cache.bytes = std::move(bytes);
    Parse(DecodeText(Cache.bytes), Cache.sections);
    return Cache;
}

// Copies at most size - 1 characters and always terminates when size is not zero.
void CopyBounded(char* out, const char* text, int size) {
    unsigned count = static_cast<unsigned>(size);
    while (count > 1 && *text) {
        --count;
        *out++ = *text++;
    }
    if (count) *out = '\0';
}

// Copies a value; with stripQuotes, a value wholly enclosed in matching quotes loses them. When
// the value fills the buffer exactly the closing quote is already cut off, and the last
// character is cut as well (the Windows functions behave so).
void CopyEntry(char* out, const char* value, int size, bool stripQuotes) {
    char quote = '\0';
    if (stripQuotes && (*value == '\'' || *value == '"')) {
        if (value[1] && value[std::strlen(value) - 1] == *value) quote = *value++;
    }
    CopyBounded(out, value, size);
    if (quote && size >= static_cast<int>(std::strlen(value))) {
        const size_t len = std::strlen(out);
        if (len > 0) out[len - 1] = '\0';
    }
}

// Trims blanks at both ends of a query name.
void TrimmedSpan(const char* text, const char*& begin, size_t& len) {
    while (IsBlank(*text))
        ++text;
    begin = text;
    len = std::strlen(text);
    while (len > 0 && IsBlank(text[len - 1]))
        --len;
}

int SectionIndex(const std::vector<ProfileSection>& sections, const char* name) {
    const char* secName;
    size_t secLen;
    TrimmedSpan(name, secName, secLen);
    for (size_t i = 0; i < sections.size(); ++i)
        if (EqualNoCase(sections[i].name.data(), sections[i].name.size(), secName, secLen))
            return static_cast<int>(i);
    return -1;
}

int KeyIndex(const ProfileSection& section, const char* name) {
    const char* keyName;
    size_t keyLen;
    TrimmedSpan(name, keyName, keyLen);
    for (size_t i = 0; i < section.keys.size(); ++i) {
        const ProfileKey& k = section.keys[i];
        if (EqualNoCase(k.name.data(), k.name.size(), keyName, keyLen)) return static_cast<int>(i);
    }
    return -1;
}

// Only the first matching section is searched, and the first matching key in it wins.
const ProfileKey* Find(const ParsedProfile& profile, const char* section, const char* key) {
    const int s = SectionIndex(profile.sections, section);
    if (s < 0) return nullptr;
    const int k = KeyIndex(profile.sections[static_cast<size_t>(s)], key);
    return k < 0 ? nullptr : &profile.sections[static_cast<size_t>(s)].keys[static_cast<size_t>(k)];
}

bool ListsKey(const ProfileKey& k) {
    if (k.name.empty() && !k.hasValue) return false;
    return k.name.empty() || k.name[0] != ';';
}

// Lists a section as NUL-separated entries ending in an extra NUL: "key=value" lines (and lines
// without "=") when withValues, else only the names of keys that have a value. Comment lines are
// left out. Returns the characters written without the final NUL; an undersized buffer gets the
// last entry truncated and size - 2 is returned.
int ListSection(const ParsedProfile& profile, const char* section, char* out, unsigned size,
                bool withValues) {
    for (const ProfileSection& s : profile.sections) {
        if (!EqualNoCase(s.name, section)) continue;
        const unsigned oldSize = size;
        for (const ProfileKey& k : s.keys) {
            if (size <= 2) break;
            if (!ListsKey(k)) continue;
            if (!withValues && !k.hasValue) continue;
            CopyEntry(out, k.name.c_str(), static_cast<int>(size - 1), false);
            size_t n = std::strlen(out);
            size -= static_cast<unsigned>(n + 1);
            out += n + 1;
            if (size < 2) break;
            if (withValues && k.hasValue) {
                out[-1] = '=';
                CopyEntry(out, k.value.c_str(), static_cast<int>(size - 1), false);
                n = std::strlen(out);
                size -= static_cast<unsigned>(n + 1);
                out += n + 1;
            }
        }
        if (oldSize == 0) return -2;
        *out = '\0';
        if (size <= 1) {
            if (size != oldSize) out[-1] = '\0';
            return static_cast<int>(oldSize - 2);
        }
        return static_cast<int>(oldSize - size);
    }
    if (size > 0) out[0] = '\0';
    if (size > 1) out[1] = '\0';
    return 0;
}

// NUL-separated names of all sections (duplicates included), ending in an extra NUL.
int ListSectionNames(const ParsedProfile& profile, char* out, unsigned size) {
    if (!out || !size) return 0;
    if (size == 1) {
        *out = '\0';
        return 0;
    }
    unsigned room = size - 1;
    char* p = out;
    for (const ProfileSection& s : profile.sections) {
        if (s.name.empty()) continue;
        const unsigned need = static_cast<unsigned>(s.name.size() + 1);
        if (need >= room) {
            if (room > 0) {
                std::memcpy(p, s.name.data(), room - 1);
                p += room - 1;
                *p++ = '\0';
            }
            *p = '\0';
            return static_cast<int>(size - 2);
        }
        std::memcpy(p, s.name.c_str(), need);
        p += need;
        room -= need;
    }
    *p = '\0';
    return static_cast<int>(p - out);
}

// The wide-character core the narrow entry points are built on (the narrow functions convert the
// result afterwards, which is why they terminate differently in places).
int GetStringWide(const char* section, const char* key, const char* defaultValue, char* out,
                  unsigned size, const char* fileName) {
    // Trailing spaces of the default are dropped, though never its first character.
    std::string def;
    if (defaultValue) {
        size_t len = std::strlen(defaultValue);
        while (len > 1 && defaultValue[len - 1] == ' ')
            --len;
        def.assign(defaultValue, len);
        defaultValue = def.c_str();
    }
    const ParsedProfile& profile = Load(fileName);
    if (!section) return ListSectionNames(profile, out, size);
    if (!out || !size) return 0;
    if (!defaultValue) defaultValue = "";
    if (key) {
        const ProfileKey* k = Find(profile, section, key);
        CopyEntry(out, (k && k->hasValue) ? k->value.c_str() : defaultValue, static_cast<int>(size),
                  true);
        return static_cast<int>(std::strlen(out));
    }
    int written = ListSection(profile, section, out, size, false);
    if (!out[0]) {
        CopyEntry(out, defaultValue, static_cast<int>(size), true);
        written = static_cast<int>(std::strlen(out));
    }
    return written;
}

char* ScratchOf(size_t size) {
    if (Scratch.size() < size + 2) Scratch.resize(size + 2);
    return Scratch.data();
}

// Value of a numeric text as the Windows functions read it: leading characters up to and
// including space skipped, one sign, then "0x" hexadecimal, "0o" octal, "0b" binary or decimal
// digits up to the first other character, in wrapping 32-bit arithmetic.
uint32_t ParseProfileInteger(const char* p) {
    while (*p && static_cast<unsigned char>(*p) <= ' ')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    unsigned base = 10;
    if (p[0] == '0' && p[1] != '\0') {
        if (p[1] == 'b')
            base = 2;
        else if (p[1] == 'o')
            base = 8;
        else if (p[1] == 'x')
            base = 16;
        if (base != 10) p += 2;
    }
    uint32_t total = 0;
    for (;; ++p) {
        const char c = *p;
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'Z')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'z')
            digit = c - 'a' + 10;
        if (digit < 0 || static_cast<unsigned>(digit) >= base) break;
        total = total * base + static_cast<uint32_t>(digit);
    }
    return negative ? 0u - total : total;
}

} // namespace

uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                  char* out, uint32_t size, const char* fileName) {
    char* wide = out ? ScratchOf(size) : nullptr;
    const int wideLen = GetStringWide(section, key, defaultValue, wide, size, fileName);
    if (!out || !size) return 0;
    uint32_t written = 0;
    if (wideLen > 0) {
        written = static_cast<uint32_t>(wideLen);
        if (written > size - 1) written = size - 1;
        std::memcpy(out, wide, written);
    }
    out[written] = '\0';
    return written;
}

uint32_t GetPrivateProfileIntA(const char* section, const char* key, int32_t defaultValue,
                               const char* fileName) {
    constexpr unsigned ValueBuffer = 30; // longer values are cut before conversion
    char buffer[ValueBuffer];
    if (GetStringWide(section, key, "", buffer, ValueBuffer, fileName) == 0 || !buffer[0])
        return static_cast<uint32_t>(defaultValue);
    return ParseProfileInteger(buffer);
}

uint32_t GetPrivateProfileSectionA(const char* section, char* out, uint32_t size,
                                   const char* fileName) {
    if (!section || !out) return 0;
    // The wide side lists into twice the room, then the narrow result must fit the caller's.
    const unsigned wideSize = size * 2;
    char* wide = ScratchOf(wideSize);
    const int wideLen = ListSection(Load(fileName), section, wide, wideSize, true);
    if (wideLen <= 0) {
        // Windows writes two NULs here even into a one-byte buffer; stay inside the caller's.
        if (size > 0) out[0] = '\0';
        if (size > 1) out[1] = '\0';
        return 0;
    }
    const uint32_t needed = static_cast<uint32_t>(wideLen) + 1;
    if (needed <= size) {
        std::memcpy(out, wide, needed);
        return static_cast<uint32_t>(wideLen);
    }
    // Too small: the first size - 2 characters of the full list, then two NULs.
    std::memcpy(out, wide, size);
    out[size - 2] = out[size - 1] = '\0';
    return size - 2;
}
bool ReadProfileLayout(const char* fileName, std::vector<ProfileSection>& out) {
    const ParsedProfile& profile = Load(fileName);
    out = profile.sections;
    return profile.exists;
}

int ProfileSectionIndex(const std::vector<ProfileSection>& sections, const char* name) {
    return SectionIndex(sections, name);
}

int ProfileKeyIndex(const ProfileSection& section, const char* name) {
    return KeyIndex(section, name);
}

bool ProfileListsKey(const ProfileKey& key) {
    return ListsKey(key);
}
#endif
