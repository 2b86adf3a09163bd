// Small SVG charts for the report pages: a value over the run's time, and stacked bars.
// Each returns one complete <svg> element, deterministic to the byte.
#pragma once
#include <string>
#include <vector>

// A step line of values over run time (ms), with a cursor line the page script can move: the
// svg carries data-x0, data-x1 and data-t1 so that time t sits at x0 + (x1 - x0) * t / t1.
// unit: "$" to label the axis in dollars, else the values are counts.
std::string TimeChart(const std::string& id, const std::vector<double>& ms,
                      const std::vector<double>& values, double endMs, const std::string& colour,
                      const std::string& unit);

// One bar of a stacked bar chart: its label and one value per series.
struct BarStack {
    std::string label;
    std::vector<double> values;
};
std::string StackedBarChart(const std::string& id, const std::vector<BarStack>& bars,
                            const std::vector<std::string>& seriesNames,
                            const std::vector<std::string>& colours);

// One row of a box chart: the spread of one figure across runs.
struct BoxRow {
    std::string label;
    int n = 0; // 0: no values, the row stays empty
    double min = 0, q1 = 0, median = 0, q3 = 0, max = 0, mean = 0;
};
// One box per row on a shared horizontal axis from 0: whiskers from min to max, the box from the
// first to the third quartile, a bar at the median and a dot at the mean.
std::string BoxChart(const std::string& id, const std::vector<BoxRow>& rows,
                     const std::string& colour, const std::string& unit);

// How often values fell in each of `bins` equal ranges; axis caption below.
std::string Histogram(const std::string& id, const std::vector<double>& values, int bins,
                      const std::string& colour, const std::string& caption);
