// Checks a finished run against its scenario's expectations (--check): the summary's values, the
// state files at the end and at given moments, the timeline's lines and the native calls
// counted. Kept apart from reading them (scenario/expectations.cpp): reading needs no run.
#include "run/checks.h"

#include <algorithm>
#include <cmath>

#include "scenario/json_rules.h"

using nlohmann::json;

namespace {

// Summary maps whose keys come and go with the run: a key that never occurred counts 0. The
// maps with a fixed set of keys name them, so that a misspelt key is not read as 0.
struct CountMap {
    const char* pointer;
    std::vector<std::string> keys; // empty: any key
};
const CountMap CountMaps[] = {
    {"/notices", {}},
    {"/despawn_reasons", {}},
    {"/peds_created/by_model", {}},
    {"/peds_created/by_kind", {"human", "dog", "horse"}},
    {"/posses/by_tier", {"T1", "T2", "T3", "T4", "T5"}},
    {"/posses/by_variant", {"Foot", "Dogs", "Horse"}},
    {"/posses/by_tier_variant",
     {"T1 Foot", "T1 Dogs", "T1 Horse", "T2 Foot", "T2 Dogs", "T2 Horse", "T3 Foot", "T3 Dogs",
      "T3 Horse", "T4 Foot", "T4 Dogs", "T4 Horse", "T5 Foot", "T5 Dogs", "T5 Horse"}},
};

std::string Seconds(double s) {
    return jr::Bound(s) + " s";
}

std::string Window(double after, double before) {
    std::string w;
    if (after > 0) w += " from " + Seconds(after);
    if (std::isfinite(before) && before <= MaxRunSeconds) w += " before " + Seconds(before);
    return w;
}

// The summary value a path names; a key missing from a map of counts reads 0.
std::optional<json> SummaryValue(const json& summary, const std::string& pointer,
                                 std::string* why) {
    const json::json_pointer ptr(pointer);
    if (summary.contains(ptr)) return summary.at(ptr);
    const std::string parent = ptr.parent_pointer().to_string();
    for (const CountMap& m : CountMaps) {
        if (parent != m.pointer) continue;
        const std::string key = ptr.back();
        if (m.keys.empty() || std::find(m.keys.begin(), m.keys.end(), key) != m.keys.end())
            return json(0);
        *why = "\"" + key + "\" is not one of its keys; the closest is \"" +
               jr::ClosestKey(key, m.keys) + "\"";
        return std::nullopt;
    }
    *why = "the summary has no such value";
    return std::nullopt;
}

void CheckFiles(const ExpectedFiles& want, const std::map<std::string, std::string>& got,
                const std::string& when, std::vector<std::string>& failures) {
    for (const auto& [name, text] : want) {
        auto it = got.find(name);
        if (!text) {
            if (it != got.end()) failures.push_back("file " + name + " exists" + when);
        } else if (it == got.end()) {
            failures.push_back("file " + name + " is missing" + when);
        } else if (it->second != *text) {
            failures.push_back("file " + name + " holds " + json(it->second).dump() + when +
                               ", expected " + json(*text).dump());
        }
    }
}

// The summary's values against their bounds or literal values.
void CheckSummary(const Expectations& e, const RunOutcome& run,
                  std::vector<std::string>& failures) {
    const json summary = json::parse(run.summaryJson);
    for (const SummaryExpectation& s : e.summary) {
        std::string why;
        const std::optional<json> got = SummaryValue(summary, s.pointer, &why);
        if (!got) {
            failures.push_back(s.where + ": cannot be evaluated: " + why);
        } else if (s.ranged) {
            if (!got->is_number())
                failures.push_back(s.where + ": cannot be evaluated: the value is " + got->dump() +
                                   ", not a number");
            else if (!s.bounds.Holds(got->get<double>()))
                failures.push_back(s.where + ": is " + got->dump() + ", expected " +
                                   s.bounds.Describe());
        } else if (*got != s.literal) {
            failures.push_back(s.where + ": is " + got->dump() + ", expected " + s.literal.dump());
        }
    }
}

// Each timeline expectation: the lines it counts, and where its first one stands (for the
// expectations that must follow another).
void CheckTimeline(const Expectations& e, const RunOutcome& run,
                   std::vector<std::string>& failures) {
    std::vector<long> first(e.timeline.size(), -1);
    for (size_t i = 0; i < e.timeline.size(); ++i) {
        const TimelineExpectation& t = e.timeline[i];
        long n = 0;
        const std::vector<TimelineEntry>& lines = run.record.entries;
        for (size_t k = 0; k < lines.size(); ++k) {
            const double s = lines[k].ms / 1000.0;
            if (s < t.after || s >= t.before) continue;
            const std::string& text = lines[k].text;
            if (t.regex ? std::regex_search(text, *t.regex) : text == t.line) {
                if (n++ == 0) first[i] = static_cast<long>(k);
            }
        }
        if (!t.count.Holds(static_cast<double>(n)))
            failures.push_back(t.where + ": " + std::to_string(n) + " timeline line(s)" +
                               Window(t.after, t.before) + " " +
                               (t.regex ? "match /" + t.pattern + "/" : "read \"" + t.line + "\"") +
                               ", expected " + t.count.Describe());
    }
    for (size_t i = 0; i < e.timeline.size(); ++i) {
        const TimelineExpectation& t = e.timeline[i];
        if (t.follows.empty()) continue;
        size_t k = 0;
        while (e.timeline[k].id != t.follows)
            ++k;
        if (first[i] < 0 || first[k] < 0)
            failures.push_back(t.where + ": cannot be evaluated: " +
                               (first[i] < 0 ? "it" : "\"" + t.follows + "\"") +
                               " matched no line");
        else if (first[i] <= first[k])
            failures.push_back(t.where + ": its first line comes before the first line of \"" +
                               t.follows + "\"");
    }
}

} // namespace

std::vector<std::string> CheckExpectations(const Expectations& e, const RunOutcome& run) {
    std::vector<std::string> failures;
    if (!e.given) return failures;
    CheckSummary(e, run, failures);
    CheckFiles(e.files, run.files, " at the end", failures);
    for (size_t i = 0; i < e.filesAt.size(); ++i) {
        const FilesAtExpectation& f = e.filesAt[i];
        if (i >= run.filesAt.size()) {
            failures.push_back(f.where + ": cannot be evaluated: the run ended before " +
                               Seconds(f.at));
            continue;
        }
        std::vector<std::string> wrong;
        CheckFiles(f.files, run.filesAt[i], " at " + Seconds(f.at), wrong);
        for (const std::string& w : wrong)
            failures.push_back(f.where + ": " + w);
    }
    auto contains = [&](const std::string& text) {
        return std::any_of(run.timeline.begin(), run.timeline.end(),
                           [&](const std::string& l) { return l.find(text) != std::string::npos; });
    };
    for (const std::string& t : e.contains)
        if (!contains(t)) failures.push_back("timeline never shows \"" + t + "\"");
    for (const std::string& t : e.excludes)
        if (contains(t)) failures.push_back("timeline shows \"" + t + "\"");

    CheckTimeline(e, run, failures);
    for (size_t i = 0; i < e.natives.size(); ++i) {
        const NativeExpectation& n = e.natives[i];
        const int64_t calls = i < run.nativeCalls.size() ? run.nativeCalls[i] : 0;
        if (!n.count.Holds(static_cast<double>(calls)))
            failures.push_back(n.where + ": " + n.name + " was called " + std::to_string(calls) +
                               " time(s)" + Window(n.watch.fromMs / 1000.0, n.watch.toMs / 1000.0) +
                               " with the given arguments, expected " + n.count.Describe());
    }
    return failures;
}
