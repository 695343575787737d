// The program started with fork and exec, its stdout and stderr read through
// pipes with poll, its end seen with waitpid and its memory in /proc.
#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace lsdtest {

namespace {

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

// One read from each pipe that is ready within `waitMs`; false when none is
// (or none is left open).
bool ReadReady(ChildProcess* child, int waitMs, RunResult* result) {
    struct pollfd fds[2];
    nfds_t n = 0;
    if (child->out >= 0) fds[n++] = {child->out, POLLIN, 0};
    if (child->err >= 0) fds[n++] = {child->err, POLLIN, 0};
    if (n == 0) return false;
    int ready = poll(fds, n, waitMs);
    if (ready < 0 && errno == EINTR) return true;
    if (ready <= 0) return false;
    for (nfds_t i = 0; i < n; ++i) {
        if (fds[i].revents == 0) continue;
        if (fds[i].fd == child->out) {
            ReadAvailable(&child->out, &result->output);
        } else {
            ReadAvailable(&child->err, &result->errors);
        }
    }
    return true;
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

}  // namespace

std::string LocateProgram(const std::string& name) { return name; }

bool StartChild(const std::string& program, const RunOptions& options, ChildProcess* child,
                RunResult* result) {
    // A FIFO that a test feeds may lose its reader when the program dies;
    // that must fail the write, not kill the test.
    signal(SIGPIPE, SIG_IGN);
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
    if (pipe2(errPipe, O_CLOEXEC) != 0 || pipe2(reportPipe, O_CLOEXEC) != 0 ||
        (options.stdoutFile.empty() && pipe2(outPipe, O_CLOEXEC) != 0)) {
        result->startError = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    int stdoutFd = outPipe[1];
    if (!options.stdoutFile.empty()) {
        stdoutFd = open(options.stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (stdoutFd < 0) {
            result->startError = options.stdoutFile + ": " + std::strerror(errno);
            return false;
        }
    }
    pid_t pid = fork();
    if (pid == 0) {
        ExecChild(argv[0], argv.data(), options.directory.c_str(), stdoutFd, errPipe[1],
                  options.fileSizeLimit, options.memoryLimit, reportPipe[1]);
    }
    int childErrno = errno;
    close(stdoutFd);
    close(errPipe[1]);
    close(reportPipe[1]);
    child->pid = pid;
    child->out = outPipe[0];
    child->err = errPipe[0];
    // The child reports why it did not start; a successful exec closes the
    // report pipe unwritten.
    ssize_t reported = -1;
    while (pid > 0 && (reported = read(reportPipe[0], &childErrno, sizeof childErrno)) < 0 &&
           errno == EINTR) {
    }
    close(reportPipe[0]);
    if (pid > 0 && reported != static_cast<ssize_t>(sizeof childErrno)) return true;
    std::string what = pid < 0 ? "fork" : "cannot start " + program + " in " + options.directory;
    result->startError = what + ": " + std::strerror(childErrno);
    if (pid > 0) waitpid(pid, nullptr, 0);
    FinishChild(child, result);
    return false;
}

void ReadChild(ChildProcess* child, int waitMs, RunResult* result) {
    // With no pipe left open there is nothing to wait on; keep the caller's
    // loop from spinning.
    if (child->out < 0 && child->err < 0) usleep(waitMs * 1000);
    // A bounded number of reads, so that a program that never stops printing
    // still meets its timeout.
    for (int round = 0; round < 64 && ReadReady(child, waitMs, result); ++round) {
    }
}

bool ChildEnded(ChildProcess* child, RunResult* result) {
    // Before the wait: once the program is reaped, /proc has nothing of it.
    result->peakMemoryKiB = std::max(result->peakMemoryKiB, PeakMemoryKiB(child->pid));
    int status = 0;
    if (waitpid(child->pid, &status, WNOHANG) != child->pid) return false;
    if (WIFEXITED(status)) {
        result->exited = true;
        result->exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result->signaled = true;
        result->termSignal = WTERMSIG(status);
    }
    return true;
}

void KillChild(ChildProcess* child) {
    kill(child->pid, SIGKILL);
    waitpid(child->pid, nullptr, 0);
}

void FinishChild(ChildProcess* child, RunResult* result) {
    // The program is gone; whatever it wrote is in the pipes already, unless
    // a wrapper's child still holds them.
    while (ReadReady(child, 1000, result)) {
    }
    if (child->out >= 0) close(child->out);
    if (child->err >= 0) close(child->err);
}

std::string SignalName(int signal) { return strsignal(signal); }

}  // namespace lsdtest
