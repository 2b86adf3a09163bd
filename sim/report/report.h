// What a run produced, drawn: the SVG map, the run's report page and the sweep page. Reads the
// run's record (run/run_record.h) and the world as the run left it.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "run/runner.h"
#include "world/world.h"

// How world coordinates land on the map picture: a square around the player's path and every
// posse's spawn points, size pixels wide, north up.
struct MapFrame {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0, scale = 1, size = 900;
    double X(double x) const { return (x - x0) * scale; }
    double Y(double y) const { return (y1 - y) * scale; }
};
MapFrame FrameMap(const World& w, const RunRecord& r);
// The map's drawing inside the frame, without the svg element or legend: terrain and water, roads,
// no-spawn areas, camps and the town, each posse's paths and spawn points, the player's path and
// the deaths.
std::string MapLayers(const World& w, const RunRecord& r, const MapFrame& f);
std::string MapSvg(const World& w, const RunRecord& r);
// Map colour of the posse label with this index.
std::string PosseColour(int index);
std::string EscapeXml(const std::string& s);
// A number with one decimal, as the pictures write coordinates.
std::string Num1(double v);

// The self-contained report page of one run: the map with a replay of the player and the living
// hunters, the timeline filterable by kind, charts of the summary and the effective settings.
std::string ReportHtml(const World& w, const RunStats& stats, const RunRecord& record,
                       const std::string& summaryJson, const std::string& settingsText);

// Writes the map (options.mapPath) and the report page (options.reportPath) of a finished run,
// each when its path is given; false when one cannot be written (its name in *unwritten).
bool WriteRunPages(const RunOutcome& run, const RunOptions& options,
                   std::string* unwritten = nullptr);

// The sweep page: the distributions of sweep.json (its text) as charts, every seed's row and the
// failed seeds; self-contained like the run report.
std::string SweepHtml(const std::string& sweepJson);
// The comparison page: for each figure of compare.json (its text) A's and B's spread on one axis,
// every seed's difference and the interval of the median difference, marked where it excludes
// zero; what changed for sure first, in words.
std::string CompareHtml(const std::string& compareJson);
