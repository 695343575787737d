// Standard output redirected to a file, on the real KERNEL32: WriteConsoleA
// is refused there, and WriteFile must carry each line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os.h"
#include "runtime/process/print_line.h"
#include "runtime/process/process_frame.h"
#include "tests/support/os_spy.h"
#include "tests/support/scratch_directory.h"

namespace {

using lsdtest::MakeScratchDirectory;
using lsdtest::RemoveScratchDirectory;

std::string Contents(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<cannot open " + path + ">";
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

// The console calls on standard output, in order, as one readable line each.
std::vector<std::string> ConsoleTrail(OsSpy& spy) {
    std::vector<std::string> trail;
    std::lock_guard<std::mutex> hold(spy.lock);
    for (const OsCallRecord& record : spy.calls) {
        if (record.file != "<stdout>") continue;
        std::string ok = record.ok ? " ok" : " refused";
        if (record.call == OsCall::WriteConsoleA) {
            trail.push_back("WriteConsoleA " + std::to_string(record.asked) + ok);
        } else if (record.call == OsCall::WriteFile) {
            trail.push_back("WriteFile " + std::to_string(record.asked) + ok);
        } else if (record.call == OsCall::FlushFileBuffers) {
            trail.push_back("FlushFileBuffers" + ok);
        }
    }
    return trail;
}

class RedirectedOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        directory = MakeScratchDirectory("lsd2wav-win-");
        ASSERT_FALSE(directory.empty());
        // ShutDown ends with ExitProcess; here it must come back.
        spy.ExitProcess = [](UINT) {};
        InstallOsSpy(&spy);
    }
    void TearDown() override {
        RemoveOsSpy();
        EXPECT_TRUE(RemoveScratchDirectory(directory));
    }
    std::string Path(const char* name) const { return directory + "\\" + name; }

    std::string directory;
    OsSpy spy;
};

// Each line reaches the file whole, ending in CR LF, by WriteFile after the
// refused WriteConsoleA, and is on disk before PrintLine returns.
TEST_F(RedirectedOutputTest, LinesGoThroughWriteFileEndingInCrLf) {
    std::string path = Path("console.txt");
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE before = GetStdHandle(STD_OUTPUT_HANDLE);
    ASSERT_TRUE(SetStdHandle(STD_OUTPUT_HANDLE, file));
    StartUp();

    struct Line {
        const char* text;
        const char* written;
    };
    const Line lines[] = {
        {"Extracting music...", "Extracting music...\r\n"}, {"", "\r\n"},         {nullptr, "\r\n"},
        {"  caf\xE9\x80.wav", "  caf\xE9\x80.wav\r\n"},     {"  ok", "  ok\r\n"},
    };
    std::string expected;
    std::vector<std::string> expectedTrail;
    for (const Line& line : lines) {
        PrintLine(line.text);
        expected += line.written;
        EXPECT_EQ(Contents(path), expected) << "after " << (line.text ? line.text : "(none)");
        std::string length = std::to_string(std::string(line.written).size());
        expectedTrail.push_back("WriteConsoleA " + length + " refused");
        expectedTrail.push_back("WriteFile " + length + " ok");
        expectedTrail.push_back("FlushFileBuffers ok");
    }
    ShutDown();
    SetStdHandle(STD_OUTPUT_HANDLE, before);
    CloseHandle(file);

    EXPECT_EQ(ConsoleTrail(spy), expectedTrail);
    EXPECT_EQ(Contents(path), expected);
}

}  // namespace
