// The Windows C runtime's number conversions where they differ from the local C library.
#pragma once
#include <cstdint>

// atol as the Windows C runtime gives it: long is 32 bits there, so the result is the low 32 bits
// of the converted value (atol("9999999999") is 1410065407). Leading space, tab, newline,
// vertical tab, form feed and carriage return are skipped, then an optional sign and the decimal
// digits that follow; 0 when there are none. A null pointer gives 0.
int32_t CrtAtol(const char* text);
