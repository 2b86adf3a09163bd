// Whole files read and written as text, for the hosts' scenarios, settings and state files.
#include "hostkit/text_file.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {
// Names are UTF-8 on every platform (on Windows a narrow name would be read in the ANSI code
// page instead).
std::filesystem::path Utf8Path(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}
} // namespace

bool ReadTextFile(const std::string& path, std::string* out) {
    std::ifstream in(Utf8Path(path), std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    *out = s.str();
    return true;
}

bool WriteTextFile(const std::string& path, const std::string& text) {
    std::ofstream out(Utf8Path(path), std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}
