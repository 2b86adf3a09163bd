// The report pages' charts as SVG, apart from the pages so each page only arranges them.
#include "report/svg_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "report/report.h"

namespace {

constexpr double ChartWidth = 420, ChartHeight = 190;
constexpr double PadLeft = 56, PadRight = 14, PadTop = 14, PadBottom = 30;
const char* const AxisFont = "font-family=\"sans-serif\" font-size=\"11\" fill=\"#555\"";

// A round step (1, 2 or 5 times a power of ten) giving about `count` ticks up to top.
double NiceStep(double top, int count) {
    if (top <= 0) return 1;
    const double raw = top / count;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    const double m = raw / p;
    return (m <= 1 ? 1 : m <= 2 ? 2 : m <= 5 ? 5 : 10) * p;
}

std::string Label(double v, const std::string& unit) {
    char buf[32];
    if (unit == "$")
        std::snprintf(buf, sizeof buf, "$%g", v);
    else
        std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

std::string Open(const std::string& id, double w, double h) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"" + id + "\" class=\"chart\" width=\"" +
           Num1(w) + "\" height=\"" + Num1(h) + "\" viewBox=\"0 0 " + Num1(w) + " " + Num1(h) +
           "\"";
}

// Horizontal grid lines and value labels of the y axis; returns the axis top.
double ValueAxis(std::string& s, double maxValue, const std::string& unit, double plotW,
                 double plotH) {
    // Counts step by whole numbers.
    const double step = unit == "$" ? NiceStep(maxValue, 4) : std::max(1.0, NiceStep(maxValue, 4));
    const double top = std::max(step, std::ceil(maxValue / step) * step);
    for (double v = 0; v <= top + step / 2; v += step) {
        const double y = PadTop + plotH - v / top * plotH;
        s += "<line x1=\"" + Num1(PadLeft) + "\" x2=\"" + Num1(PadLeft + plotW) + "\" y1=\"" +
             Num1(y) + "\" y2=\"" + Num1(y) + "\" stroke=\"#e3e3e3\"/>\n";
        s += "<text x=\"" + Num1(PadLeft - 6) + "\" y=\"" + Num1(y + 4) + "\" " + AxisFont +
             " text-anchor=\"end\">" + Label(v, unit) + "</text>\n";
    }
    return top;
}

} // namespace

std::string TimeChart(const std::string& id, const std::vector<double>& ms,
                      const std::vector<double>& values, double endMs, const std::string& colour,
                      const std::string& unit) {
    const double plotW = ChartWidth - PadLeft - PadRight;
    const double plotH = ChartHeight - PadTop - PadBottom;
    endMs = std::max(endMs, 1.0);
    double maxValue = 0;
    for (double v : values)
        maxValue = std::max(maxValue, v);
    std::string s = Open(id, ChartWidth, ChartHeight) + " data-x0=\"" + Num1(PadLeft) +
                    "\" data-x1=\"" + Num1(PadLeft + plotW) + "\" data-t1=\"" + Num1(endMs) +
                    "\">\n";
    const double top = ValueAxis(s, maxValue, unit, plotW, plotH);
    auto X = [&](double t) { return PadLeft + std::clamp(t / endMs, 0.0, 1.0) * plotW; };
    auto Y = [&](double v) { return PadTop + plotH - v / top * plotH; };
    // Minutes of run time along the bottom.
    const double minutes = endMs / 60000.0;
    const double tick = NiceStep(minutes, 6);
    for (double m = 0; m <= minutes + 1e-9; m += tick) {
        const double x = X(m * 60000.0);
        s += "<line x1=\"" + Num1(x) + "\" x2=\"" + Num1(x) + "\" y1=\"" + Num1(PadTop + plotH) +
             "\" y2=\"" + Num1(PadTop + plotH + 4) + "\" stroke=\"#999\"/>\n";
        s += "<text x=\"" + Num1(x) + "\" y=\"" + Num1(PadTop + plotH + 16) + "\" " + AxisFont +
             " text-anchor=\"middle\">" + Label(m, "") + "</text>\n";
    }
    s += "<text x=\"" + Num1(PadLeft + plotW) + "\" y=\"" + Num1(ChartHeight - 2) + "\" " +
         AxisFont + " text-anchor=\"end\">run minutes</text>\n";
    if (!ms.empty()) {
        std::string line = "M" + Num1(X(ms[0])) + " " + Num1(Y(values[0]));
        for (size_t i = 1; i < ms.size() && i < values.size(); ++i) {
            if (values[i] == values[i - 1]) continue;
            line += " H" + Num1(X(ms[i])) + " V" + Num1(Y(values[i]));
        }
        line += " H" + Num1(X(endMs));
        s += "<path d=\"" + line + " V" + Num1(Y(0)) + " H" + Num1(X(ms[0])) + " Z\" fill=\"" +
             colour + "\" fill-opacity=\"0.12\" stroke=\"none\"/>\n";
        s += "<path d=\"" + line + "\" fill=\"none\" stroke=\"" + colour +
             "\" stroke-width=\"2\"/>\n";
    }
    s += "<line x1=\"" + Num1(PadLeft) + "\" x2=\"" + Num1(PadLeft + plotW) + "\" y1=\"" +
         Num1(PadTop + plotH) + "\" y2=\"" + Num1(PadTop + plotH) + "\" stroke=\"#999\"/>\n";
    s += "<line class=\"cursor\" x1=\"" + Num1(PadLeft) + "\" x2=\"" + Num1(PadLeft) + "\" y1=\"" +
         Num1(PadTop) + "\" y2=\"" + Num1(PadTop + plotH) +
         "\" stroke=\"#222\" stroke-width=\"1\" stroke-dasharray=\"3,2\"/>\n";
    s += "</svg>\n";
    return s;
}

std::string StackedBarChart(const std::string& id, const std::vector<BarStack>& bars,
                            const std::vector<std::string>& seriesNames,
                            const std::vector<std::string>& colours) {
    const double legendH = 20;
    const double plotW = ChartWidth - PadLeft - PadRight;
    const double plotH = ChartHeight - PadTop - PadBottom - legendH;
    double maxValue = 0;
    for (const BarStack& b : bars) {
        double sum = 0;
        for (double v : b.values)
            sum += v;
        maxValue = std::max(maxValue, sum);
    }
    std::string s = Open(id, ChartWidth, ChartHeight) + ">\n";
    const double top = ValueAxis(s, maxValue, "", plotW, plotH);
    const double slot = bars.empty() ? plotW : plotW / static_cast<double>(bars.size());
    const double barW = std::min(48.0, slot * 0.6);
    for (size_t i = 0; i < bars.size(); ++i) {
        const double cx = PadLeft + slot * (static_cast<double>(i) + 0.5);
        double base = 0;
        for (size_t k = 0; k < bars[i].values.size() && k < colours.size(); ++k) {
            const double v = bars[i].values[k];
            if (v <= 0) continue;
            const double y0 = PadTop + plotH - (base + v) / top * plotH;
            const double h = v / top * plotH;
            s += "<rect x=\"" + Num1(cx - barW / 2) + "\" y=\"" + Num1(y0) + "\" width=\"" +
                 Num1(barW) + "\" height=\"" + Num1(h) + "\" fill=\"" + colours[k] + "\"><title>" +
                 EscapeXml(bars[i].label + " " + seriesNames[k]) + ": " + Label(v, "") +
                 "</title></rect>\n";
            base += v;
        }
        if (base > 0)
            s += "<text x=\"" + Num1(cx) + "\" y=\"" +
                 Num1(PadTop + plotH - base / top * plotH - 4) + "\" " + AxisFont +
                 " text-anchor=\"middle\">" + Label(base, "") + "</text>\n";
        s += "<text x=\"" + Num1(cx) + "\" y=\"" + Num1(PadTop + plotH + 16) + "\" " + AxisFont +
             " text-anchor=\"middle\">" + EscapeXml(bars[i].label) + "</text>\n";
    }
    s += "<line x1=\"" + Num1(PadLeft) + "\" x2=\"" + Num1(PadLeft + plotW) + "\" y1=\"" +
         Num1(PadTop + plotH) + "\" y2=\"" + Num1(PadTop + plotH) + "\" stroke=\"#999\"/>\n";
    // Legend along the bottom.
    double x = PadLeft;
    const double ly = ChartHeight - 8;
    for (size_t k = 0; k < seriesNames.size() && k < colours.size(); ++k) {
        s += "<rect x=\"" + Num1(x) + "\" y=\"" + Num1(ly - 9) +
             "\" width=\"10\" height=\"10\" fill=\"" + colours[k] + "\"/>\n";
        s += "<text x=\"" + Num1(x + 14) + "\" y=\"" + Num1(ly) + "\" " + AxisFont + ">" +
             EscapeXml(seriesNames[k]) + "</text>\n";
        x += 24 + 7.0 * static_cast<double>(seriesNames[k].size());
    }
    s += "</svg>\n";
    return s;
}

std::string BoxChart(const std::string& id, const std::vector<BoxRow>& rows,
                     const std::string& colour, const std::string& unit) {
    constexpr double LabelW = 190, RowH = 30, Width = 620;
    const double plotW = Width - LabelW - PadRight - 10;
    const double height = PadTop + RowH * static_cast<double>(rows.size()) + PadBottom;
    double maxValue = 0;
    for (const BoxRow& r : rows)
        if (r.n > 0) maxValue = std::max(maxValue, r.max);
    const double step = NiceStep(maxValue, 5);
    const double top = std::max(step, std::ceil(maxValue / step) * step);
    auto X = [&](double v) { return LabelW + v / top * plotW; };
    std::string s = Open(id, Width, height) + ">\n";
    const double bottom = PadTop + RowH * static_cast<double>(rows.size());
    for (double v = 0; v <= top + step / 2; v += step) {
        s += "<line x1=\"" + Num1(X(v)) + "\" x2=\"" + Num1(X(v)) + "\" y1=\"" + Num1(PadTop) +
             "\" y2=\"" + Num1(bottom) + "\" stroke=\"#e3e3e3\"/>\n";
        s += "<text x=\"" + Num1(X(v)) + "\" y=\"" + Num1(bottom + 16) + "\" " + AxisFont +
             " text-anchor=\"middle\">" + Label(v, unit) + "</text>\n";
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        const BoxRow& r = rows[i];
        const double cy = PadTop + RowH * (static_cast<double>(i) + 0.5);
        s += "<text x=\"" + Num1(LabelW - 10) + "\" y=\"" + Num1(cy + 4) +
             "\" font-family=\"sans-serif\" font-size=\"12\" fill=\"#222\" text-anchor=\"end\">" +
             EscapeXml(r.label) + "</text>\n";
        if (r.n == 0) {
            s += "<text x=\"" + Num1(LabelW + 4) + "\" y=\"" + Num1(cy + 4) + "\" " + AxisFont +
                 ">none</text>\n";
            continue;
        }
        char tip[200];
        std::snprintf(tip, sizeof tip,
                      "%s: min %g, quartiles %g / %g / %g, max %g, mean %g (%d values)",
                      r.label.c_str(), r.min, r.q1, r.median, r.q3, r.max, r.mean, r.n);
        s += "<g class=\"box\"><title>" + EscapeXml(tip) + "</title>";
        s += "<line x1=\"" + Num1(X(r.min)) + "\" x2=\"" + Num1(X(r.max)) + "\" y1=\"" + Num1(cy) +
             "\" y2=\"" + Num1(cy) + "\" stroke=\"#555\"/>";
        for (double v : {r.min, r.max})
            s += "<line x1=\"" + Num1(X(v)) + "\" x2=\"" + Num1(X(v)) + "\" y1=\"" + Num1(cy - 6) +
                 "\" y2=\"" + Num1(cy + 6) + "\" stroke=\"#555\"/>";
        s += "<rect x=\"" + Num1(X(r.q1)) + "\" y=\"" + Num1(cy - 9) + "\" width=\"" +
             Num1(std::max(1.5, X(r.q3) - X(r.q1))) + "\" height=\"18\" fill=\"" + colour +
             "\" fill-opacity=\"0.35\" stroke=\"" + colour + "\"/>";
        s += "<line x1=\"" + Num1(X(r.median)) + "\" x2=\"" + Num1(X(r.median)) + "\" y1=\"" +
             Num1(cy - 9) + "\" y2=\"" + Num1(cy + 9) + "\" stroke=\"#111\" stroke-width=\"2.5\"/>";
        s += "<circle cx=\"" + Num1(X(r.mean)) + "\" cy=\"" + Num1(cy) +
             "\" r=\"3.5\" fill=\"#fff\" stroke=\"#111\" stroke-width=\"1.5\"/></g>\n";
    }
    s += "</svg>\n";
    return s;
}

std::string Histogram(const std::string& id, const std::vector<double>& values, int bins,
                      const std::string& colour, const std::string& caption) {
    const double plotW = ChartWidth - PadLeft - PadRight;
    const double plotH = ChartHeight - PadTop - PadBottom;
    double hi = 0;
    for (double v : values)
        hi = std::max(hi, v);
    const double width = std::max(1.0, NiceStep(hi, bins));
    const int count = std::max(1, static_cast<int>(std::floor(hi / width)) + 1);
    std::vector<int> n(static_cast<size_t>(count), 0);
    for (double v : values)
        ++n[static_cast<size_t>(
            std::clamp(static_cast<int>(std::floor(std::max(0.0, v) / width)), 0, count - 1))];
    const int most = *std::max_element(n.begin(), n.end());
    std::string s = Open(id, ChartWidth, ChartHeight) + ">\n";
    const double top = ValueAxis(s, most, "", plotW, plotH);
    const double slot = plotW / count;
    for (int i = 0; i < count; ++i) {
        const double x = PadLeft + slot * i;
        const double h = n[static_cast<size_t>(i)] / top * plotH;
        char tip[96];
        std::snprintf(tip, sizeof tip, "%g to %g: %d", i * width, (i + 1) * width,
                      n[static_cast<size_t>(i)]);
        s += "<rect x=\"" + Num1(x + 1) + "\" y=\"" + Num1(PadTop + plotH - h) + "\" width=\"" +
             Num1(std::max(1.0, slot - 2)) + "\" height=\"" + Num1(h) + "\" fill=\"" + colour +
             "\"><title>" + tip + "</title></rect>\n";
    }
    const int labelEvery = std::max(1, count / 8);
    for (int i = 0; i <= count; i += labelEvery)
        s += "<text x=\"" + Num1(PadLeft + slot * i) + "\" y=\"" + Num1(PadTop + plotH + 16) +
             "\" " + AxisFont + " text-anchor=\"middle\">" + Label(i * width, "") + "</text>\n";
    s += "<line x1=\"" + Num1(PadLeft) + "\" x2=\"" + Num1(PadLeft + plotW) + "\" y1=\"" +
         Num1(PadTop + plotH) + "\" y2=\"" + Num1(PadTop + plotH) + "\" stroke=\"#999\"/>\n";
    s += "<text x=\"" + Num1(PadLeft + plotW) + "\" y=\"" + Num1(ChartHeight - 2) + "\" " +
         AxisFont + " text-anchor=\"end\">" + EscapeXml(caption) + "</text>\n";
    s += "</svg>\n";
    return s;
}
