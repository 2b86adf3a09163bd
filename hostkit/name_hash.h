// The game's name hash, as every host in this tree answers GET_HASH_KEY: one-at-a-time over the
// text lowered to ASCII lower case.
#pragma once
#include "natives/types.h"

// 0 for a null text.
Hash GameNameHash(const char* text);
