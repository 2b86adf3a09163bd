// What the simulator needs of the operating system, the same on Linux and Windows: every
// difference between the two lives in os/posix.cpp and os/windows.cpp, nowhere else.
//
// Text is UTF-8 throughout the simulator. On Windows the command line is taken in wide characters
// and converted, and every file is opened through its wide name, so a folder such as
// "C:\Games\Mods für Harkvane" works for every option. Files and the console get LF line ends on
// both systems (streams are binary), so outputs are byte-identical.
#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace os {

// The program's arguments (without the program's name) as UTF-8, and the console made ready:
// standard output and error write bytes as given (LF, UTF-8), and on a Windows console UTF-8
// shows as the letters it encodes.
std::vector<std::string> StartProgram(int argc, char** argv);

bool StderrIsTerminal();
int ProcessorCount();

// A path from UTF-8 text, and back (the same on every system).
inline std::filesystem::path Path(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}
std::FILE* OpenFile(const std::string& utf8Path, const char* mode);

// A stdio stream whose bytes go to write(cookie, ...); CloseStream flushes it, waits until every
// byte has been handed over, then calls close(cookie). Streams opened otherwise close as usual.
struct StreamSink {
    void* cookie = nullptr;
    long (*write)(void* cookie, const char* data, size_t size) = nullptr; // bytes taken, -1 fails
    int (*close)(void* cookie) = nullptr;                                 // 0 or EOF
};
std::FILE* OpenSinkStream(const StreamSink& sink);
int CloseStream(std::FILE* stream);

// A short settings text as a file the plug-in's profile reader can open by name; removed (or
// released) by ReleaseHeldFile. Linux keeps it in memory; Windows in a temporary file.
struct HeldFile {
    std::string path;
    intptr_t handle = -1;
};
bool HoldFile(const std::string& text, HeldFile* held);
void ReleaseHeldFile(HeldFile* held);

// Child processes for seed sweeps. Linux forks and the child runs body(); Windows has no fork,
// so it starts this program again with `arguments` (UTF-8, without the program's name), which
// must bring the child to the same work. Either way the child's standard output is discarded, its
// standard error goes to stderrPath, and its exit status is body's result (or the program's).
struct Child {
    intptr_t id = 0;
};
struct ChildEnd {
    bool success = false; // exited with status 0
    std::string how;      // otherwise: "exit status 1", "killed by signal 6 (Aborted)", ...
};
bool StartChild(int (*body)(void* context), void* context,
                const std::vector<std::string>& arguments, const std::string& stderrPath,
                Child* child, std::string* error);
// Waits for any of the children started and not yet waited for.
bool WaitForChild(Child* child, ChildEnd* end, std::string* error);
// Ends this process as a fault in it would: an access violation on Windows, a segmentation fault
// on Linux (the system's own end, not a sanitizer's report). For the sweep's tests.
[[noreturn]] void CrashNow();

// A new empty folder kept in memory, for files a run writes and rewrites many times; "" where the
// system has none (Windows, or a Linux without a memory file system at /dev/shm). The caller
// removes it.
std::string NewMemoryFolder();

// Opens a page in the user's default browser; false when nothing could be started.
bool OpenInBrowser(const std::string& utf8Path);
// Where the program itself lies (its folder), as UTF-8.
std::string ProgramFolder();
// True when this program has a console window of its own that closes when it ends (started from
// Explorer by a double-click, not from a command prompt).
bool ConsoleClosesWithProgram();

} // namespace os
