#include "config/count_bounds.h"

int32_t LimitCount(const char*, const char*, int32_t value, int32_t bound) {
    return value > bound ? bound : value;
}
