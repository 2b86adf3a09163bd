// The run's map: its frame around the player's path and the posses, and its layers (terrain,
// roads, shelters, posses, the player). Shared by map.svg and the report page's replay.
#include "report/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "hostkit/text_file.h"

std::string Num1(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

std::string PosseColour(int i) {
    static const char* const palette[] = {"#d62728", "#1f77b4", "#9467bd", "#ff7f0e", "#17becf",
                                          "#e377c2", "#8c564b", "#bcbd22", "#2ca02c", "#7f7f7f"};
    return palette[i % 10];
}

std::string EscapeXml(const std::string& s) {
    std::string o;
    for (char c : s) {
        if (c == '&')
            o += "&amp;";
        else if (c == '<')
            o += "&lt;";
        else if (c == '>')
            o += "&gt;";
        else if (c == '\'')
            o += "&#39;";
        else if (c == '"')
            o += "&quot;";
        else
            o += c;
    }
    return o;
}

MapFrame FrameMap(const World& w, const RunRecord& r) {
    // Frame the action: the player's path and every posse point, with a margin.
    double x0 = 1e18, y0 = 1e18, x1 = -1e18, y1 = -1e18;
    auto grow = [&](const Point3& p) {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    };
    for (const Point3& p : r.world.playerPath)
        grow(p);
    for (const PosseLabel& l : r.posses)
        for (const Point3& p : l.spawnPoints)
            grow(p);
    if (x0 > x1) grow(w.opt.playerStart);
    const double margin = 150;
    x0 -= margin;
    y0 -= margin;
    x1 += margin;
    y1 += margin;
    // Keep a sensible aspect and size.
    const double span = std::max(x1 - x0, y1 - y0);
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    MapFrame f;
    f.x0 = cx - span / 2;
    f.x1 = cx + span / 2;
    f.y0 = cy - span / 2;
    f.y1 = cy + span / 2;
    f.scale = f.size / span;
    return f;
}

namespace {

bool InALake(const World& w, double x, double y) {
    for (const WaterBody& b : w.opt.water)
        if (std::hypot(x - b.cx, y - b.cy) < b.radius) return true;
    return false;
}

// Terrain shading and the sea on a grid; lakes are round, drawn as circles over it.
std::string TerrainLayer(const World& w, const MapFrame& v) {
    const double span = v.x1 - v.x0, x0 = v.x0, y0 = v.y0;
    std::string s;
    const int cells = 90;
    const double cell = span / cells;
    double hmin = 1e9, hmax = -1e9;
    std::vector<double> hs(cells * cells);
    for (int i = 0; i < cells; ++i)
        for (int k = 0; k < cells; ++k) {
            const double h = GroundHeight(w, x0 + (k + 0.5) * cell, y0 + (i + 0.5) * cell);
            hs[i * cells + k] = h;
            hmin = std::min(hmin, h);
            hmax = std::max(hmax, h);
        }
    s += "<g shape-rendering=\"crispEdges\">\n";
    for (int i = 0; i < cells; ++i)
        for (int k = 0; k < cells; ++k) {
            const double x = x0 + (k + 0.5) * cell, y = y0 + (i + 0.5) * cell;
            std::string fill;
            if (WaterAt(w, x, y, nullptr) && !InALake(w, x, y)) {
                fill = "#6fa8dc";
            } else {
                const double t = hmax > hmin ? (hs[i * cells + k] - hmin) / (hmax - hmin) : 0.5;
                const int r = static_cast<int>(150 + 80 * t), g = static_cast<int>(175 + 45 * t),
                          b = static_cast<int>(110 + 90 * t);
                char buf[16];
                std::snprintf(buf, sizeof buf, "#%02x%02x%02x", r, g, b);
                fill = buf;
            }
            s += "<rect x=\"" + Num1(v.X(x0 + k * cell)) + "\" y=\"" +
                 Num1(v.Y(y0 + (i + 1) * cell)) + "\" width=\"" + Num1(cell * v.scale + 0.6) +
                 "\" height=\"" + Num1(cell * v.scale + 0.6) + "\" fill=\"" + fill + "\"/>\n";
        }
    s += "</g>\n";
    for (const WaterBody& b : w.opt.water)
        s += "<circle cx=\"" + Num1(v.X(b.cx)) + "\" cy=\"" + Num1(v.Y(b.cy)) + "\" r=\"" +
             Num1(b.radius * v.scale) + "\" fill=\"#6fa8dc\"><title>" + EscapeXml(b.name) +
             "</title></circle>\n";
    return s;
}

// Roads and the areas where nobody may be placed.
std::string RoadLayer(const World& w, const MapFrame& v) {
    std::string s;
    for (const Road& r : w.opt.roads) {
        std::string pts;
        for (const Point2& p : r.points)
            pts += Num1(v.X(p.x)) + "," + Num1(v.Y(p.y)) + " ";
        s += "<polyline points=\"" + pts +
             "\" fill=\"none\" stroke=\"#8b6b3d\" stroke-width=\"3\"/>\n";
    }
    for (const Circle& c : w.opt.noSpawn)
        s += "<circle cx=\"" + Num1(v.X(c.cx)) + "\" cy=\"" + Num1(v.Y(c.cy)) + "\" r=\"" +
             Num1(c.radius * v.scale) +
             "\" fill=\"none\" stroke=\"#555\" stroke-dasharray=\"3,3\"/>\n";
    return s;
}

// Camps and the town.
std::string ShelterLayer(const World& w, const MapFrame& v) {
    std::string s;
    for (const Landmark& l : w.landmarks) {
        const double r = l.radius * v.scale;
        s += "<circle cx=\"" + Num1(v.X(l.x)) + "\" cy=\"" + Num1(v.Y(l.y)) + "\" r=\"" + Num1(r) +
             "\" fill=\"" + (l.town ? "#ffe08a" : "#b6e3a8") + "\" fill-opacity=\"0.6\" stroke=\"" +
             (l.town ? "#a07800" : "#2e7d32") + "\" stroke-width=\"2\"/>\n";
        s += "<text x=\"" + Num1(v.X(l.x)) + "\" y=\"" + Num1(v.Y(l.y) - r - 4) +
             "\" font-family=\"sans-serif\" font-size=\"12\" text-anchor=\"middle\">" +
             EscapeXml(l.name) + "</text>\n";
    }
    return s;
}

// Posses: spawn points and paths.
std::string PosseLayer(const RunRecord& r, const MapFrame& v) {
    std::string s;
    for (size_t i = 0; i < r.posses.size(); ++i) {
        const PosseLabel& l = r.posses[i];
        const std::string col = PosseColour(static_cast<int>(i));
        for (const auto& path : l.paths) {
            if (path.size() < 2) continue;
            std::string pts;
            for (const Point3& p : path)
                pts += Num1(v.X(p.x)) + "," + Num1(v.Y(p.y)) + " ";
            s += "<polyline class=\"path\" data-posse=\"" + std::to_string(i) + "\" points=\"" +
                 pts + "\" fill=\"none\" stroke=\"" + col +
                 "\" stroke-width=\"1.2\" stroke-opacity=\"0.8\"/>\n";
        }
        for (const Point3& p : l.spawnPoints)
            s += "<rect class=\"spawn\" data-posse=\"" + std::to_string(i) + "\" x=\"" +
                 Num1(v.X(p.x) - 3) + "\" y=\"" + Num1(v.Y(p.y) - 3) +
                 "\" width=\"6\" height=\"6\" fill=\"" + col + "\"><title>" + EscapeXml(l.label) +
                 "</title></rect>\n";
    }
    return s;
}

// The player's path and start, and where anyone died.
std::string PlayerLayer(const WorldStory& story, const MapFrame& v) {
    std::string s;
    const std::vector<Point3>& path = story.playerPath;
    if (path.size() > 1) {
        std::string pts;
        for (const Point3& p : path)
            pts += Num1(v.X(p.x)) + "," + Num1(v.Y(p.y)) + " ";
        s += "<polyline points=\"" + pts +
             "\" fill=\"none\" stroke=\"#000\" stroke-width=\"2.5\" stroke-dasharray=\"8,4\"/>\n";
    }
    if (!path.empty()) {
        const Point3& a = path.front();
        s += "<circle cx=\"" + Num1(v.X(a.x)) + "\" cy=\"" + Num1(v.Y(a.y)) +
             "\" r=\"6\" fill=\"#fff\" stroke=\"#000\" stroke-width=\"2.5\"><title>player "
             "start</title></circle>\n";
    }
    // Deaths.
    for (const Point3& d : story.deaths)
        s += "<text x=\"" + Num1(v.X(d.x)) + "\" y=\"" + Num1(v.Y(d.y) + 4) +
             "\" font-family=\"sans-serif\" font-size=\"12\" text-anchor=\"middle\" "
             "fill=\"#000\">x</text>\n";
    return s;
}

} // namespace

std::string MapLayers(const World& w, const RunRecord& r, const MapFrame& v) {
    return TerrainLayer(w, v) + RoadLayer(w, v) + ShelterLayer(w, v) + PosseLayer(r, v) +
           PlayerLayer(r.world, v);
}

std::string MapSvg(const World& w, const RunRecord& r) {
    const MapFrame v = FrameMap(w, r);
    const double size = v.size;
    std::string s;
    s += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num1(size) + "\" height=\"" +
         Num1(size + 56) + "\" viewBox=\"0 0 " + Num1(size) + " " + Num1(size + 56) + "\">\n";
    s += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
    s += MapLayers(w, r, v);
    // Legend.
    std::string legend = "player path (dashed), posse spawn points and paths in colour, x = death";
    s += "<text x=\"8\" y=\"" + Num1(size + 16) +
         "\" font-family=\"sans-serif\" font-size=\"12\">" + EscapeXml(legend) + "</text>\n";
    for (size_t i = 0; i < r.posses.size() && i < 12; ++i)
        s += "<text x=\"" + Num1(8 + (i % 6) * 148) + "\" y=\"" + Num1(size + 30 + (i / 6) * 12) +
             "\" font-family=\"sans-serif\" font-size=\"10\" fill=\"" +
             PosseColour(static_cast<int>(i)) + "\">" + EscapeXml(r.posses[i].label) + "</text>\n";
    s += "</svg>\n";
    return s;
}

bool WriteRunPages(const RunOutcome& run, const RunOptions& options, std::string* unwritten) {
    std::string failed;
    if (!options.mapPath.empty() && !WriteTextFile(options.mapPath, MapSvg(*run.world, run.record)))
        failed = options.mapPath;
    if (!options.reportPath.empty() &&
        !WriteTextFile(options.reportPath, ReportHtml(*run.world, run.stats, run.record,
                                                      run.summaryJson, run.settingsText)) &&
        failed.empty())
        failed = options.reportPath;
    if (unwritten) *unwritten = failed;
    return failed.empty();
}
