// How configured names and numbers become host hash keys.
#pragma once
#include "natives/types.h"

// One call of the host's name-hash native; the text is passed unchanged.
Hash HashName(const char* name);
// A settings value: "0x..." hex or all-decimal text is a number (low 32 bits), anything else a
// name hashed by the host. Leading spaces and tabs are skipped; empty gives 0.
Hash ParseHashKey(const char* text);
bool IsValidModel(Hash model);
