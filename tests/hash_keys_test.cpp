#include <gtest/gtest.h>

#include "natives/game_clock.h"
#include "natives/hash_keys.h"
#include "recording_host.h"
#include "state/plugin_state.h"

namespace {

struct HashKeys : ::testing::Test {
    RecordingHost host;
    void SetUp() override {
        ResetPluginState();
        host.Install();
    }
    void TearDown() override { host.Uninstall(); }
};

TEST_F(HashKeys, NumbersAreTakenAsNumbersAndNamesAreHashedUnchanged) {
    EXPECT_EQ(ParseHashKey("0XFFFFFFFF"), 4294967295u);
    EXPECT_EQ(ParseHashKey("0x1f"), 0x1Fu);
    EXPECT_EQ(ParseHashKey("4294967296"), 0u);                       // low 32 bits
    EXPECT_EQ(ParseHashKey("0123"), 123u);                           // not octal
    EXPECT_EQ(ParseHashKey("0x12zz"), 0x12u);                        // digits before the junk
    EXPECT_EQ(ParseHashKey("99999999999999999999999"), 0xFFFFFFFFu); // saturates first
    EXPECT_EQ(host.CountOf(nh::GET_HASH_KEY), 0u);

    EXPECT_EQ(ParseHashKey(" \tA_C_DogHound_01"), GameNameHash("A_C_DogHound_01"));
    ASSERT_EQ(host.CountOf(nh::GET_HASH_KEY), 1u);
    EXPECT_EQ(host.calls.back().texts.at(0), "A_C_DogHound_01");

    // A trailing blank means "not all digits": the text is hashed, blank included.
    ParseHashKey("123 ");
    EXPECT_EQ(host.calls.back().texts.at(0), "123 ");
    ParseHashKey("-5");
    EXPECT_EQ(host.calls.back().texts.at(0), "-5");
}

TEST_F(HashKeys, EmptyBlankAndBarePrefixGiveZero) {
    EXPECT_EQ(ParseHashKey(""), 0u);
    EXPECT_EQ(ParseHashKey(" \t "), 0u);
    EXPECT_EQ(ParseHashKey("0x"), 0u);
    EXPECT_EQ(ParseHashKey(nullptr), 0u);
    EXPECT_EQ(host.CountOf(nh::GET_HASH_KEY), 0u);
}

TEST_F(HashKeys, GameHoursCountsThirtyOneDayMonths) {
    host.year = 1899;
    host.month = 2;
    host.day = 28;
    host.hour = 23;
    host.minute = 59;
    const double expected = 1899.0 * 8928 + 2 * 744 + 28 * 24 + 23 + 59.0 / 60.0;
    EXPECT_DOUBLE_EQ(GameHours(), expected);
    EXPECT_LT(GameHours(), 1899.0 * 8928 + 2 * 744 + 29 * 24); // never reaches the next hour
    // Clock natives are read in order year, month, day, hour, minute.
    const std::vector<uint64_t> all = host.Hashes();
    std::vector<uint64_t> order(all.end() - 5, all.end());
    EXPECT_EQ(order, (std::vector<uint64_t>{nh::GET_CLOCK_YEAR, nh::GET_CLOCK_MONTH,
                                            nh::GET_CLOCK_DAY_OF_MONTH, nh::GET_CLOCK_HOURS,
                                            nh::GET_CLOCK_MINUTES}));
}

// A clock the game never reports, but a hostile one might: the day number stays in range.
TEST_F(HashKeys, GameDayTruncatesAndHoldsAnAbsurdClockInRange) {
    EXPECT_EQ(GameDayOf(1899.0 * 8928 + 47.5), 1899 * 372 + 1);
    host.year = INT32_MAX;
    EXPECT_EQ(GameDayOf(GameHours()), INT32_MAX);
    host.year = INT32_MIN;
    EXPECT_EQ(GameDayOf(GameHours()), INT32_MIN);
}

} // namespace
