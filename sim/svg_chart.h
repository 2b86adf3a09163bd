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
