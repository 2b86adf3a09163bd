// Runs a test inside a fresh empty working directory (the plug-in's state files are relative to
// it) and returns to the previous one afterwards.
#pragma once
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
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

// Puts something at the path that exists but that no one, root included, can open as a file (a
// local socket), as a file held by another program or closed by its rights would be.
struct UnopenableFile {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    bool made = false;
    explicit UnopenableFile(const char* path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path);
        made = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~UnopenableFile() { close(fd); }
};
