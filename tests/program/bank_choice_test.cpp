// Which archive a run picks, and what it does when it finds none it can open.

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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
    ASSERT_TRUE(ExitedCleanly(result));

    if (c.extracted == kNothing) {
        EXPECT_EQ(result.output, "");
        EXPECT_EQ(SnapshotTree(dir.path), before);
        return;
    }
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

}  // namespace
}  // namespace lsdtest
