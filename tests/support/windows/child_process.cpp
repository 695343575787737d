// The program started with CreateProcessW and its standard handles
// redirected, as a user's shell or a batch file would start it. Windows has
// no signals and no resource limits of the setrlimit kind, so a run that asks
// for a limit does not start, and no run ever ends by a signal.
#include "tests/support/child_process.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <psapi.h>
#include <windows.h>

#include <algorithm>

namespace lsdtest {

namespace {

std::string Failed(const std::string& what) {
    return what + ": error " + std::to_string(GetLastError());
}

void Close(HANDLE* handle) {
    if (*handle != nullptr && *handle != INVALID_HANDLE_VALUE) CloseHandle(*handle);
    *handle = nullptr;
}

// The command-line form of one argument, as the C runtime splits it again:
// quoted, with the backslashes before a quote doubled.
std::string Quoted(const std::string& argument) {
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, '\\');
    return out + "\"";
}

// With its terminating null, as CreateProcessW may write to the command line.
std::wstring Widened(const std::string& text, UINT codePage) {
    std::wstring wide(text.size() + 1, L'\0');
    int n = MultiByteToWideChar(codePage, 0, text.c_str(), -1, &wide[0],
                                static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return wide;
}

// Takes what the pipe holds now without waiting for more; at the end of the
// pipe (every writer gone and nothing left) it is closed.
void ReadAvailable(HANDLE* pipe, Bytes* out) {
    while (*pipe != nullptr) {
        DWORD available = 0;
        char buffer[65536];
        DWORD got = 0;
        if (!PeekNamedPipe(*pipe, nullptr, 0, nullptr, &available, nullptr) ||
            (available > 0 &&
             !ReadFile(*pipe, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr))) {
            Close(pipe);
            return;
        }
        if (available == 0) return;
        out->append(buffer, got);
    }
}

// After the program has ended: everything up to the end of the pipe.
void ReadToEnd(HANDLE* pipe, Bytes* out) {
    if (*pipe == nullptr) return;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(*pipe, buffer, sizeof buffer, &got, nullptr) && got > 0)
        out->append(buffer, got);
    Close(pipe);
}

}  // namespace

// The program is built beside the test program; its host path (under Wine a
// Unix one) would mean nothing to CreateProcessW.
std::string LocateProgram(const std::string& name) {
    if (name.find_first_of("\\/") != std::string::npos) return name;
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string self(path, length);
    size_t cut = self.find_last_of("\\/");
    return cut == std::string::npos ? name : self.substr(0, cut + 1) + name;
}

bool StartChild(const std::string& program, const RunOptions& options, ChildProcess* child,
                RunResult* result) {
    if (options.fileSizeLimit >= 0 || options.memoryLimit >= 0) {
        result->startError = "resource limits are POSIX only";
        return false;
    }
    SECURITY_ATTRIBUTES inherited = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    bool toFile = !options.stdoutFile.empty();
    if (!CreatePipe(&child->err, &startup.hStdError, &inherited, 0) ||
        (!toFile && !CreatePipe(&child->out, &startup.hStdOutput, &inherited, 0))) {
        result->startError = Failed("CreatePipe");
    } else if (toFile) {
        startup.hStdOutput = CreateFileA(options.stdoutFile.c_str(), GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (startup.hStdOutput == INVALID_HANDLE_VALUE)
            result->startError = Failed(options.stdoutFile);
    }
    if (child->out) SetHandleInformation(child->out, HANDLE_FLAG_INHERIT, 0);
    if (child->err) SetHandleInformation(child->err, HANDLE_FLAG_INHERIT, 0);
    startup.hStdInput = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    &inherited, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);

    std::string commandLine = Quoted(program);
    for (const std::string& argument : options.arguments) commandLine += " " + Quoted(argument);
    // The arguments in the code page CreateProcessA would read them in, or
    // as UTF-8 for a wide command line; only the latter finds the program
    // from the command line.
    UINT codePage = options.wideArguments ? CP_UTF8 : CP_ACP;
    std::wstring wide = Widened(commandLine, codePage);
    std::wstring application = Widened(program, codePage);
    std::wstring where = Widened(options.directory, codePage);
    PROCESS_INFORMATION process;
    // Wine now and then fails a start under load (ERROR_INTERNAL_ERROR) before
    // the program has run at all; a start is tried again, a run never is.
    BOOL started = FALSE;
    for (int attempt = 0; attempt < 3 && !started && result->startError.empty(); ++attempt) {
        if (attempt > 0) Sleep(200);
        started = CreateProcessW(options.wideArguments ? nullptr : application.c_str(), &wide[0],
                                 nullptr, nullptr, TRUE, 0, nullptr, where.c_str(), &startup,
                                 &process);
    }
    if (!started && result->startError.empty())
        result->startError = Failed("cannot start " + program + " in " + options.directory);
    // Only the program may hold the writing ends now, so that the pipes end
    // with it.
    Close(&startup.hStdOutput);
    Close(&startup.hStdError);
    Close(&startup.hStdInput);
    if (!started) {
        FinishChild(child, result);
        return false;
    }
    CloseHandle(process.hThread);
    child->process = process.hProcess;
    child->pid = static_cast<pid_t>(process.dwProcessId);
    return true;
}

void ReadChild(ChildProcess* child, int waitMs, RunResult* result) {
    ReadAvailable(&child->out, &result->output);
    ReadAvailable(&child->err, &result->errors);
    WaitForSingleObject(child->process, static_cast<DWORD>(waitMs));
}

bool ChildEnded(ChildProcess* child, RunResult* result) {
    if (WaitForSingleObject(child->process, 0) != WAIT_OBJECT_0) return false;
    // The system keeps the peak of an ended process for its handle.
    PROCESS_MEMORY_COUNTERS memory;
    if (GetProcessMemoryInfo(child->process, &memory, sizeof memory))
        result->peakMemoryKiB = static_cast<long long>(memory.PeakWorkingSetSize / 1024);
    DWORD code = 0;
    GetExitCodeProcess(child->process, &code);
    result->exited = true;
    result->exitCode = static_cast<int>(code);
    return true;
}

void KillChild(ChildProcess* child) {
    TerminateProcess(child->process, 1);
    WaitForSingleObject(child->process, INFINITE);
}

void FinishChild(ChildProcess* child, RunResult* result) {
    Close(&child->process);
    ReadToEnd(&child->out, &result->output);
    ReadToEnd(&child->err, &result->errors);
}

std::string SignalName(int) { return "Windows has no signals"; }

}  // namespace lsdtest
