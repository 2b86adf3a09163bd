// A sweep's figures: each seed's record, the spread across seeds, sweep.json and sweep.txt.
// Pure data in, text out, so the files do not depend on how many processes ran.
#include "run/sweep_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include <nlohmann/json.hpp>

using nlohmann::json;

namespace {

constexpr const char* ArmyTier = "HV";
constexpr const char* Format = "harkvane-sweep 1";

bool IsArmy(const SweepPosse& p) {
    return p.tier == ArmyTier;
}

// The figures of one run that the sweep reports, derived from its posse log.
struct RunFigures {
    int posses = 0, army = 0;
    int hunters = 0, dogs = 0, horses = 0;
    std::map<std::string, int> byTier, byVariant;
    std::optional<double> firstPosse, firstArmy;
    std::vector<double> gaps;
};

RunFigures Figures(const SweepRun& r) {
    RunFigures f;
    std::optional<double> previous;
    for (const SweepPosse& p : r.posseLog) {
        if (IsArmy(p)) {
            ++f.army;
            if (!f.firstArmy) f.firstArmy = p.minutes;
            continue;
        }
        ++f.posses;
        ++f.byTier[p.tier];
        ++f.byVariant[p.variant];
        f.hunters += p.hunters;
        f.dogs += p.dogs;
        f.horses += p.horses;
        if (!f.firstPosse) f.firstPosse = p.minutes;
        if (previous) f.gaps.push_back(p.minutes - *previous);
        previous = p.minutes;
    }
    return f;
}

double PerHour(double count, double hours) {
    return hours > 0 ? count / hours : 0;
}

// Every spread the sweep reports, in the order the text shows them.
struct Spread {
    std::string key;   // in sweep.json's "distributions"
    std::string label; // in sweep.txt
    Distribution d;
    double textScale = 1; // sweep.txt shows the figures times this
};

struct Spreads {
    std::vector<Spread> plain;
    std::vector<Spread> byTier, byVariant;
    // Per posse of each tier, over every run: size (hunters and dogs), hunters, dogs, horses.
    std::vector<Spread> sizeByTier, huntersByTier, dogsByTier, horsesByTier;
};

Spreads ComputeSpreads(const SweepSet& set) {
    std::vector<const SweepRun*> ok;
    for (const SweepRun& r : set.runs)
        if (r.ok) ok.push_back(&r);
    std::vector<RunFigures> figs;
    std::set<std::string> tiers, variants;
    for (const SweepRun* r : ok) {
        figs.push_back(Figures(*r));
        for (const auto& kv : figs.back().byTier)
            tiers.insert(kv.first);
        for (const auto& kv : figs.back().byVariant)
            variants.insert(kv.first);
    }
    auto over = [&](auto value) {
        std::vector<double> v;
        for (size_t i = 0; i < ok.size(); ++i)
            v.push_back(value(*ok[i], figs[i]));
        return Distribute(std::move(v));
    };
    std::vector<double> sizes, hunters, dogs, horses, first, gaps, firstArmy;
    std::map<std::string, std::vector<double>> tierSize, tierHunters, tierDogs, tierHorses;
    for (size_t i = 0; i < ok.size(); ++i) {
        for (const SweepPosse& p : ok[i]->posseLog) {
            if (IsArmy(p)) continue;
            sizes.push_back(p.hunters + p.dogs);
            hunters.push_back(p.hunters);
            dogs.push_back(p.dogs);
            horses.push_back(p.horses);
            tierSize[p.tier].push_back(p.hunters + p.dogs);
            tierHunters[p.tier].push_back(p.hunters);
            tierDogs[p.tier].push_back(p.dogs);
            tierHorses[p.tier].push_back(p.horses);
        }
        if (figs[i].firstPosse) first.push_back(*figs[i].firstPosse);
        if (figs[i].firstArmy) firstArmy.push_back(*figs[i].firstArmy);
        gaps.insert(gaps.end(), figs[i].gaps.begin(), figs[i].gaps.end());
    }
    const double hours = set.gameHours;
    Spreads s;
    s.plain = {
        {"posses_per_hour", "posses per game hour",
         over([&](const SweepRun&, const RunFigures& f) { return PerHour(f.posses, hours); })},
        {"posse_size", "posse size (hunters and dogs)", Distribute(sizes)},
        {"hunters_per_posse", "hunters per posse", Distribute(hunters)},
        {"dogs_per_posse", "dogs per posse", Distribute(dogs)},
        {"horses_per_posse", "horses per posse", Distribute(horses)},
        {"minutes_to_first_posse", "game minutes to first posse", Distribute(first)},
        {"minutes_between_posses", "game minutes between posses", Distribute(gaps)},
        {"minutes_to_first_army", "game minutes to first army", Distribute(firstArmy)},
        {"army_started", "army events started",
         over([](const SweepRun&, const RunFigures& f) { return f.army; })},
        {"army_won", "army events won",
         over([](const SweepRun& r, const RunFigures&) { return r.armyWon; })},
        {"player_deaths", "player deaths",
         over([](const SweepRun& r, const RunFigures&) { return r.playerDeaths; })},
        {"peak_tracked_peds", "peak tracked peds",
         over([](const SweepRun& r, const RunFigures&) { return r.peakTrackedPeds; })},
        {"final_bounty_cents", "final bounty ($)",
         over([](const SweepRun& r, const RunFigures&) { return r.finalBountyCents; }), 0.01},
        {"notices_per_hour", "notices per game hour",
         over([&](const SweepRun& r, const RunFigures&) { return PerHour(r.notices, hours); })},
    };
    for (const std::string& t : tiers)
        s.byTier.push_back({t, "  tier " + t, over([&](const SweepRun&, const RunFigures& f) {
                                auto it = f.byTier.find(t);
                                return PerHour(it == f.byTier.end() ? 0 : it->second, hours);
                            })});
    for (const std::string& t : tiers) {
        s.sizeByTier.push_back({t, "  tier " + t, Distribute(tierSize[t])});
        s.huntersByTier.push_back({t, "  tier " + t, Distribute(tierHunters[t])});
        s.dogsByTier.push_back({t, "  tier " + t, Distribute(tierDogs[t])});
        s.horsesByTier.push_back({t, "  tier " + t, Distribute(tierHorses[t])});
    }
    for (const std::string& v : variants)
        s.byVariant.push_back({v, "  variant " + v, over([&](const SweepRun&, const RunFigures& f) {
                                   auto it = f.byVariant.find(v);
                                   return PerHour(it == f.byVariant.end() ? 0 : it->second, hours);
                               })});
    return s;
}

json PosseJson(const SweepPosse& p) {
    return {{"minutes", Rounded(p.minutes)}, {"tier", p.tier}, {"variant", p.variant},
            {"hunters", p.hunters},          {"dogs", p.dogs}, {"horses", p.horses}};
}

std::string Fixed(double v, int decimals) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string Dollars(double cents) {
    return (cents < 0 ? "-$" : "$") + Fixed(std::fabs(cents) / 100.0, 2);
}

} // namespace

double Rounded(double v) {
    return std::round(v * 1000.0) / 1000.0;
}

json RoundedOrNull(const std::optional<double>& v) {
    return v ? json(Rounded(*v)) : json(nullptr);
}

json DistributionJson(const Distribution& d) {
    if (d.n == 0)
        return {{"n", 0},        {"min", nullptr}, {"q1", nullptr},  {"median", nullptr},
                {"q3", nullptr}, {"max", nullptr}, {"mean", nullptr}};
    return {{"n", d.n},
            {"min", Rounded(d.min)},
            {"q1", Rounded(d.q1)},
            {"median", Rounded(d.median)},
            {"q3", Rounded(d.q3)},
            {"max", Rounded(d.max)},
            {"mean", Rounded(d.mean)}};
}

std::string SettingChangeText(const SettingChange& c) {
    if (c.value.empty()) return c.key + " not set (default " + c.defaultValue + ")";
    if (c.defaultValue.empty()) return c.key + " = " + c.value + " (not among the defaults)";
    return c.key + " = " + c.value + " (default " + c.defaultValue + ")";
}

std::string SettingsText(const SweepSet& set) {
    std::string t =
        "settings: " + (set.settings.empty() ? std::string("(not recorded)") : set.settings) + "\n";
    if (set.changed.empty()) return t + "  every setting as the built-in defaults\n";
    for (const SettingChange& c : set.changed)
        t += "  " + SettingChangeText(c) + "\n";
    return t;
}

Distribution Distribute(std::vector<double> values) {
    Distribution d;
    d.n = static_cast<int>(values.size());
    if (values.empty()) return d;
    std::sort(values.begin(), values.end());
    auto quantile = [&](double p) {
        const double pos = (values.size() - 1) * p;
        const size_t lo = static_cast<size_t>(std::floor(pos));
        const size_t hi = std::min(lo + 1, values.size() - 1);
        return values[lo] + (pos - static_cast<double>(lo)) * (values[hi] - values[lo]);
    };
    d.min = values.front();
    d.max = values.back();
    d.q1 = quantile(0.25);
    d.median = quantile(0.5);
    d.q3 = quantile(0.75);
    double sum = 0;
    for (double v : values)
        sum += v;
    d.mean = sum / static_cast<double>(values.size());
    return d;
}

void TiersAndVariants(const SweepSet& set, std::set<std::string>* tiers,
                      std::set<std::string>* variants) {
    for (const SweepRun& r : set.runs) {
        if (!r.ok) continue;
        for (const SweepPosse& p : r.posseLog) {
            if (IsArmy(p)) continue;
            tiers->insert(p.tier);
            variants->insert(p.variant);
        }
    }
}

std::vector<SeedFigure> SeedFigures(const SweepRun& r, double hours,
                                    const std::set<std::string>& tiers,
                                    const std::set<std::string>& variants) {
    const RunFigures f = Figures(r);
    auto mean = [](double sum, int n) { return n ? std::optional<double>(sum / n) : std::nullopt; };
    std::map<std::string, double> sizeByTier;
    for (const SweepPosse& p : r.posseLog)
        if (!IsArmy(p)) sizeByTier[p.tier] += p.hunters + p.dogs;
    double gapSum = 0;
    for (double g : f.gaps)
        gapSum += g;
    std::vector<SeedFigure> out;
    out.push_back({"posses_per_hour", "posses per game hour", PerHour(f.posses, hours)});
    for (const std::string& t : tiers) {
        auto it = f.byTier.find(t);
        out.push_back({"posses_per_hour/" + t, "  tier " + t,
                       PerHour(it == f.byTier.end() ? 0 : it->second, hours)});
    }
    for (const std::string& v : variants) {
        auto it = f.byVariant.find(v);
        out.push_back({"posses_per_hour/" + v, "  variant " + v,
                       PerHour(it == f.byVariant.end() ? 0 : it->second, hours)});
    }
    out.push_back(
        {"posse_size", "posse size (hunters and dogs)", mean(f.hunters + f.dogs, f.posses)});
    for (const std::string& t : tiers) {
        auto it = f.byTier.find(t);
        out.push_back({"posse_size/" + t, "  tier " + t,
                       mean(sizeByTier[t], it == f.byTier.end() ? 0 : it->second)});
    }
    out.push_back({"hunters_per_posse", "hunters per posse", mean(f.hunters, f.posses)});
    out.push_back({"dogs_per_posse", "dogs per posse", mean(f.dogs, f.posses)});
    out.push_back({"horses_per_posse", "horses per posse", mean(f.horses, f.posses)});
    out.push_back({"minutes_to_first_posse", "game minutes to first posse", f.firstPosse});
    out.push_back({"minutes_between_posses", "game minutes between posses",
                   mean(gapSum, static_cast<int>(f.gaps.size()))});
    out.push_back({"minutes_to_first_army", "game minutes to first army", f.firstArmy});
    out.push_back({"army_started", "army events started", f.army});
    out.push_back({"army_won", "army events won", r.armyWon});
    out.push_back({"player_deaths", "player deaths", r.playerDeaths});
    out.push_back({"peak_tracked_peds", "peak tracked peds", r.peakTrackedPeds});
    out.push_back({"final_bounty", "final bounty ($)", r.finalBountyCents / 100.0});
    out.push_back({"notices_per_hour", "notices per game hour", PerHour(r.notices, hours)});
    return out;
}

std::string SweepRunJson(const SweepRun& r) {
    json log = json::array();
    for (const SweepPosse& p : r.posseLog)
        log.push_back(PosseJson(p));
    json j = {{"seed", r.seed},
              {"ok", r.ok},
              {"error", r.error},
              {"posse_log", log},
              {"army_won", r.armyWon},
              {"player_deaths", r.playerDeaths},
              {"peak_tracked_peds", r.peakTrackedPeds},
              {"final_bounty_cents", r.finalBountyCents},
              {"notices", r.notices}};
    return j.dump() + "\n";
}

bool ParseSweepRun(const std::string& text, SweepRun* out, std::string* error) {
    try {
        const json j = json::parse(text);
        SweepRun r;
        r.seed = j.at("seed").get<uint64_t>();
        r.ok = j.at("ok").get<bool>();
        r.error = j.at("error").get<std::string>();
        for (const json& p : j.at("posse_log")) {
            SweepPosse s;
            s.minutes = p.at("minutes").get<double>();
            s.tier = p.at("tier").get<std::string>();
            s.variant = p.at("variant").get<std::string>();
            s.hunters = p.at("hunters").get<int>();
            s.dogs = p.at("dogs").get<int>();
            s.horses = p.at("horses").get<int>();
            r.posseLog.push_back(s);
        }
        r.armyWon = j.at("army_won").get<int>();
        r.playerDeaths = j.at("player_deaths").get<int>();
        r.peakTrackedPeds = j.at("peak_tracked_peds").get<int>();
        r.finalBountyCents = j.at("final_bounty_cents").get<int32_t>();
        r.notices = j.at("notices").get<int>();
        *out = r;
        return true;
    } catch (const json::exception& e) {
        *error = std::string("unreadable run record: ") + e.what();
        return false;
    }
}

std::string SweepJson(const SweepSet& set) {
    json runs = json::array(), failed = json::array();
    for (const SweepRun& r : set.runs) {
        if (!r.ok) {
            runs.push_back({{"seed", r.seed}, {"ok", false}, {"error", r.error}});
            failed.push_back({{"seed", r.seed}, {"error", r.error}});
            continue;
        }
        const RunFigures f = Figures(r);
        json log = json::array();
        for (const SweepPosse& p : r.posseLog)
            log.push_back(PosseJson(p));
        runs.push_back({{"seed", r.seed},
                        {"ok", true},
                        {"posses", f.posses},
                        {"posses_per_hour", Rounded(PerHour(f.posses, set.gameHours))},
                        {"by_tier", f.byTier},
                        {"by_variant", f.byVariant},
                        {"hunters", f.hunters},
                        {"dogs", f.dogs},
                        {"horses", f.horses},
                        {"first_posse_minutes", RoundedOrNull(f.firstPosse)},
                        {"army_started", f.army},
                        {"army_won", r.armyWon},
                        {"first_army_minutes", RoundedOrNull(f.firstArmy)},
                        {"player_deaths", r.playerDeaths},
                        {"peak_tracked_peds", r.peakTrackedPeds},
                        {"final_bounty_cents", r.finalBountyCents},
                        {"notices", r.notices},
                        {"notices_per_hour", Rounded(PerHour(r.notices, set.gameHours))},
                        {"posse_log", log}});
    }
    const Spreads s = ComputeSpreads(set);
    json dist = json::object();
    for (const Spread& sp : s.plain)
        dist[sp.key] = DistributionJson(sp.d);
    json byTier = json::object(), byVariant = json::object();
    for (const Spread& sp : s.byTier)
        byTier[sp.key] = DistributionJson(sp.d);
    for (const Spread& sp : s.byVariant)
        byVariant[sp.key] = DistributionJson(sp.d);
    dist["posses_per_hour_by_tier"] = byTier;
    dist["posses_per_hour_by_variant"] = byVariant;
    for (const auto& [key, spreads] : {std::pair{"posse_size_by_tier", &s.sizeByTier},
                                       std::pair{"hunters_per_posse_by_tier", &s.huntersByTier},
                                       std::pair{"dogs_per_posse_by_tier", &s.dogsByTier},
                                       std::pair{"horses_per_posse_by_tier", &s.horsesByTier}}) {
        json group = json::object();
        for (const Spread& sp : *spreads)
            group[sp.key] = DistributionJson(sp.d);
        dist[key] = group;
    }
    json changed = json::array();
    for (const SettingChange& c : set.changed)
        changed.push_back({{"key", c.key}, {"value", c.value}, {"default", c.defaultValue}});
    json j = {{"format", Format},
              {"scenario", set.scenario},
              {"settings", {{"file", set.settings}, {"changed", changed}}},
              {"first_seed", set.firstSeed},
              {"seeds", set.runs.size()},
              {"seconds", Rounded(set.seconds)},
              {"game_hours", Rounded(set.gameHours)},
              {"runs", runs},
              {"failed", failed},
              {"distributions", dist}};
    return j.dump(2) + "\n";
}

namespace {

// One row per seed, with a column for every tier and variant that occurred anywhere.
std::string SeedRows(const SweepSet& set) {
    std::string t;
    char buf[512];
    std::vector<RunFigures> figs;
    std::set<std::string> tiers, variants;
    for (const SweepRun& r : set.runs) {
        figs.push_back(Figures(r));
        if (!r.ok) continue;
        for (const auto& kv : figs.back().byTier)
            tiers.insert(kv.first);
        for (const auto& kv : figs.back().byVariant)
            variants.insert(kv.first);
    }
    std::string head = "  seed        posses  /hour ";
    for (const std::string& tier : tiers) {
        std::snprintf(buf, sizeof buf, " %3.3s", tier.c_str());
        head += buf;
    }
    for (const std::string& v : variants) {
        std::snprintf(buf, sizeof buf, " %5.5s", v.c_str());
        head += buf;
    }
    head += "  hunters dogs horses  first-min  army won  deaths  peak    bounty  notices\n";
    t += head;
    for (size_t i = 0; i < set.runs.size(); ++i) {
        const SweepRun& r = set.runs[i];
        const RunFigures& f = figs[i];
        std::snprintf(buf, sizeof buf, "  %-10llu ", static_cast<unsigned long long>(r.seed));
        std::string row = buf;
        if (!r.ok) {
            t += row + "FAILED: " + r.error + "\n";
            continue;
        }
        std::snprintf(buf, sizeof buf, "%7d %6s ", f.posses,
                      Fixed(PerHour(f.posses, set.gameHours), 2).c_str());
        row += buf;
        for (const std::string& tier : tiers) {
            auto it = f.byTier.find(tier);
            std::snprintf(buf, sizeof buf, " %3d", it == f.byTier.end() ? 0 : it->second);
            row += buf;
        }
        for (const std::string& v : variants) {
            auto it = f.byVariant.find(v);
            std::snprintf(buf, sizeof buf, " %5d", it == f.byVariant.end() ? 0 : it->second);
            row += buf;
        }
        std::snprintf(
            buf, sizeof buf, "  %7d %4d %6d  %9s  %4d %3d  %6d  %4d %9s  %7d\n", f.hunters, f.dogs,
            f.horses, f.firstPosse ? Fixed(*f.firstPosse, 1).c_str() : "-", f.army, r.armyWon,
            r.playerDeaths, r.peakTrackedPeds, Dollars(r.finalBountyCents).c_str(), r.notices);
        t += row + buf;
    }
    return t;
}

// The spread of each figure across the seeds that ran to the end.
std::string SpreadLines(const SweepSet& set) {
    std::string t;
    char buf[512];
    const Spreads s = ComputeSpreads(set);
    int okRuns = 0;
    for (const SweepRun& r : set.runs)
        okRuns += r.ok ? 1 : 0;
    std::snprintf(buf, sizeof buf,
                  "\nacross %d seeds                       n       min        q1    median        "
                  "q3       max      mean\n",
                  okRuns);
    t += buf;
    auto line = [&](const Spread& sp) {
        if (sp.d.n == 0) {
            std::snprintf(buf, sizeof buf, "  %-32s %5d  (none)\n", sp.label.c_str(), 0);
        } else {
            const double k = sp.textScale;
            std::snprintf(buf, sizeof buf, "  %-32s %5d %9s %9s %9s %9s %9s %9s\n",
                          sp.label.c_str(), sp.d.n, Fixed(sp.d.min * k, 2).c_str(),
                          Fixed(sp.d.q1 * k, 2).c_str(), Fixed(sp.d.median * k, 2).c_str(),
                          Fixed(sp.d.q3 * k, 2).c_str(), Fixed(sp.d.max * k, 2).c_str(),
                          Fixed(sp.d.mean * k, 2).c_str());
        }
        t += buf;
    };
    line(s.plain.front());
    for (const Spread& sp : s.byTier)
        line(sp);
    for (const Spread& sp : s.byVariant)
        line(sp);
    // Posse size, then hunters, dogs and horses, each overall and by tier.
    const std::map<std::string, const std::vector<Spread>*> byTierOf = {
        {"posse_size", &s.sizeByTier},
        {"hunters_per_posse", &s.huntersByTier},
        {"dogs_per_posse", &s.dogsByTier},
        {"horses_per_posse", &s.horsesByTier}};
    for (size_t i = 1; i < s.plain.size(); ++i) {
        line(s.plain[i]);
        auto it = byTierOf.find(s.plain[i].key);
        if (it != byTierOf.end())
            for (const Spread& sp : *it->second)
                line(sp);
    }
    return t;
}

// The seeds that failed, with their errors.
std::string FailedLines(const SweepSet& set) {
    std::string t;
    char buf[512];
    std::vector<const SweepRun*> failed;
    for (const SweepRun& r : set.runs)
        if (!r.ok) failed.push_back(&r);
    if (failed.empty()) {
        t += "\nno seed failed\n";
    } else {
        std::snprintf(buf, sizeof buf, "\n%zu seed(s) failed:\n", failed.size());
        t += buf;
        for (const SweepRun* r : failed)
            t += "  seed " + std::to_string(r->seed) + ": " + r->error + "\n";
    }
    return t;
}

} // namespace

std::string SweepText(const SweepSet& set) {
    std::string t;
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "sweep of \"%s\": %zu seeds from %llu, %s game-timer seconds (%s game hours) "
                  "each\n",
                  set.scenario.c_str(), set.runs.size(),
                  static_cast<unsigned long long>(set.firstSeed), Fixed(set.seconds, 0).c_str(),
                  Fixed(set.gameHours, 1).c_str());
    t += buf;
    t += SettingsText(set) + "\n";
    t += SeedRows(set);
    t += SpreadLines(set);
    t += FailedLines(set);
    return t;
}
