// The game's name hash for every host in the tree (one definition, so hosts agree on names).
#include "hostkit/name_hash.h"

Hash GameNameHash(const char* text) {
    if (text == nullptr) return 0;
    uint32_t h = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        h += *p >= 'A' && *p <= 'Z' ? *p + ('a' - 'A') : *p;
        h += h << 10;
        h ^= h >> 6;
    }
    h += h << 3;
    h ^= h >> 11;
    h += h << 15;
    return h;
}
