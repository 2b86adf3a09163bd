// What a scenario expects of its run: read strictly with the scenario (a bad expectation stops
// the run before it starts) and checked after the run by --check (run/checks.h).
#pragma once
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "world/world.h"

// A count or number with optional bounds; an exact value has both bounds equal.
struct Bounds {
    std::optional<double> min, max;
    bool Holds(double v) const { return (!min || v >= *min) && (!max || v <= *max); }
    std::string Describe() const;
};

// A summary value: equal to a literal (number, true/false or text) or within bounds.
struct SummaryExpectation {
    std::string where; // JSON path of the expectation, for messages
    std::string pointer;
    nlohmann::json literal;
    bool ranged = false;
    Bounds bounds;
};

// State files by name; no value: the file must not exist.
using ExpectedFiles = std::map<std::string, std::optional<std::string>>;

struct FilesAtExpectation {
    std::string where;
    double at = 0; // seconds into the run
    ExpectedFiles files;
};

// Timeline lines (without their time stamp) equal to a text or matching a regular expression,
// counted inside a time window, optionally after the first line of another expectation.
struct TimelineExpectation {
    std::string where;
    std::string id;
    std::string line; // whole-line text, when not a regular expression
    std::string pattern;
    std::optional<std::regex> regex;
    Bounds count;
    double after = 0, before = std::numeric_limits<double>::infinity();
    std::string follows; // id of the expectation whose first line must come first
};

struct NativeExpectation {
    std::string where;
    std::string name;
    NativeWatch watch; // counted by the world during the run
    Bounds count;
};

struct Expectations {
    bool given = false;
    std::vector<SummaryExpectation> summary;
    ExpectedFiles files; // at the end of the run
    std::vector<FilesAtExpectation> filesAt;
    std::vector<std::string> contains, excludes; // substrings of any timeline line
    std::vector<TimelineExpectation> timeline;
    std::vector<NativeExpectation> natives;
};

// Reads the "expect" member; refuses (jr::Refusal) unknown sections, keys, natives and ids,
// malformed patterns and out-of-range values.
Expectations ReadExpectations(const nlohmann::json& v, const std::string& path);
