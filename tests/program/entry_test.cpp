// Whole archives walked to their end: names as they become files, length
// fields from the smallest to the wrapping ones, repeated names, and the
// console text whether stdout is a pipe or a file.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/bank_builder.h"
#include "tests/support/program_runner.h"

namespace lsdtest {
namespace {

// ---------------------------------------------------------------------------
// Names: each row is one entry followed by a plain one, so that a name that
// went wrong also shows in whether the walk went on.

struct NameCase {
    const char* label;
    Bytes nameField;  // raw, up to 32 bytes
    int32_t length;
    std::vector<std::string> dirs;  // made in the run directory first
    std::string file;               // the file the entry must become
    std::string line;               // its console line
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.label; }

std::vector<NameCase> NameCases() {
    return {
        {"plain", "tone_a4", 200, {}, "tone_a4.wav", "  tone_a4.wav"},
        {"empty_name", Bytes("\0junk after the zero", 20), 40, {}, ".wav", "  .wav"},
        {"all_zero_field", Bytes(32, '\0'), 40, {}, ".wav", "  .wav"},
        // The length field that follows starts with a non-zero byte: a name
        // read past its 32 bytes would take it in.
        {"thirty_two_bytes",
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345",
         0x41,
         {},
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345.wav",
         "  ABCDEFGHIJKLMNOPQRSTUVWXYZ012345.wav"},
        {"thirty_one_bytes",
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234",
         0x41,
         {},
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234.wav",
         "  ABCDEFGHIJKLMNOPQRSTUVWXYZ01234.wav"},
        {"bytes_after_terminator_ignored",
         Bytes("kept\0dropped", 12),
         10,
         {},
         "kept.wav",
         "  kept.wav"},
        {"eight_bit_bytes",
         "caf\xE9 \x80\xFF\x01",
         10,
         {},
         "caf\xE9 \x80\xFF\x01.wav",
         "  caf\xE9 \x80\xFF?.wav"},
        // Would erase its own line and print a fake "  ok" on a terminal.
        {"terminal_escape",
         "a\x1b[2K\r  ok\x1b[8m\x7f\x1f/x",
         10,
         {"a\x1b[2K\r  ok\x1b[8m\x7f\x1f"},
         "a\x1b[2K\r  ok\x1b[8m\x7f\x1f/x.wav",
         "  a?[2K?  ok?[8m?" "?/x.wav"},  // split: "??/" is a trigraph
        {"spaces_and_punctuation",
         "a b-c_d (1)!",
         10,
         {},
         "a b-c_d (1)!.wav",
         "  a b-c_d (1)!.wav"},
        {"two_dots", "..", 10, {}, "...wav", "  ...wav"},
        {"dots_inside", "a..b", 10, {}, "a..b.wav", "  a..b.wav"},
        {"three_dots", "...", 10, {}, "....wav", "  ....wav"},
        {"leading_two_dots", "..x", 10, {}, "..x.wav", "  ..x.wav"},
        {"dot_directory", "./here", 10, {}, "here.wav", "  ./here.wav"},
        {"subdirectory", "sub/inner", 300, {"sub"}, "sub/inner.wav", "  sub/inner.wav"},
        {"nested_subdirectory", "a/b/c", 30, {"a", "a/b"}, "a/b/c.wav", "  a/b/c.wav"},
        {"subdirectory_three_dots", "sub/...", 10, {"sub"}, "sub/....wav", "  sub/....wav"},
        // "sub/.." + ".wav" is "sub/...wav": no ".." element, an ordinary name.
        {"subdirectory_two_dots", "sub/..", 10, {"sub"}, "sub/...wav", "  sub/...wav"},
    };
}

class EntryNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(EntryNameTest, BecomesTheFileName) {
    const NameCase& c = GetParam();
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    BankEntry entry = MakeRawEntry(c.nameField, c.length, 7);
    BankEntry last = MakeEntry("last", 10, 8);
    ASSERT_TRUE(WriteBytesToFile(dir.Join("music_p.lsd"), ArchiveBytes({entry, last})));
    std::vector<std::string> tree = {"music_p.lsd", c.file, "last.wav"};
    for (const std::string& sub : c.dirs) {
        ASSERT_TRUE(MakeDirectory(dir.Join(sub)));
        tree.push_back(sub + "/");
    }

    RunResult result = RunProgramIn(dir.path);

    ASSERT_TRUE(ExitedCleanly(result));
    EXPECT_EQ(result.output, ConsoleLines({"Extracting music...", c.line, "  last.wav", "  ok"}));
    EXPECT_TRUE(FileHolds(dir.Join(c.file), ExpectedWav(entry)));
    EXPECT_TRUE(FileHolds(dir.Join("last.wav"), ExpectedWav(last)));
    EXPECT_TRUE(TreeIs(dir.path, tree));
}

INSTANTIATE_TEST_SUITE_P(Names, EntryNameTest, ::testing::ValuesIn(NameCases()),
                         [](const ::testing::TestParamInfo<NameCase>& info) {
                             return std::string(info.param.label);
                         });

// ---------------------------------------------------------------------------
// Length fields that give a complete file.

class CompleteLengthTest : public ::testing::TestWithParam<int32_t> {};

TEST_P(CompleteLengthTest, FileIsHeaderAndSampleBlock) {
    int32_t length = GetParam();
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    std::vector<BankEntry> entries = {MakeEntry("sized", length, 31), MakeEntry("next", 5, 32)};
    ASSERT_TRUE(WriteBytesToFile(dir.Join("sound_p.lsd"), ArchiveBytes(entries)));

    RunResult result = RunProgramIn(dir.path);

    ASSERT_TRUE(ExitedCleanly(result));
    EXPECT_EQ(result.output, ExpectedConsole(kSoundBank, entries));
    EXPECT_EQ(FileSize(dir.Join("sized.wav")), static_cast<long long>(length) + 46);
    EXPECT_TRUE(FileHolds(dir.Join("sized.wav"), ExpectedWav(entries[0])));
    EXPECT_TRUE(FileHolds(dir.Join("next.wav"), ExpectedWav(entries[1])));
    EXPECT_TRUE(TreeIs(dir.path, {"sound_p.lsd", "sized.wav", "next.wav"}));
}

// -1 is the smallest sample block (one byte); 65534 and up cross the size of a
// pipe's buffer and of any small I/O chunk.
INSTANTIATE_TEST_SUITE_P(Lengths, CompleteLengthTest,
                         ::testing::Values(-1, 0, 1, 2, 4049, 4050, 4094, 4095, 65534, 300000));

// ---------------------------------------------------------------------------
// Length fields whose sample block is empty or negative: the header is written,
// the copy fails, and the walk stops there.

struct BadLengthCase {
    const char* label;
    int32_t length;
    uint32_t riffSize;  // L + 38 as written, wrapped
    uint32_t dataSize;  // L + 2 as written, wrapped
};

void PrintTo(const BadLengthCase& c, std::ostream* os) { *os << c.label; }

class BadLengthTest : public ::testing::TestWithParam<BadLengthCase> {};

TEST_P(BadLengthTest, LeavesTheHeaderAndStops) {
    const BadLengthCase& c = GetParam();
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    BankEntry first = MakeEntry("first", 20, 41);
    BankEntry bad = MakeEntry("bad", c.length, 42);
    BankEntry never = MakeEntry("never", 20, 43);
    ASSERT_TRUE(WriteBytesToFile(dir.Join("music_p.lsd"), ArchiveBytes({first, bad, never})));

    RunResult result = RunProgramIn(dir.path);

    ASSERT_TRUE(ExitedCleanly(result));
    EXPECT_EQ(result.output, ConsoleLines({"Extracting music...", "  first.wav", "  bad.wav",
                                           "  Failed to write to output file!"}));
    EXPECT_TRUE(FileHolds(dir.Join("first.wav"), ExpectedWav(first)));
    Bytes header = "RIFF" + Int32Bytes(c.riffSize) + "WAVEfmt " + Int32Bytes(16) + bad.format +
                   "data" + Int32Bytes(c.dataSize);
    EXPECT_TRUE(FileHolds(dir.Join("bad.wav"), header));
    EXPECT_TRUE(TreeIs(dir.path, {"music_p.lsd", "first.wav", "bad.wav"}));
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, BadLengthTest,
    ::testing::Values(BadLengthCase{"minus_two", -2, 36, 0},
                      BadLengthCase{"minus_three", -3, 35, 0xFFFFFFFFu},
                      BadLengthCase{"minus_forty", -40, 0xFFFFFFFEu, 0xFFFFFFDAu},
                      BadLengthCase{"int_min", INT32_MIN, 0x80000026u, 0x80000002u},
                      BadLengthCase{"int_max_less_one", 0x7FFFFFFE, 0x80000024u, 0x80000000u},
                      BadLengthCase{"int_max", 0x7FFFFFFF, 0x80000025u, 0x80000001u}),
    [](const ::testing::TestParamInfo<BadLengthCase>& info) {
        return std::string(info.param.label);
    });

// ---------------------------------------------------------------------------

TEST(EntryTest, SecondEntryOfTheSameNameReplacesTheFirst) {
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    // The second is much shorter: a file that was not emptied would keep the
    // first one's tail.
    std::vector<BankEntry> entries = {MakeEntry("twice", 5000, 51), MakeEntry("other", 7, 52),
                                      MakeEntry("twice", 12, 53)};
    ASSERT_TRUE(WriteBytesToFile(dir.Join("music_p.lsd"), ArchiveBytes(entries)));

    RunResult result = RunProgramIn(dir.path);

    ASSERT_TRUE(ExitedCleanly(result));
    EXPECT_EQ(result.output, ExpectedConsole(kMusicBank, entries));
    EXPECT_TRUE(FileHolds(dir.Join("twice.wav"), ExpectedWav(entries[2])));
    EXPECT_TRUE(FileHolds(dir.Join("other.wav"), ExpectedWav(entries[1])));
    EXPECT_TRUE(TreeIs(dir.path, {"music_p.lsd", "twice.wav", "other.wav"}));
}

TEST(EntryTest, ExistingFileIsReplaced) {
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    std::vector<BankEntry> entries = {MakeEntry("old", 3, 61)};
    ASSERT_TRUE(WriteBytesToFile(dir.Join("music_p.lsd"), ArchiveBytes(entries)));
    ASSERT_TRUE(WriteBytesToFile(dir.Join("old.wav"), PatternBytes(10000, 62)));

    RunResult result = RunProgramIn(dir.path);

    ASSERT_TRUE(ExitedCleanly(result));
    EXPECT_EQ(result.output, ExpectedConsole(kMusicBank, entries));
    EXPECT_TRUE(FileHolds(dir.Join("old.wav"), ExpectedWav(entries[0])));
}

// Formats and samples are copied unread: a bank of many entries with unlike
// formats, including format blocks that are no valid WAVE format at all.
TEST(EntryTest, ManyEntriesKeepTheirFormatsAndSamples) {
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    const uint16_t channels[] = {1, 2};
    const uint32_t rates[] = {8000, 11025, 22050, 44100};
    const uint16_t bits[] = {8, 16};
    std::vector<BankEntry> entries;
    uint32_t seed = 100;
    for (uint16_t c : channels) {
        for (uint32_t r : rates) {
            for (uint16_t b : bits) {
                BankEntry entry = MakeEntry(
                    "e" + std::to_string(c) + "_" + std::to_string(r) + "_" + std::to_string(b),
                    static_cast<int32_t>(seed * 37 % 3000), seed);
                entry.format = PcmFormat(c, r, b);
                entries.push_back(entry);
                ++seed;
            }
        }
    }
    BankEntry junk = MakeEntry("junk_format", 64, 200);
    junk.format = PatternBytes(16, 201);
    entries.push_back(junk);
    BankEntry zeros = MakeEntry("zero_format", 64, 202);
    zeros.format = Bytes(16, '\0');
    entries.push_back(zeros);
    ASSERT_TRUE(WriteBytesToFile(dir.Join("music_p.lsd"), ArchiveBytes(entries, 0xFFFFFFFFu)));

    RunResult result = RunProgramIn(dir.path);

    ASSERT_TRUE(ExitedCleanly(result));
    EXPECT_EQ(result.output, ExpectedConsole(kMusicBank, entries));
    std::vector<std::string> tree = {"music_p.lsd"};
    for (const BankEntry& entry : entries) {
        EXPECT_TRUE(FileHolds(dir.Join(WavFileName(entry)), ExpectedWav(entry)));
        tree.push_back(WavFileName(entry));
    }
    EXPECT_TRUE(TreeIs(dir.path, tree));
}

// The lead field is read and dropped, whatever it holds.
class LeadFieldTest : public ::testing::TestWithParam<uint32_t> {};

TEST_P(LeadFieldTest, IsIgnored) {
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    std::vector<BankEntry> entries = {MakeEntry("one", 9, 71), MakeEntry("two", 90, 72)};
    ASSERT_TRUE(WriteBytesToFile(dir.Join("music_p.lsd"), ArchiveBytes(entries, GetParam())));

    RunResult result = RunProgramIn(dir.path);

    ASSERT_TRUE(ExitedCleanly(result));
    EXPECT_EQ(result.output, ExpectedConsole(kMusicBank, entries));
    EXPECT_TRUE(FileHolds(dir.Join("one.wav"), ExpectedWav(entries[0])));
    EXPECT_TRUE(FileHolds(dir.Join("two.wav"), ExpectedWav(entries[1])));
}

INSTANTIATE_TEST_SUITE_P(Values, LeadFieldTest,
                         ::testing::Values(0u, 2u, 0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu));

// With stdout redirected to a regular file, the file gets every line whole,
// ending in CR LF, and nothing else.
TEST(EntryTest, RedirectedOutputHoldsEveryLine) {
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    ASSERT_TRUE(MakeDirectory(dir.Join("run")));
    std::vector<BankEntry> entries = {MakeEntry("r1", 10, 81), MakeEntry("r2", 20000, 82),
                                      MakeEntry("r3", 0, 83)};
    ASSERT_TRUE(WriteBytesToFile(dir.Join("run/sound_p.lsd"), ArchiveBytes(entries)));

    RunOptions options;
    options.directory = dir.Join("run");
    options.stdoutFile = dir.Join("console.txt");
    RunResult result = RunProgram(options);

    ASSERT_TRUE(ExitedCleanly(result));
    EXPECT_TRUE(FileHolds(dir.Join("console.txt"), ExpectedConsole(kSoundBank, entries)));
    for (const BankEntry& entry : entries) {
        EXPECT_TRUE(FileHolds(dir.Join("run/" + WavFileName(entry)), ExpectedWav(entry)));
    }
}

}  // namespace
}  // namespace lsdtest
