// The whole-program runner of tests/support/program_runner.h for the Windows
// build: CreateProcessA with the standard handles redirected, as a user's
// shell or a batch file would start the program. Windows has no signals and
// no resource limits of the setrlimit kind, so a run that asks for a limit
// does not start, and no run ever ends by a signal.
#include "tests/support/program_runner.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <psapi.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>

#include "tests/support/scratch_directory.h"

#ifndef LSD2WAV_PROGRAM
#error "LSD2WAV_PROGRAM must name the built program"
#endif

namespace lsdtest {

namespace {

std::string Failed(const std::string& what) {
    return what + ": error " + std::to_string(GetLastError());
}

// The program is built beside the test program; its host path (under Wine a
// Unix one) would mean nothing to CreateProcessA.
std::string BesideThisProgram(const char* name) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string self(path, length);
    size_t cut = self.find_last_of("\\/");
    return cut == std::string::npos ? name : self.substr(0, cut + 1) + name;
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

// Takes what the pipe holds now without waiting for more; at the end of the
// pipe (every writer gone and nothing left) it is closed and set to none.
void ReadAvailable(HANDLE* pipe, Bytes* out) {
    while (*pipe != nullptr) {
        DWORD available = 0;
        if (!PeekNamedPipe(*pipe, nullptr, 0, nullptr, &available, nullptr)) {
            CloseHandle(*pipe);
            *pipe = nullptr;
            return;
        }
        if (available == 0) return;
        char buffer[65536];
        DWORD got = 0;
        if (!ReadFile(*pipe, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr)) {
            CloseHandle(*pipe);
            *pipe = nullptr;
            return;
        }
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
    CloseHandle(*pipe);
    *pipe = nullptr;
}

void ListInto(const std::string& root, const std::string& relative, std::vector<std::string>* out) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((root + "/" + relative + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    std::vector<std::pair<std::string, bool>> names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(search, &found));
    FindClose(search);
    for (const auto& entry : names) {
        std::string path = relative + entry.first;
        if (entry.second) {
            out->push_back(path + "/");
            ListInto(root, path + "/", out);
        } else {
            out->push_back(path);
        }
    }
}

}  // namespace

std::string ProgramPath() {
    const char* fromEnvironment = std::getenv("LSD2WAV_PROGRAM");
    if (fromEnvironment && *fromEnvironment) return fromEnvironment;
    return BesideThisProgram(LSD2WAV_PROGRAM);
}

RunResult RunProgram(const RunOptions& options) {
    RunResult result;
    if (options.fileSizeLimit >= 0 || options.memoryLimit >= 0) {
        result.startError = "resource limits are POSIX only";
        return result;
    }
    // A bare name is a program built beside the tests, as lsd2wav is.
    std::string program = options.program.empty() ? ProgramPath() : options.program;
    if (program.find_first_of("\\/") == std::string::npos)
        program = BesideThisProgram(program.c_str());
    SECURITY_ATTRIBUTES inherited = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};

    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!CreatePipe(&errRead, &errWrite, &inherited, 0)) {
        result.startError = Failed("CreatePipe");
        return result;
    }
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    if (options.stdoutFile.empty()) {
        if (!CreatePipe(&outRead, &outWrite, &inherited, 0)) {
            result.startError = Failed("CreatePipe");
            CloseHandle(errRead);
            CloseHandle(errWrite);
            return result;
        }
        SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    } else {
        outWrite = CreateFileA(options.stdoutFile.c_str(), GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (outWrite == INVALID_HANDLE_VALUE) {
            result.startError = Failed(options.stdoutFile);
            CloseHandle(errRead);
            CloseHandle(errWrite);
            return result;
        }
    }
    HANDLE input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);

    // The same standard handles for either kind of start.
    STARTUPINFOA startup;
    STARTUPINFOW startupW;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    ZeroMemory(&startupW, sizeof startupW);
    startupW.cb = sizeof startupW;
    startupW.dwFlags = startup.dwFlags;
    startupW.hStdInput = input;
    startupW.hStdOutput = outWrite;
    startupW.hStdError = errWrite;
    std::string commandLine = Quoted(program);
    for (const std::string& argument : options.arguments) commandLine += " " + Quoted(argument);
    PROCESS_INFORMATION process;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    // Wine now and then fails a start under load (ERROR_INTERNAL_ERROR) before
    // the program has run at all; a start is tried again, a run never is.
    BOOL started = FALSE;
    std::wstring wide(commandLine.size() + 1, L'\0');
    if (options.wideArguments) {
        int n = MultiByteToWideChar(CP_UTF8, 0, commandLine.c_str(), -1, &wide[0],
                                    static_cast<int>(wide.size()));
        wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
    }
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        if (attempt > 0) Sleep(200);
        if (options.wideArguments) {
            std::wstring where(options.directory.begin(), options.directory.end());
            started = CreateProcessW(nullptr, &wide[0], nullptr, nullptr, TRUE, 0, nullptr,
                                     where.c_str(), &startupW, &process);
        } else {
            started = CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                                     nullptr, options.directory.c_str(), &startup, &process);
        }
    }
    if (!started)
        result.startError = Failed("cannot start " + program + " in " + options.directory);
    // Only the program may hold the writing ends now, so that the pipes end
    // with it.
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
    if (!started) {
        if (outRead) CloseHandle(outRead);
        CloseHandle(errRead);
        return result;
    }
    CloseHandle(process.hThread);
    result.started = true;

    bool hookDone = !options.whileRunning;
    while (true) {
        // Read while it runs: a full pipe would hold the program up, and a
        // flush of a pipe waits until the reader has taken everything.
        ReadAvailable(&outRead, &result.output);
        ReadAvailable(&errRead, &result.errors);
        if (WaitForSingleObject(process.hProcess, 5) == WAIT_OBJECT_0) {
            // The system keeps the peak of an ended process for its handle.
            PROCESS_MEMORY_COUNTERS memory;
            if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory))
                result.peakMemoryKiB = static_cast<long long>(memory.PeakWorkingSetSize / 1024);
            DWORD code = 0;
            GetExitCodeProcess(process.hProcess, &code);
            result.exited = true;
            result.exitCode = static_cast<int>(code);
            break;
        }
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!hookDone) {
            RunProgress progress = {static_cast<pid_t>(process.dwProcessId), &result.output,
                                    seconds};
            hookDone = options.whileRunning(progress);
        }
        if (seconds > options.timeoutSeconds) {
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, INFINITE);
            result.timedOut = true;
            break;
        }
    }
    CloseHandle(process.hProcess);
    ReadToEnd(&outRead, &result.output);
    ReadToEnd(&errRead, &result.errors);
    if (!options.stdoutFile.empty()) ReadFileBytes(options.stdoutFile, &result.output);
    return result;
}

std::string DescribeEnd(const RunResult& result) {
    if (!result.started) return "not started (" + result.startError + ")";
    if (result.timedOut) return "timed out and killed";
    if (result.exited) return "exit code " + std::to_string(result.exitCode);
    return "unknown end";
}

::testing::AssertionResult EndedBySignal(const RunResult& result, int signal) {
    return ::testing::AssertionFailure()
           << "expected the end by signal " << signal << ", but Windows has no signals; got "
           << DescribeEnd(result);
}

ScopedTempDir::ScopedTempDir() : path(MakeScratchDirectory("l2w.")) {}

ScopedTempDir::~ScopedTempDir() {
    if (!path.empty()) RemoveScratchDirectory(path);
}

bool ReadFileBytes(const std::string& path, Bytes* out) {
    out->clear();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        out->append(buffer, got);
    CloseHandle(file);
    return true;
}

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeDirectory(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool MakeFifo(const std::string&) { return false; }
// The link cases run on Linux only; on Windows the Os table's tests cover the
// refusal of reparse points.
bool MakeLink(const std::string&, const std::string&, bool) { return false; }

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<std::string> ListTree(const std::string& root) {
    std::vector<std::string> out;
    ListInto(root, "", &out);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace lsdtest
