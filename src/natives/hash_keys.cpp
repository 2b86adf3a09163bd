// Names and numbers from the settings turned into the host's hash keys.
#include "natives/hash_keys.h"

#include <cstdlib>

#include "natives/natives.h"

Hash HashName(const char* name) { return game::HashKey(name); }

bool IsValidModel(Hash model) { return game::IsModelValid(model); }

Hash ParseHashKey(const char* text) {
    if (!text) return 0;
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '\0') return 0;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
        return static_cast<Hash>(std::strtoull(p + 2, nullptr, 16));
    bool allDigits = true;
    for (const char* q = p; *q; ++q) {
        if (*q < '0' || *q > '9') {
            allDigits = false;
            break;
        }
    }
    if (allDigits) return static_cast<Hash>(std::strtoull(p, nullptr, 10));
    return HashName(p);
}
