#include "run/settings_changes.h"

#include <map>
#include <sstream>
#include <utility>

#include "config/config_report.h"
#include "hostkit/text_file.h"
#include "run/runner.h"

namespace {

// The effective configuration as (key, value) pairs in its order. A weapon loadout (a block
// headed "name =" in [Weapons]) is one setting whose value lists its fields.
std::vector<std::pair<std::string, std::string>> Settings(const std::string& rendered) {
    std::vector<std::pair<std::string, std::string>> out;
    std::istringstream in(rendered);
    std::string line, section;
    bool inLoadout = false;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == ';') {
            if (line.empty()) inLoadout = false;
            continue;
        }
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            inLoadout = false;
            continue;
        }
        const size_t eq = line.find(" =");
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const std::string value = eq + 3 <= line.size() ? line.substr(eq + 3) : std::string();
        if (section == "Weapons" && value.empty()) {
            out.push_back({section + "." + key, ""});
            inLoadout = true;
            continue;
        }
        if (inLoadout) {
            std::string& fields = out.back().second;
            fields += (fields.empty() ? "" : ", ") + key + " " + value;
            continue;
        }
        out.push_back({section + "." + key, value});
    }
    return out;
}

} // namespace

std::string SettingsSource(const Scenario& s) {
    if (!s.iniPath.empty()) return s.iniPath;
    if (s.iniGiven) return "the settings written in scenario \"" + s.name + "\"";
    return "none (every key missing: the built-in defaults)";
}

std::vector<SettingChange> SettingsChanged(const Scenario& scenario,
                                           const std::string& scratchFile) {
    LoadConfigurationOnly(scenario, "", false, nullptr);
    const auto defaults = Settings(RenderEffectiveConfig(""));
    WriteTextFile(scratchFile, scenario.ini);
    LoadConfigurationOnly(scenario, scenario.iniGiven ? scratchFile : "", false, nullptr);
    const auto given = Settings(RenderEffectiveConfig(""));
    std::map<std::string, std::string> byKey(defaults.begin(), defaults.end());
    std::map<std::string, bool> seen;
    std::vector<SettingChange> changes;
    for (const auto& [key, value] : given) {
        seen[key] = true;
        auto it = byKey.find(key);
        if (it == byKey.end())
            changes.push_back({key, value, ""});
        else if (it->second != value)
            changes.push_back({key, value, it->second});
    }
    for (const auto& [key, value] : defaults)
        if (!seen.count(key)) changes.push_back({key, "", value});
    return changes;
}
