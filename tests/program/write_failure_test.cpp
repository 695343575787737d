// Copies that fail for real, through limits set on the program: a file-size
// limit (RLIMIT_FSIZE) makes writes come up short, and the WAV file keeps the
// bytes that fit; a memory limit (RLIMIT_AS) refuses a huge sample block.
// Either way the run ends with "  Failed to write to output file!" and no
// later entry is started.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/bank_builder.h"
#include "tests/support/program_runner.h"

namespace lsdtest {
namespace {

// The entry that meets the limit: L = 198, a 244-byte file.
const int32_t kVictimLength = 198;
const long long kVictimFileSize = kVictimLength + 46;

struct LimitCase {
    const char* label;
    long long limit;    // bytes any one file may hold
    bool earlierEntry;  // a 45-byte entry comes first and must be complete
    bool fits;          // the victim fits: the run goes on and ends with "  ok"
    // Sizes around the 4096-byte file buffer decide which write meets the
    // limit: the flush at the close (the whole file waited in the buffer),
    // the header flush that a sample block of 4052 bytes or more brings
    // about, or the direct write of a sample block of 4096 bytes or more.
    int32_t victimLength = kVictimLength;
};

void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.label; }

class FileSizeLimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(FileSizeLimitTest, FileKeepsWhatFitAndTheWalkStops) {
    const LimitCase& c = GetParam();
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    BankEntry earlier = MakeEntry("earlier", -1, 1);
    BankEntry victim = MakeEntry("victim", c.victimLength, 2);
    BankEntry after = MakeEntry("after", -1, 3);
    std::vector<BankEntry> entries;
    if (c.earlierEntry) entries.push_back(earlier);
    entries.push_back(victim);
    entries.push_back(after);
    ASSERT_TRUE(WriteBytesToFile(dir.Join("music_p.lsd"), ArchiveBytes(entries)));

    RunOptions options;
    options.directory = dir.path;
    options.fileSizeLimit = c.limit;
    RunResult result = RunProgram(options);

    ASSERT_TRUE(ExitedCleanly(result));
    std::vector<std::string> tree = {"music_p.lsd", "victim.wav"};
    std::vector<std::string> lines = {"Extracting music..."};
    if (c.earlierEntry) {
        lines.push_back("  earlier.wav");
        tree.push_back("earlier.wav");
        EXPECT_TRUE(FileHolds(dir.Join("earlier.wav"), ExpectedWav(earlier)));
    }
    lines.push_back("  victim.wav");
    if (c.fits) {
        lines.push_back("  after.wav");
        lines.push_back(kStatusOk);
        tree.push_back("after.wav");
        EXPECT_TRUE(FileHolds(dir.Join("victim.wav"), ExpectedWav(victim)));
        EXPECT_TRUE(FileHolds(dir.Join("after.wav"), ExpectedWav(after)));
    } else {
        lines.push_back(kStatusWriteFailed);
        // The OS takes bytes up to the limit and refuses the rest.
        EXPECT_TRUE(FileHolds(dir.Join("victim.wav"),
                              Truncate(ExpectedWav(victim), static_cast<size_t>(c.limit))));
    }
    EXPECT_EQ(result.output, ConsoleLines(lines));
    EXPECT_TRUE(TreeIs(dir.path, tree));
}

INSTANTIATE_TEST_SUITE_P(
    Limits, FileSizeLimitTest,
    ::testing::Values(
        LimitCase{"nothing", 0, false, false}, LimitCase{"header_first_byte", 1, false, false},
        LimitCase{"header_inside_a_word", 10, false, false},
        LimitCase{"header_before_format", 20, false, false},
        LimitCase{"format_block", 30, false, false}, LimitCase{"data_tag", 38, false, false},
        LimitCase{"header_whole", 44, false, false}, LimitCase{"sample_block", 94, true, false},
        LimitCase{"sample_block_last_byte", kVictimFileSize - 1, true, false},
        LimitCase{"exact_fit", kVictimFileSize, true, true},
        LimitCase{"header_flush", 20, false, false, 4050},
        LimitCase{"close_flush_after_header_flush", 44 + 100, false, false, 4050},
        LimitCase{"direct_sample_write", 1000, false, false, 4094},
        LimitCase{"direct_big_sample_write", 44 + 5000, false, false, 9998},
        LimitCase{"big_exact_fit", 9998 + 46, false, true, 9998}),
    [](const ::testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.label); });

// A larger sample block cut near its end, beyond what one small write or a
// pipe-sized chunk would carry.
TEST(FileSizeLimitTest, LargeSampleBlockCutNearItsEnd) {
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    BankEntry big = MakeEntry("big", 200000, 9);
    BankEntry after = MakeEntry("after", 10, 10);
    ASSERT_TRUE(WriteBytesToFile(dir.Join("sound_p.lsd"), ArchiveBytes({big, after})));

    RunOptions options;
    options.directory = dir.path;
    options.fileSizeLimit = 200000;
    RunResult result = RunProgram(options);

    ASSERT_TRUE(ExitedCleanly(result));
    EXPECT_EQ(result.output,
              ConsoleLines({"Extracting sounds...", "  big.wav", kStatusWriteFailed}));
    EXPECT_TRUE(FileHolds(dir.Join("big.wav"), Truncate(ExpectedWav(big), 200000)));
    EXPECT_TRUE(TreeIs(dir.path, {"sound_p.lsd", "big.wav"}));
}

// A sample block larger than the program may hold in memory cannot be
// copied: the header stays and the walk stops. The file-size limit keeps a
// program that does take the block from filling the disk.
TEST(MemoryLimitTest, SampleBlockTooLargeForMemory) {
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    BankEntry first = MakeEntry("first", 30, 11);
    BankEntry huge = MakeEntry("huge", 0, 12);
    huge.length = 0x40000000;  // a 1 GiB sample block, of which 100 bytes are there
    huge.samples = PatternBytes(100, 13);
    ASSERT_TRUE(WriteBytesToFile(dir.Join("music_p.lsd"), ArchiveBytes({first, huge})));

    RunOptions options;
    options.directory = dir.path;
    options.memoryLimit = 512LL << 20;
    options.fileSizeLimit = 1 << 20;
    RunResult result = RunProgram(options);

    ASSERT_TRUE(ExitedCleanly(result));
    EXPECT_EQ(result.output, ConsoleLines({"Extracting music...", "  first.wav", "  huge.wav",
                                           kStatusWriteFailed}));
    EXPECT_TRUE(FileHolds(dir.Join("first.wav"), ExpectedWav(first)));
    EXPECT_TRUE(FileHolds(dir.Join("huge.wav"), WavHeader(huge.length, huge.format)));
}

}  // namespace
}  // namespace lsdtest
