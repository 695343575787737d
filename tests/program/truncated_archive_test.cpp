// Archives that end too early: before the first entry, or anywhere inside
// one. Bytes that are not there count as zero.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/bank_builder.h"
#include "tests/support/program_runner.h"

namespace lsdtest {
namespace {

struct ShortArchiveCase {
    BankKind kind;
    size_t size;
};

void PrintTo(const ShortArchiveCase& c, std::ostream* os) {
    *os << BankFileName(c.kind) << " of " << c.size << " bytes";
}

class ShortArchiveTest : public ::testing::TestWithParam<ShortArchiveCase> {};

// Four bytes or fewer hold no entry at all: the heading, "  ok", no files.
TEST_P(ShortArchiveTest, HasNoEntries) {
    const ShortArchiveCase& c = GetParam();
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    ASSERT_TRUE(
        WriteBytesToFile(dir.Join(BankFileName(c.kind)),
                         Truncate(ArchiveBytes({MakeEntry("x", 4, 1)}, 0x01020304u), c.size)));

    RunResult result = RunProgramIn(dir.path);

    ASSERT_TRUE(ExitedCleanly(result));
    EXPECT_EQ(result.output, ConsoleLines({BankHeading(c.kind), "  ok"}));
    EXPECT_TRUE(TreeIs(dir.path, {BankFileName(c.kind)}));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ShortArchiveTest,
    ::testing::Values(ShortArchiveCase{kMusicBank, 0}, ShortArchiveCase{kMusicBank, 1},
                      ShortArchiveCase{kMusicBank, 2}, ShortArchiveCase{kMusicBank, 3},
                      ShortArchiveCase{kMusicBank, 4}, ShortArchiveCase{kSoundBank, 0},
                      ShortArchiveCase{kSoundBank, 4}),
    [](const ::testing::TestParamInfo<ShortArchiveCase>& info) {
        return std::string(info.param.kind == kMusicBank ? "music_" : "sound_") +
               std::to_string(info.param.size);
    });

// ---------------------------------------------------------------------------
// A whole entry, then one cut after `kept` of its bytes.

enum CutOutcome {
    kNotStarted,   // the cut falls on the entry boundary: the walk ends with "  ok"
    kHeaderOnly,   // 20-byte file, "  Failed to write to output file!"
    kThroughData,  // 44-byte file, "  Failed to write to output file!"
    kZeroTail,     // full-size file, missing samples zero, "  ok"
};

struct CutCase {
    const char* label;
    bool smallEntry;   // the cut entry: "charlie", L = 300; else "bravo_entry", L = 0x102030
    size_t kept;       // bytes of the cut entry left in the archive
    std::string name;  // the name the program must announce
    int32_t length;    // the length field it must read
    CutOutcome outcome;
    int32_t wholeLength = 100;  // the length field of "alpha", the whole entry before it
};

void PrintTo(const CutCase& c, std::ostream* os) { *os << c.label; }

// Its length field has a zero high byte and three distinct others, so that a
// cut inside it shows which bytes were taken.
BankEntry BigEntry() { return MakeEntry("bravo_entry", 0x00102030, 2); }

BankEntry SmallEntry() { return MakeEntry("charlie", 300, 3); }

class CutEntryTest : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutEntryTest, MissingBytesCountAsZero) {
    const CutCase& c = GetParam();
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    BankEntry whole = MakeEntry("alpha", c.wholeLength, 1);
    BankEntry cut = c.smallEntry ? SmallEntry() : BigEntry();
    Bytes archive = ArchiveBytes({whole}) + Truncate(EntryBytes(cut), c.kept);
    ASSERT_TRUE(WriteBytesToFile(dir.Join("music_p.lsd"), archive));

    RunResult result = RunProgramIn(dir.path);

    ASSERT_TRUE(ExitedCleanly(result));
    EXPECT_TRUE(FileHolds(dir.Join("alpha.wav"), ExpectedWav(whole)));
    std::vector<std::string> lines = {"Extracting music...", "  alpha.wav"};
    if (c.outcome == kNotStarted) {
        lines.push_back("  ok");
        EXPECT_EQ(result.output, ConsoleLines(lines));
        EXPECT_TRUE(TreeIs(dir.path, {"music_p.lsd", "alpha.wav"}));
        return;
    }
    std::string file = c.name + ".wav";
    lines.push_back("  " + file);
    lines.push_back(c.outcome == kZeroTail ? kStatusOk : kStatusWriteFailed);
    EXPECT_EQ(result.output, ConsoleLines(lines));
    EXPECT_TRUE(TreeIs(dir.path, {"music_p.lsd", "alpha.wav", file}));

    size_t formatKept =
        c.kept > kNameFieldSize + kLengthFieldSize ? c.kept - kNameFieldSize - kLengthFieldSize : 0;
    Bytes format = ZeroFrom(cut.format, formatKept);
    Bytes expected;
    if (c.outcome == kHeaderOnly) {
        expected = Truncate(WavHeader(c.length, format), 20);
    } else if (c.outcome == kThroughData) {
        expected = WavHeader(c.length, format);
    } else {
        expected = ZeroFrom(ExpectedWav(cut), kWavHeaderSize + (c.kept - kEntryHeadSize));
    }
    EXPECT_TRUE(FileHolds(dir.Join(file), expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, CutEntryTest,
    ::testing::Values(
        CutCase{"at_entry_boundary", false, 0, "", 0, kNotStarted},
        CutCase{"name_first_byte", false, 1, "b", 0, kHeaderOnly},
        CutCase{"name_middle", false, 5, "bravo", 0, kHeaderOnly},
        CutCase{"name_at_its_end", false, 11, "bravo_entry", 0, kHeaderOnly},
        CutCase{"name_padding", false, 20, "bravo_entry", 0, kHeaderOnly},
        CutCase{"name_field_last_byte_missing", false, 31, "bravo_entry", 0, kHeaderOnly},
        CutCase{"after_name_field", false, 32, "bravo_entry", 0, kHeaderOnly},
        CutCase{"length_one_byte", false, 33, "bravo_entry", 0x30, kHeaderOnly},
        CutCase{"length_two_bytes", false, 34, "bravo_entry", 0x2030, kHeaderOnly},
        CutCase{"length_three_bytes", false, 35, "bravo_entry", 0x102030, kHeaderOnly},
        CutCase{"after_length", false, 36, "bravo_entry", 0x102030, kHeaderOnly},
        CutCase{"format_one_byte", false, 37, "bravo_entry", 0x102030, kThroughData},
        CutCase{"format_half", false, 44, "bravo_entry", 0x102030, kThroughData},
        CutCase{"format_all_but_one", false, 51, "bravo_entry", 0x102030, kThroughData},
        CutCase{"after_format", false, 52, "bravo_entry", 0x102030, kThroughData},
        CutCase{"small_after_format", true, 52, "charlie", 300, kThroughData},
        CutCase{"sample_one_byte", true, 53, "charlie", 300, kZeroTail},
        CutCase{"sample_half", true, 52 + 151, "charlie", 300, kZeroTail},
        CutCase{"sample_all_but_one", true, 52 + 301, "charlie", 300, kZeroTail},
        CutCase{"sample_big_block_first_bytes", false, 52 + 5000, "bravo_entry", 0x102030,
                kZeroTail},
        // The memory of the whole entry's samples may come back for the cut one.
        CutCase{"sample_big_block_after_a_bigger_one", false, 52 + 5000, "bravo_entry", 0x102030,
                kZeroTail, 0x180000},
        CutCase{"whole", true, 52 + 302, "charlie", 300, kZeroTail}),
    [](const ::testing::TestParamInfo<CutCase>& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace lsdtest
