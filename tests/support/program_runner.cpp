#include "tests/support/program_runner.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#ifndef LSD2WAV_PROGRAM
#error "LSD2WAV_PROGRAM must name the built program"
#endif

namespace lsdtest {

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool SetLimit(int resource, long long bytes) {
    struct rlimit limit;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    limit.rlim_max = static_cast<rlim_t>(bytes);
    return setrlimit(resource, &limit) == 0;
}

// Between fork and exec only async-signal-safe calls: the test process may
// have threads of its own.
[[noreturn]] void ExecChild(const char* program, char* const* argv, const char* directory,
                            int stdoutFd, int stderrFd, long long fileSizeLimit,
                            long long memoryLimit, int reportFd) {
    int failedErrno = 0;
    if (chdir(directory) != 0) {
        failedErrno = errno;
    } else {
        int devNull = open("/dev/null", O_RDONLY);
        if (devNull < 0 || dup2(devNull, 0) < 0 || dup2(stdoutFd, 1) < 0 || dup2(stderrFd, 2) < 0) {
            failedErrno = errno;
        }
    }
    if (failedErrno == 0) {
        // The program must meet its signals as a freshly started process
        // would, whatever the test runner ignores or blocks.
        struct sigaction defaults;
        std::memset(&defaults, 0, sizeof defaults);
        defaults.sa_handler = SIG_DFL;
        sigemptyset(&defaults.sa_mask);
        for (int sig = 1; sig < NSIG; ++sig) {
            if (sig != SIGKILL && sig != SIGSTOP) sigaction(sig, &defaults, nullptr);
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        if (fileSizeLimit >= 0 && !SetLimit(RLIMIT_FSIZE, fileSizeLimit)) failedErrno = errno;
        if (memoryLimit >= 0 && !SetLimit(RLIMIT_AS, memoryLimit)) failedErrno = errno;
    }
    if (failedErrno == 0) {
        // No descriptor of the test process may leak into the program: an
        // inherited write end of a FIFO would change what the program sees.
        for (int fd = 3; fd < 1024; ++fd) {
            if (fd != reportFd) fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
        execv(program, argv);
        failedErrno = errno;
    }
    ssize_t ignored = write(reportFd, &failedErrno, sizeof failedErrno);
    (void)ignored;
    _exit(127);
}

void ReadAvailable(int* fd, Bytes* out) {
    char buffer[65536];
    ssize_t n = read(*fd, buffer, sizeof buffer);
    if (n > 0) {
        out->append(buffer, static_cast<size_t>(n));
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        close(*fd);
        *fd = -1;
    }
}

// Reads from the open pipes until both are at their end, `waitMs` passes
// without any of them becoming ready, or `rounds` reads have been made (so
// that a program that never stops printing still meets its timeout).
void DrainPipes(int* outFd, int* errFd, Bytes* out, Bytes* err, int waitMs, int rounds) {
    for (int round = 0; round < rounds && (*outFd >= 0 || *errFd >= 0); ++round) {
        struct pollfd fds[2];
        int n = 0;
        if (*outFd >= 0) fds[n++] = {*outFd, POLLIN, 0};
        if (*errFd >= 0) fds[n++] = {*errFd, POLLIN, 0};
        int ready = poll(fds, static_cast<nfds_t>(n), waitMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return;
        for (int i = 0; i < n; ++i) {
            if (fds[i].revents == 0) continue;
            if (fds[i].fd == *outFd) {
                ReadAvailable(outFd, out);
            } else {
                ReadAvailable(errFd, err);
            }
        }
    }
}

// The high-water mark of the process' resident memory so far, in KiB, or -1
// once it has no memory left to report.
long long PeakMemoryKiB(pid_t pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/status", static_cast<int>(pid));
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    char text[8192];
    ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    if (n <= 0) return -1;
    text[n] = '\0';
    const char* line = std::strstr(text, "\nVmHWM:");
    return line ? std::strtoll(line + 7, nullptr, 10) : -1;
}

void RecordStatus(int status, RunResult* result) {
    if (WIFEXITED(status)) {
        result->exited = true;
        result->exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result->signaled = true;
        result->termSignal = WTERMSIG(status);
    }
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    remove(path);
    return 0;
}

void ListInto(const std::string& root, const std::string& relative, std::vector<std::string>* out) {
    DIR* dir = opendir((root + "/" + relative).c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (struct dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    for (const std::string& name : names) {
        std::string path = relative + name;
        struct stat info;
        if (lstat((root + "/" + path).c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
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
    return LSD2WAV_PROGRAM;
}

RunResult RunProgram(const RunOptions& options) {
    RunResult result;
    // A FIFO that a test feeds may lose its reader when the program dies;
    // that must fail the write, not kill the test.
    signal(SIGPIPE, SIG_IGN);

    std::string program = options.program.empty() ? ProgramPath() : options.program;
    // Made before the fork: the child may not allocate.
    std::vector<char*> argv;
    for (const std::string& part : options.wrapper) argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : options.arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int outPipe[2] = {-1, -1};
    int errPipe[2] = {-1, -1};
    int reportPipe[2] = {-1, -1};
    int stdoutFd = -1;
    if (pipe2(errPipe, O_CLOEXEC) != 0 || pipe2(reportPipe, O_CLOEXEC) != 0) {
        result.startError = std::string("pipe: ") + std::strerror(errno);
        return result;
    }
    if (options.stdoutFile.empty()) {
        if (pipe2(outPipe, O_CLOEXEC) != 0) {
            result.startError = std::string("pipe: ") + std::strerror(errno);
            return result;
        }
        stdoutFd = outPipe[1];
    } else {
        stdoutFd = open(options.stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (stdoutFd < 0) {
            result.startError = options.stdoutFile + ": " + std::strerror(errno);
            return result;
        }
    }

    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        ExecChild(argv[0], argv.data(), options.directory.c_str(), stdoutFd, errPipe[1],
                  options.fileSizeLimit, options.memoryLimit, reportPipe[1]);
    }
    close(stdoutFd);
    close(errPipe[1]);
    close(reportPipe[1]);
    int outFd = outPipe[0];
    int errFd = errPipe[0];
    if (pid < 0) {
        result.startError = std::string("fork: ") + std::strerror(errno);
        if (outFd >= 0) close(outFd);
        close(errFd);
        close(reportPipe[0]);
        return result;
    }

    int childErrno = 0;
    ssize_t reported;
    do {
        reported = read(reportPipe[0], &childErrno, sizeof childErrno);
    } while (reported < 0 && errno == EINTR);
    close(reportPipe[0]);
    if (reported == static_cast<ssize_t>(sizeof childErrno)) {
        result.startError = "cannot start " + program + " in " + options.directory + ": " +
                            std::strerror(childErrno);
        waitpid(pid, nullptr, 0);
        if (outFd >= 0) close(outFd);
        close(errFd);
        return result;
    }
    result.started = true;

    bool hookDone = !options.whileRunning;
    int status = 0;
    while (true) {
        DrainPipes(&outFd, &errFd, &result.output, &result.errors, 5, 64);
        result.peakMemoryKiB = std::max(result.peakMemoryKiB, PeakMemoryKiB(pid));
        pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid) {
            RecordStatus(status, &result);
            break;
        }
        double seconds = SecondsSince(start);
        if (!hookDone) {
            RunProgress progress = {pid, &result.output, seconds};
            hookDone = options.whileRunning(progress);
        }
        if (seconds > options.timeoutSeconds) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            result.timedOut = true;
            break;
        }
        // With no pipe left open DrainPipes returns at once; keep the loop
        // from spinning.
        if (outFd < 0 && errFd < 0) usleep(2000);
    }
    // The program is gone; whatever it wrote is in the pipes already.
    DrainPipes(&outFd, &errFd, &result.output, &result.errors, 1000, 1 << 30);
    if (outFd >= 0) close(outFd);
    if (errFd >= 0) close(errFd);
    if (!options.stdoutFile.empty()) ReadFileBytes(options.stdoutFile, &result.output);
    return result;
}

std::string DescribeEnd(const RunResult& result) {
    if (!result.started) return "not started (" + result.startError + ")";
    if (result.timedOut) return "timed out and killed";
    if (result.exited) return "exit code " + std::to_string(result.exitCode);
    if (result.signaled) {
        return "signal " + std::to_string(result.termSignal) + " (" + strsignal(result.termSignal) +
               ")";
    }
    return "unknown end";
}

::testing::AssertionResult EndedBySignal(const RunResult& result, int signal) {
    if (result.signaled && result.termSignal == signal && !result.timedOut) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "expected the end by signal " << signal << " ("
                                         << strsignal(signal) << "), got " << DescribeEnd(result);
}

ScopedTempDir::ScopedTempDir() {
    char pattern[] = "/tmp/l2w.XXXXXX";
    if (mkdtemp(pattern)) path = pattern;
}

ScopedTempDir::~ScopedTempDir() {
    if (!path.empty()) nftw(path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

bool ReadFileBytes(const std::string& path, Bytes* out) {
    out->clear();
    // O_NONBLOCK: a FIFO in a tree must not make a check hang.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return false;
    }
    char buffer[65536];
    while (true) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        out->append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return true;
}

bool PathExists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

bool MakeDirectory(const std::string& path) { return mkdir(path.c_str(), 0755) == 0; }

bool MakeFifo(const std::string& path) { return mkfifo(path.c_str(), 0644) == 0; }

bool MakeLink(const std::string& target, const std::string& path, bool hard) {
    return (hard ? link(target.c_str(), path.c_str()) : symlink(target.c_str(), path.c_str())) == 0;
}

long long FileSize(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<long long>(info.st_size);
}

std::vector<std::string> ListTree(const std::string& root) {
    std::vector<std::string> out;
    ListInto(root, "", &out);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace lsdtest
