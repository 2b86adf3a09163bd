#include <gtest/gtest.h>

#include "platform/crt_numbers.h"

namespace {

// Values printed by the Windows C runtime's atol (a MinGW program run under Wine).
TEST(CrtAtol, MatchesTheWindowsRuntimeIncludingWrapAround) {
    EXPECT_EQ(CrtAtol("9999999999"), 1410065407);
    EXPECT_EQ(CrtAtol("-9999999999"), -1410065407);
    EXPECT_EQ(CrtAtol("2147483648"), INT32_MIN);
    EXPECT_EQ(CrtAtol("-2147483649"), INT32_MAX);
    EXPECT_EQ(CrtAtol("4294967295"), -1);
    EXPECT_EQ(CrtAtol(" \t\n+12x"), 12);
    EXPECT_EQ(CrtAtol("   -0012"), -12);
    EXPECT_EQ(CrtAtol("- 5"), 0);
    EXPECT_EQ(CrtAtol("0x10"), 0);
    EXPECT_EQ(CrtAtol(""), 0);
    EXPECT_EQ(CrtAtol(nullptr), 0);
}

} // namespace
