// The round trip as a property: for any bank of complete entries with
// distinct plain names, wav2lsd over lsd2wav's files in archive order gives
// the bank back byte for byte, but for the lead field, which it writes as 0.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/pack/run_wav2lsd.h"

namespace lsdtest {
namespace {

const char kNameBytes[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-. ";

std::string RandomName(std::mt19937& random) {
    std::string name(1 + random() % 32, ' ');
    for (char& c : name) c = kNameBytes[random() % (sizeof kNameBytes - 1)];
    return name;
}

// Mostly short entries, some past the file buffer and the copy block; odd
// and even sizes alike, from two bytes up.
std::vector<BankEntry> RandomEntries(std::mt19937& random) {
    std::vector<BankEntry> entries;
    std::set<std::string> names;
    size_t count = 1 + random() % 8;
    while (entries.size() < count) {
        std::string name = RandomName(random);
        if (!names.insert(name).second) continue;
        int32_t length =
            static_cast<int32_t>(random() % 4 == 0 ? random() % 140000 : random() % 300);
        BankEntry entry = MakeEntry(name, length, static_cast<uint32_t>(random()));
        entry.format = PatternBytes(kFormatBlockSize, static_cast<uint32_t>(random()));
        entries.push_back(entry);
    }
    return entries;
}

TEST(RoundTrip, Wav2lsdOverLsd2wavFilesRebuildsTheBank) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        std::vector<BankEntry> entries = RandomEntries(random);
        ScopedTempDir dir;
        ASSERT_TRUE(WriteBytesToFile(dir.Join("music_p.lsd"),
                                     ArchiveBytes(entries, static_cast<uint32_t>(random()))));
        ASSERT_TRUE(ExitedCleanly(RunProgramIn(dir.path)));

        // The files as a user might name them: bare, relative or absolute.
        std::vector<std::string> arguments = {"rebuilt.lsd"};
        const std::string prefixes[] = {"", "./", dir.path + "/"};
        for (const BankEntry& entry : entries)
            arguments.push_back(prefixes[random() % 3] + WavFileName(entry));
        RunResult result = RunWav2lsd(dir.path, arguments);

        ASSERT_TRUE(ExitedCleanly(result));
        EXPECT_TRUE(FileHolds(dir.Join("rebuilt.lsd"), ArchiveBytes(entries, 0)));
        EXPECT_EQ(ListTree(dir.path).size(), entries.size() + 2) << "a temporary file stayed";
    }
}

}  // namespace
}  // namespace lsdtest
