// compare.html: two settings files over the same seeds, figure by figure: each file's spread on
// one shared axis, every seed's difference and the interval of the median difference, marked
// where it excludes zero. Drawn from compare.json; self-contained like the other pages.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "report/report.h"

using nlohmann::json;

namespace {

constexpr double ChartW = 360, LabelW = 26, PadR = 12;

double Num(const json& j, const char* key) {
    const auto it = j.find(key);
    return it != j.end() && it->is_number() ? it->get<double>() : 0.0;
}

bool Has(const json& j, const char* key) {
    const auto it = j.find(key);
    return it != j.end() && it->is_number();
}

std::string Fmt(double v, const char* f = "%.2f") {
    char buf[48];
    std::snprintf(buf, sizeof buf, f, v);
    std::string s = buf;
    if (s == "-0.00" || s == "+0.00") s = s.substr(1);
    return s;
}

std::string Px(double v) {
    return Fmt(v, "%.1f");
}

// A step of 1, 2 or 5 times a power of ten that splits span into about `parts`.
double NiceStep(double span, int parts) {
    if (!(span > 0)) return 1;
    const double raw = span / parts, mag = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / mag;
    return (f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10) * mag;
}

struct Axis {
    double lo = 0, hi = 1, step = 1;
    double X(double v) const { return LabelW + (v - lo) / (hi - lo) * (ChartW - LabelW - PadR); }
};

Axis MakeAxis(double lo, double hi) {
    Axis a;
    a.step = NiceStep(hi - lo, 4);
    a.lo = std::floor(lo / a.step) * a.step;
    a.hi = std::max(a.lo + a.step, std::ceil(hi / a.step) * a.step);
    return a;
}

std::string Ticks(const Axis& a, double top, double bottom) {
    std::string s;
    for (double v = a.lo; v <= a.hi + a.step / 2; v += a.step) {
        const bool zero = std::fabs(v) < a.step / 1000;
        s += "<line x1=\"" + Px(a.X(v)) + "\" x2=\"" + Px(a.X(v)) + "\" y1=\"" + Px(top) +
             "\" y2=\"" + Px(bottom) + "\" stroke=\"" + (zero ? "#888" : "#e3e3e3") + "\"/>";
        s += "<text x=\"" + Px(a.X(v)) + "\" y=\"" + Px(bottom + 12) +
             "\" font-size=\"10\" fill=\"#666\" text-anchor=\"middle\">" +
             Fmt(v, std::fabs(a.step) < 1 ? "%.2g" : "%.0f") + "</text>";
    }
    return s;
}

// A's and B's spreads as two boxes on one axis.
std::string SpreadChart(const json& a, const json& b) {
    double lo = 0, hi = 0;
    for (const json* d : {&a, &b})
        if (Num(*d, "n") > 0) {
            lo = std::min(lo, Num(*d, "min"));
            hi = std::max(hi, Num(*d, "max"));
        }
    const Axis axis = MakeAxis(lo, hi);
    std::string s = "<svg class=\"chart spread\" width=\"" + Px(ChartW) +
                    "\" height=\"70\" viewBox=\"0 0 " + Px(ChartW) + " 70\">" + Ticks(axis, 4, 54);
    const char* colours[] = {"#4f7cac", "#d98c2b"};
    const json* sides[] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        const json& d = *sides[i];
        const double cy = 16 + i * 24;
        s += "<text x=\"4\" y=\"" + Px(cy + 4) + "\" font-size=\"11\" font-weight=\"600\">" +
             (i ? "B" : "A") + "</text>";
        if (Num(d, "n") <= 0) continue;
        auto X = [&](const char* k) { return axis.X(Num(d, k)); };
        s += std::string("<g class=\"box\"><title>") + (i ? "B" : "A") + ": min " +
             Fmt(Num(d, "min")) + ", quartiles " + Fmt(Num(d, "q1")) + " / " +
             Fmt(Num(d, "median")) + " / " + Fmt(Num(d, "q3")) + ", max " + Fmt(Num(d, "max")) +
             "</title>";
        s += "<line x1=\"" + Px(X("min")) + "\" x2=\"" + Px(X("max")) + "\" y1=\"" + Px(cy) +
             "\" y2=\"" + Px(cy) + "\" stroke=\"#555\"/>";
        s += "<rect x=\"" + Px(X("q1")) + "\" y=\"" + Px(cy - 7) + "\" width=\"" +
             Px(std::max(1.5, X("q3") - X("q1"))) + "\" height=\"14\" fill=\"" + colours[i] +
             "\" fill-opacity=\"0.4\" stroke=\"" + colours[i] + "\"/>";
        s += "<line x1=\"" + Px(X("median")) + "\" x2=\"" + Px(X("median")) + "\" y1=\"" +
             Px(cy - 7) + "\" y2=\"" + Px(cy + 7) + "\" stroke=\"#111\" stroke-width=\"2.5\"/></g>";
    }
    return s + "</svg>";
}

// Every seed's difference as a dot, the median as a bar and its interval as a band, on an axis
// that always shows zero.
std::string DifferenceChart(const json& figure) {
    const json& d = figure.at("difference");
    std::vector<double> diffs;
    for (const json& row : figure.at("seeds"))
        if (row.at(1).is_number() && row.at(2).is_number())
            diffs.push_back(row.at(2).get<double>() - row.at(1).get<double>());
    double lo = 0, hi = 0;
    for (double v : diffs) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    if (lo == hi) {
        lo = -1;
        hi = 1;
    }
    const Axis axis = MakeAxis(lo, hi);
    std::string s = "<svg class=\"chart difference\" width=\"" + Px(ChartW) +
                    "\" height=\"70\" viewBox=\"0 0 " + Px(ChartW) + " 70\">" + Ticks(axis, 4, 54);
    for (size_t i = 0; i < diffs.size(); ++i) {
        const double jitter = static_cast<double>((i * 7919) % 23) - 11; // fixed, not random
        s += "<circle class=\"seed\" cx=\"" + Px(axis.X(diffs[i])) + "\" cy=\"" +
             Px(22 + jitter * 0.8) + "\" r=\"2\" fill=\"#777\" fill-opacity=\"0.5\"/>";
    }
    if (Has(d, "lo")) {
        const bool sure = d.value("excludes_zero", false);
        const double x0 = axis.X(Num(d, "lo")), x1 = axis.X(Num(d, "hi"));
        s += "<g class=\"interval\"><title>95 % interval of the median difference: " +
             Fmt(Num(d, "lo")) + " to " + Fmt(Num(d, "hi")) + "</title><rect x=\"" + Px(x0 - 1) +
             "\" y=\"38\" width=\"" + Px(std::max(2.0, x1 - x0 + 2)) + "\" height=\"10\" fill=\"" +
             (sure ? "#c0392b" : "#999") + "\" fill-opacity=\"0.45\"/></g>";
    }
    if (Has(d, "median"))
        s += "<line class=\"median\" x1=\"" + Px(axis.X(Num(d, "median"))) + "\" x2=\"" +
             Px(axis.X(Num(d, "median"))) +
             "\" y1=\"35\" y2=\"51\" stroke=\"#111\" "
             "stroke-width=\"2.5\"/>";
    return s + "</svg>";
}

std::string ChangedList(const json& side) {
    const json& changed = side.at("changed");
    if (changed.empty()) return "<p class=\"note\">every setting as the built-in defaults</p>";
    std::string s = "<ul class=\"changed\">";
    for (const json& c : changed) {
        const std::string key = c.value("key", ""), value = c.value("value", ""),
                          def = c.value("default", "");
        s += "<li><code>" + EscapeXml(key) + "</code> " +
             (value.empty() ? "not set" : "= " + EscapeXml(value)) +
             (def.empty() ? " (not among the defaults)" : " (default " + EscapeXml(def) + ")") +
             "</li>";
    }
    return s + "</ul>";
}

const char* const Style = R"css(
*{box-sizing:border-box}
body{margin:0;font:14px/1.45 "DejaVu Sans",Verdana,sans-serif;color:#222;background:#f3f1ec}
header{background:#3b2f25;color:#f7efe2;padding:14px 24px 16px}
header h1{margin:0;font-size:22px;font-weight:600}
header p{margin:2px 0 6px;color:#d9c9b0}
main{padding:16px 24px;max-width:1500px}
.card{background:#fff;border:1px solid #ddd6ca;border-radius:8px;padding:12px 14px;margin-bottom:16px}
.card h2{margin:0 0 4px;font-size:15px;font-weight:600;color:#3b2f25}
.sides{display:grid;grid-template-columns:1fr 1fr;gap:16px}
.note{margin:0 0 8px;font-size:12px;color:#666}
.changed{margin:4px 0;padding-left:18px;font-size:12.5px}
table{border-collapse:collapse;font-size:12.5px;width:100%}
th{background:#f7efe2;text-align:right;padding:3px 8px;border-bottom:1px solid #ddd}
th:first-child,td:first-child{text-align:left}
td{padding:2px 8px;border-bottom:1px solid #f0ece4;text-align:right;font-variant-numeric:tabular-nums;vertical-align:middle}
tr.sure td{background:#fbeeea}
td.mark{color:#c0392b;font-weight:700;text-align:center}
.headline li{margin:3px 0}
.failed{border-color:#c0392b}.failed h2{color:#c0392b}
)css";

// What changed for sure, in words: each figure whose interval excludes zero.
std::string SureCard(const json& j) {
    std::string sure;
    for (const json& f : j.at("figures")) {
        const json& d = f.at("difference");
        if (!d.value("excludes_zero", false)) continue;
        const json &a = f.at("a"), &b = f.at("b");
        std::string label = f.value("label", "");
        label.erase(0, label.find_first_not_of(' '));
        const std::string key = f.value("key", "");
        const size_t slash = key.find('/');
        if (slash != std::string::npos) label = key.substr(0, slash) + " " + label;
        for (char& c : label)
            if (c == '_') c = ' ';
        sure += "<li><b>" + EscapeXml(label) + "</b>: median " + Fmt(Num(a, "median")) + " → " +
                Fmt(Num(b, "median")) + "; on the same seed B differs from A by " +
                Fmt(Num(d, "median"), "%+.2f") + " (median; 95 % interval " +
                Fmt(Num(d, "lo"), "%+.2f") + " to " + Fmt(Num(d, "hi"), "%+.2f") + ")</li>";
    }
    return "<section class=\"card headline\"><h2>What B changes, for sure</h2>" +
           (sure.empty() ? std::string("<p>No figure moved by more than the seeds' noise: every "
                                       "interval of a median difference includes zero.</p>")
                         : "<ul>" + sure + "</ul>") +
           "<p class=\"note\">" + EscapeXml(j.value("interval", std::string())) +
           ".</p></section>\n";
}

// The settings in which B differs from A, and each file's own changes from the defaults.
std::string SettingsCards(const json& j, const std::string& fileA, const std::string& fileB) {
    std::string between;
    for (const json& line : j.value("b_differs_from_a", json::array()))
        between += "<li><code>" + EscapeXml(line.get<std::string>()) + "</code></li>";
    std::string s = "<section class=\"card\" id=\"between\"><h2>B differs from A in</h2>" +
                    (between.empty() ? std::string("<p>no setting</p>")
                                     : "<ul class=\"changed\">" + between + "</ul>") +
                    "</section>\n";
    s += "<section class=\"card sides\"><div><h2>A: " + EscapeXml(fileA) + "</h2>" +
         ChangedList(j.at("a")) + "</div><div><h2>B: " + EscapeXml(fileB) + "</h2>" +
         ChangedList(j.at("b")) + "</div></section>\n";
    return s;
}

// The runs that failed, left out of their pairs.
std::string FailedCard(const json& j) {
    if (j.at("failed").empty()) return std::string();
    std::string list;
    for (const json& f : j.at("failed"))
        list += "<li>seed " + std::to_string(f.value("seed", uint64_t{0})) + " under " +
                EscapeXml(f.value("file", "")) + ": " + EscapeXml(f.value("error", "")) + "</li>";
    return "<section class=\"card failed\"><h2>Failed runs (left out of their pairs)</h2><ul>" +
           list + "</ul></section>\n";
}

// Every figure's row: both medians and spreads, the paired differences and their interval.
std::string FiguresCard(const json& j) {
    std::string rows;
    for (const json& f : j.at("figures")) {
        const json& d = f.at("difference");
        const bool mark = d.value("excludes_zero", false);
        const std::string interval =
            Has(d, "lo") ? Fmt(Num(d, "lo"), "%+.2f") + " to " + Fmt(Num(d, "hi"), "%+.2f")
                         : (Num(d, "n") > 0 ? "too few pairs" : "–");
        auto median = [](const json& x) { return Has(x, "median") ? Fmt(Num(x, "median")) : "–"; };
        rows += "<tr data-key=\"" + EscapeXml(f.value("key", "")) + "\"" +
                (mark ? " class=\"sure\"" : "") + "><td>" + EscapeXml(f.value("label", "")) +
                "</td><td>" + median(f.at("a")) + "</td><td>" + median(f.at("b")) + "</td><td>" +
                SpreadChart(f.at("a"), f.at("b")) + "</td><td>" + std::to_string(d.value("n", 0)) +
                "</td><td>" + (Has(d, "median") ? Fmt(Num(d, "median"), "%+.2f") : "–") +
                "</td><td>" + interval + "</td><td>" + DifferenceChart(f) +
                "</td><td class=\"mark\"" +
                (mark ? " title=\"the interval excludes zero\">✱" : ">") + "</td></tr>\n";
    }
    return "<section class=\"card\"><h2>Every figure</h2><p class=\"note\">A and B share one axis "
           "per figure. Right: B − A on each seed (dots), the median difference (bar) and its 95 % "
           "interval (band, red and marked ✱ where it excludes zero). Figures per posse or per gap "
           "are each run's mean; a seed that had none under either file is left out of the "
           "pairs.</p><table id=\"figures\"><thead><tr><th>figure</th><th>A median</th>"
           "<th>B median</th><th>A and B across the seeds</th><th>pairs</th><th>B − A median</th>"
           "<th>95 % interval</th><th>B − A per seed</th><th></th></tr></thead><tbody>\n" +
           rows + "</tbody></table></section>\n</main>\n</body>\n</html>\n";
}

} // namespace

std::string CompareHtml(const std::string& compareJson) {
    const json j = json::parse(compareJson);
    const std::string fileA = j.at("a").value("file", ""), fileB = j.at("b").value("file", "");
    const std::string title = "Harkvane comparison: " + j.value("scenario", std::string());
    std::string s = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    s += "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
         "style-src 'unsafe-inline'\">\n";
    s += "<title>" + EscapeXml(title) + "</title>\n<style>" + Style + "</style>\n</head>\n<body>\n";
    s += "<header><h1>" + EscapeXml(title) + "</h1><p>A: <b>" + EscapeXml(fileA) +
         "</b> &nbsp; B: <b>" + EscapeXml(fileB) + "</b></p><p>the same " +
         std::to_string(j.value("seeds", 0)) + " seeds from " +
         std::to_string(j.value("first_seed", uint64_t{0})) +
         " under both files (same player, "
         "same route, same crimes), " +
         Fmt(Num(j, "game_hours"), "%g") + " game hours each</p></header>\n<main>\n";

    s += SureCard(j);
    s += SettingsCards(j, fileA, fileB);
    s += FailedCard(j);
    s += FiguresCard(j);
    return s;
}
