#include "run/compare.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include <nlohmann/json.hpp>

#include "os/os.h"
#include "run/paired_interval.h"
#include "run/settings_changes.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr const char* Format = "harkvane-compare 1";
constexpr double Level = 0.95;
constexpr const char* IntervalWords =
    "sign-test interval for the median of the paired differences B - A: with the n differences "
    "sorted, [d(k), d(n+1-k)] for the largest k whose binomial tail P(X <= k-1), X ~ Bin(n, 1/2), "
    "is at most 2.5 %; it covers the median with at least 95 % whatever the differences' "
    "distribution (ties and lumpy counts included); fewer than 6 pairs give none";

// One figure over the seeds: each file's values and the pairs.
struct FigureRow {
    std::string key, label;
    std::vector<uint64_t> seeds;
    std::vector<std::optional<double>> a, b; // per seed; none where the run failed or had none
    Distribution spreadA, spreadB;
    PairedInterval difference;
};

std::vector<FigureRow> Rows(const CompareSet& set) {
    std::set<std::string> tiers, variants;
    TiersAndVariants(set.a, &tiers, &variants);
    TiersAndVariants(set.b, &tiers, &variants);
    std::vector<FigureRow> rows;
    const size_t seeds = std::min(set.a.runs.size(), set.b.runs.size());
    for (size_t i = 0; i < seeds; ++i) {
        const SweepRun &ra = set.a.runs[i], &rb = set.b.runs[i];
        const auto fa = SeedFigures(ra, set.a.gameHours, tiers, variants);
        const auto fb = SeedFigures(rb, set.b.gameHours, tiers, variants);
        if (rows.empty())
            for (const SeedFigure& f : fa)
                rows.push_back({f.key, f.label, {}, {}, {}, {}, {}, {}});
        for (size_t k = 0; k < rows.size(); ++k) {
            rows[k].seeds.push_back(ra.seed);
            rows[k].a.push_back(ra.ok ? fa[k].value : std::nullopt);
            rows[k].b.push_back(rb.ok ? fb[k].value : std::nullopt);
        }
    }
    for (FigureRow& r : rows) {
        std::vector<double> va, vb, diff;
        for (size_t i = 0; i < r.seeds.size(); ++i) {
            if (r.a[i]) va.push_back(*r.a[i]);
            if (r.b[i]) vb.push_back(*r.b[i]);
            if (r.a[i] && r.b[i]) diff.push_back(*r.b[i] - *r.a[i]);
        }
        r.spreadA = Distribute(va);
        r.spreadB = Distribute(vb);
        r.difference = SignTestInterval(diff, Level);
    }
    return rows;
}

json SideJson(const SweepSet& s) {
    json changed = json::array();
    for (const SettingChange& c : s.changed)
        changed.push_back({{"key", c.key}, {"value", c.value}, {"default", c.defaultValue}});
    return {{"file", s.settings}, {"changed", changed}};
}

// The settings in which B differs from A, each as "key: A's value -> B's value" (a value a file
// leaves at the default shows as the default).
std::vector<std::string> SettingsBetween(const SweepSet& a, const SweepSet& b) {
    std::map<std::string, std::pair<std::string, std::string>> values; // key: (A, B)
    std::vector<std::string> order;
    for (const auto& [side, first] : {std::pair{&a, true}, std::pair{&b, false}})
        for (const SettingChange& c : side->changed) {
            if (!values.count(c.key)) {
                order.push_back(c.key);
                values[c.key] = {c.defaultValue, c.defaultValue};
            }
            (first ? values[c.key].first : values[c.key].second) = c.value;
        }
    std::vector<std::string> out;
    for (const std::string& key : order) {
        const auto& [va, vb] = values[key];
        if (va != vb)
            out.push_back(key + ": " + (va.empty() ? "(not set)" : va) + " -> " +
                          (vb.empty() ? "(not set)" : vb));
    }
    return out;
}

std::string Fixed(double v, int decimals, bool sign = false) {
    if (std::fabs(v) < 0.5 * std::pow(10.0, -decimals)) v = 0; // never "-0.00"
    char buf[48];
    std::snprintf(buf, sizeof buf, sign ? "%+.*f" : "%.*f", decimals, v);
    return buf;
}

bool WriteAll(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

} // namespace

std::string CompareJson(const CompareSet& set) {
    const SweepSet& a = set.a;
    json figures = json::array();
    for (const FigureRow& r : Rows(set)) {
        const PairedInterval& d = r.difference;
        json seeds = json::array();
        for (size_t i = 0; i < r.seeds.size(); ++i)
            seeds.push_back({r.seeds[i], RoundedOrNull(r.a[i]), RoundedOrNull(r.b[i])});
        json diff = {{"n", d.n},
                     {"median", d.n ? json(Rounded(d.median)) : json(nullptr)},
                     {"lo", d.bounded ? json(Rounded(d.lo)) : json(nullptr)},
                     {"hi", d.bounded ? json(Rounded(d.hi)) : json(nullptr)},
                     {"coverage", d.bounded ? json(Rounded(d.coverage)) : json(nullptr)},
                     {"excludes_zero", d.ExcludesZero()}};
        figures.push_back({{"key", r.key},
                           {"label", r.label},
                           {"a", DistributionJson(r.spreadA)},
                           {"b", DistributionJson(r.spreadB)},
                           {"difference", diff},
                           {"seeds", seeds}});
    }
    json failed = json::array();
    for (const auto& [side, name] : {std::pair{&set.a, "a"}, std::pair{&set.b, "b"}})
        for (const SweepRun& r : side->runs)
            if (!r.ok) failed.push_back({{"seed", r.seed}, {"file", name}, {"error", r.error}});
    json j = {{"format", Format},
              {"scenario", a.scenario},
              {"first_seed", a.firstSeed},
              {"seeds", a.runs.size()},
              {"seconds", Rounded(a.seconds)},
              {"game_hours", Rounded(a.gameHours)},
              {"b_differs_from_a", SettingsBetween(set.a, set.b)},
              {"a", SideJson(set.a)},
              {"b", SideJson(set.b)},
              {"interval", IntervalWords},
              {"level", Level},
              {"figures", figures},
              {"failed", failed}};
    return j.dump(2) + "\n";
}

std::string CompareText(const CompareSet& set) {
    const SweepSet& a = set.a;
    std::string t;
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "comparison on \"%s\": the same %zu seeds from %llu under two settings files, "
                  "%s game-timer seconds (%s game hours) each\n",
                  a.scenario.c_str(), a.runs.size(), static_cast<unsigned long long>(a.firstSeed),
                  Fixed(a.seconds, 0).c_str(), Fixed(a.gameHours, 1).c_str());
    t += buf;
    const std::vector<std::string> between = SettingsBetween(set.a, set.b);
    t += between.empty() ? "B differs from A in no setting\n" : "B differs from A in:\n";
    for (const std::string& line : between)
        t += "  " + line + "\n";
    for (const auto& [side, name] : {std::pair{&set.a, "A"}, std::pair{&set.b, "B"}})
        t += std::string(name) + " " + SettingsText(*side);
    t += "\nB - A on each seed: the median of the differences and its 95 % sign-test interval; "
         "* where the interval excludes zero\n\n";
    std::snprintf(buf, sizeof buf, "  %-32s %9s %9s %6s %10s   %-22s\n", "", "A median", "B median",
                  "pairs", "B - A", "95 % interval");
    t += buf;
    for (const FigureRow& r : Rows(set)) {
        const PairedInterval& d = r.difference;
        auto median = [](const Distribution& s) { return s.n ? Fixed(s.median, 2) : "-"; };
        char interval[64] = "";
        if (d.bounded)
            std::snprintf(interval, sizeof interval, "[%s, %s]", Fixed(d.lo, 2, true).c_str(),
                          Fixed(d.hi, 2, true).c_str());
        else if (d.n)
            std::snprintf(interval, sizeof interval, "(too few pairs)");
        std::snprintf(buf, sizeof buf, "  %-32s %9s %9s %6d %10s   %-22s%s\n", r.label.c_str(),
                      median(r.spreadA).c_str(), median(r.spreadB).c_str(), d.n,
                      d.n ? Fixed(d.median, 2, true).c_str() : "-", interval,
                      d.ExcludesZero() ? " *" : "");
        t += buf;
    }
    size_t failed = 0;
    for (const SweepSet* side : {&set.a, &set.b})
        for (const SweepRun& r : side->runs)
            failed += r.ok ? 0 : 1;
    if (failed == 0) {
        t += "\nno seed failed\n";
    } else {
        std::snprintf(buf, sizeof buf, "\n%zu run(s) failed and are left out of their pairs:\n",
                      failed);
        t += buf;
        for (const auto& [side, name] : {std::pair{&set.a, "A"}, std::pair{&set.b, "B"}})
            for (const SweepRun& r : side->runs)
                if (!r.ok)
                    t += "  seed " + std::to_string(r.seed) + " under " + name + ": " + r.error +
                         "\n";
    }
    return t;
}

bool RunCompare(const Scenario& a, const Scenario& b, const SweepOptions& options, CompareSet* set,
                std::string* error) {
    for (const auto& [scenario, side, name] :
         {std::tuple{&a, &set->a, "a"}, std::tuple{&b, &set->b, "b"}}) {
        SweepOptions o = options;
        o.workdir = os::Utf8(os::Path(options.workdir) / name);
        // A seed run in a process of its own reads its settings again from the command line:
        // B's seeds are told B's file (the last --ini given is the one read).
        if (scenario == &b && !o.childArguments.empty())
            o.childArguments.insert(o.childArguments.end(), {"--ini", b.iniPath});
        if (!RunSweep(*scenario, o, side, error)) return false;
    }
    for (const auto& [name, text] : {std::pair{"compare.json", CompareJson(*set)},
                                     std::pair{"compare.txt", CompareText(*set)}})
        if (!WriteAll(os::Path(options.workdir) / name, text)) {
            *error = "cannot write " + os::Utf8(os::Path(options.workdir) / name);
            return false;
        }
    return true;
}
