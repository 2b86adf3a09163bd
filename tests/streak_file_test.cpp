// The streak file kept between runs, and the on-screen notice service.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <sys/stat.h>
#include <sys/syscall.h>

#include "bounty/bounty_pools.h"
#include "bounty/streak_and_notices.h"
#include "platform/atomic_file.h"
#include "platform/file_writes.h"
#include "plugin_fixture.h"
#include "recording_host.h"
#include "scratch_dir.h"
#include "state/plugin_state.h"
#include "story_recorder.h"

namespace {

// Called whenever the plug-in commits a file to disk, before the commit is made.
std::function<void(int)> OnDiskCommit;

} // namespace

// Stands in for the C library's fsync in this test program, so a test can see when the plug-in
// commits a file to disk; the commit itself is still made.
extern "C" int fsync(int fd) {
    if (OnDiskCommit) OnDiskCommit(fd);
    return static_cast<int>(syscall(SYS_fsync, fd));
}

namespace {

struct StreakFile : PluginFixture {
    static std::string Text() {
        std::ifstream in("Harkvane.dat", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void Write(const std::string& text) {
        std::ofstream("Harkvane.dat", std::ios::binary) << text;
    }
};

TEST_F(StreakFile, MissingFileIsCreatedHoldingZero) {
    EXPECT_EQ(ReadStreakFile(), 0);
    EXPECT_EQ(Text(), "0\n");
    EXPECT_FALSE(std::filesystem::exists("Harkvane.dat.tmp"));
    EXPECT_EQ(story.lines, (std::vector<std::string>{"wrote Harkvane.dat: 0",
                                                     "read Harkvane.dat: 0 (created)"}));
}

TEST_F(StreakFile, ReadsTheLeadingNumberAndSavingRewritesTheWholeFile) {
    Write("7 and text");
    EXPECT_EQ(ReadStreakFile(), 7);
    EXPECT_EQ(Text(), "7 and text"); // reading leaves the file alone
    G.loop.StreakCount = 8;
    EXPECT_TRUE(SaveStreak());
    EXPECT_EQ(Text(), "8\n");

    // Unreadable and negative values count as 0 and are not rewritten by the reader.
    Write("-3\n");
    EXPECT_EQ(ReadStreakFile(), 0);
    Write("abc\n");
    EXPECT_EQ(ReadStreakFile(), 0);
    Write("");
    EXPECT_EQ(ReadStreakFile(), 0);
    EXPECT_EQ(Text(), "");
    Write("  12\r\n");
    EXPECT_EQ(ReadStreakFile(), 12);
    EXPECT_EQ(story.lines,
              (std::vector<std::string>{"read Harkvane.dat: 7", "wrote Harkvane.dat: 8",
                                        "read Harkvane.dat: 0", "read Harkvane.dat: nothing",
                                        "read Harkvane.dat: nothing", "read Harkvane.dat: 12"}));
}

// A state file that is there but cannot be opened for reading (another program holds it, or its
// rights forbid it) is left as it is at start-up; the count starts from 0 in memory.
TEST_F(StreakFile, AFileThatCannotBeOpenedIsLeftAsItIs) {
    {
        UnopenableFile socketFile("Harkvane.dat");
        ASSERT_TRUE(socketFile.made);
        EXPECT_EQ(ReadStreakFile(), 0);
        EXPECT_TRUE(std::filesystem::is_socket("Harkvane.dat"));
    }
    std::filesystem::remove("Harkvane.dat");
    // Rights bar everyone but root, for whom this part shows nothing.
    Write("9\n");
    chmod("Harkvane.dat", 0);
    if (geteuid() != 0) {
        EXPECT_EQ(ReadStreakFile(), 0);
    }
    chmod("Harkvane.dat", 0600);
    EXPECT_EQ(Text(), "9\n");
}

// Both state files reach the disk before they take the old file's place, so a power cut right
// after a save cannot leave an empty file where the old one was. The simulator may switch the
// commit off for its throwaway folders; the files still land whole. Every save is counted, so a
// host watching the files sees it.
TEST_F(StreakFile, BothStateFilesAreCommittedToDiskBeforeTheyReplaceTheOldOnes) {
    SetStateFilesFlushedToDisk(true); // as in the game, whatever a simulated run here switched
    Write("3\n");
    ScratchDir::Write("BountyPools.dat", "1 1 1 1 1 5\n");
    std::vector<std::string> seen; // the old files as they were at each commit
    OnDiskCommit = [&](int) { seen.push_back(Text() + ScratchDir::Read("BountyPools.dat")); };
    const uint64_t writesBefore = FilesWrittenSoFar();
    G.loop.StreakCount = 4;
    EXPECT_TRUE(SaveStreak());
    std::fill(std::begin(G.pools.PoolFileValues), std::end(G.pools.PoolFileValues), 2);
    SaveBountyPools();
    EXPECT_EQ(seen, (std::vector<std::string>{"3\n1 1 1 1 1 5\n", "4\n1 1 1 1 1 5\n"}));
    EXPECT_EQ(Text(), "4\n");
    EXPECT_EQ(ScratchDir::Read("BountyPools.dat"), "2 2 2 2 2 2\n");
    EXPECT_EQ(FilesWrittenSoFar(), writesBefore + 2);

    SetStateFilesFlushedToDisk(false);
    G.loop.StreakCount = 5;
    EXPECT_TRUE(SaveStreak());
    SetStateFilesFlushedToDisk(true);
    OnDiskCommit = nullptr;
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(Text(), "5\n");
    EXPECT_EQ(FilesWrittenSoFar(), writesBefore + 3);
}

TEST_F(StreakFile, FailedSaveKeepsTheOldFileAndTheCountInMemory) {
    Write("5\n");
    // A folder in the way of the temporary file makes the write fail.
    std::filesystem::create_directory("Harkvane.dat.tmp");
    G.loop.StreakCount = 6;
    EXPECT_FALSE(SaveStreak());
    EXPECT_EQ(Text(), "5\n");
    EXPECT_EQ(G.loop.StreakCount, 6);
    std::filesystem::remove("Harkvane.dat.tmp");
    EXPECT_TRUE(SaveStreak()); // the next change repeats the write
    EXPECT_EQ(Text(), "6\n");
    EXPECT_EQ(story.lines,
              (std::vector<std::string>{"write failed Harkvane.dat: 6", "wrote Harkvane.dat: 6"}));
}

// A process killed at any moment of a save leaves a whole count: the old one or the new one.
TEST_F(StreakFile, SaveKilledMidWriteNeverLeavesAnEmptyOrPartialFile) {
    G.loop.StreakCount = 1000000;
    SaveStreak();
    std::mt19937 gen(12345);
    std::uniform_int_distribution<int> delayUs(0, 3000);
    for (int round = 0; round < 40; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Counts of varying length so a cut-off write would show.
            for (int32_t n = 1;; n = n * 7 % 99999989 + 1) {
                G.loop.StreakCount = n;
                SaveStreak();
            }
        }
        // Kill it only once its saves show, at a random moment of one of the later ones.
        const std::string before = Text();
        std::string seen = before;
        for (int look = 0; look < 200000 && seen == before; ++look)
            seen = Text();
        EXPECT_NE(seen, before) << "round " << round << ": the child never saved";
        std::this_thread::sleep_for(std::chrono::microseconds(200 + delayUs(gen)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const std::string text = Text();
        ASSERT_GE(text.size(), 2u) << "round " << round;
        EXPECT_EQ(text.back(), '\n') << "round " << round;
        EXPECT_EQ(text.find_first_not_of("0123456789"), text.size() - 1) << text;
        EXPECT_GT(ReadStreakFile(), 0);
    }
}

TEST_F(StreakFile, NoticesGoStraightToTheGameAndToastsObeyTheirSetting) {
    ShowNotice("Witness: 3");
    ASSERT_EQ(host.calls.size(), 3u);
    EXPECT_EQ(host.calls[0].hash, nh::CREATE_VAR_STRING);
    EXPECT_EQ(host.calls[0].Int(0), 10);
    EXPECT_EQ(host.calls[0].texts, (std::vector<std::string>{"LITERAL_STRING", "Witness: 3"}));
    EXPECT_EQ(host.calls[1].hash, nh::SET_NOTICE_TEXT);
    EXPECT_EQ(host.calls[1].args[0], host.calls[0].result);
    EXPECT_EQ(host.calls[2].hash, nh::SHOW_NOTICE);

    ShowToast("Bounty Cleared");
    EXPECT_EQ(host.notices, (std::vector<std::string>{"Witness: 3", "Bounty Cleared"}));
    G.settings.Harkvane.Toasts = false;
    host.ClearCalls();
    ShowToast("Bounty Cleared");
    EXPECT_TRUE(host.calls.empty());
}

} // namespace
