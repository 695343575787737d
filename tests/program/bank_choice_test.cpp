// Which archive a run picks, what it does when it finds none it can open,
// and the command lines that ask a question and so pick none at all.

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/line_end.h"
#include "tests/support/bank_builder.h"
#include "tests/support/program_runner.h"

namespace lsdtest {
namespace {

enum Presence { kAbsent, kArchive, kDirectory };
enum Extracted { kNothing, kMusic, kSound };

struct ChoiceCase {
    const char* label;
    Presence music;
    Presence sound;
    Extracted extracted;
};

void PrintTo(const ChoiceCase& c, std::ostream* os) { *os << c.label; }

std::vector<BankEntry> MusicEntries() {
    return {MakeEntry("m_alpha", 100, 11), MakeEntry("m_beta", -1, 12)};
}

std::vector<BankEntry> SoundEntries() {
    return {MakeEntry("s_alpha", 50, 21), MakeEntry("s_beta", 3000, 22),
            MakeEntry("s_gamma", 0, 23)};
}

bool Place(const ScopedTempDir& dir, BankKind kind, Presence presence) {
    std::string path = dir.Join(BankFileName(kind));
    if (presence == kDirectory) return MakeDirectory(path);
    if (presence == kArchive) {
        return WriteBytesToFile(path,
                                ArchiveBytes(kind == kMusicBank ? MusicEntries() : SoundEntries()));
    }
    return true;
}

class BankChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(BankChoiceTest, ExtractsTheRightBank) {
    const ChoiceCase& c = GetParam();
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    ASSERT_TRUE(Place(dir, kMusicBank, c.music));
    ASSERT_TRUE(Place(dir, kSoundBank, c.sound));
    std::vector<std::string> before = SnapshotTree(dir.path);

    RunResult result = RunProgramIn(dir.path);
    ASSERT_TRUE(result.exited && result.exitCode == 0) << DescribeEnd(result);

    if (c.extracted == kNothing) {
        EXPECT_EQ(result.output, "");
        EXPECT_EQ(result.errors,
                  ConsoleLines({"lsd2wav: no music_p.lsd or sound_p.lsd in this folder"}));
        EXPECT_EQ(SnapshotTree(dir.path), before);
        return;
    }
    EXPECT_EQ(result.errors, "");
    BankKind kind = c.extracted == kMusic ? kMusicBank : kSoundBank;
    std::vector<BankEntry> entries = kind == kMusicBank ? MusicEntries() : SoundEntries();
    EXPECT_EQ(result.output, ExpectedConsole(kind, entries));

    std::vector<std::string> expectedTree;
    if (c.music != kAbsent)
        expectedTree.push_back(c.music == kDirectory ? "music_p.lsd/" : "music_p.lsd");
    if (c.sound != kAbsent)
        expectedTree.push_back(c.sound == kDirectory ? "sound_p.lsd/" : "sound_p.lsd");
    for (const BankEntry& entry : entries) {
        expectedTree.push_back(WavFileName(entry));
        EXPECT_TRUE(FileHolds(dir.Join(WavFileName(entry)), ExpectedWav(entry)));
    }
    EXPECT_TRUE(TreeIs(dir.path, expectedTree));
}

INSTANTIATE_TEST_SUITE_P(
    Banks, BankChoiceTest,
    ::testing::Values(ChoiceCase{"music_only", kArchive, kAbsent, kMusic},
                      ChoiceCase{"sound_only", kAbsent, kArchive, kSound},
                      ChoiceCase{"both_music_wins", kArchive, kArchive, kMusic},
                      ChoiceCase{"none", kAbsent, kAbsent, kNothing},
                      ChoiceCase{"music_is_directory", kDirectory, kArchive, kSound},
                      ChoiceCase{"music_is_directory_no_sound", kDirectory, kAbsent, kNothing},
                      ChoiceCase{"sound_is_directory_music_wins", kArchive, kDirectory, kMusic},
                      ChoiceCase{"both_directories", kDirectory, kDirectory, kNothing}),
    [](const ::testing::TestParamInfo<ChoiceCase>& info) { return std::string(info.param.label); });

// ---------------------------------------------------------------------------
// Command lines: a lone question is answered and touches nothing; anything
// else is warned about and extracts as ever. The folder holds a bank and an
// edited file of one of its entries, which an extraction would overwrite.

struct CommandLineCase {
    const char* label;
    std::vector<std::string> arguments;
    // What the answer on standard output holds, the first part at its
    // start; empty: the extraction runs after the warning.
    std::vector<std::string> answerHolds;
};

void PrintTo(const CommandLineCase& c, std::ostream* os) { *os << c.label; }

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

const std::vector<std::string> kUsageHolds = {"usage: lsd2wav", "music_p.lsd", "sound_p.lsd",
                                              "WAV file", "OVERWRITES", "man lsd2wav"};

TEST_P(CommandLineTest, AnswersAQuestionElseWarnsAndExtracts) {
    const CommandLineCase& c = GetParam();
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    std::vector<BankEntry> entries = MusicEntries();
    ASSERT_TRUE(Place(dir, kMusicBank, kArchive));
    ASSERT_TRUE(WriteBytesToFile(dir.Join(WavFileName(entries[0])), "edited by hand"));
    std::vector<std::string> before = SnapshotTree(dir.path);

    RunOptions options;
    options.directory = dir.path;
    options.arguments = c.arguments;
    RunResult result = RunProgram(options);

    ASSERT_TRUE(result.exited) << DescribeEnd(result);
    EXPECT_EQ(result.exitCode, 0);
    if (!c.answerHolds.empty()) {
        EXPECT_EQ(result.errors, "");
        EXPECT_EQ(result.output.find(c.answerHolds[0]), 0u) << result.output;
        for (const std::string& part : c.answerHolds)
            EXPECT_NE(result.output.find(part), std::string::npos) << part;
        size_t lineFeeds = 0, lineEnds = 0;
        for (size_t i = 0; i < result.output.size(); ++i) {
            lineFeeds += result.output[i] == '\n';
            lineEnds += result.output.compare(i, std::strlen(NativeLineEnd), NativeLineEnd) == 0;
        }
        EXPECT_EQ(lineFeeds, lineEnds) << "a line ends otherwise than this platform's text";
        EXPECT_TRUE(!result.output.empty() && result.output.back() == '\n');
        EXPECT_EQ(SnapshotTree(dir.path), before);
        return;
    }
    EXPECT_EQ(result.errors,
              ConsoleLines({"lsd2wav takes no arguments; it extracts the bank of the current "
                            "folder"}));
    EXPECT_EQ(result.output, ExpectedConsole(kMusicBank, entries));
    for (const BankEntry& entry : entries)
        EXPECT_TRUE(FileHolds(dir.Join(WavFileName(entry)), ExpectedWav(entry)));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineTest,
    ::testing::Values(
        CommandLineCase{"help", {"--help"}, kUsageHolds},
        CommandLineCase{"h", {"-h"}, kUsageHolds},
        CommandLineCase{"slash_question_mark", {"/?"}, kUsageHolds},
        CommandLineCase{"version",
                        {"--version"},
                        {ConsoleLines({"lsd2wav " LSD2WAV_VERSION, "MIT License"})}},
        CommandLineCase{"unknown_option", {"--extract"}, {}},
        CommandLineCase{"help_and_more", {"--help", "now"}, {}},
        CommandLineCase{"bank_name", {"sound_p.lsd"}, {}}),
    [](const ::testing::TestParamInfo<CommandLineCase>& info) {
        return std::string(info.param.label);
    });

}  // namespace
}  // namespace lsdtest
