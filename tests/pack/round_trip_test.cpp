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
        // A new bank takes PCM that means what it says.
        entry.format = PcmFormat(static_cast<uint16_t>(1 + random() % 8),
                                 static_cast<uint32_t>(4000 + random() % 200000),
                                 static_cast<uint16_t>(8 * (1 + random() % 4)));
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

namespace lsdtest {
namespace {

// Awkward names as banks from other tools hold them: subfolders, control
// bytes that the POSIX file system takes, high-bit bytes, and bytes after the
// zero that ends the name. Windows takes no control byte in a file name.
#ifdef _WIN32
const char kAwkwardBytes[] = "abcXYZ019 _-.\xE9\xFF";
#else
const char kAwkwardBytes[] = "abcXYZ019 _-.\r\n\t\x1B\xE9\xFF";
#endif
const char* const kFolders[] = {"", "sub/", "sub/deeper/"};

// The name's folded spelling, as Windows sees two names as one file.
std::string Folded(std::string name) {
    for (char& c : name) c = c == '\\' ? '/' : static_cast<char>(tolower(c));
    return name;
}

std::vector<BankEntry> AwkwardEntries(std::mt19937& random) {
    std::vector<BankEntry> entries;
    std::set<std::string> names;
    size_t count = 1 + random() % 8;
    while (entries.size() < count) {
        std::string folder = kFolders[random() % 3];
        std::string name(1 + random() % (32 - folder.size()), ' ');
        for (char& c : name) c = kAwkwardBytes[random() % (sizeof kAwkwardBytes - 1)];
        name = folder + name;
        // Names that are no file of their own, or that lsd2wav refuses, are
        // the refusal tests' business.
        if (name.back() == '.' || name.back() == ' ' || name.find("..") != std::string::npos ||
            !names.insert(Folded(name)).second)
            continue;
        Bytes field = NameField(name);
        if (name.size() < 31 && random() % 2 == 0) {
            Bytes garbage = PatternBytes(31 - name.size(), static_cast<uint32_t>(random()));
            field = RawNameField(name + '\0' + garbage);
        }
        int32_t length =
            static_cast<int32_t>(random() % 4 == 0 ? random() % 140000 : random() % 300);
        BankEntry entry = MakeRawEntry(field, length, static_cast<uint32_t>(random()));
        entry.format = PatternBytes(kFormatBlockSize, static_cast<uint32_t>(random()));
        entries.push_back(entry);
    }
    return entries;
}

TEST(RoundTrip, UpdateOverLsd2wavFilesGivesTheBankBackAndChangesOnlyTheEditedEntry) {
    for (uint32_t seed = 1; seed <= 30; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        std::vector<BankEntry> entries = AwkwardEntries(random);
        uint32_t lead = static_cast<uint32_t>(random());
        ScopedTempDir dir;
        ASSERT_TRUE(MakeDirectory(dir.Join("sub")));
        ASSERT_TRUE(MakeDirectory(dir.Join("sub/deeper")));
        const Bytes bank = ArchiveBytes(entries, lead);
        ASSERT_TRUE(WriteBytesToFile(dir.Join("music_p.lsd"), bank));
        ASSERT_TRUE(ExitedCleanly(RunProgramIn(dir.path)));
        std::vector<std::string> tree = ListTree(dir.path);

        RunResult same = RunWav2lsd(dir.path, {"--update", "music_p.lsd"});
        ASSERT_TRUE(ExitedCleanly(same));
        EXPECT_EQ(same.output, "");
        EXPECT_TRUE(FileHolds(dir.Join("music_p.lsd"), bank));

        // One file edited: new samples of another length.
        size_t edited = random() % entries.size();
        BankEntry& entry = entries[edited];
        entry.samples = PatternBytes(entry.samples.size() + 1 + random() % 5, seed);
        entry.length = static_cast<int32_t>(entry.samples.size()) - 2;
        ASSERT_TRUE(WriteBytesToFile(dir.Join(WavFileName(entry)), ExpectedWav(entry)));
        RunResult changed = RunWav2lsd(dir.path, {"--verbose", "--update", "music_p.lsd"});
        ASSERT_TRUE(ExitedCleanly(changed));
        EXPECT_TRUE(FileHolds(dir.Join("music_p.lsd"), ArchiveBytes(entries, lead)));
        EXPECT_EQ(changed.output.substr(changed.output.find(": ") + 2),
                  ToolLines({"length, samples changed"}));
        EXPECT_EQ(ListTree(dir.path), tree) << "a temporary file stayed";
    }
}

}  // namespace
}  // namespace lsdtest
