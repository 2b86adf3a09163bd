// The sweep page drawn from sweep.json: every figure, the failed seeds with their errors kept as
// text, empty spreads drawn as empty rows rather than numbers that are not there.
#include <gtest/gtest.h>

#include <string>

#include "report/report.h"
#include "text_count.h"

namespace {

const char* const Spread =
    R"({"n": 3, "min": 1.0, "q1": 1.5, "median": 2.0, "q3": 2.5, "max": 3.0, "mean": 2.0})";
const char* const Empty = R"({"n": 0, "min": null, "q1": null, "median": null, "q3": null,
                              "max": null, "mean": null})";

std::string SweepJson(const std::string& runs, const std::string& failed,
                      const std::string& firstArmy) {
    std::string d = "{";
    for (const char* k :
         {"posses_per_hour", "hunters_per_posse", "dogs_per_posse", "horses_per_posse",
          "minutes_to_first_posse", "minutes_between_posses", "army_started", "army_won",
          "player_deaths", "peak_tracked_peds", "final_bounty_cents", "notices_per_hour"})
        d += std::string("\"") + k + "\":" + Spread + ",";
    d += "\"minutes_to_first_army\":" + firstArmy + ",";
    d += std::string("\"posses_per_hour_by_tier\":{\"T1\":") + Spread + ",\"T3\":" + Spread +
         "},\"posses_per_hour_by_variant\":{\"Foot\":" + Spread + "}}";
    return R"({"format": "harkvane-sweep 1", "scenario": "default", "first_seed": 7, "seeds": 3,
               "seconds": 600, "game_hours": 5, "runs": )" +
           runs + ", \"failed\": " + failed + ", \"distributions\": " + d + "}";
}

const char* const Runs = R"j([
  {"seed": 7, "ok": true, "posses": 2, "posses_per_hour": 0.4, "hunters": 5, "dogs": 1,
   "horses": 0, "first_posse_minutes": 4.5, "army_started": 0, "army_won": 0,
   "first_army_minutes": null, "player_deaths": 0, "peak_tracked_peds": 6,
   "final_bounty_cents": 250, "notices": 3, "notices_per_hour": 0.6,
   "posse_log": [{"minutes": 4.5, "tier": "T1", "variant": "Foot", "hunters": 2, "dogs": 0,
                  "horses": 0},
                 {"minutes": 40, "tier": "T3", "variant": "Dogs", "hunters": 3, "dogs": 1,
                  "horses": 0}]},
  {"seed": 8, "ok": false, "error": "killed by signal 6 (<abort> & core)"
},
  {"seed": 9, "ok": true, "posses": 1, "posses_per_hour": 0.2, "hunters": 2, "dogs": 0,
   "horses": 0, "first_posse_minutes": 5, "army_started": 0, "army_won": 0,
   "first_army_minutes": null, "player_deaths": 1, "peak_tracked_peds": 2,
   "final_bounty_cents": 0, "notices": 1, "notices_per_hour": 0.2,
   "posse_log": [{"minutes": 5, "tier": "T1", "variant": "Foot", "hunters": 2, "dogs": 0,
                  "horses": 0}]}])j";

} // namespace

TEST(SweepPage, DrawsEveryFigureAndEverySeed) {
    const std::string html =
        SweepHtml(SweepJson(Runs, R"([{"seed": 8, "error": "killed"}])", Spread));
    // Posse rate (all, two tiers, one variant), size (3), minutes (3), per run (5), bounty (1).
    EXPECT_EQ(CountOccurrences(html, "<g class=\"box\">"), 4 + 3 + 3 + 5 + 1);
    EXPECT_EQ(CountOccurrences(html, "<tr class=\"bad\">"), 1);
    EXPECT_EQ(CountOccurrences(html, "<tr><td>7</td><td>2</td>"), 1);
    EXPECT_EQ(CountOccurrences(html, "<tr><td>9</td><td>1</td>"), 1);
    EXPECT_NE(html.find("3 seeds (7 to 9), 5 game hours each"), std::string::npos);
    // Posses by tier and variant: T1 Foot twice, T3 Dogs once.
    EXPECT_NE(html.find("<title>T1 Foot: 2</title>"), std::string::npos);
    EXPECT_NE(html.find("<title>T3 Dogs: 1</title>"), std::string::npos);
    EXPECT_EQ(CountOccurrences(html, "<script"), 1);
}

TEST(SweepPage, FailedSeedsShowTheirErrorsAsText) {
    const std::string html = SweepHtml(SweepJson(
        Runs, R"j([{"seed": 8, "error": "killed by signal 6 (<abort> & core)"}])j", Spread));
    EXPECT_NE(html.find("Failed seeds"), std::string::npos);
    EXPECT_NE(html.find("seed 8: killed by signal 6 (&lt;abort&gt; &amp; core)"),
              std::string::npos);
    EXPECT_EQ(html.find("<abort>"), std::string::npos);
    const std::string clean = SweepHtml(SweepJson(Runs, "[]", Spread));
    EXPECT_EQ(clean.find("Failed seeds"), std::string::npos);
}

TEST(SweepPage, AnEmptySpreadIsAnEmptyRowNotANumber) {
    const std::string html = SweepHtml(SweepJson(Runs, "[]", Empty));
    EXPECT_EQ(CountOccurrences(html, "<g class=\"box\">"), 4 + 3 + 2 + 5 + 1);
    EXPECT_NE(html.find(">none</text>"), std::string::npos);
    EXPECT_EQ(html.find("nan"), std::string::npos);
    EXPECT_EQ(html.find("inf"), std::string::npos);
}
