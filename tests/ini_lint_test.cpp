// The settings checker (harkvane-sim --lint-ini), the loaders' diagnostics it is built on, the
// profile reader's line numbers, and the simulator's compressed trace.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "config/config_diagnostics.h"
#include "config/config_report.h"
#include "platform/profile_layout.h"
#include "run/ini_lint.h"
#include "run/runner.h"
#include "scenario/scenario.h"
#include "scratch_dir.h"
#include "state/plugin_state.h"

namespace fs = std::filesystem;

namespace {

const fs::path DataDir = HARKVANE_TEST_DATA;
const fs::path SourceRoot = DataDir.parent_path().parent_path();

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Inflate(const fs::path& path) {
    gzFile gz = gzopen(path.c_str(), "rb");
    if (!gz) return "(cannot open)";
    std::string out;
    char chunk[1 << 15];
    int n;
    while ((n = gzread(gz, chunk, sizeof chunk)) > 0)
        out.append(chunk, static_cast<size_t>(n));
    gzclose(gz);
    return out;
}

} // namespace

// The shipped file is clean; an empty one only hears that Horse posses would bring no horses.
TEST(IniLint, ShippedFileIsCleanAndAnEmptyOneLacksOnlyHorses) {
    ScratchDir scratch;
    std::string report;
    const std::string shipped = (SourceRoot / "dist" / "Harkvane.ini").string();
    EXPECT_EQ(LintIniFile(shipped, &report), 0) << report;
    EXPECT_EQ(report, shipped + ": no problems found\n");
    ScratchDir::Write("empty.ini", "");
    EXPECT_EQ(LintIniFile("empty.ini", &report), 1) << report;
    EXPECT_EQ(report, "empty.ini: [Horse_T1] Models (not in the file): Horse posses of tiers 1, 2, "
                      "3, 4 and 5 come without horses: the variant weights send them, but their "
                      "[Horse_T*] Models lists name no horse; name horses there or give Horse a "
                      "weight of 0\n1 problem found\n");
    // A missing file and a folder cannot be read.
    EXPECT_EQ(LintIniFile("missing.ini", &report), 2);
    EXPECT_NE(report.find("cannot read missing.ini"), std::string::npos);
    fs::create_directory("folder.ini");
    EXPECT_EQ(LintIniFile("folder.ini", &report), 2);
}

// Settings each valid alone that together switch a feature off are named, with what the player
// will see; the same features set up soundly raise nothing.
TEST(IniLint, NamesSettingsThatSwitchAFeatureOff) {
    ScratchDir scratch;
    const std::string models = "[Horse_T1]\nModels=H\n[Horse_T2]\nModels=H\n[Horse_T3]\nModels=H\n"
                               "[Horse_T4]\nModels=H\n[Horse_T5]\nModels=H\n";
    const std::string horses = models + "[HorseCounts]\nT1=1\nT2=1\nT3=1\nT4=1\nT5=1\n";
    const struct {
        std::string ini;
        std::string finding; // empty: the file is clean
    } cases[] = {
        {horses, ""},
        {"[VariantWeights_T1]\nHorse=0\n[VariantWeights_T2]\nHorse=0\n[VariantWeights_T3]\n"
         "Horse=0\n[VariantWeights_T4]\nHorse=0\n[VariantWeights_T5]\nHorse=0\n",
         ""},
        {"[Debug]\nForceVariant=Foot\n", ""},
        {models + "[HorseCounts]\nT1=1\nT2=1\nT3=0\nT4=1-2\nT5=1\n",
         "[HorseCounts] T3: Horse posses of tier 3 come without horses"},
        {horses + "[Dogs]\nModels=\n", "[Dogs] Models: Dogs posses come without dogs"},
        {horses + "[DogCounts]\nT2=0\n", "[DogCounts] T2: Dogs posses of tier 2 come without dogs"},
        {horses + "[WitnessTracker]\nWitnessAmount=40\nWitnessCap=12\n",
         "40 witnesses (before a posse may come), but 12 witnesses (counted at most): timed posses "
         "never come"},
        {horses + "[WitnessTracker]\nEnabled=false\nWitnessAmount=40\nWitnessCap=12\n", ""},
        {horses + "[WitnessTracker]\nWitnessRangeMeters=0\n", "is read as 1 m"},
        {horses + "[TierGates]\nT3Max=500\n", "[TierGates] T3Max: 500 cents ($5.00, the highest "
                                              "bounty of this tier) is not above the gates of the "
                                              "tiers below it: no bounty is tier 3"},
        {horses + "[Harkvane]\nTriggerEvery=0\n", "the army never comes"},
        {horses + "[CampShield]\nRadiusMeters=0\n", "no camp shields the player"},
    };
    for (const auto& c : cases) {
        ScratchDir::Write("Harkvane.ini", c.ini);
        std::string report;
        const int status = LintIniFile("Harkvane.ini", &report);
        if (c.finding.empty()) {
            EXPECT_EQ(status, 0) << c.ini << report;
        } else {
            EXPECT_EQ(status, 1) << c.ini;
            EXPECT_NE(report.find(c.finding), std::string::npos) << c.ini << report;
            EXPECT_NE(report.find("\n1 problem found"), std::string::npos) << report;
        }
    }
}

// --print-settings marks what differs from the built-in defaults and names each default.
TEST(ConfigDiagnostics, EffectiveSettingsMarkWhatDiffersFromTheDefaults) {
    ScratchDir scratch;
    LoadConfigurationOnly(Scenario(), "", false, nullptr);
    const EffectiveValues defaults = CollectEffectiveValues();
    ScratchDir::Write("Harkvane.ini", "[Spawner]\nMaxAlive=40\nMinSpawnHours=0.25\n[Weapons]\n"
                                      "rifleman=\nPrimary=WEAPON_RIFLE_SPRINGFIELD\n");
    LoadConfigurationOnly(Scenario(), "Harkvane.ini", false, nullptr);
    const std::string text = RenderEffectiveConfig("Harkvane.ini", &defaults);
    EXPECT_NE(text.find("; * changed: the built-in default is 30\nMaxAlive = 40\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\nSpawnAttemptsPerMember = 12\n"), std::string::npos);
    EXPECT_EQ(text.find("; * changed: the built-in default is 0.25"), std::string::npos);
    EXPECT_NE(
        text.find("; * added: the built-in settings have no loadout of this name\nrifleman =\n"),
        std::string::npos);
    // Without defaults nothing is marked.
    EXPECT_EQ(RenderEffectiveConfig("Harkvane.ini").find("; *"), std::string::npos);
}

// Every kind of slip, each with its line: structure from the profile reader (stray lines,
// unknown names, repeated keys and sections, "#" comments, a key without "="), values from the
// loaders (not parsed, partly parsed, out of range, raised, lowered, empty where that changes
// the result) and the free-form sections (loadout fields, loadout names in the tier lists).
TEST(IniLint, NamesEveryTypicalMistakeWithItsLine) {
    ScratchDir scratch;
    ScratchDir::Write("Harkvane.ini", ReadAll(DataDir / "lint_mistakes.ini"));
    std::string report;
    EXPECT_EQ(LintIniFile("Harkvane.ini", &report), 1);
    EXPECT_EQ(report, ReadAll(DataDir / "lint_mistakes.expected"));
}

TEST(IniLint, FollowsTheReaderOnLineEndsAndOnWhichCopyCounts) {
    ScratchDir scratch;
    // CR LF, a lone CR and blank lines; the second [a] and the second k are never read.
    ScratchDir::Write("x.ini", "[a]\r\nk=1\r\n\r\nk=2\r[B]\n\n;c\nj\n[A]\nk=3\n");
    std::vector<ProfileSection> layout;
    ASSERT_TRUE(ReadProfileLayout("x.ini", layout));
    ASSERT_EQ(layout.size(), 4u); // the lines before the first header, a, B, A
    EXPECT_EQ(layout[1].line, 1);
    ASSERT_EQ(layout[1].keys.size(), 2u);
    EXPECT_EQ(layout[1].keys[0].line, 2);
    EXPECT_EQ(layout[1].keys[1].line, 4);
    EXPECT_EQ(layout[2].line, 5);
    EXPECT_EQ(layout[2].keys[1].line, 8);
    EXPECT_FALSE(layout[2].keys[1].hasValue);
    EXPECT_FALSE(ProfileListsKey(layout[2].keys[0])); // the comment
    EXPECT_EQ(layout[3].line, 9);
    EXPECT_EQ(ProfileSectionIndex(layout, "A"), 1);
    EXPECT_EQ(ProfileKeyIndex(layout[1], "K"), 0);
    EXPECT_FALSE(ReadProfileLayout("absent.ini", layout));
}

// The sink only watches: with or without it the loaders end with the same configuration, and
// the plug-in's normal load leaves no sink behind.
TEST(ConfigDiagnostics, WatchingChangesNothingTheLoadersDo) {
    ScratchDir scratch;
    ScratchDir::Write("Harkvane.ini", ReadAll(DataDir / "lint_mistakes.ini"));
    ConfigDiagnostics diagnostics;
    LoadConfigurationOnly(Scenario(), "Harkvane.ini", true, &diagnostics);
    const std::string watched = RenderEffectiveConfig();
    EXPECT_GT(diagnostics.notes.size(), 20u);
    EXPECT_EQ(G.config.Diagnostics, nullptr);
    LoadConfigurationOnly(Scenario(), "Harkvane.ini", true, nullptr);
    EXPECT_EQ(RenderEffectiveConfig(), watched);
}

// A trace named .gz is gzip data whose lines are exactly those of the plain trace.
TEST(SimTrace, CompressedTraceHoldsThePlainTrace) {
    ScratchDir scratch;
    Scenario scenario;
    std::string error;
    ASSERT_TRUE(ParseScenario(DefaultScenarioJson(), "", &scenario, &error)) << error;
    scenario.seconds = 20;
    RunOptions options;
    options.printTimeline = false;
    options.workdir = "plain";
    options.tracePath = "plain.jsonl";
    ASSERT_TRUE(RunScenario(scenario, options).ok);
    options.workdir = "packed";
    options.tracePath = "packed.jsonl.gz";
    ASSERT_TRUE(RunScenario(scenario, options).ok);
    const std::string plain = ScratchDir::Read("plain.jsonl");
    const std::string packed = ScratchDir::Read("packed.jsonl.gz");
    ASSERT_GT(plain.size(), 10000u);
    ASSERT_GE(packed.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(packed[0]), 0x1F);
    EXPECT_EQ(static_cast<unsigned char>(packed[1]), 0x8B);
    EXPECT_LT(packed.size() * 10, plain.size());
    EXPECT_EQ(Inflate("packed.jsonl.gz"), plain);

    options.workdir = "nowhere";
    options.tracePath = "no/such/folder/trace.jsonl.gz";
    const RunOutcome failed = RunScenario(scenario, options);
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(failed.error.find("cannot create the trace file"), std::string::npos);
}
