// The operating-system layer on Windows.
#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdlib>
#include <thread>

#include "os/os.h"

namespace os {

namespace {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Narrow(const wchar_t* wide, size_t length) {
    if (length == 0) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), out.data(), n, nullptr,
                        nullptr);
    return out;
}

// One argument quoted so that the C runtime's command-line parser gives it back unchanged:
// backslashes count only before a quote, where they are doubled.
void AppendQuoted(std::wstring& line, const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += arg;
        return;
    }
    line += L'"';
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

HANDLE Inheritable(HANDLE h) {
    if (h != INVALID_HANDLE_VALUE)
        SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return h;
}

// Children die with the sweep: a job object that closes with this process ends them.
HANDLE SweepJob() {
    static HANDLE job = [] {
        HANDLE j = CreateJobObjectW(nullptr, nullptr);
        if (j) {
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
            limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
            SetInformationJobObject(j, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        }
        return j;
    }();
    return job;
}

std::vector<HANDLE> Running;

std::string Hex(DWORD code) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(code));
    return buf;
}

std::string ExitDescription(DWORD code) {
    // Exception codes have their top bits set; anything else is an exit status.
    if ((code & 0xF0000000u) != 0xC0000000u) return "exit status " + std::to_string(code);
    const char* name = code == EXCEPTION_ACCESS_VIOLATION      ? " (access violation)"
                       : code == EXCEPTION_STACK_OVERFLOW      ? " (stack overflow)"
                       : code == EXCEPTION_INT_DIVIDE_BY_ZERO  ? " (division by zero)"
                       : code == EXCEPTION_ILLEGAL_INSTRUCTION ? " (illegal instruction)"
                       : code == 0xC0000409u                   ? " (stack buffer overrun)"
                                                               : "";
    return "crashed with exception " + Hex(code) + name;
}

LPTOP_LEVEL_EXCEPTION_FILTER RuntimeFilter = nullptr;

// A crash ends the process at once with its exception code, for a sweep to report. Windows does
// that without an error box in this error mode; Wine would start its debugger first (seconds per
// crash, and its dump on the console) whatever the mode.
LONG WINAPI EndWithExceptionCode(EXCEPTION_POINTERS* e) {
    // The C runtime's filter first: it lets an uncaught C++ exception go on to std::terminate.
    if (RuntimeFilter && RuntimeFilter(e) == EXCEPTION_CONTINUE_EXECUTION)
        return EXCEPTION_CONTINUE_EXECUTION;
    TerminateProcess(GetCurrentProcess(), e->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

std::vector<std::string> StartProgram(int, char**) {
    // No error boxes: a crash ends the process with its exception code, for the sweep to report.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    RuntimeFilter = SetUnhandledExceptionFilter(EndWithExceptionCode);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args;
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i < argc; ++i)
        args.push_back(Narrow(argv[i], wcslen(argv[i])));
    LocalFree(argv);
    return args;
}

bool StderrIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

int ProcessorCount() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? static_cast<int>(info.dwNumberOfProcessors) : 1;
}

std::FILE* OpenFile(const std::string& utf8Path, const char* mode) {
    return _wfopen(Wide(utf8Path).c_str(), Wide(mode).c_str());
}

// Windows has no stream with callbacks: the stream writes into a pipe, and a thread hands what
// comes out of it to the sink until the stream is closed.
namespace {
struct PipeSink {
    StreamSink sink;
    int readEnd = -1;
    std::thread pump;
    int status = 0;
};
std::vector<std::pair<std::FILE*, PipeSink*>> Pumps;
} // namespace

std::FILE* OpenSinkStream(const StreamSink& sink) {
    int ends[2];
    if (_pipe(ends, 1 << 16, _O_BINARY | _O_NOINHERIT) != 0) return nullptr;
    std::FILE* stream = _fdopen(ends[1], "wb");
    if (!stream) {
        _close(ends[0]);
        _close(ends[1]);
        return nullptr;
    }
    auto* p = new PipeSink{sink, ends[0], {}, 0};
    p->pump = std::thread([p] {
        char buf[1 << 16];
        int n;
        while ((n = _read(p->readEnd, buf, sizeof buf)) > 0) {
            if (p->status == 0 && p->sink.write(p->sink.cookie, buf, static_cast<size_t>(n)) != n)
                p->status = EOF;
        }
        _close(p->readEnd);
    });
    Pumps.push_back({stream, p});
    return stream;
}

int CloseStream(std::FILE* stream) {
    int rc = std::fclose(stream);
    for (auto it = Pumps.begin(); it != Pumps.end(); ++it) {
        if (it->first != stream) continue;
        PipeSink* p = it->second;
        Pumps.erase(it);
        p->pump.join();
        if (p->sink.close(p->sink.cookie) != 0 || p->status != 0) rc = EOF;
        delete p;
        break;
    }
    return rc;
}

bool HoldFile(const std::string& text, HeldFile* held) {
    wchar_t folder[MAX_PATH + 1], name[MAX_PATH + 1];
    if (!GetTempPathW(MAX_PATH + 1, folder) || !GetTempFileNameW(folder, L"hkv", 0, name))
        return false;
    held->path = Narrow(name, wcslen(name));
    std::FILE* f = OpenFile(held->path, "wb");
    const bool written =
        f && std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fclose(f) == 0;
    if (!written) {
        DeleteFileW(name);
        held->path.clear();
        return false;
    }
    return true;
}

void ReleaseHeldFile(HeldFile* held) {
    if (!held->path.empty()) DeleteFileW(Wide(held->path).c_str());
    held->path.clear();
}

bool StartChild(int (*)(void*), void*, const std::vector<std::string>& arguments,
                const std::string& stderrPath, Child* child, std::string* error) {
    wchar_t self[32768];
    const DWORD selfLength = GetModuleFileNameW(nullptr, self, 32768);
    std::wstring line;
    AppendQuoted(line, std::wstring(self, selfLength));
    for (const std::string& a : arguments) {
        line += L' ';
        AppendQuoted(line, Wide(a));
    }
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE err = CreateFileW(Wide(stderrPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE null = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, 0, &inherit, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = Inheritable(null);
    si.hStdOutput = null;
    si.hStdError = err != INVALID_HANDLE_VALUE ? err : null;
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessW(self, line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                                        nullptr, nullptr, &si, &pi);
    const DWORD code = GetLastError();
    if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
    if (null != INVALID_HANDLE_VALUE) CloseHandle(null);
    if (!started) {
        *error = "cannot start a process: Windows error " + std::to_string(code);
        return false;
    }
    if (HANDLE job = SweepJob()) AssignProcessToJobObject(job, pi.hProcess);
    ResumeThread(pi.hThread);
    CloseHandle(pi.hThread);
    Running.push_back(pi.hProcess);
    child->id = reinterpret_cast<intptr_t>(pi.hProcess);
    return true;
}

bool WaitForChild(Child* child, ChildEnd* end, std::string* error) {
    if (Running.empty()) {
        *error = "waiting for the seed processes failed: none is running";
        return false;
    }
    // A wait takes at most 64 handles; beyond that the groups are polled in turn.
    for (size_t index = 0;; index = (index + MAXIMUM_WAIT_OBJECTS) % Running.size()) {
        const size_t count = std::min<size_t>(MAXIMUM_WAIT_OBJECTS, Running.size() - index);
        const DWORD timeout = Running.size() <= MAXIMUM_WAIT_OBJECTS ? INFINITE : 20;
        const DWORD r =
            WaitForMultipleObjects(static_cast<DWORD>(count), &Running[index], FALSE, timeout);
        if (r == WAIT_TIMEOUT) continue;
        if (r >= WAIT_OBJECT_0 + count) {
            *error = "waiting for the seed processes failed: Windows error " +
                     std::to_string(GetLastError());
            return false;
        }
        HANDLE h = Running[index + (r - WAIT_OBJECT_0)];
        Running.erase(Running.begin() + static_cast<long>(index + (r - WAIT_OBJECT_0)));
        DWORD code = 1;
        GetExitCodeProcess(h, &code);
        CloseHandle(h);
        child->id = reinterpret_cast<intptr_t>(h);
        end->success = code == 0;
        end->how = ExitDescription(code);
        return true;
    }
}

void CrashNow() {
    RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    std::_Exit(3);
}

bool OpenInBrowser(const std::string& utf8Path) {
    const HINSTANCE r =
        ShellExecuteW(nullptr, L"open", Wide(utf8Path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<intptr_t>(r) > 32;
}

std::string NewMemoryFolder() {
    return "";
}

std::string ProgramFolder() {
    wchar_t self[32768];
    const DWORD n = GetModuleFileNameW(nullptr, self, 32768);
    return Utf8(std::filesystem::path(std::wstring(self, n)).parent_path());
}

bool ConsoleClosesWithProgram() {
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
}

} // namespace os
#endif
