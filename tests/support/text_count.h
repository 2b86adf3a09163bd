// Counting in the text outputs (pages, timelines) the tests read.
#pragma once
#include <cstddef>
#include <string>

// How many times `what` stands in `text`, overlapping ones included.
inline int CountOccurrences(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}
