// bench_run DIR OUT PROGRAM [ARG...]: runs PROGRAM in DIR with its standard
// output on a pipe, copies what comes through the pipe to OUT ("-" drops
// it), and prints one line: wall microseconds, peak resident KiB, the exit
// code (128 + the signal when a signal ended it) and the child's CPU
// microseconds, user and system together.
//
// The clock runs from just before the fork to the reaping of the child, so
// both programs under comparison pay the same start-up. The peak comes from
// the child's own rusage, which a shell's `time` cannot report apart from
// the tools around it.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

long long NowMicroseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_run DIR OUT PROGRAM [ARG...]\n");
        return 2;
    }
    const char* directory = argv[1];
    const char* outPath = argv[2];
    int out = -1;
    if (std::strcmp(outPath, "-") != 0) {
        out = open(outPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (out < 0) {
            std::fprintf(stderr, "bench_run: cannot create %s: %s\n", outPath,
                         std::strerror(errno));
            return 2;
        }
    }
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        std::perror("bench_run: pipe");
        return 2;
    }

    long long start = NowMicroseconds();
    pid_t child = fork();
    if (child < 0) {
        std::perror("bench_run: fork");
        return 2;
    }
    if (child == 0) {
        if (chdir(directory) != 0 || dup2(pipeEnds[1], STDOUT_FILENO) < 0) _exit(127);
        execv(argv[3], argv + 3);
        _exit(127);
    }
    close(pipeEnds[1]);
    char chunk[65536];
    bool copied = true;
    for (;;) {
        ssize_t n = read(pipeEnds[0], chunk, sizeof chunk);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            copied = false;
            break;
        }
        if (out >= 0 && write(out, chunk, static_cast<size_t>(n)) != n) copied = false;
    }
    int status = 0;
    rusage usage;
    std::memset(&usage, 0, sizeof usage);
    while (wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::perror("bench_run: wait4");
            return 2;
        }
    }
    long long wall = NowMicroseconds() - start;
    if (out >= 0 && close(out) != 0) copied = false;
    if (!copied) {
        std::fprintf(stderr, "bench_run: could not copy the output to %s\n", outPath);
        return 2;
    }
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    long long cpu = (static_cast<long long>(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000000 +
                    usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
    std::printf("%lld %ld %d %lld\n", wall, usage.ru_maxrss, code, cpu);
    return 0;
}
