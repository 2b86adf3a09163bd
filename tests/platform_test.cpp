#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/crt_numbers.h"
#include "platform/crt_rand.h"
#include "platform/file_writes.h"
#include "platform/log_file.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "scratch_dir.h"
#include "state/plugin_state.h"

namespace {

// Values printed by the Windows C runtime's atol (a MinGW program run under Wine).
TEST(CrtAtol, MatchesTheWindowsRuntimeIncludingWrapAround) {
    EXPECT_EQ(CrtAtol("9999999999"), 1410065407);
    EXPECT_EQ(CrtAtol("-9999999999"), -1410065407);
    EXPECT_EQ(CrtAtol("2147483648"), INT32_MIN);
    EXPECT_EQ(CrtAtol("-2147483649"), INT32_MAX);
    EXPECT_EQ(CrtAtol("4294967295"), -1);
    EXPECT_EQ(CrtAtol("123456789012345678901234567890"), 1312754386);
    EXPECT_EQ(CrtAtol(" \t\n+12x"), 12);
    EXPECT_EQ(CrtAtol("\v\f7"), 7);
    EXPECT_EQ(CrtAtol("   -0012"), -12);
    EXPECT_EQ(CrtAtol("- 5"), 0);
    EXPECT_EQ(CrtAtol("+-3"), 0);
    EXPECT_EQ(CrtAtol("0x10"), 0);
    EXPECT_EQ(CrtAtol(""), 0);
    EXPECT_EQ(CrtAtol(nullptr), 0);
}

// Draws 1..5, 500 and 1000 of the Windows C runtime after srand(seed), printed under Wine; the
// full first 1000 draws are compared in the Wine differential run.
TEST(CrtRand, ReproducesTheWindowsSequence) {
    struct Golden {
        unsigned seed;
        int first[5];
        int draw500;
        int draw1000;
    };
    const Golden golden[] = {
        {1, {41, 18467, 6334, 26500, 19169}, 32525, 12249},
        {0, {38, 7719, 21238, 2437, 8855}, 12797, 21074},
        {12345, {7584, 19164, 25795, 22125, 5828}, 22268, 23642},
        {4294967295u, {35, 29739, 3374, 11141, 31308}, 25837, 29900},
        {1700000000, {28462, 1027, 22663, 25444, 9533}, 16813, 23791},
    };
    for (const Golden& g : golden) {
        SCOPED_TRACE(g.seed);
        CrtSrand(g.seed);
        int draws[1000];
        for (int& d : draws)
            d = CrtRand();
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(draws[i], g.first[i]);
        EXPECT_EQ(draws[499], g.draw500);
        EXPECT_EQ(draws[999], g.draw1000);
    }
    // Unseeded, the runtime behaves as if seeded with 1; a reset restarts the sequence.
    ResetPluginState();
    EXPECT_EQ(CrtRand(), 41);
    ResetPluginState();
    EXPECT_EQ(CrtRand(), 41);
}

// Each unit draw takes exactly one draw and keeps its own rounding: scaling by the float nearest
// 1/32767 and dividing by 32767 part in the last bit for some draws, and every place that scales
// a draw pushes the result to the game.
TEST(CrtRand, UnitDrawsKeepTheirRounding) {
    int parted = 0;
    for (unsigned seed = 0; seed < 2000; ++seed) {
        CrtSrand(seed);
        const float r = static_cast<float>(CrtRand());
        CrtSrand(seed);
        const float scaled = CrtUnitDraw();
        CrtSrand(seed);
        const float divided = CrtUnitDrawDivided();
        EXPECT_EQ(scaled, r * 3.0518509e-05f) << seed;
        EXPECT_EQ(divided, r / 32767.0f) << seed;
        EXPECT_EQ(G.platform.RandState, seed * 214013u + 2531011u);
        parted += scaled != divided;
    }
    EXPECT_GT(parted, 0); // the two forms are not one
}

struct Profile : ::testing::Test {
    ScratchDir scratch;
    static void Write(const char* name, const std::string& text) {
        FILE* f = std::fopen(name, "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    static std::string Get(const char* section, const char* key, const char* def = "dflt") {
        char buf[128];
        GetPrivateProfileStringA(section, key, def, buf, sizeof buf, ".\\Harkvane.ini");
        return buf;
    }
};

TEST_F(Profile, ReadsTheWindowsRelativeNameFromTheWorkingDirectory) {
    EXPECT_STREQ(PlatformPath(".\\Harkvane.ini"), "Harkvane.ini");
    EXPECT_STREQ(PlatformPath("/abs/x.ini"), "/abs/x.ini");
    Write("Harkvane.ini", "[Spawner]\r\n  maxalive =  \"6 \" ; six\r\n[SPAWNER]\r\nMaxAlive=9\r\n");
    EXPECT_EQ(Get("spawner", "MAXALIVE"), "\"6 \" ; six"); // quotes kept: not the whole value
    EXPECT_EQ(GetPrivateProfileIntA("Spawner", "MaxAlive", 3, ".\\Harkvane.ini"), 0u);
    EXPECT_EQ(Get("Spawner", "Missing"), "dflt");
    EXPECT_EQ(Get("Nowhere", "MaxAlive", nullptr), "");
    std::filesystem::remove("Harkvane.ini");
    EXPECT_EQ(Get("Spawner", "MaxAlive"), "dflt");
    EXPECT_EQ(GetPrivateProfileIntA("Spawner", "MaxAlive", -1, ".\\Harkvane.ini"), 0xFFFFFFFFu);
}

// A reload right after the file was rewritten (same size, same clock tick) must see the edit.
TEST_F(Profile, SeesEveryRewriteOfTheFile) {
    Write("Harkvane.ini", "[A]\nk=1\n");
    EXPECT_EQ(Get("A", "k"), "1");
    for (int i = 2; i <= 9; ++i) {
        Write("Harkvane.ini", "[A]\nk=" + std::to_string(i) + "\n");
        EXPECT_EQ(Get("A", "k"), std::to_string(i));
    }
    Write("Other.ini", "[A]\nk=other\n");
    char buf[16];
    GetPrivateProfileStringA("A", "k", "", buf, sizeof buf, ".\\Other.ini");
    EXPECT_STREQ(buf, "other");
    EXPECT_EQ(Get("A", "k"), "9");
}

// Windows writes two NULs even into a one-byte section buffer; the portable reader must not.
TEST_F(Profile, SectionReadStaysInsideTinyBuffers) {
    Write("Harkvane.ini", "[W]\n;comment=1\nplain\nk = v\n");
    char buf[8];
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(GetPrivateProfileSectionA("W", buf, 1, ".\\Harkvane.ini"), 0u);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(buf[1], '#');
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(GetPrivateProfileSectionA("W", buf, 0, ".\\Harkvane.ini"), 0u);
    EXPECT_EQ(buf[0], '#');

    char full[64];
    std::memset(full, '#', sizeof full);
    EXPECT_EQ(GetPrivateProfileSectionA("W", full, sizeof full, ".\\Harkvane.ini"), 10u);
    EXPECT_EQ(std::string(full, 11), std::string("plain\0k=v\0", 11));
    EXPECT_EQ(full[10], '\0');
}

} // namespace

// The log stays under its cap: a line that would pass it moves the log to "<name>.1" (replacing
// an older one) and begins a new file; a line that cannot be written reports false and nothing
// else happens.
TEST(LogFile, AppendsThenRollsAtTheCap) {
    ScratchDir scratch;
    auto size = [](const char* name) {
        std::error_code ec;
        const auto n = std::filesystem::file_size(name, ec);
        return ec ? -1 : static_cast<long long>(n);
    };
    const std::string line(40, 'x');
    const uint64_t writesBefore = FilesWrittenSoFar();
    struct Step {
        int lines;             // appended with a cap of 100 bytes
        long long log, rolled; // sizes after them (-1: no file)
    } steps[] = {{1, 40, -1}, {1, 80, -1}, {1, 40, 80}, {2, 40, 80}};
    for (const Step& s : steps) {
        for (int i = 0; i < s.lines; ++i)
            EXPECT_TRUE(AppendLogLine("h.log", line.data(), line.size(), 100));
        EXPECT_EQ(size("h.log"), s.log);
        EXPECT_EQ(size("h.log.1"), s.rolled);
    }
    EXPECT_EQ(FilesWrittenSoFar(), writesBefore + 5); // a host watching the files sees each line
    // A line longer than the cap still goes into an empty log.
    std::filesystem::remove("h.log");
    EXPECT_TRUE(AppendLogLine("h.log", line.data(), line.size(), 10));
    EXPECT_EQ(size("h.log"), 40);
    // A folder that is not there, or no name: false, and no file appears.
    EXPECT_FALSE(AppendLogLine("missing/h.log", line.data(), line.size(), 100));
    EXPECT_FALSE(AppendLogLine("", line.data(), line.size(), 100));
    EXPECT_FALSE(std::filesystem::exists("missing"));
}
