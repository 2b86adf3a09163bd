#include "config/config_findings.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace {

// A longer name is cut to this many letters before comparing: only its start can be a slip.
constexpr size_t ComparedLetters = 256;

size_t Distance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t k = 0; k <= b.size(); ++k)
        row[k] = k;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t k = 1; k <= b.size(); ++k) {
            const size_t above = row[k];
            const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b[k - 1]));
            row[k] = std::min({row[k] + 1, row[k - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

} // namespace

std::string ClosestName(const std::string& name, const std::vector<std::string>& known) {
    std::string best;
    size_t bestDistance = SIZE_MAX;
    for (const std::string& k : known) {
        const size_t d = Distance(name.substr(0, ComparedLetters), k);
        if (d < bestDistance) {
            bestDistance = d;
            best = k;
        }
    }
    return best;
}

std::string ConfigNoteText(const ConfigNote& note, const char* afterKey) {
    std::string text = "[" + note.section + "] ";
    if (!note.key.empty()) text += note.key + afterKey + ": ";
    text += note.text;
    if (!note.knownNames.empty())
        text += " (closest known name: " + ClosestName(note.unknownName, note.knownNames) + ")";
    return text;
}
