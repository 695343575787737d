// Faults that the system really gives, on a real run: a read of the bank that
// fails (injected by strace, as a bad sector would fail it), and standard
// streams that were closed when the program was started.

#include <unistd.h>

#include <cstdlib>

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/bank_builder.h"
#include "tests/support/program_runner.h"

namespace lsdtest {
namespace {

const char* const kStrace = "/usr/bin/strace";

// Ten entries of 1054 bytes: the first read-ahead of 4096 bytes holds the
// first three whole and the head of the fourth.
std::vector<BankEntry> TenEntries() {
    std::vector<BankEntry> entries;
    for (int i = 0; i < 10; ++i) entries.push_back(MakeEntry("e" + std::to_string(i), 1000, i + 1));
    return entries;
}

std::vector<std::string> FailedBankRead(const std::string& when) {
    return {kStrace, "-f", "-qq", "-o", "/dev/null", "-P", "music_p.lsd", "-e", "trace=read",
            "-e", "inject=read:error=EIO:when=" + when};
}

struct RealFaultCase {
    const char* label;
    std::vector<std::string> wrapper;
    int whole;          // entries whose files are whole
    bool lastIsCut;     // the next entry's file holds a prefix of its own
    const char* status; // the last line; none when standard output is closed
    // After the ten, an entry with no samples, whose file stays open while
    // the status line is printed.
    bool thenAFailedEntry = false;
};

void PrintTo(const RealFaultCase& c, std::ostream* os) { *os << c.label; }

class RealFaultTest : public ::testing::TestWithParam<RealFaultCase> {};

TEST_P(RealFaultTest, TheRunSaysWhatHappened) {
    const RealFaultCase& c = GetParam();
    if (c.wrapper[0] == kStrace && access(kStrace, X_OK) != 0) GTEST_SKIP() << "no strace";
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    std::vector<BankEntry> entries = TenEntries();
    if (c.thenAFailedEntry) entries.push_back(MakeEntry("bad", -2, 0));
    ASSERT_TRUE(WriteBytesToFile(dir.Join("music_p.lsd"), ArchiveBytes(entries)));
    RunOptions options;
    options.directory = dir.path;
    options.wrapper = c.wrapper;
    if (c.wrapper[0] == kStrace) {
        // LeakSanitizer cannot work in a traced process and ends it with exit
        // code 1; on a sanitizer build it keeps looking in every other run.
        const char* asan = std::getenv("ASAN_OPTIONS");
        options.wrapper.insert(options.wrapper.begin(),
                               {"/usr/bin/env", std::string("ASAN_OPTIONS=") + (asan ? asan : "") +
                                                    ":detect_leaks=0"});
    }

    RunResult result = RunProgram(options);

    ASSERT_TRUE(result.exited) << DescribeEnd(result);
    EXPECT_EQ(result.exitCode, 0);
    std::vector<std::string> lines = {"Extracting music..."};
    std::vector<std::string> tree = {"music_p.lsd"};
    int shown = c.whole + (c.lastIsCut ? 1 : 0);
    for (int i = 0; i < shown; ++i) {
        std::string file = "e" + std::to_string(i) + ".wav";
        lines.push_back("  " + file);
        tree.push_back(file);
        if (i < c.whole) {
            EXPECT_TRUE(FileHolds(dir.Join(file), ExpectedWav(entries[i])));
        } else {
            EXPECT_TRUE(FileHoldsPrefixOf(dir.Join(file), ExpectedWav(entries[i])));
        }
    }
    if (c.thenAFailedEntry) {
        lines.push_back("  bad.wav");
        tree.push_back("bad.wav");
        EXPECT_TRUE(FileHolds(dir.Join("bad.wav"), ExpectedWav(entries.back())));
    }
    if (c.status) {
        lines.push_back(c.status);
        EXPECT_EQ(result.output, ConsoleLines(lines));
    } else {
        EXPECT_EQ(result.output, "");
    }
    EXPECT_TRUE(TreeIs(dir.path, tree));
}

// Closes the given descriptors, then starts the program.
std::vector<std::string> Closing(const std::string& redirections) {
    return {"/bin/sh", "-c", "exec \"$0\" " + redirections};
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RealFaultTest,
    ::testing::Values(
        // The first read fails: no entry has been seen.
        RealFaultCase{"read_error_first", FailedBankRead("1"), 0, false,
                      "  Failed to read the archive!"},
        // The second read-ahead fails inside the fourth entry's samples;
        // its file keeps what was written and the walk ends there.
        RealFaultCase{"read_error_inside_an_entry", FailedBankRead("2"), 3, true,
                      "  Failed to read the archive!"},
        RealFaultCase{"read_errors_from_then_on", FailedBankRead("2+"), 3, true,
                      "  Failed to read the archive!"},
        // No status line ever lands in a WAV file.
        RealFaultCase{"stdin_stdout_closed", Closing("<&- >&-"), 10, false, nullptr},
        // The status comes while the failed entry's file is open, and would
        // land in it were that file given the closed standard output's number.
        RealFaultCase{"stdin_stdout_closed_and_an_entry_fails", Closing("<&- >&-"), 10, false,
                      nullptr, true},
        RealFaultCase{"all_standard_streams_closed", Closing("<&- >&- 2>&-"), 10, false,
                      nullptr},
        RealFaultCase{"stdin_closed", Closing("<&-"), 10, false, "  ok"}),
    [](const ::testing::TestParamInfo<RealFaultCase>& info) {
        return std::string(info.param.label);
    });

}  // namespace
}  // namespace lsdtest
