// Standard output and console events. Each event test runs in a child process
// of its own (re-executed, so that no handler or blocked signal of this one is
// carried over) that signals itself.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/fd_handle.h"

// The stand-ins themselves, not the table that the runtime calls through.
using namespace PosixOs;

namespace {

class Console : public ::testing::Test {
protected:
    void SetUp() override {
        style = GTEST_FLAG_GET(death_test_style);
        GTEST_FLAG_SET(death_test_style, "threadsafe");
    }
    void TearDown() override { GTEST_FLAG_SET(death_test_style, style); }

    std::string style;
};

pthread_t mainThread;
char order[8];
std::atomic<int> called{0};
DWORD events[8];

BOOL First(DWORD event) {
    order[called++] = '1';
    fprintf(stderr, "order %s, event %u on the %s thread\n", order, event,
            pthread_equal(pthread_self(), mainThread) ? "main" : "other");
    return FALSE;
}

BOOL Second(DWORD) {
    order[called++] = '2';
    return FALSE;
}

BOOL Third(DWORD) {
    order[called++] = '3';
    return FALSE;
}

BOOL Answer(DWORD event) {
    events[called] = event;
    ++called;
    return TRUE;
}

// As a program started from a terminal finds them.
void DefaultSignals() {
    signal(SIGHUP, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    mainThread = pthread_self();
}

void Register(const std::vector<std::pair<PHANDLER_ROUTINE, BOOL>>& steps) {
    for (const auto& step : steps)
        if (SetConsoleCtrlHandler(step.first, step.second) != TRUE) exit(98);
}

// Only the signal may end the child; an exit code means it did not.
[[noreturn]] void SignalSelfAndWait(int sig) {
    kill(getpid(), sig);
    for (int i = 0; i < 500; ++i) usleep(10000);
    exit(99);
}

void AwaitCalls(int n) {
    for (int i = 0; i < 500 && called < n; ++i) usleep(10000);
    if (called != n) exit(97);
}

TEST_F(Console, AnEventNobodyAnswersEndsTheProcessByItsSignal) {
    struct Case {
        int sig;
        const char* seen;
    } cases[] = {
        {SIGHUP, "order 1, event 2 on the other thread"},
        {SIGINT, "order 1, event 0 on the other thread"},
    };
    for (const Case& c : cases) {
        EXPECT_EXIT(
            {
                DefaultSignals();
                Register({{First, TRUE}});
                SignalSelfAndWait(c.sig);
            },
            ::testing::KilledBySignal(c.sig), c.seen);
    }
}

TEST_F(Console, HandlersRunNewestFirstAndCanBeRemoved) {
    struct Case {
        std::vector<std::pair<PHANDLER_ROUTINE, BOOL>> steps;
        const char* seen;
    } cases[] = {
        {{{First, TRUE}, {Second, TRUE}, {Third, TRUE}}, "order 321,"},
        {{{First, TRUE}, {Second, TRUE}, {Third, TRUE}, {Second, FALSE}}, "order 31,"},
        {{{First, TRUE}, {Second, TRUE}, {Second, TRUE}, {Second, FALSE}}, "order 21,"},
    };
    for (const Case& c : cases) {
        EXPECT_EXIT(
            {
                DefaultSignals();
                Register(c.steps);
                SignalSelfAndWait(SIGINT);
            },
            ::testing::KilledBySignal(SIGINT), c.seen);
    }
    EXPECT_EQ(SetConsoleCtrlHandler(Third, FALSE), FALSE);
    EXPECT_EQ(SetConsoleCtrlHandler(nullptr, TRUE), FALSE);
}

TEST_F(Console, AnAnsweredEventLeavesTheProcessRunning) {
    EXPECT_EXIT(
        {
            DefaultSignals();
            Register({{Answer, TRUE}});
            kill(getpid(), SIGINT);
            AwaitCalls(1);
            kill(getpid(), SIGHUP);
            AwaitCalls(2);
            usleep(100000);
            exit(events[0] == CTRL_C_EVENT && events[1] == CTRL_CLOSE_EVENT ? 7 : 8);
        },
        ::testing::ExitedWithCode(7), "");
}

// nohup and background jobs start a program with the signal ignored.
TEST_F(Console, ASignalIgnoredFromTheStartStaysIgnored) {
    EXPECT_EXIT(
        {
            DefaultSignals();
            signal(SIGHUP, SIG_IGN);
            Register({{First, TRUE}});
            kill(getpid(), SIGHUP);
            usleep(200000);
            SignalSelfAndWait(SIGINT);
        },
        ::testing::KilledBySignal(SIGINT), "order 1, event 0");
}

TEST(StandardOutput, WriteConsoleWritesOnlyToATerminal) {
    int link[2];
    ASSERT_EQ(pipe(link), 0);
    char path[] = "/tmp/lsd2wav-console-XXXXXX";
    int file = mkstemp(path);
    ASSERT_GE(file, 0);
    unlink(path);
    int terminal = -1, screen = posix_openpt(O_RDWR | O_NOCTTY);
    if (screen >= 0 && grantpt(screen) == 0 && unlockpt(screen) == 0)
        terminal = open(ptsname(screen), O_RDWR | O_NOCTTY);
    struct Case {
        const char* what;
        int fd;      // written to
        int readFd;  // where the bytes show
        BOOL ok;
    } cases[] = {
        {"pipe", link[1], link[0], FALSE},
        {"file", file, file, FALSE},
        {"terminal", terminal, screen, TRUE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.fd < 0) continue;  // no pseudo-terminals here
        DWORD n = 99;
        EXPECT_EQ(WriteConsoleA(HandleOfFd(c.fd), "line", 4, &n, nullptr), c.ok);
        EXPECT_EQ(n, c.ok ? 4u : 0u);
        char shown[8] = {};
        lseek(c.readFd, 0, SEEK_SET);
        struct pollfd ready = {c.readFd, POLLIN, 0};
        ssize_t got = poll(&ready, 1, c.ok ? 2000 : 0) == 1 ? read(c.readFd, shown, 8) : 0;
        EXPECT_EQ(std::string(shown, got > 0 ? got : 0), c.ok ? "line" : "");
    }
    for (int fd : {link[0], link[1], file, terminal, screen})
        if (fd >= 0) close(fd);
}

TEST(StandardOutput, TheStandardHandlesWriteToDescriptorsOneAndTwo) {
    for (int fd : {STDOUT_FILENO, STDERR_FILENO}) {
        SCOPED_TRACE(fd);
        int link[2];
        ASSERT_EQ(pipe(link), 0);
        pid_t pid = fork();
        if (pid == 0) {
            dup2(link[1], fd);
            DWORD which = fd == STDOUT_FILENO ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
            DWORD n = 0;
            _exit(WriteFile(GetStdHandle(which), "out", 3, &n, nullptr) == TRUE ? 0 : 1);
        }
        close(link[1]);
        char shown[8];
        ssize_t got = read(link[0], shown, sizeof shown);
        int status = 0;
        waitpid(pid, &status, 0);
        close(link[0]);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(std::string(shown, got > 0 ? got : 0), "out");
    }
}

}  // namespace
