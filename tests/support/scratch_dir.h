// Runs a test inside a fresh empty working directory (the plug-in's state files are relative to
// it) and returns to the previous one afterwards.
#pragma once
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

struct ScratchDir {
    std::filesystem::path previous;
    std::filesystem::path dir;

    ScratchDir() {
        previous = std::filesystem::current_path();
        std::string pattern =
            (std::filesystem::temp_directory_path() / "harkvane-test-XXXXXX").string();
        dir = mkdtemp(pattern.data());
        std::filesystem::current_path(dir);
    }
    ~ScratchDir() {
        std::filesystem::current_path(previous);
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    static std::string Read(const char* name) {
        std::ifstream in(name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void Write(const char* name, const std::string& text) {
        std::ofstream(name, std::ios::binary) << text;
    }
    static bool Exists(const char* name) { return std::filesystem::exists(name); }
};
