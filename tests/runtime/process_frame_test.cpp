#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/files/file_handle.h"
#include "runtime/process/memory_pool.h"
#include "runtime/process/print_line.h"
#include "runtime/process/process_frame.h"
#include "tests/extract/in_process_run.h"
#include "tests/runtime/runtime_fixture.h"
#include "tests/support/os_spy.h"

namespace {

// Start-up with the console going to a file and the process end caught.
class ProcessFrameTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        console = RealOs.CreateFileA("console.out", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                     nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        spy.GetStdHandle = [this](DWORD) { return console; };
        spy.SetConsoleCtrlHandler = [](PHANDLER_ROUTINE, BOOL) { return TRUE; };
        spy.ExitProcess = [this](UINT code) { exitCode = static_cast<int>(code); };
        InstallOsSpy(&spy);
        StartUp();
        CurrentFileRegistry()->bufferSize = GetParam();
    }
    void TearDown() override {
        if (exitCode < 0) ShutDown();
        RemoveOsSpy();
        RealOs.CloseHandle(console);
        RuntimeTest::TearDown();
    }
    std::string Console() { return ReadWholeFile("console.out"); }

    OsSpy spy;
    HANDLE console = nullptr;
    int exitCode = -1;
};

TEST_P(ProcessFrameTest, LinesEndInCrLfAndGoOutWholeAndFlushed) {
    const char* texts[] = {"Extracting music...", "", nullptr, "  \xE9t\xE9.wav"};
    std::string expected;
    for (const char* text : texts) {
        ClearCalls(spy);
        PrintLine(text);
        std::string line = std::string(text ? text : "") + "\r\n";
        expected += line;
        // Not a terminal: the console write fails and the same bytes go to
        // the file in one write, then straight through to the disk.
        EXPECT_EQ(AskedOf(spy, OsCall::WriteConsoleA), (std::vector<uint64_t>{line.size()}));
        EXPECT_EQ(AskedOf(spy, OsCall::WriteFile), (std::vector<uint64_t>{line.size()}));
        EXPECT_EQ(CountCalls(spy, OsCall::FlushFileBuffers), 1u);
        EXPECT_EQ(Console(), expected);
    }
}

TEST_P(ProcessFrameTest, ALineWithoutScratchMemoryIsDropped) {
    FailNth(spy, OsCall::HeapAlloc, 1, false);
    PrintLine("lost");
    PrintLine("kept");
    EXPECT_EQ(Console(), "kept\r\n");
}

TEST_P(ProcessFrameTest, BlocksAreZeroFilledAndSizesBelowOneRefused) {
    EXPECT_EQ(AllocateBlock(0), nullptr);
    EXPECT_EQ(AllocateBlock(-1), nullptr);
    EXPECT_EQ(AllocateBlock(INT32_MIN), nullptr);
    for (int round = 0; round < 3; ++round) {
        auto* block = static_cast<unsigned char*>(AllocateBlock(33));
        ASSERT_NE(block, nullptr);
        for (int i = 0; i < 33; ++i) ASSERT_EQ(block[i], 0) << i;
        std::memset(block, 0xFF, 33);  // dirty it for the next round
        FreeBlock(block);
    }
}

TEST_P(ProcessFrameTest, ShutDownClosesOpenFilesOldestFirstAndExitsWithZero) {
    FileHandle* a = CreateForWriting("a.wav");
    FileHandle* b = CreateForWriting("b.wav");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    WriteInt32(a, 0x61616161);
    WriteInt32(b, 0x62626262);
    ClearCalls(spy);
    ShutDown();
    EXPECT_EQ(exitCode, 0);
    std::vector<OsCallRecord> closes = CallsOf(spy, OsCall::CloseHandle);
    ASSERT_EQ(closes.size(), 2u);
    EXPECT_EQ(closes[0].file, "a.wav");
    EXPECT_EQ(closes[1].file, "b.wav");
    EXPECT_EQ(ReadWholeFile("a.wav"), "aaaa");
    EXPECT_EQ(ReadWholeFile("b.wav"), "bbbb");
    // Three private heaps, all gone.
    EXPECT_EQ(CountCalls(spy, OsCall::HeapDestroy), 3u);
}

TEST_P(ProcessFrameTest, TheCloseEventFlushesAndClosesOnceAndIsNeverHandled) {
    FileHandle* wav = CreateForWriting("x.wav");
    ASSERT_NE(wav, nullptr);
    WriteInt32(wav, 0x46464952);
    ClearCalls(spy);
    for (DWORD event : {DWORD{CTRL_C_EVENT}, DWORD{CTRL_BREAK_EVENT}, DWORD{5}, DWORD{6}}) {
        EXPECT_EQ(ConsoleCloseHandler(event), FALSE);
    }
    EXPECT_EQ(CountCalls(spy, OsCall::CloseHandle), 0u);
    EXPECT_EQ(ConsoleCloseHandler(CTRL_CLOSE_EVENT), FALSE);
    EXPECT_EQ(ReadWholeFile("x.wav"), "RIFF");
    EXPECT_EQ(CountCalls(spy, OsCall::CloseHandle), 1u);
    EXPECT_EQ(CountCalls(spy, OsCall::HeapDestroy), 1u);  // the pool
    // A second event, and the shut-down after it, find nothing left to do.
    EXPECT_EQ(ConsoleCloseHandler(CTRL_CLOSE_EVENT), FALSE);
    ShutDown();
    EXPECT_EQ(CountCalls(spy, OsCall::CloseHandle), 1u);
    EXPECT_EQ(CountCalls(spy, OsCall::HeapDestroy), 3u);
    EXPECT_EQ(exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(BufferSizes, ProcessFrameTest, ::testing::Values(0, 4096), BufferName);

}  // namespace
