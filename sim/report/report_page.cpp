// report.html: one self-contained page per run. The map with a replay of the player and the
// living hunters, the timeline filterable by kind, charts of the summary and the effective
// settings. Plain HTML, SVG and a small script; nothing is fetched from anywhere.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "report/page_assets.h"
#include "report/report.h"
#include "report/svg_chart.h"

namespace {

// The timeline's filter groups: the name used in the page, its caption, and the entry kinds it
// holds. Kinds not listed fall under "other". The player's log is there only when the run's
// settings switched it on.
struct KindGroup {
    const char* name;
    const char* caption;
    std::vector<std::string> kinds;
    bool onlyWhenPresent = false;
};

const std::vector<KindGroup>& KindGroups() {
    static const std::vector<KindGroup> groups = {
        {"posse", "posses", {"posse", "ped_created"}},
        {"army", "army waves", {"army"}},
        {"fight", "fights", {"engaged", "gave_up", "horse_taken", "dismount"}},
        {"death", "deaths", {"ped_died", "player_died", "player_respawned"}},
        {"despawn", "despawns", {"despawned", "vanished"}},
        {"notice", "notices", {"notice"}},
        {"bounty", "bounty", {"bounty", "pursued", "law_region"}},
        {"state", "state files", {"state_file", "streak", "write_ini"}},
        {"log", "plug-in log", {"log"}, true},
        {"other", "other", {}},
    };
    return groups;
}

const char* GroupOf(const std::string& kind) {
    for (const KindGroup& g : KindGroups())
        if (std::find(g.kinds.begin(), g.kinds.end(), kind) != g.kinds.end()) return g.name;
    return "other";
}

std::string RunTime(uint32_t ms) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%u:%02u.%u", ms / 60000, (ms / 1000) % 60, (ms / 100) % 10);
    return buf;
}

const char* KindCode(ModelKind k) {
    return k == ModelKind::Dog ? "d" : (k == ModelKind::Horse ? "m" : "h");
}

// The replay's data for the script: the frame of the map, the posse labels, the peds and the
// sampled positions in map pixels.
std::string ReplayJson(const World& w, const RunStats& stats, const RunRecord& r,
                       const MapFrame& f) {
    std::string s = "{\"end\":" + std::to_string(static_cast<uint64_t>(stats.seconds * 1000)) +
                    ",\"clock\":[" + std::to_string(w.opt.hour * 60 + w.opt.minute) + "," +
                    Num1(w.opt.clockRate) + "],\"posses\":[";
    for (size_t i = 0; i < r.posses.size(); ++i) {
        const PosseLabel& l = r.posses[i];
        const char* group = l.group == PosseGroup::Army
                                ? "army"
                                : (l.group == PosseGroup::Posse ? "posse" : "untracked");
        std::string label;
        for (char c : l.label)
            if (c != '"' && c != '\\' && c != '<') label += c;
        s += std::string(i ? "," : "") + "[\"" + PosseColour(static_cast<int>(i)) + "\",\"" +
             group + "\",\"" + label + "\"]";
    }
    s += "],\"peds\":[";
    for (size_t i = 0; i < r.peds.size(); ++i)
        s += std::string(i ? "," : "") + "[" + std::to_string(r.peds[i].posse) + ",\"" +
             KindCode(r.peds[i].kind) + "\"]";
    s += "],\"frames\":[";
    for (size_t i = 0; i < r.frames.size(); ++i) {
        const ReplayFrame& fr = r.frames[i];
        s += std::string(i ? ",\n" : "\n") + "[" + std::to_string(fr.ms) + "," +
             Num1(f.X(fr.player.x)) + "," + Num1(f.Y(fr.player.y)) + "," +
             (fr.playerDead ? "1" : "0") + "," + std::to_string(fr.bounty) + "," +
             std::to_string(fr.tracked) + ",[";
        for (size_t k = 0; k < fr.peds.size(); ++k)
            s += std::string(k ? "," : "") + std::to_string(fr.peds[k].first) + "," +
                 Num1(f.X(fr.peds[k].second.x)) + "," + Num1(f.Y(fr.peds[k].second.y));
        s += "]]";
    }
    s += "]}";
    return s;
}

// A numbered badge at the first spawn point of each posse, a lettered one for each army wave.
std::string Markers(const World& w, const RunRecord& r, const MapFrame& f) {
    std::string s;
    int posseNumber = 0, armyNumber = 0;
    for (size_t i = 0; i < r.posses.size(); ++i) {
        const PosseLabel& l = r.posses[i];
        if (l.group == PosseGroup::Untracked) continue;
        const bool army = l.group == PosseGroup::Army;
        // Army badges: the event's number and the wave's letter, 1A 1B 1C 2A ...
        const char wave = l.label.back();
        if (army && (wave == 'A' || armyNumber == 0)) ++armyNumber;
        const std::string text =
            army ? std::to_string(armyNumber) + wave : std::to_string(++posseNumber);
        // A posse whose members all failed to appear has no spawn point; its badge sits where the
        // player was when it was sent, so that every posse has one.
        Point2 at{w.opt.playerStart.x, w.opt.playerStart.y};
        for (const ReplayFrame& fr : r.frames)
            if (fr.ms <= l.spawnMs) at = fr.player;
        if (!l.spawnPoints.empty()) at = {l.spawnPoints.front().x, l.spawnPoints.front().y};
        s += "<g class=\"" + std::string(army ? "army-marker" : "posse-marker") +
             "\" data-posse=\"" + std::to_string(i) + "\" data-ms=\"" + std::to_string(l.spawnMs) +
             "\" transform=\"translate(" + Num1(f.X(at.x) + 14) + "," + Num1(f.Y(at.y) - 14) +
             ")\"><title>" + EscapeXml(l.label) + " at " + RunTime(l.spawnMs) + "</title>";
        if (army)
            s += "<rect x=\"-14\" y=\"-11\" width=\"28\" height=\"22\" rx=\"3\"";
        else
            s += "<circle r=\"12\"";
        s += " fill=\"" + PosseColour(static_cast<int>(i)) +
             "\" stroke=\"#fff\" stroke-width=\"2\"/><text y=\"5\" text-anchor=\"middle\">" + text +
             "</text></g>\n";
    }
    return s;
}

std::string Legend() {
    auto item = [](const std::string& svg, const char* text) {
        return "<span class=\"key\"><svg width=\"22\" height=\"16\" viewBox=\"-11 -8 22 16\">" +
               svg + "</svg>" + text + "</span>";
    };
    return "<div class=\"legend\">" +
           item("<circle r=\"6\" fill=\"#111\" stroke=\"#fff\" stroke-width=\"2\"/>", "player") +
           item("<circle r=\"5\" fill=\"#fff\" stroke=\"#000\" stroke-width=\"2.5\"/>", "start") +
           item("<line x1=\"-10\" x2=\"10\" stroke=\"#000\" stroke-width=\"2.5\" "
                "stroke-dasharray=\"5,3\"/>",
                "player's path") +
           item("<circle r=\"5\" fill=\"#d62728\" stroke=\"#fff\" stroke-width=\"1.5\"/>",
                "hunter") +
           item("<path d=\"M0 -5 L5 0 L0 5 L-5 0 Z\" fill=\"#d62728\" stroke=\"#fff\"/>", "dog") +
           item("<rect x=\"-5\" y=\"-5\" width=\"10\" height=\"10\" fill=\"#d62728\" "
                "stroke=\"#fff\"/>",
                "horse") +
           item("<circle r=\"7\" fill=\"#1f77b4\"/><text y=\"3.5\" font-size=\"9\" "
                "text-anchor=\"middle\" fill=\"#fff\">1</text>",
                "posse sent") +
           item("<rect x=\"-7\" y=\"-7\" width=\"14\" height=\"14\" fill=\"#9467bd\"/><text "
                "y=\"3.5\" font-size=\"9\" text-anchor=\"middle\" fill=\"#fff\">A</text>",
                "army event 1, wave A (1A)") +
           item("<rect x=\"-3\" y=\"-3\" width=\"6\" height=\"6\" fill=\"#1f77b4\"/>",
                "spawn point") +
           item("<line x1=\"-10\" x2=\"10\" stroke=\"#1f77b4\" stroke-width=\"1.5\"/>",
                "posse path") +
           item("<text y=\"4\" font-size=\"12\" text-anchor=\"middle\">x</text>", "death") +
           item("<circle r=\"6\" fill=\"#b6e3a8\" stroke=\"#2e7d32\"/>", "camp") +
           item("<circle r=\"6\" fill=\"#ffe08a\" stroke=\"#a07800\"/>", "town") +
           item("<line x1=\"-10\" x2=\"10\" stroke=\"#8b6b3d\" stroke-width=\"3\"/>", "road") +
           item("<rect x=\"-8\" y=\"-6\" width=\"16\" height=\"12\" fill=\"#6fa8dc\"/>", "water") +
           "</div>\n";
}

// The witness count is shown again each time it changes, a hundred times an evening: the notices
// up to the next posse, army wave, death of the player or other notice are one line of the
// timeline, at the first of them; what else happened meanwhile follows it as usual.
constexpr const char* WitnessNotice = "notice \"Witness: ";

bool IsWitnessNotice(const TimelineEntry& e) {
    return e.kind == "notice" && e.text.rfind(WitnessNotice, 0) == 0;
}

bool EndsWitnessRun(const TimelineEntry& e) {
    return (e.kind == "notice" && !IsWitnessNotice(e)) || e.kind == "posse" || e.kind == "army" ||
           e.kind == "player_died" || e.kind == "player_respawned";
}

std::string WitnessCount(const TimelineEntry& e) {
    const size_t at = std::char_traits<char>::length(WitnessNotice);
    return e.text.substr(at, e.text.size() - at - 1);
}

std::string Timeline(const RunRecord& r) {
    std::map<std::string, int> counts;
    std::string items;
    const std::vector<TimelineEntry>& all = r.entries;
    std::vector<bool> folded(all.size(), false);
    for (size_t i = 0; i < all.size(); ++i) {
        if (folded[i]) continue;
        const TimelineEntry& e = all[i];
        std::string text = e.text;
        if (IsWitnessNotice(e)) {
            size_t last = i, n = 1;
            for (size_t k = i + 1; k < all.size() && !EndsWitnessRun(all[k]); ++k)
                if (IsWitnessNotice(all[k])) {
                    folded[k] = true;
                    last = k;
                    ++n;
                }
            if (n > 1)
                text = "witness count " + WitnessCount(e) + " → " + WitnessCount(all[last]) + " (" +
                       std::to_string(n) + " notices \"Witness: N\", the last at " +
                       RunTime(all[last].ms) + ")";
        }
        const char* group = GroupOf(e.kind);
        ++counts[group];
        items += "<li data-kind=\"" + std::string(group) + "\" data-ms=\"" + std::to_string(e.ms) +
                 "\"><time>" + RunTime(e.ms) + "</time><span class=\"tag " + group + "\">" + group +
                 "</span>" + EscapeXml(text) + "</li>\n";
    }
    std::string s = "<div class=\"filters\" id=\"filters\">";
    for (const KindGroup& g : KindGroups()) {
        if (g.onlyWhenPresent && counts[g.name] == 0) continue;
        s += "<label class=\"chip " + std::string(g.name) +
             "\"><input type=\"checkbox\" checked value=\"" + g.name + "\">" + g.caption +
             " <span class=\"n\">" + std::to_string(counts[g.name]) + "</span></label>";
    }
    s += "<button type=\"button\" id=\"show-all\">all</button><button type=\"button\" "
         "id=\"show-none\">none</button></div>\n";
    s += "<ol id=\"timeline\">\n" + items + "</ol>\n";
    return s;
}

std::string Tile(const std::string& value, const std::string& caption) {
    return "<div class=\"tile\"><b>" + EscapeXml(value) + "</b><span>" + EscapeXml(caption) +
           "</span></div>";
}

int Killed(const WorldCounters& c, const char* kind) {
    const auto it = c.killedByKind.find(kind);
    return it == c.killedByKind.end() ? 0 : it->second;
}

// Hunters only; the dogs, soldiers and horses that died are named beside them.
std::string KilledCaption(const WorldCounters& c) {
    std::string also;
    for (const auto& kv : c.killedByKind)
        if (kv.first != "hunter")
            also += (also.empty() ? "" : ", ") + std::to_string(kv.second) + " " + kv.first +
                    (kv.second == 1 ? "" : "s");
    return also.empty() ? "hunters killed" : "hunters killed (and " + also + ")";
}

std::string Charts(const RunStats& stats, const RunRecord& r) {
    std::vector<double> ms, bounty, tracked;
    for (const ReplayFrame& f : r.frames) {
        ms.push_back(f.ms);
        bounty.push_back(f.bounty / 100.0);
        tracked.push_back(f.tracked);
    }
    const double end = stats.seconds * 1000;
    std::vector<BarStack> bars;
    const std::vector<std::string> variants = {"Foot", "Dogs", "Horse"};
    for (const char* tier : {"T1", "T2", "T3", "T4", "T5"}) {
        BarStack b{tier, {}};
        for (const std::string& v : variants) {
            const auto it = stats.possesByTierVariant.find(std::string(tier) + " " + v);
            b.values.push_back(it == stats.possesByTierVariant.end() ? 0 : it->second);
        }
        bars.push_back(b);
    }
    return "<section class=\"charts\">"
           "<div class=\"card\"><h2>Bounty</h2>" +
           TimeChart("chart-bounty", ms, bounty, end, "#b8860b", "$") +
           "</div><div class=\"card\"><h2>Tracked peds</h2>" +
           TimeChart("chart-tracked", ms, tracked, end, "#1f77b4", "") +
           "</div><div class=\"card\"><h2>Posses by tier and variant</h2>" +
           StackedBarChart("chart-posses", bars, variants, {"#8c6d46", "#d98c2b", "#4f7cac"}) +
           "</div></section>\n";
}

// The header: the run's length and its headline figures as tiles.
std::string Header(const World& w, const RunStats& stats, const RunRecord& record,
                   const std::string& title) {
    const WorldCounters& c = record.world.counters;
    int notices = 0, peds = 0;
    for (const auto& kv : c.notices)
        notices += kv.second;
    for (const auto& kv : c.pedsByKind)
        peds += kv.second;
    const uint64_t endMs = static_cast<uint64_t>(stats.seconds * 1000);
    std::string s;
    s += "<header><h1>" + EscapeXml(title) + "</h1><p>" + RunTime(static_cast<uint32_t>(endMs)) +
         " of game-timer time, " + std::to_string(w.frame) + " frames</p><div class=\"tiles\">" +
         Tile(std::to_string(stats.posses), "posses sent") +
         Tile(std::to_string(stats.harkvaneStarted) + " / " + std::to_string(stats.harkvaneWon),
              "army events / won") +
         Tile(std::to_string(peds), "peds created") +
         Tile(std::to_string(Killed(c, "hunter")), KilledCaption(c)) +
         Tile(std::to_string(c.deletions), "despawned") +
         Tile(std::to_string(stats.maxTrackedPeds), "most tracked peds") +
         Tile(std::to_string(c.playerDeaths), "player deaths") +
         Tile(FormatCents(w.bounty), "final bounty") +
         Tile(std::to_string(notices), "notices shown") + "</div></header>\n<main>\n";

    return s;
}

// The map with the replay's marks and its controls (play, time slider, speed) and legend.
std::string MapCard(const World& w, const RunStats& stats, const RunRecord& record,
                    const MapFrame& f) {
    const uint64_t endMs = static_cast<uint64_t>(stats.seconds * 1000);
    std::string s;
    s += "<section class=\"card\" id=\"map-card\"><h2>Map<span class=\"hint\">wheel: zoom · "
         "drag: move · double-click: whole map · click a badge: its moment</span></h2>\n";
    s += "<svg id=\"map\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + Num1(f.size) +
         " " + Num1(f.size) + "\">\n" + MapLayers(w, record, f) + "<g id=\"markers\">\n" +
         Markers(w, record, f) +
         "</g>\n<g id=\"live\"></g>\n<g id=\"player\"><circle r=\"10\" fill=\"#111\" "
         "stroke=\"#fff\" stroke-width=\"2.5\"/><title>player</title></g>\n</svg>\n";
    s += "<div class=\"controls\"><button type=\"button\" id=\"play\">▶ Play</button>"
         "<input type=\"range\" id=\"slider\" min=\"0\" max=\"" +
         std::to_string(endMs) +
         "\" step=\"1\" value=\"0\" aria-label=\"run time\"><span id=\"clock\"></span>"
         "<select id=\"speed\" aria-label=\"speed\"><option value=\"10\">10×</option>"
         "<option value=\"30\" selected>30×</option><option value=\"60\">60×</option>"
         "<option value=\"120\">120×</option></select></div>\n<div id=\"status\"></div>\n";
    s += Legend() + "</section>\n";

    return s;
}

// The summary as a table (with summary.json folded under it) and the effective settings.
std::string SummaryCards(const World& w, const RunStats& stats, const RunRecord& record,
                         const std::string& summaryJson, const std::string& settingsText) {
    const WorldCounters& c = record.world.counters;
    std::string s;
    s += "<section class=\"lower\"><div class=\"card\"><h2>Summary</h2><table>\n";
    auto row = [&](const std::string& k, const std::string& v) {
        s += "<tr><td>" + EscapeXml(k) + "</td><td>" + EscapeXml(v) + "</td></tr>\n";
    };
    row("posses sent", std::to_string(stats.posses));
    for (const auto& kv : stats.possesByTierVariant)
        row("  " + kv.first, std::to_string(kv.second));
    row("members deferred / placed later",
        std::to_string(stats.membersDeferred) + " / " + std::to_string(stats.deferredPlaced));
    for (const auto& kv : c.pedsByKind)
        row("peds created: " + kv.first, std::to_string(kv.second));
    for (const auto& kv : c.killedByKind)
        row("killed: " + kv.first + "s", std::to_string(kv.second));
    for (const auto& kv : stats.despawnReasons)
        row("despawned: " + kv.first, std::to_string(kv.second));
    row("army events started / won / waves", std::to_string(stats.harkvaneStarted) + " / " +
                                                 std::to_string(stats.harkvaneWon) + " / " +
                                                 std::to_string(stats.harkvaneWaves));
    row("most tracked peds (cap)",
        std::to_string(stats.maxTrackedPeds) + " (" + std::to_string(stats.trackedCap) +
            ": MaxAlive and 10 more; above it the plug-in removes its oldest peds, a few each "
            "frame, until MaxAlive are left)");
    row("player deaths / respawns",
        std::to_string(c.playerDeaths) + " / " + std::to_string(c.playerRespawns));
    row("final bounty", FormatCents(w.bounty));
    for (const auto& kv : stats.files)
        row("file " + kv.first + " at the end", kv.second);
    s += "</table>\n<details><summary>summary.json</summary><pre>" + EscapeXml(summaryJson) +
         "</pre></details></div>\n";
    s += "<div class=\"card\"><h2>Effective settings</h2><pre id=\"settings\">" +
         EscapeXml(settingsText) + "</pre></div></section>\n</main>\n";

    return s;
}

// The replay's data for the page's script.
std::string ReplayBlock(const World& w, const RunStats& stats, const RunRecord& record,
                        const MapFrame& f) {
    // The data goes in a JSON block; "</" is written "<\/" so it cannot end the script element.
    std::string json = ReplayJson(w, stats, record, f);
    for (size_t at = json.find("</"); at != std::string::npos; at = json.find("</", at + 3))
        json.replace(at, 2, "<\\/");
    return "<script id=\"replay\" type=\"application/json\">" + json + "</script>\n";
}

} // namespace

std::string ReportHtml(const World& w, const RunStats& stats, const RunRecord& record,
                       const std::string& summaryJson, const std::string& settingsText) {
    const MapFrame f = FrameMap(w, record);
    const std::string title =
        "Harkvane run report: " + stats.scenario + " (seed " + std::to_string(stats.seed) + ")";
    std::string s = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    // The page may load nothing: its styles and script are inline and it has no other sources.
    s += "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
         "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">\n";
    s += "<title>" + EscapeXml(title) + "</title>\n<style>\n" + std::string(ReportPageCss) +
         "</style>\n</head>\n<body>\n";
    s += Header(w, stats, record, title);
    s += MapCard(w, stats, record, f);
    s += "<section class=\"card\" id=\"timeline-card\"><h2>Timeline</h2>\n" + Timeline(record) +
         "</section>\n";
    s += Charts(stats, record);
    s += SummaryCards(w, stats, record, summaryJson, settingsText);
    s += ReplayBlock(w, stats, record, f);
    s += "<script>\n" + std::string(ReportPageJs) + "</script>\n</body>\n</html>\n";
    return s;
}
