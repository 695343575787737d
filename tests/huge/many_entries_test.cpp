// A bank of 100,000 tiny entries: every one becomes its own right file, and
// the program's memory does not grow with the number of entries behind it.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/bank_builder.h"
#include "tests/support/program_runner.h"

// AddressSanitizer keeps freed blocks in quarantine, up to 256 MiB, so under
// it the peak grows with the work done whatever the program does.
#if defined(__SANITIZE_ADDRESS__)
#define LSD2WAV_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LSD2WAV_ASAN 1
#endif
#endif

namespace lsdtest {
namespace {

const size_t kFew = 1000;
const size_t kMany = 100000;

// Names of one length, so that no entry's file name or console line is any
// larger than another's; lengths -1 to 5, sample blocks of 1 to 7 bytes.
std::vector<BankEntry> TinyEntries(size_t count) {
    std::vector<BankEntry> entries;
    entries.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "e%06u", static_cast<unsigned>(i));
        entries.push_back(
            MakeEntry(name, static_cast<int32_t>(i % 7) - 1, static_cast<uint32_t>(i)));
    }
    return entries;
}

RunResult ExtractIn(const ScopedTempDir& dir, const std::vector<BankEntry>& entries) {
    EXPECT_TRUE(WriteBytesToFile(dir.Join("music_p.lsd"), ArchiveBytes(entries)));
    RunOptions options;
    options.directory = dir.path;
    options.timeoutSeconds = 600;
    return RunProgram(options);
}

TEST(ManyEntriesTest, EveryFileOfAHundredThousandIsRight) {
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    std::vector<BankEntry> entries = TinyEntries(kMany);

    RunResult result = ExtractIn(dir, entries);

    ASSERT_TRUE(ExitedCleanly(result));
    EXPECT_EQ(result.output, ExpectedConsole(kMusicBank, entries));
    size_t wrong = 0;
    for (const BankEntry& entry : entries) {
        ::testing::AssertionResult holds =
            FileHolds(dir.Join(WavFileName(entry)), ExpectedWav(entry));
        // The first few are enough to tell what went wrong.
        if (!holds && ++wrong <= 5) ADD_FAILURE() << holds.message();
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(ListTree(dir.path).size(), kMany + 1);
}

TEST(ManyEntriesTest, PeakMemoryDoesNotGrowWithTheEntries) {
#ifdef LSD2WAV_ASAN
    GTEST_SKIP() << "AddressSanitizer's quarantine makes the peak grow with the work done";
#endif
    ScopedTempDir fewDir;
    ScopedTempDir manyDir;
    ASSERT_FALSE(fewDir.path.empty());
    ASSERT_FALSE(manyDir.path.empty());

    RunResult few = ExtractIn(fewDir, TinyEntries(kFew));
    RunResult many = ExtractIn(manyDir, TinyEntries(kMany));

    ASSERT_TRUE(ExitedCleanly(few));
    ASSERT_TRUE(ExitedCleanly(many));
    ASSERT_GT(few.peakMemoryKiB, 0);
    ASSERT_GT(many.peakMemoryKiB, 0);
    std::printf("peak resident memory: %lld KiB at %zu entries, %lld KiB at %zu entries\n",
                few.peakMemoryKiB, kFew, many.peakMemoryKiB, kMany);
    RecordProperty("peak_kib_at_1000", std::to_string(few.peakMemoryKiB));
    RecordProperty("peak_kib_at_100000", std::to_string(many.peakMemoryKiB));
    // A hundred times the entries may cost a little slack and no more: any
    // block forgotten once an entry, 48 bytes at least with its heap header,
    // takes more than 4 MiB over the 99,000 further entries.
    EXPECT_LE(many.peakMemoryKiB, few.peakMemoryKiB + 2048);
}

}  // namespace
}  // namespace lsdtest
