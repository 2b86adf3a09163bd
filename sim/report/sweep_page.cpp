// sweep.html: the distributions of a seed sweep as charts, drawn from sweep.json, with every
// seed's row and the failed seeds. Self-contained like the run report.
#include <algorithm>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "report/page_assets.h"
#include "report/report.h"
#include "report/svg_chart.h"

using nlohmann::json;

namespace {

// A member, or null when it is missing (never a temporary, so it can be walked in place).
const json& Member(const json& j, const char* key) {
    static const json none;
    if (!j.is_object()) return none;
    const auto it = j.find(key);
    return it != j.end() ? *it : none;
}

double Number(const json& j, const char* key) {
    const auto it = j.find(key);
    return it != j.end() && it->is_number() ? it->get<double>() : 0.0;
}

std::string Figure(const json& j, const char* key) {
    const auto it = j.find(key);
    if (it == j.end() || it->is_null()) return "–";
    if (it->is_number_float()) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%g", it->get<double>());
        return buf;
    }
    return it->dump();
}

BoxRow Row(const json& dist, const std::string& label) {
    BoxRow r;
    r.label = label;
    if (!dist.is_object()) return r;
    r.n = static_cast<int>(Number(dist, "n"));
    r.min = Number(dist, "min");
    r.q1 = Number(dist, "q1");
    r.median = Number(dist, "median");
    r.q3 = Number(dist, "q3");
    r.max = Number(dist, "max");
    r.mean = Number(dist, "mean");
    return r;
}

std::string Card(const std::string& title, const std::string& note, const std::string& body) {
    return "<section class=\"card\"><h2>" + EscapeXml(title) + "</h2>" +
           (note.empty() ? "" : "<p class=\"note\">" + EscapeXml(note) + "</p>") + body +
           "</section>\n";
}

std::string Tile(const std::string& value, const std::string& caption) {
    return "<div class=\"tile\"><b>" + EscapeXml(value) + "</b><span>" + EscapeXml(caption) +
           "</span></div>";
}

std::string Plain(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", v);
    return buf;
}

std::string OneDecimal(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

// What a player feels, in words and numbers, before the charts: how often posses come, how
// strong they are by tier, how soon the army comes, how often the player dies.
std::string Answers(const json& j) {
    const json& d = j.at("distributions");
    int ok = 0;
    for (const json& r : j.at("runs"))
        ok += r.value("ok", false) ? 1 : 0;
    std::string s = "<ul>";
    const json& gaps = Member(d, "minutes_between_posses");
    const json& first = Member(d, "minutes_to_first_posse");
    if (Number(gaps, "n") > 0)
        s += "<li>A posse comes about every <b>" + Plain(Number(gaps, "median")) +
             " game minutes</b> (median of " + Plain(Number(gaps, "n")) +
             " gaps; half of them between " + Plain(Number(gaps, "q1")) + " and " +
             Plain(Number(gaps, "q3")) + "), the first after " + Plain(Number(first, "median")) +
             " minutes.</li>";
    else if (Number(first, "n") > 0)
        s += "<li>At most one posse came in an evening, after " + Plain(Number(first, "median")) +
             " game minutes (median).</li>";
    else
        s += "<li>No posse came in any evening.</li>";
    const json& size = Member(d, "posse_size");
    if (Number(size, "n") > 0) {
        std::string tiers;
        for (const auto& [tier, dist] : Member(d, "posse_size_by_tier").items())
            if (Number(dist, "n") > 0)
                tiers += (tiers.empty() ? "" : ", ") + tier + " " + Plain(Number(dist, "median"));
        s += "<li>A posse is <b>" + Plain(Number(size, "median")) +
             " strong</b> (hunters and dogs, median; by tier: " + tiers + ").</li>";
    }
    const json& army = Member(d, "minutes_to_first_army");
    const int armyRuns = static_cast<int>(Number(army, "n"));
    if (armyRuns > 0)
        s += "<li>The army comes after about <b>" + Plain(Number(army, "median")) +
             " game minutes</b> (median), in " + std::to_string(armyRuns) + " of " +
             std::to_string(ok) + " evenings.</li>";
    else
        s += "<li>The army came in none of the " + std::to_string(ok) + " evenings.</li>";
    const json& deaths = Member(d, "player_deaths");
    if (Number(deaths, "n") > 0)
        s += "<li>The player dies <b>" + OneDecimal(Number(deaths, "mean")) +
             " times an evening</b> (mean; median " + OneDecimal(Number(deaths, "median")) +
             ", at most " + Plain(Number(deaths, "max")) + ").</li>";
    return s + "</ul>";
}

// The settings swept: the file, and each setting the plug-in understood apart from its defaults.
std::string Settings(const json& j) {
    const json& settings = Member(j, "settings");
    const json& changed = Member(settings, "changed");
    std::string list;
    if (changed.is_array())
        for (const json& c : changed) {
            const std::string value = c.value("value", ""), def = c.value("default", "");
            list +=
                "<li><code>" + EscapeXml(c.value("key", "")) + "</code> " +
                (value.empty() ? "not set" : "= " + EscapeXml(value)) +
                (def.empty() ? " (not among the defaults)" : " (default " + EscapeXml(def) + ")") +
                "</li>";
        }
    return "<p class=\"note\">" +
           (list.empty() ? std::string("every setting as the built-in defaults")
                         : std::to_string(changed.size()) +
                               " setting(s) differ from the built-in defaults:") +
           "</p>" + (list.empty() ? "" : "<ul class=\"changed\">" + list + "</ul>");
}

// The page's head and its header: the sweep's extent and the headline figures as tiles, then
// what a player feels and the settings swept.
std::string Head(const json& j) {
    const json& d = j.at("distributions");
    const json& failed = j.at("failed");
    const std::string scenario = j.value("scenario", std::string());
    const uint64_t first = j.value("first_seed", uint64_t{0});
    const int seeds = j.value("seeds", 0);
    // A sweep.json from before sweeps named their settings has no "settings": no file to name.
    const json& settingsRecord = Member(j, "settings");
    const std::string settingsFile =
        settingsRecord.is_object() ? settingsRecord.value("file", std::string()) : std::string();
    const std::string title =
        "Harkvane seed sweep: " + scenario + (settingsFile.empty() ? "" : " with " + settingsFile);
    auto median = [&](const char* key) { return Figure(Member(d, key), "median"); };
    auto mean = [&](const char* key) { return Figure(Member(d, key), "mean"); };

    std::string s = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    s += "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
         "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">\n";
    s += "<title>" + EscapeXml(title) + "</title>\n<style>\n" + std::string(SweepPageCss) +
         "</style>\n</head>\n<body>\n";
    s += "<header><h1>" + EscapeXml(title) + "</h1><p>" + std::to_string(seeds) + " seeds (" +
         std::to_string(first) + " to " + std::to_string(first + std::max(0, seeds - 1)) + "), " +
         Figure(j, "game_hours") + " game hours each (" + Figure(j, "seconds") +
         " s of game-timer time); " + std::to_string(failed.size()) +
         " failed</p><div class=\"tiles\">" +
         Tile(median("posses_per_hour"), "posses per game hour (median)") +
         Tile(median("hunters_per_posse"), "hunters per posse (median)") +
         Tile(median("minutes_to_first_posse"), "minutes to the first posse (median)") +
         Tile(median("minutes_between_posses"), "minutes between posses (median)") +
         Tile(mean("army_started"), "army events per run (mean)") +
         Tile(mean("army_won"), "army events won (mean)") +
         Tile(mean("player_deaths"), "player deaths per run (mean)") +
         Tile(Figure(Member(d, "peak_tracked_peds"), "max"), "most tracked peds (any run)") +
         "</div></header>\n<main>\n";
    s += "<section class=\"card answers wide\" id=\"answers\"><h2>What a player feels</h2>" +
         Answers(j) + "</section>\n";
    s += Card("Settings",
              "from " + (settingsFile.empty() ? std::string("(not recorded)") : settingsFile),
              Settings(j));

    return s;
}

// The failed seeds with their errors, when there are any.
std::string FailedCard(const json& failed) {
    std::string s;
    if (!failed.empty()) {
        std::string list = "<ul>";
        for (const json& f : failed)
            list += "<li>seed " + Figure(f, "seed") + ": " +
                    EscapeXml(f.value("error", std::string())) + "</li>";
        s += "<section class=\"card failed wide\"><h2>Failed seeds</h2>" + list +
             "</ul></section>\n";
    }
    return s;
}

// A card of box charts on one axis, a row for each figure of the sweep named with its label.
struct FigureRow {
    const char* key;
    const char* label;
};
std::string FiguresCard(const json& d, const std::string& title, const std::string& note,
                        const std::string& id, const std::string& colour,
                        std::initializer_list<FigureRow> figures) {
    std::vector<BoxRow> rows;
    for (const FigureRow& f : figures)
        rows.push_back(Row(Member(d, f.key), f.label));
    return Card(title, note, BoxChart(id, rows, colour, ""));
}

// The spread of each figure as box charts.
std::string DistributionCards(const json& d) {
    std::string s;
    std::vector<BoxRow> rate = {Row(Member(d, "posses_per_hour"), "all posses")};
    for (const char* group : {"posses_per_hour_by_tier", "posses_per_hour_by_variant"})
        for (const auto& [name, dist] : Member(d, group).items())
            rate.push_back(Row(dist, name));
    s +=
        Card("Posses per game hour", "box: quartiles, bar: median, dot: mean, whiskers: min to max",
             BoxChart("chart-rate", rate, "#1f77b4", ""));
    s += FiguresCard(d, "Posse size",
                     "members placed when each posse was sent (army events excluded)", "chart-size",
                     "#d98c2b",
                     {{"hunters_per_posse", "hunters per posse"},
                      {"dogs_per_posse", "dogs per posse"},
                      {"horses_per_posse", "horses per posse"}});
    std::vector<BoxRow> sizeRows;
    for (const char* group : {"posse_size_by_tier", "hunters_per_posse_by_tier",
                              "dogs_per_posse_by_tier", "horses_per_posse_by_tier"}) {
        const std::string what = std::string(group) == "posse_size_by_tier"
                                     ? "size"
                                     : std::string(group).substr(0, std::string(group).find('_'));
        for (const auto& [tier, dist] : Member(d, group).items())
            sizeRows.push_back(Row(dist, tier + " " + what));
    }
    s += Card("Posse size by tier",
              "per posse of each tier: size (hunters and dogs), hunters, "
              "dogs, horses; one axis for all",
              BoxChart("chart-size-tier", sizeRows, "#b5651d", ""));
    s += FiguresCard(d, "When they come", "game minutes", "chart-minutes", "#2a9d8f",
                     {{"minutes_to_first_posse", "to the first posse"},
                      {"minutes_between_posses", "between posses"},
                      {"minutes_to_first_army", "to the first army"}});
    s += FiguresCard(d, "Per run", "", "chart-per-run", "#7b3fa0",
                     {{"army_started", "army events started"},
                      {"army_won", "army events won"},
                      {"player_deaths", "player deaths"},
                      {"peak_tracked_peds", "peak tracked peds"},
                      {"notices_per_hour", "notices per game hour"}});
    json bounty = Member(d, "final_bounty_cents");
    if (bounty.is_object() && Number(bounty, "n") > 0)
        for (const char* k : {"min", "q1", "median", "q3", "max", "mean"})
            bounty[k] = Number(bounty, k) / 100.0;
    s += Card("Final bounty", "dollars at the end of each run",
              BoxChart("chart-bounty", {Row(bounty, "final bounty")}, "#b8860b", "$"));
    return s;
}

// Across every run: when posses came, how many each run had, and what they were.
std::string AcrossRunsCards(const json& runs) {
    std::string s;
    std::vector<double> times, perRun;
    std::map<std::string, std::map<std::string, double>> tierVariant;
    for (const json& r : runs) {
        if (!r.value("ok", false)) continue;
        perRun.push_back(Number(r, "posses"));
        for (const json& p : Member(r, "posse_log")) {
            const std::string tier = p.value("tier", std::string());
            if (tier == "HV") continue;
            times.push_back(Number(p, "minutes"));
            tierVariant[tier][p.value("variant", std::string())] += 1;
        }
    }
    s += Card("Posses per run", "how many runs sent that many posses",
              Histogram("chart-per-run-hist", perRun, 10, "#4f7cac", "posses in the run"));
    s += Card("When posses were sent", "posses of every run by game minute",
              Histogram("chart-times", times, 12, "#8c6d46", "game minutes into the run"));
    std::vector<BarStack> bars;
    const std::vector<std::string> variants = {"Foot", "Dogs", "Horse"};
    for (const char* tier : {"T1", "T2", "T3", "T4", "T5"}) {
        BarStack b{tier, {}};
        for (const std::string& v : variants)
            b.values.push_back(tierVariant[tier][v]);
        bars.push_back(b);
    }
    s += Card("Posses by tier and variant", "all runs together",
              StackedBarChart("chart-tiers", bars, variants, {"#8c6d46", "#d98c2b", "#4f7cac"}));
    return s;
}

// Every seed's row, sortable.
std::string SeedsCard(const json& runs) {
    std::string s;
    static const std::vector<std::pair<const char*, const char*>> Columns = {
        {"seed", "seed"},
        {"posses", "posses"},
        {"posses_per_hour", "per hour"},
        {"hunters", "hunters"},
        {"dogs", "dogs"},
        {"horses", "horses"},
        {"first_posse_minutes", "first posse min"},
        {"army_started", "army"},
        {"army_won", "won"},
        {"first_army_minutes", "first army min"},
        {"player_deaths", "deaths"},
        {"peak_tracked_peds", "peak tracked"},
        {"final_bounty_cents", "final bounty ¢"},
        {"notices_per_hour", "notices / h"},
    };
    std::string table = "<div class=\"scroll\"><table class=\"sortable\" id=\"seeds\"><thead><tr>";
    for (const auto& c : Columns)
        table += std::string("<th>") + c.second + "</th>";
    table += "</tr></thead><tbody>\n";
    for (const json& r : runs) {
        const bool ok = r.value("ok", false);
        table += ok ? "<tr>" : "<tr class=\"bad\">";
        for (const auto& c : Columns)
            table += "<td>" + (ok || std::string(c.first) == "seed" ? Figure(r, c.first) : "–") +
                     "</td>";
        table += "</tr>\n";
    }
    table += "</tbody></table></div>";
    s += "<section class=\"card wide\"><h2>Seeds</h2><p class=\"note\">click a heading to "
         "sort</p>" +
         table + "</section>\n";
    return s;
}

// The distributions as numbers.
std::string NumbersCard(const json& d) {
    std::string s;
    std::string numbers = "<div class=\"scroll\"><table id=\"distributions\"><thead><tr><th>figure"
                          "</th><th>n</th><th>min</th><th>q1</th><th>median</th><th>q3</th>"
                          "<th>max</th><th>mean</th></tr></thead><tbody>\n";
    auto numberRow = [&](const std::string& name, const json& dist) {
        numbers += "<tr><td>" + EscapeXml(name) + "</td>";
        for (const char* k : {"n", "min", "q1", "median", "q3", "max", "mean"})
            numbers += "<td>" + Figure(dist, k) + "</td>";
        numbers += "</tr>\n";
    };
    for (const auto& [key, dist] : d.items()) {
        if (dist.contains("n")) {
            numberRow(key, dist);
            continue;
        }
        for (const auto& [name, sub] : dist.items())
            numberRow(key + " " + name, sub);
    }
    numbers += "</tbody></table></div>";
    s += Card("Distributions", "as written in sweep.json", numbers);
    return s;
}

} // namespace

std::string SweepHtml(const std::string& sweepJson) {
    const json j = json::parse(sweepJson);
    const json& d = j.at("distributions");
    const json& runs = j.at("runs");
    std::string s = Head(j);
    s += FailedCard(j.at("failed"));
    s += DistributionCards(d);
    s += AcrossRunsCards(runs);
    s += SeedsCard(runs);
    s += NumbersCard(d);
    s += "</main>\n<script>\n" + std::string(SweepPageJs) + "</script>\n</body>\n</html>\n";
    return s;
}
