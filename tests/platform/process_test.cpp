// Ending the process and critical sections.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/os.h"

// The stand-ins themselves, not the table that the runtime calls through.
using namespace PosixOs;

namespace {

// Sanitizers and coverage write their reports from exit handlers; _exit
// would skip them.
TEST(Process, ExitProcessRunsTheExitHandlers) {
    std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            atexit([] { fputs("exit handlers ran\n", stderr); });
            ExitProcess(7);
        },
        ::testing::ExitedWithCode(7), "exit handlers ran");
    GTEST_FLAG_SET(death_test_style, style);
}

TEST(Process, ACriticalSectionIsReentrantAndExcludesOtherThreads) {
    static CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    static std::atomic<bool> reentered{false};
    // Detached: should a second entry block, the test fails instead of hanging.
    std::thread([] {
        EnterCriticalSection(&section);
        EnterCriticalSection(&section);
        reentered = true;
        LeaveCriticalSection(&section);
        LeaveCriticalSection(&section);
    }).detach();
    for (int i = 0; i < 500 && !reentered; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(reentered);

    long counter = 0;
    auto count = [&] {
        for (int i = 0; i < 100000; ++i) {
            EnterCriticalSection(&section);
            ++counter;
            LeaveCriticalSection(&section);
        }
    };
    std::thread a(count), b(count);
    a.join();
    b.join();
    EXPECT_EQ(counter, 200000);
}

}  // namespace
