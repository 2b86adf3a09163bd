// The file's layout comes from the profile reader the plug-in reads it with (which copy of a
// section or key a lookup finds), the judgement of its values from the plug-in's own loaders
// through their diagnostics sink; this file only puts the two together with line numbers.
//
// Unknown names: a section is known when a loader asks for it, a key when a loader asks for it
// in its section. The sections read whole hold names of the player's own: in [Weapons] a key
// with an empty value begins a loadout and is never unknown, other keys must name a field; in
// [TierLoadouts.*] each key must name a loadout of [Weapons]. Model and weapon names are not
// judged at all: only the game knows them.
#include "run/ini_lint.h"

#include <algorithm>
#include <climits>
#include <map>
#include <vector>

#include "config/config_diagnostics.h"
#include "config/config_findings.h"
#include "platform/profile_layout.h"
#include "run/runner.h"
#include "scenario/scenario.h"

namespace {

struct Finding {
    int line; // 0: not tied to a line of the file
    std::string text;
};

struct KnownSection {
    std::string name; // as the loader asks for it
    bool readWhole = false;
    std::vector<std::string> keys; // as the loaders ask for them
};

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Names compare without regard to case, as the profile reader matches them.
bool Contains(const std::vector<std::string>& names, const std::string& name) {
    const std::string lowered = Lower(name);
    for (const std::string& candidate : names)
        if (Lower(candidate) == lowered) return true;
    return false;
}

std::string Closest(const std::string& name, const std::vector<std::string>& known) {
    if (known.empty()) return std::string();
    return " (closest known name: " + ClosestName(name, known) + ")";
}

std::string CommentHint(const std::string& name) {
    return !name.empty() && name[0] == '#' ? "; \";\" begins a comment, \"#\" does not" : "";
}

// The file line of the entry-th line a whole-section read lists.
int ListedLine(const ProfileSection& section, int entry) {
    int listed = 0;
    for (const ProfileKey& key : section.keys) {
        if (!ProfileListsKey(key)) continue;
        if (listed++ == entry) return key.line;
    }
    return section.line;
}

void CheckKeys(const ProfileSection& section, const KnownSection& known,
               std::vector<Finding>& findings) {
    for (size_t k = 0; k < section.keys.size(); ++k) {
        const ProfileKey& key = section.keys[k];
        if (!key.name.empty() && key.name[0] == ';') continue;
        const std::string where = "[" + section.name + "] ";
        if (key.name.empty()) {
            findings.push_back({key.line, where + "a line with no key before \"=\" is ignored"});
            continue;
        }
        const int first = ProfileKeyIndex(section, key.name.c_str());
        if (first != static_cast<int>(k)) {
            findings.push_back(
                {key.line, where + key.name + " appears again (first at line " +
                               std::to_string(section.keys[static_cast<size_t>(first)].line) +
                               "); only the first is read, so this one is ignored"});
            continue;
        }
        if (!Contains(known.keys, key.name)) {
            const std::vector<std::string>& names = known.keys;
            findings.push_back({key.line, where + "unknown key " + key.name +
                                              Closest(key.name, names) + CommentHint(key.name)});
            continue;
        }
        if (!key.hasValue)
            findings.push_back(
                {key.line, where + key.name + " has no \"=\" and so no value; it is ignored"});
    }
}

// What the loaders asked for, by lower-case section name.
struct KnownNames {
    std::map<std::string, KnownSection> sections;
    std::vector<std::string> sectionNames;
};

KnownNames Known(const ConfigDiagnostics& diagnostics) {
    KnownNames names;
    std::map<std::string, KnownSection>& known = names.sections;
    std::vector<std::string>& knownSectionNames = names.sectionNames;
    for (const ConfigQuery& q : diagnostics.queries) {
        KnownSection& section = known[Lower(q.section)];
        if (section.name.empty()) {
            section.name = q.section;
            knownSectionNames.push_back(q.section);
        }
        if (q.key.empty())
            section.readWhole = true;
        else if (!Contains(section.keys, q.key))
            section.keys.push_back(q.key);
    }

    return names;
}

// The file's own layout: lines before any section, repeated sections, unknown sections and
// keys.
void CheckLayout(const std::vector<ProfileSection>& layout, const KnownNames& names,
                 std::vector<Finding>& findings) {
    const std::map<std::string, KnownSection>& known = names.sections;
    const std::vector<std::string>& knownSectionNames = names.sectionNames;
    for (size_t s = 0; s < layout.size(); ++s) {
        const ProfileSection& section = layout[s];
        if (section.line == 0) {
            for (const ProfileKey& key : section.keys)
                if (ProfileListsKey(key))
                    findings.push_back(
                        {key.line, "this line comes before any [section]; it is ignored" +
                                       CommentHint(key.name)});
            continue;
        }
        const int first = ProfileSectionIndex(layout, section.name.c_str());
        if (first != static_cast<int>(s)) {
            findings.push_back(
                {section.line, "[" + section.name + "] appears again (first at line " +
                                   std::to_string(layout[static_cast<size_t>(first)].line) +
                                   "); only the first is read, so this copy is ignored"});
            continue;
        }
        auto it = known.find(Lower(section.name));
        if (it == known.end()) {
            findings.push_back({section.line, "unknown section [" + section.name + "]" +
                                                  Closest(section.name, knownSectionNames)});
            continue;
        }
        if (!it->second.readWhole) CheckKeys(section, it->second, findings);
    }
}

// What the loaders made of the values, at the line each came from.
void AddNotes(const std::vector<ProfileSection>& layout, const ConfigDiagnostics& diagnostics,
              std::vector<Finding>& findings) {
    for (const ConfigNote& note : diagnostics.notes) {
        int line = 0;
        bool keyInFile = true;
        const int s = ProfileSectionIndex(layout, note.section.c_str());
        if (s >= 0) {
            const ProfileSection& section = layout[static_cast<size_t>(s)];
            line = section.line;
            if (note.entry >= 0) {
                line = ListedLine(section, note.entry);
            } else if (!note.key.empty()) {
                const int k = ProfileKeyIndex(section, note.key.c_str());
                keyInFile = k >= 0;
                if (keyInFile) line = section.keys[static_cast<size_t>(k)].line;
            }
        }
        findings.push_back(
            {line, ConfigNoteText(note, keyInFile && s >= 0 ? "" : " (not in the file)")});
    }
}

} // namespace

int LintIniFile(const std::string& path, std::string* report) {
    std::vector<ProfileSection> layout;
    if (!ReadProfileLayout(path.c_str(), layout)) {
        *report = "harkvane-sim: cannot read " + path + "\n";
        return 2;
    }
    ConfigDiagnostics diagnostics;
    LoadConfigurationOnly(Scenario(), path, true, &diagnostics);
    // Loading again would find the file unchanged; keep the layout read before the load.

    const KnownNames known = Known(diagnostics);
    std::vector<Finding> findings;
    CheckLayout(layout, known, findings);
    AddNotes(layout, diagnostics, findings);

    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return (a.line ? a.line : INT_MAX) < (b.line ? b.line : INT_MAX);
    });
    report->clear();
    for (const Finding& f : findings) {
        report->append(path);
        if (f.line) report->append(":").append(std::to_string(f.line));
        report->append(": ").append(f.text).append("\n");
    }
    if (findings.empty()) {
        *report = path + ": no problems found\n";
        return 0;
    }
    *report += std::to_string(findings.size()) + (findings.size() == 1 ? " problem" : " problems") +
               " found\n";
    return 1;
}
