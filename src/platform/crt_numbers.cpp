// The Windows C runtime's number conversions, reproduced where the local C library differs.
#include "platform/crt_numbers.h"

int32_t CrtAtol(const char* text) {
    if (!text) return 0;
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    // Unsigned arithmetic wraps exactly as the runtime's 32-bit accumulator does.
    uint32_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        value = value * 10u + static_cast<uint32_t>(*p - '0');
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}
