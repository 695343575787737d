#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>
#endif

#include "platform/line_end.h"
#include "runtime/files/file_handle.h"
#include "runtime/gate/gate.h"
#include "runtime/memory/memory.h"
#include "runtime/process/print_line.h"
#include "runtime/process/process_frame.h"
#include "tests/extract/in_process_run.h"
#include "tests/support/bank_builder.h"
#include "tests/runtime/runtime_fixture.h"
#include "tests/support/in_process_frame.h"
#include "tests/support/os_spy.h"

namespace {

using lsdtest::NativeLines;

// The whole frame, start-up to shut-down, in a directory of its own.
class ProcessFrameTest : public RuntimeTest {
protected:
    InProcessRun Run(const std::function<int32_t()>& body) {
        return RunInProcess(spy, body, GetParam());
    }
    // Every heap that start-up made is gone, and none twice.
    void ExpectEveryHeapReleased() {
        EXPECT_GT(CountCalls(spy, OsCall::HeapCreate), 0u);
        EXPECT_EQ(CountCalls(spy, OsCall::HeapDestroy), CountCalls(spy, OsCall::HeapCreate));
    }

    OsSpy spy;
};

TEST_P(ProcessFrameTest, LinesEndAsThePlatformsTextAndGoOutWholeAndFlushed) {
    const char* texts[] = {"Extracting music...", "", nullptr, "  \xE9t\xE9.wav"};
    std::string expected;
    InProcessRun run = Run([&] {
        for (const char* text : texts) {
            ClearCalls(spy);
            PrintLine(text);
            std::string line = std::string(text ? text : "") + NativeLineEnd;
            expected += line;
            // Not a terminal: the console write fails and the same bytes go
            // to the file in one write, then straight through to the disk.
            EXPECT_EQ(AskedOf(spy, OsCall::WriteConsoleA), (std::vector<uint64_t>{line.size()}));
            EXPECT_EQ(AskedOf(spy, OsCall::WriteFile), (std::vector<uint64_t>{line.size()}));
            EXPECT_EQ(CountCalls(spy, OsCall::FlushFileBuffers), 1u);
        }
        return 0;
    });
    EXPECT_EQ(run.output, expected);
    EXPECT_EQ(run.errors, "");
}

TEST_P(ProcessFrameTest, ALineWithoutScratchMemoryIsDropped) {
    InProcessRun run = Run([&] {
        FailNth(spy, OsCall::HeapAlloc, 1, false);
        PrintLine("lost");
        PrintLine("kept");
        return 0;
    });
    EXPECT_EQ(run.output, NativeLines("kept\r\n"));
}

TEST_P(ProcessFrameTest, BlocksAreZeroFilledAndSizesBelowOneRefused) {
    Run([] {
        EXPECT_EQ(AllocateBlock(0), nullptr);
        EXPECT_EQ(AllocateBlock(-1), nullptr);
        EXPECT_EQ(AllocateBlock(INT32_MIN), nullptr);
        for (int round = 0; round < 3; ++round) {
            auto* block = static_cast<unsigned char*>(AllocateBlock(33));
            EXPECT_NE(block, nullptr);
            if (!block) break;
            for (int i = 0; i < 33; ++i) EXPECT_EQ(block[i], 0) << i;
            std::memset(block, 0xFF, 33);  // dirty it for the next round
            FreeBlock(block);
        }
        return 0;
    });
}

TEST_P(ProcessFrameTest, ShutDownWritesOutOpenFilesReleasesEverythingAndExitsWithTheCode) {
    InProcessRun run = Run([] {
        FileHandle* a = CreateForWriting("a.wav", nullptr);
        FileHandle* b = CreateForWriting("b.wav", nullptr);
        EXPECT_NE(a, nullptr);
        EXPECT_NE(b, nullptr);
        if (a) WriteInt32(a, 0x61616161);
        if (b) WriteInt32(b, 0x62626262);
        return 3;
    });
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(CountCalls(spy, OsCall::CloseHandle, "a.wav"), 1u);
    EXPECT_EQ(CountCalls(spy, OsCall::CloseHandle, "b.wav"), 1u);
    EXPECT_EQ(ReadWholeFile("a.wav"), "aaaa");
    EXPECT_EQ(ReadWholeFile("b.wav"), "bbbb");
    ExpectEveryHeapReleased();
}

TEST_P(ProcessFrameTest, TheCloseEventFlushesAndClosesOnceAndIsNeverHandled) {
    InProcessRun run = Run([&] {
        FileHandle* wav = CreateForWriting("x.wav", nullptr);
        EXPECT_NE(wav, nullptr);
        if (wav) WriteInt32(wav, 0x46464952);
        for (DWORD event : {DWORD{CTRL_C_EVENT}, DWORD{CTRL_BREAK_EVENT}, DWORD{5}, DWORD{6}}) {
            EXPECT_EQ(ConsoleCloseHandler(event), FALSE);
        }
        EXPECT_EQ(CountCalls(spy, OsCall::CloseHandle, "x.wav"), 0u);
        EXPECT_EQ(ConsoleCloseHandler(CTRL_CLOSE_EVENT), FALSE);
        EXPECT_EQ(ReadWholeFile("x.wav"), "RIFF");
        EXPECT_EQ(CountCalls(spy, OsCall::CloseHandle, "x.wav"), 1u);
        // A second event, and the shut-down after it, find nothing left to do.
        EXPECT_EQ(ConsoleCloseHandler(CTRL_CLOSE_EVENT), FALSE);
        return 0;
    });
    EXPECT_EQ(CountCalls(spy, OsCall::CloseHandle, "x.wav"), 1u);
    EXPECT_EQ(run.exitCode, 0);
    ExpectEveryHeapReleased();
}

INSTANTIATE_TEST_SUITE_P(BufferSizes, ProcessFrameTest, ::testing::Values(0, 4096), BufferName);

#ifndef _WIN32
// The gate between two real threads: the cases' bodies, each run in a child
// process of its own, started up in a fresh folder, as the event then keeps
// the gate for good; each gives back what went wrong as bits (0: nothing).
long SizeOfX() {
    struct stat info;
    return stat("x.wav", &info) == 0 ? static_cast<long>(info.st_size) : -1L;
}

// While the main thread is inside the gate, a close event on another thread
// waits; once the main thread steps out, as it does for an OS call that may
// wait, the event closes the files.
int EventWaitsForTheMainThreadToStepOut() {
    StartUp();
    FileHandle* wav = CreateForWriting("x.wav", nullptr);
    if (wav) WriteInt32(wav, 0x46464952);  // waits in the buffer
    std::atomic<bool> handled{false};
    std::thread event([&] {
        ConsoleCloseHandler(CTRL_CLOSE_EVENT);
        handled = true;
    });
    usleep(200 * 1000);
    int wrong = !wav ? 1 : handled ? 2 : SizeOfX() != 0 ? 4 : 0;
    StepOutOfGate(nullptr);  // and never back, as in a call that waits for good
    for (int i = 0; i < 500 && !handled; ++i) usleep(10 * 1000);
    if (!handled) wrong |= 8;
    if (SizeOfX() != 4) wrong |= 16;
    event.detach();
    return wrong;
}

// A thread inside the gate makes OS calls of its own (the event closes the
// files, removes a temporary one) while the main thread is still out in its
// call on a file: the gate goes on saying which file that call uses, and a
// wait for that call still waits until it returns.
int EventsOwnCallsLeaveTheMainThreadsCallAsItIs() {
    StartUp();
    FileHandle* used = CreateForWriting("x.wav", nullptr);
    FileHandle* other = CreateForWriting("y.wav", nullptr);
    if (!used || !other) return 1;
    bool out = StepOutOfGate(used);  // the main thread in a call on x.wav
    std::atomic<bool> closed{false}, waited{false};
    std::atomic<FileHandle*> busy{nullptr};
    std::thread event([&] {
        WaitAtGate();
        CloseFile(other);
        busy = FileInUseOutsideGate();
        closed = true;
        WaitForCallOutsideGate();
        waited = true;
    });
    for (int i = 0; i < 500 && !closed; ++i) usleep(10 * 1000);
    usleep(200 * 1000);
    int wrong = !closed ? 8 : 0;
    if (busy != used) wrong |= 4;
    if (waited) wrong |= 2;
    // The call returns; the main thread then waits at the gate for good.
    std::thread returning([&] { StepIntoGate(out); });
    for (int i = 0; i < 500 && !waited; ++i) usleep(10 * 1000);
    if (!waited) wrong |= 16;
    event.detach();
    returning.detach();
    return wrong;
}

// A test without parameters, so that it runs before those with them: they
// leave the gate held in this process, and a child forked then could never
// take it.
TEST(Gate, TheCloseEventHasTheFilesToItself) {
    const struct {
        const char* label;
        int (*run)();
        const char* bits;  // what each bit means
    } cases[] = {
        {"waits until the main thread steps out", EventWaitsForTheMainThreadToStepOut,
         "1: no file; 2: the event did not wait; 4: it flushed the file with the main thread "
         "inside; 8, 16: it never ran, or did not flush and close the file"},
        {"its own calls leave the main thread's call as it is",
         EventsOwnCallsLeaveTheMainThreadsCallAsItIs,
         "1: no file; 2: the event did not wait for the main thread's call; 4: the gate no longer "
         "named the file of that call; 8: the event never closed its file; 16: the event went on "
         "waiting after the call returned"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        char folder[] = "/tmp/lsd2wav-gate-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        pid_t child = fork();
        if (child == 0) _exit(chdir(folder) != 0 ? 32 : c.run());
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << c.bits;
        std::filesystem::remove_all(folder);
    }
}
#endif

}  // namespace
