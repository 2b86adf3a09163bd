// The run report's data and page: the tagged timeline follows the readable one line for line, the
// replay samples are sound, the page fetches nothing and never lets run text become markup.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include "report/report.h"
#include "run/runner.h"
#include "scenario/scenario.h"
#include "scratch_dir.h"
#include "text_count.h"

namespace {

struct ReportRun {
    ScratchDir scratch;
    RunOutcome out;
    std::string html;

    explicit ReportRun(double seconds) {
        Scenario scenario;
        std::string error;
        EXPECT_TRUE(ParseScenario(DefaultScenarioJson(), "", &scenario, &error)) << error;
        scenario.seconds = seconds;
        RunOptions o;
        o.workdir = "run";
        o.reportPath = "report.html";
        o.printTimeline = false;
        out = RunScenario(scenario, o);
        EXPECT_TRUE(out.ok) << out.error;
        EXPECT_TRUE(out.ok && WriteRunPages(out, o));
        html = ScratchDir::Read("report.html");
    }
};

} // namespace

TEST(ReportPage, TimelineEntriesFollowTheReadableTimelineWithTheirMoments) {
    ReportRun run(200);
    const auto& lines = run.out.timeline;
    const auto& entries = run.out.record.entries;
    ASSERT_EQ(lines.size(), entries.size());
    std::set<std::string> kinds;
    int witnesses = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const TimelineEntry& e = entries[i];
        kinds.insert(e.kind);
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "[%3u:%02u.%01u ", e.ms / 60000, (e.ms / 1000) % 60,
                      (e.ms / 100) % 10);
        EXPECT_EQ(lines[i].rfind(stamp, 0), 0u) << lines[i] << " at " << e.ms;
        EXPECT_EQ(lines[i].substr(lines[i].size() - e.text.size()), e.text);
        if (i > 0) {
            EXPECT_GE(e.ms, entries[i - 1].ms) << lines[i];
        }
        // Each entry is a list item of the page, but for witness counts folded into one line.
        const bool witness = e.text.rfind("notice \"Witness: ", 0) == 0;
        witnesses += witness;
        if (!witness) {
            EXPECT_NE(run.html.find("data-ms=\"" + std::to_string(e.ms) + "\""), std::string::npos);
        }
    }
    // Every witness notice is on the page: alone, or counted in its folded line.
    int shown = CountOccurrences(run.html, "</span>notice &quot;Witness: ");
    for (size_t at = run.html.find("&quot;Witness: N&quot;"); at != std::string::npos;
         at = run.html.find("&quot;Witness: N&quot;", at + 1))
        shown += std::atoi(run.html.c_str() + run.html.rfind('(', at) + 1);
    EXPECT_EQ(shown, witnesses);
    EXPECT_LT(CountOccurrences(run.html, "data-kind=\"notice\""), witnesses / 2);
    for (const char* k : {"posse", "ped_created", "engaged", "ped_died", "despawned", "notice",
                          "bounty", "state_file", "streak"})
        EXPECT_EQ(kinds.count(k), 1u) << "no entry of kind " << k;
    // The player's log is off in this run: no filter for it.
    EXPECT_EQ(run.html.find("chip log"), std::string::npos);
}

TEST(ReportPage, ReplaySamplesEverySecondAndAtEachSpawnWithLivingPedsOnly) {
    ReportRun run(200);
    const RunRecord& r = run.out.record;
    ASSERT_GT(r.frames.size(), 190u);
    EXPECT_LE(r.frames.front().ms, 1000u);
    for (size_t i = 1; i < r.frames.size(); ++i) {
        EXPECT_GT(r.frames[i].ms, r.frames[i - 1].ms);
        // A frame that loads models spans a few hundred ms of waits.
        EXPECT_LE(r.frames[i].ms - r.frames[i - 1].ms, 1500u) << "gap at " << i;
    }
    for (const ReplayFrame& f : r.frames)
        for (const auto& p : f.peds)
            ASSERT_LT(p.first, static_cast<int>(r.peds.size()));
    // Every posse sent has a frame at its moment showing exactly its members then, and its badge.
    int posses = 0;
    for (const TimelineEntry& e : r.entries) {
        if (e.kind != "posse" || e.text.rfind("posse sent:", 0) != 0) continue;
        ++posses;
        int hunters = 0, dogs = 0, horses = 0;
        ASSERT_EQ(std::sscanf(e.text.c_str() + e.text.find(", ") + 2,
                              "%d hunters, %d dogs, %d horses", &hunters, &dogs, &horses),
                  3)
            << e.text;
        const ReplayFrame* at = nullptr;
        for (const ReplayFrame& f : r.frames)
            if (f.ms == e.ms) at = &f;
        ASSERT_NE(at, nullptr) << "no sample at " << e.ms;
        // The posse just sent is the newest group on the map.
        std::map<int, int> byPosse;
        for (const auto& p : at->peds)
            ++byPosse[r.peds[static_cast<size_t>(p.first)].posse];
        ASSERT_FALSE(byPosse.empty()) << e.text;
        EXPECT_EQ(byPosse.rbegin()->second, hunters + dogs + horses) << e.text;
    }
    EXPECT_EQ(posses, run.out.stats.posses);
    EXPECT_EQ(CountOccurrences(run.html, "class=\"posse-marker\""), run.out.stats.posses);
}

TEST(ReportPage, FetchesNothingFromOutside) {
    ReportRun run(60);
    EXPECT_EQ(run.html.find("src="), std::string::npos);
    EXPECT_EQ(run.html.find("href="), std::string::npos);
    EXPECT_EQ(run.html.find("url("), std::string::npos);
    EXPECT_EQ(run.html.find("@import"), std::string::npos);
    // The only address is the SVG namespace, which names and does not fetch.
    EXPECT_EQ(CountOccurrences(run.html, "://"),
              CountOccurrences(run.html, "http://www.w3.org/2000/svg"));
    EXPECT_NE(run.html.find("Content-Security-Policy\" content=\"default-src 'none'"),
              std::string::npos);
}

TEST(ReportPage, RunTextNeverBecomesMarkup) {
    // Notices, settings and file contents come from the modder's files; none may close an
    // element or open a script.
    static World w;
    w = World();
    WorldInit(w, WorldOptions());
    RunStats stats;
    stats.scenario = "<b>bold</b>";
    stats.seconds = 10;
    RunRecord record;
    record.entries.push_back({100, "notice", "notice \"</script><script>alert(1)</script>\""});
    record.entries.push_back({200, "state_file", "state file x written: </li><li>"});
    record.entries.push_back({300, "log", "log: 08:01 settings: [a] b: \"</li>\""});
    const std::string html = ReportHtml(w, stats, record, "{\"x\":\"</script>\"}",
                                        "[Spawner]\n; </pre><script>alert(2)</script>\n");
    EXPECT_EQ(html.find("alert(1)</script>"), std::string::npos);
    EXPECT_EQ(html.find("<script>alert"), std::string::npos);
    EXPECT_EQ(html.find("<b>bold"), std::string::npos);
    EXPECT_EQ(html.find("</li><li>"), std::string::npos);
    EXPECT_NE(html.find("&lt;/script&gt;&lt;script&gt;alert(1)"), std::string::npos);
    // The log's lines are a kind of their own, with a filter.
    EXPECT_NE(html.find("<li data-kind=\"log\" data-ms=\"300\">"), std::string::npos);
    EXPECT_NE(html.find("<label class=\"chip log\">"), std::string::npos);
    // Two scripts of the page's own: the data block and the program.
    EXPECT_EQ(CountOccurrences(html, "<script"), 2);
    EXPECT_EQ(CountOccurrences(html, "</script>"), 2);
}
