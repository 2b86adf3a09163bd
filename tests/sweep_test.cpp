// Seed sweeps: the spread maths, the figures drawn from the posse logs, failed seeds, and the
// same bytes whatever the number of processes; comparisons: the interval maths and the pairs.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "run/compare.h"
#include "run/paired_interval.h"
#include "run/sweep.h"
#include "run/sweep_report.h"
#include "scratch_dir.h"

using nlohmann::json;

namespace {

TEST(SweepSpread, QuartilesInterpolateBetweenRanksWhateverTheOrder) {
    const Distribution d = Distribute({4, 1, 3, 2});
    EXPECT_EQ(d.n, 4);
    EXPECT_DOUBLE_EQ(d.min, 1);
    EXPECT_DOUBLE_EQ(d.q1, 1.75);
    EXPECT_DOUBLE_EQ(d.median, 2.5);
    EXPECT_DOUBLE_EQ(d.q3, 3.25);
    EXPECT_DOUBLE_EQ(d.max, 4);
    EXPECT_DOUBLE_EQ(d.mean, 2.5);

    const Distribution odd = Distribute({10, 0, 5, 5, 100});
    EXPECT_DOUBLE_EQ(odd.q1, 5);
    EXPECT_DOUBLE_EQ(odd.median, 5);
    EXPECT_DOUBLE_EQ(odd.q3, 10);
    EXPECT_DOUBLE_EQ(odd.mean, 24);

    const Distribution one = Distribute({7});
    EXPECT_EQ(one.n, 1);
    EXPECT_DOUBLE_EQ(one.min, 7);
    EXPECT_DOUBLE_EQ(one.q1, 7);
    EXPECT_DOUBLE_EQ(one.q3, 7);
    EXPECT_DOUBLE_EQ(one.max, 7);

    EXPECT_EQ(Distribute({}).n, 0);
}

// The sign-test interval against binomial tails worked out by hand: P(X <= 1) for 10 trials is
// (1 + 10) / 1024, P(X <= 5) for 20 is (1 + 20 + 190 + 1140 + 4845 + 15504) / 2^20, and the
// next tails (56 / 1024, 60460 / 2^20) pass 2.5 %.
TEST(PairedInterval, RanksAndCoverageAsWorkedOutByHand) {
    EXPECT_DOUBLE_EQ(HalfBinomialCdf(10, 1), 11.0 / 1024);
    EXPECT_DOUBLE_EQ(HalfBinomialCdf(10, 2), 56.0 / 1024);
    EXPECT_DOUBLE_EQ(HalfBinomialCdf(20, 5), 21700.0 / 1048576);
    EXPECT_DOUBLE_EQ(HalfBinomialCdf(5, 0), 1.0 / 32);
    EXPECT_EQ(HalfBinomialCdf(5, -1), 0);
    EXPECT_EQ(HalfBinomialCdf(5, 5), 1);
    // 5 pairs cannot reach 95 % (1 - 2/32); 6 can with the extremes (1 - 2/64).
    const int ranks[][2] = {{5, 0}, {6, 1}, {8, 1}, {9, 2}, {10, 2}, {20, 6}, {100, 40}};
    for (const auto& [n, k] : ranks)
        EXPECT_EQ(SignTestRank(n, 0.95), k) << n;
    // Thousands of pairs: 2^-n would underflow a double (956 from exact fractions).
    EXPECT_EQ(SignTestRank(2000, 0.95), 956);

    const PairedInterval ten = SignTestInterval({9, -3, 5, 0, 12, 2, -1, 8, 6, 4});
    EXPECT_EQ(ten.n, 10);
    EXPECT_DOUBLE_EQ(ten.median, 4.5);
    EXPECT_TRUE(ten.bounded);
    EXPECT_DOUBLE_EQ(ten.lo, -1); // the 2nd and 9th of the sorted ten
    EXPECT_DOUBLE_EQ(ten.hi, 9);
    EXPECT_DOUBLE_EQ(ten.coverage, 1 - 22.0 / 1024);
    EXPECT_FALSE(ten.ExcludesZero());

    const PairedInterval up = SignTestInterval({3, 1, 2, 6, 5, 4});
    EXPECT_TRUE(up.ExcludesZero());
    EXPECT_DOUBLE_EQ(up.lo, 1);
    EXPECT_DOUBLE_EQ(up.coverage, 1 - 2.0 / 64);
    EXPECT_TRUE(SignTestInterval({-1, -2, -3, -4, -5, -6}).ExcludesZero());
    const PairedInterval same = SignTestInterval(std::vector<double>(7, 0.0));
    EXPECT_TRUE(same.bounded && same.lo == 0 && same.hi == 0 && same.median == 0);
    EXPECT_FALSE(same.ExcludesZero());
    EXPECT_FALSE(SignTestInterval({1, 2, 3, 4, 5}).bounded);
    EXPECT_EQ(SignTestInterval({}).n, 0);
}

SweepPosse Posse(double minutes, const char* tier, const char* variant, int hunters, int dogs = 0,
                 int horses = 0) {
    return {minutes, tier, variant, hunters, dogs, horses};
}

SweepSet TwoRunsAndAFailure() {
    SweepSet set;
    set.scenario = "test";
    set.firstSeed = 5;
    set.seconds = 480;
    set.gameHours = 4; // rate 30
    SweepRun a;
    a.seed = 5;
    a.ok = true;
    a.posseLog = {Posse(10, "T1", "Foot", 3), Posse(40, "T2", "Dogs", 4, 2),
                  Posse(70, "HV", "Army", 1), Posse(100, "T2", "Horse", 4, 0, 5)};
    a.armyWon = 1;
    a.peakTrackedPeds = 12;
    a.finalBountyCents = 12345;
    a.notices = 8;
    SweepRun b;
    b.seed = 6;
    b.ok = true;
    b.notices = 2;
    SweepRun c;
    c.seed = 7;
    c.error = "killed by signal 6 (Aborted): boom";
    set.runs = {a, b, c};
    return set;
}

TEST(SweepReport, FiguresComeFromThePosseLogAndArmyEventsStandApart) {
    const json j = json::parse(SweepJson(TwoRunsAndAFailure()));
    EXPECT_EQ(j.at("format"), "harkvane-sweep 1");
    EXPECT_EQ(j.at("seeds"), 3);
    const json& a = j.at("runs").at(0);
    EXPECT_EQ(a.at("posses"), 3);
    EXPECT_DOUBLE_EQ(a.at("posses_per_hour").get<double>(), 0.75);
    EXPECT_EQ(a.at("by_tier"), json({{"T1", 1}, {"T2", 2}}));
    EXPECT_EQ(a.at("by_variant"), json({{"Dogs", 1}, {"Foot", 1}, {"Horse", 1}}));
    EXPECT_EQ(a.at("hunters"), 11);
    EXPECT_EQ(a.at("dogs"), 2);
    EXPECT_EQ(a.at("horses"), 5);
    EXPECT_EQ(a.at("army_started"), 1);
    EXPECT_DOUBLE_EQ(a.at("first_army_minutes").get<double>(), 70);
    EXPECT_DOUBLE_EQ(a.at("first_posse_minutes").get<double>(), 10);
    EXPECT_DOUBLE_EQ(a.at("notices_per_hour").get<double>(), 2);
    EXPECT_TRUE(j.at("runs").at(1).at("first_posse_minutes").is_null());

    const json& d = j.at("distributions");
    // The army event between the second and third posse is no gap of its own: 30 and 60.
    EXPECT_EQ(d.at("minutes_between_posses").at("n"), 2);
    EXPECT_DOUBLE_EQ(d.at("minutes_between_posses").at("mean").get<double>(), 45);
    EXPECT_EQ(d.at("minutes_to_first_posse").at("n"), 1);
    EXPECT_EQ(d.at("minutes_to_first_army").at("n"), 1);
    EXPECT_EQ(d.at("hunters_per_posse").at("n"), 3);
    EXPECT_DOUBLE_EQ(d.at("hunters_per_posse").at("median").get<double>(), 4);
    // Over the two runs that worked; the run without a T1 posse counts as 0 per hour.
    EXPECT_EQ(d.at("posses_per_hour").at("n"), 2);
    EXPECT_DOUBLE_EQ(d.at("posses_per_hour").at("max").get<double>(), 0.75);
    EXPECT_DOUBLE_EQ(d.at("posses_per_hour_by_tier").at("T1").at("mean").get<double>(), 0.125);
    EXPECT_DOUBLE_EQ(d.at("posses_per_hour_by_variant").at("Horse").at("min").get<double>(), 0);
    EXPECT_DOUBLE_EQ(d.at("final_bounty_cents").at("max").get<double>(), 12345);
    // Size by tier: hunters and dogs of each posse of that tier.
    EXPECT_DOUBLE_EQ(d.at("posse_size_by_tier").at("T2").at("max").get<double>(), 6);
    EXPECT_DOUBLE_EQ(d.at("horses_per_posse_by_tier").at("T2").at("mean").get<double>(), 2.5);
    EXPECT_EQ(d.at("dogs_per_posse_by_tier").at("T1").at("n"), 1);
}

// Six seeds; B sends one more posse on every seed but the last, which failed under B.
CompareSet SixSeedsUnderTwoFiles() {
    CompareSet c;
    for (SweepSet* s : {&c.a, &c.b}) {
        s->scenario = "test";
        s->firstSeed = 1;
        s->seconds = 480;
        s->gameHours = 4;
    }
    c.b.settings = "b.ini";
    c.b.changed = {{"Spawner.MinSpawnHours", "0.1", "0.25"}};
    for (int i = 0; i < 7; ++i) {
        SweepRun r;
        r.seed = 1 + static_cast<uint64_t>(i);
        r.ok = true;
        for (int p = 0; p < i % 3; ++p)
            r.posseLog.push_back(Posse(10.0 + 30 * p, "T1", "Foot", 3));
        r.playerDeaths = i % 2;
        c.a.runs.push_back(r);
        r.posseLog.push_back(Posse(200, "T2", "Dogs", 2, 2));
        r.ok = i < 6;
        r.error = r.ok ? "" : "boom";
        c.b.runs.push_back(r);
    }
    return c;
}

const json& Figure(const json& compare, const std::string& key) {
    for (const json& f : compare.at("figures"))
        if (f.at("key") == key) return f;
    throw std::runtime_error("no figure " + key);
}

TEST(Compare, PairsTheSameSeedsAndMarksOnlyIntervalsThatExcludeZero) {
    const CompareSet c = SixSeedsUnderTwoFiles();
    const json j = json::parse(CompareJson(c));
    EXPECT_EQ(j.at("b").at("file"), "b.ini");
    EXPECT_EQ(j.at("b").at("changed").at(0).at("default"), "0.25");
    const json& rate = Figure(j, "posses_per_hour");
    EXPECT_EQ(rate.at("difference").at("n"), 6); // the failed seed is left out of the pairs
    EXPECT_DOUBLE_EQ(rate.at("difference").at("median").get<double>(), 0.25);
    EXPECT_EQ(rate.at("difference").at("lo"), 0.25);
    EXPECT_TRUE(rate.at("difference").at("excludes_zero"));
    EXPECT_EQ(rate.at("seeds").at(6), json::parse("[7, 0, null]"));
    // Unchanged figures have a zero-width interval at zero and no mark.
    const json& deaths = Figure(j, "player_deaths");
    EXPECT_EQ(deaths.at("difference").at("lo"), 0);
    EXPECT_EQ(deaths.at("difference").at("hi"), 0);
    EXPECT_FALSE(deaths.at("difference").at("excludes_zero"));
    // A figure a seed did not have under A is paired only where both had it.
    EXPECT_EQ(Figure(j, "minutes_to_first_posse").at("difference").at("n"), 4);
    EXPECT_EQ(Figure(j, "posse_size/T2").at("difference").at("n"), 0);
    EXPECT_EQ(Figure(j, "posse_size/T2").at("b").at("median"), 4);
    EXPECT_EQ(j.at("failed").at(0), json::parse(R"({"seed": 7, "file": "b", "error": "boom"})"));

    const std::string text = CompareText(c);
    EXPECT_NE(text.find("B differs from A in:\n  Spawner.MinSpawnHours: 0.25 -> 0.1\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("B settings: b.ini\n  Spawner.MinSpawnHours = 0.1 (default 0.25)"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  posses per game hour                  0.25      0.50      6      +0.25"
                        "   [+0.25, +0.25]         *"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("seed 7 under B: boom"), std::string::npos) << text;

    CompareSet self = c;
    self.b = self.a;
    const json selfJson = json::parse(CompareJson(self)); // outlives the loop over its figures
    for (const json& f : selfJson.at("figures")) {
        const json& d = f.at("difference");
        if (d.at("n") == 0) continue;
        EXPECT_EQ(d.at("median"), 0) << f.at("key");
        EXPECT_EQ(d.at("lo"), d.at("hi")) << f.at("key");
        EXPECT_FALSE(d.at("excludes_zero")) << f.at("key");
    }
}

TEST(SweepReport, AFailedSeedIsListedWithItsErrorInBothFiles) {
    const SweepSet set = TwoRunsAndAFailure();
    const json j = json::parse(SweepJson(set));
    ASSERT_EQ(j.at("failed").size(), 1u);
    EXPECT_EQ(j.at("failed").at(0).at("seed"), 7);
    EXPECT_EQ(j.at("failed").at(0).at("error"), "killed by signal 6 (Aborted): boom");
    EXPECT_EQ(j.at("runs").at(2).at("ok"), false);
    const std::string text = SweepText(set);
    EXPECT_NE(text.find("1 seed(s) failed"), std::string::npos) << text;
    EXPECT_NE(text.find("seed 7: killed by signal 6 (Aborted): boom"), std::string::npos) << text;
    EXPECT_NE(text.find("across 2 seeds"), std::string::npos) << text;
    EXPECT_NE(text.find("$123.45"), std::string::npos) << text;
}

TEST(SweepReport, RunRecordsSurviveTheTripFromTheChild) {
    SweepRun r = TwoRunsAndAFailure().runs[0];
    SweepRun back;
    std::string error;
    ASSERT_TRUE(ParseSweepRun(SweepRunJson(r), &back, &error)) << error;
    EXPECT_EQ(SweepRunJson(back), SweepRunJson(r));
    EXPECT_FALSE(ParseSweepRun("{\"seed\": 1}", &back, &error));
    EXPECT_NE(error.find("unreadable run record"), std::string::npos);
}

// Stands in for the simulator in the child: a record made from the seed alone, except that one
// seed crashes and another fails as a run. Each leaves a state file where it plays first.
SweepRun FakeSeed(const Scenario& scenario, const std::string& dir) {
    const uint64_t seed = scenario.world.seed;
    ScratchDir::Write((dir + "/Harkvane.dat").c_str(), std::to_string(seed));
    if (seed == 103) {
        std::fprintf(stderr, "about to crash\n");
        std::abort();
    }
    SweepRun r;
    r.seed = seed;
    if (seed == 105) {
        r.error = "cannot create the work directory";
        return r;
    }
    r.ok = true;
    for (uint64_t i = 0; i < seed % 4; ++i)
        r.posseLog.push_back(Posse(5.0 + 20.0 * static_cast<double>(i), "T2", "Foot",
                                   static_cast<int>(seed % 3) + 2));
    r.notices = static_cast<int>(seed % 7);
    return r;
}

TEST(SweepProcesses, CrashingAndFailingSeedsAreReportedAndTheRestCarryOn) {
    ScratchDir dir;
    Scenario scenario;
    scenario.name = "fake";
    scenario.world.seed = 100;
    SweepOptions o;
    o.seeds = 8;
    o.jobs = 3;
    o.workdir = "sweep";
    o.runSeed = FakeSeed;
    SweepSet set;
    std::string error;
    ASSERT_TRUE(RunSweep(scenario, o, &set, &error)) << error;
    ASSERT_EQ(set.runs.size(), 8u);
    for (size_t i = 0; i < set.runs.size(); ++i) {
        EXPECT_EQ(set.runs[i].seed, 100 + i);
        const bool bad = i == 3 || i == 5;
        EXPECT_EQ(set.runs[i].ok, !bad) << i;
        // However the seed ended, what it left where it played is in its folder.
        const std::string seed = std::to_string(100 + i);
        EXPECT_EQ(ScratchDir::Read(("sweep/seeds/" + seed + "/Harkvane.dat").c_str()), seed);
    }
    EXPECT_EQ(set.runs[3].error, "killed by signal " + std::to_string(SIGABRT) + " (" +
                                     strsignal(SIGABRT) + "): about to crash");
    EXPECT_EQ(set.runs[5].error, "exit status 1: cannot create the work directory");
    EXPECT_EQ(set.runs[6].posseLog.size(), 2u);
    EXPECT_EQ(set.runs[6].notices, 1);
    EXPECT_EQ(ScratchDir::Read("sweep/sweep.json"), SweepJson(set));
    EXPECT_EQ(ScratchDir::Read("sweep/sweep.txt"), SweepText(set));
}

TEST(SweepProcesses, TheSameBytesWithOneProcessOrMany) {
    ScratchDir dir;
    Scenario scenario;
    scenario.world.seed = 200;
    std::string files[3];
    const int jobs[3] = {1, 2, 5};
    for (int k = 0; k < 3; ++k) {
        SweepOptions o;
        o.seeds = 9;
        o.jobs = jobs[k];
        o.workdir = "sweep" + std::to_string(k);
        o.runSeed = FakeSeed;
        SweepSet set;
        std::string error;
        ASSERT_TRUE(RunSweep(scenario, o, &set, &error)) << error;
        files[k] = ScratchDir::Read((o.workdir + "/sweep.json").c_str()) +
                   ScratchDir::Read((o.workdir + "/sweep.txt").c_str());
    }
    EXPECT_EQ(files[0], files[1]);
    EXPECT_EQ(files[0], files[2]);
}

TEST(SweepProcesses, RefusesAnEmptySweep) {
    ScratchDir dir;
    Scenario scenario;
    SweepOptions o;
    o.seeds = 0;
    o.workdir = "sweep";
    SweepSet set;
    std::string error;
    EXPECT_FALSE(RunSweep(scenario, o, &set, &error));
    EXPECT_FALSE(error.empty());
}

} // namespace
