// The operating-system layer on Linux (and other POSIX systems).
#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#ifdef __linux__
#include <linux/magic.h>
#include <sys/vfs.h>
#endif
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>

#include "os/os.h"

extern char** environ;

namespace os {

std::vector<std::string> StartProgram(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool StderrIsTerminal() {
    return isatty(2) != 0;
}

int ProcessorCount() {
    const long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? static_cast<int>(n) : 1;
}

std::FILE* OpenFile(const std::string& utf8Path, const char* mode) {
    return std::fopen(utf8Path.c_str(), mode);
}

namespace {
ssize_t SinkWrite(void* cookie, const char* data, size_t size) {
    const StreamSink* sink = static_cast<const StreamSink*>(cookie);
    return sink->write(sink->cookie, data, size);
}
int SinkClose(void* cookie) {
    StreamSink* sink = static_cast<StreamSink*>(cookie);
    const int rc = sink->close(sink->cookie);
    delete sink;
    return rc;
}
} // namespace

std::FILE* OpenSinkStream(const StreamSink& sink) {
    auto* copy = new StreamSink(sink);
    cookie_io_functions_t io{};
    io.write = SinkWrite;
    io.close = SinkClose;
    std::FILE* stream = fopencookie(copy, "w", io);
    if (!stream) delete copy;
    return stream;
}

int CloseStream(std::FILE* stream) {
    return std::fclose(stream);
}

bool HoldFile(const std::string& text, HeldFile* held) {
    const int fd = memfd_create("Harkvane.ini", MFD_CLOEXEC);
    if (fd < 0) return false;
    if (write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        close(fd);
        return false;
    }
    held->handle = fd;
    held->path = "/proc/self/fd/" + std::to_string(fd);
    return true;
}

void ReleaseHeldFile(HeldFile* held) {
    if (held->handle >= 0) close(static_cast<int>(held->handle));
    held->handle = -1;
    held->path.clear();
}

bool StartChild(int (*body)(void* context), void* context, const std::vector<std::string>&,
                const std::string& stderrPath, Child* child, std::string* error) {
    std::fflush(nullptr); // nothing buffered may be written twice
    const pid_t pid = fork();
    if (pid < 0) {
        *error = std::string("cannot start a process: ") + std::strerror(errno);
        return false;
    }
    if (pid == 0) {
        const int err = open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err >= 0) dup2(err, 2);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, 1);
        const int status = body(context);
        std::fflush(nullptr);
        _exit(status); // not the parent's exit handlers
    }
    child->id = pid;
    return true;
}

bool WaitForChild(Child* child, ChildEnd* end, std::string* error) {
    int status = 0;
    pid_t pid;
    while ((pid = waitpid(-1, &status, 0)) < 0 && errno == EINTR) {
    }
    if (pid < 0) {
        *error = std::string("waiting for the seed processes failed: ") + std::strerror(errno);
        return false;
    }
    child->id = pid;
    end->success = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        end->how = "killed by signal " + std::to_string(sig) + " (" + strsignal(sig) + ")";
    } else {
        end->how = "exit status " + std::to_string(WEXITSTATUS(status));
    }
    return true;
}

void CrashNow() {
    std::signal(SIGSEGV, SIG_DFL); // under the sanitizers too: the plain death of a fault
    std::raise(SIGSEGV);
    std::_Exit(128 + SIGSEGV);
}

bool OpenInBrowser(const std::string& utf8Path) {
    const char* argv[] = {"xdg-open", utf8Path.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const int rc =
        posix_spawnp(&pid, "xdg-open", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0;
}

#ifdef __linux__
namespace {
// A sweep ended from outside (Ctrl-C) leaves its folder in memory behind: the next one removes
// the folders of sweeps whose process is gone. The folders are named harkvane-PID-XXXXXX.
void RemoveOrphanedMemoryFolders() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("harkvane-", 0) != 0) continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + 9, &end, 10);
        if (pid <= 0 || *end != '-') continue;
        if (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM) continue; // still running
        std::filesystem::remove_all(entry.path(), ec);
    }
}
} // namespace

std::string NewMemoryFolder() {
    struct statfs fs;
    if (statfs("/dev/shm", &fs) != 0 || fs.f_type != TMPFS_MAGIC) return "";
    RemoveOrphanedMemoryFolders();
    std::string name = "/dev/shm/harkvane-" + std::to_string(getpid()) + "-XXXXXX";
    return mkdtemp(name.data()) ? name : "";
}
#else
std::string NewMemoryFolder() {
    return "";
}
#endif

std::string ProgramFolder() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.parent_path().string();
}

bool ConsoleClosesWithProgram() {
    return false;
}

} // namespace os
#endif
