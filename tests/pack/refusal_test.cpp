// Whatever wav2lsd refuses, it says so in one line naming the file and the
// reason, ends with code 1, and leaves the folder as it was: no new bank, no
// temporary file, an older bank untouched.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/pack/run_wav2lsd.h"
#include "tests/pack/wav_builder.h"

namespace lsdtest {
namespace {

const Bytes kFormat = PcmFormat(1, 8000, 16);
const Bytes kData = PatternBytes(40, 7);
const Bytes kFmt = RiffChunk("fmt ", kFormat);
const Bytes kDataChunk = RiffChunk("data", kData);

struct Refusal {
    const char* label;
    std::string file;  // packed after a good file
    bool exists;       // else the file is not there at all
    Bytes contents;
    std::string reasonWords;
};

void PrintTo(const Refusal& c, std::ostream* os) { *os << c.label; }

class RefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusalTest, NamesTheFileAndLeavesTheFolderAsItWas) {
    const Refusal& c = GetParam();
    for (bool olderBank : {false, true}) {
        SCOPED_TRACE(olderBank ? "over an older bank" : "with no bank before");
        ScopedTempDir dir;
        ASSERT_TRUE(WriteBytesToFile(dir.Join("good.wav"), PlainWav(kFormat, kData)));
        if (c.exists) {
            ASSERT_TRUE(WriteBytesToFile(dir.Join(c.file), c.contents));
        }
        if (olderBank) {
            ASSERT_TRUE(WriteBytesToFile(dir.Join("bank.lsd"), "older bank"));
        }
        std::vector<std::string> before = SnapshotTree(dir.path);

        // An older bank is replaced only with --force, and then only once
        // every file has been packed.
        std::vector<std::string> arguments = {"bank.lsd", "good.wav", c.file};
        if (olderBank) arguments.insert(arguments.begin(), "--force");
        RunResult result = RunWav2lsd(dir.path, arguments);

        EXPECT_TRUE(RefusedWith(result, c.file, c.reasonWords));
        EXPECT_EQ(SnapshotTree(dir.path), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Wav2lsd, RefusalTest,
    ::testing::Values(
        Refusal{"missing", "absent.wav", false, "", "cannot open the file: no such file or folder"},
        Refusal{"text", "text.wav", true, "hello, world", "not a RIFF WAVE"},
        Refusal{"other RIFF", "movie.wav", true, "RIFF" + Int32Bytes(4) + "AVI ",
                "not a RIFF WAVE"},
        Refusal{"cut in the RIFF header", "cut.wav", true, "RIFF" + Int32Bytes(4),
                "not a RIFF WAVE"},
        Refusal{"extensible float", "ext.wav", true,
                RiffWave(RiffChunk("fmt ", ExtensibleFormat(2, 44100, 32, 32, 3)) + kDataChunk),
                "floating point, not PCM: convert it to PCM, for example: "
                "sox in.wav -b 16 -e signed-integer out.wav"},
        Refusal{"extensible with fewer valid bits", "ext20.wav", true,
                RiffWave(RiffChunk("fmt ", ExtensibleFormat(2, 44100, 24, 20, 1)) + kDataChunk),
                "do not fill their containers: convert"},
        Refusal{"float format of 18 bytes", "float.wav", true,
                RiffWave(RiffChunk("fmt ", "\x03" + kFormat.substr(1) + Bytes(2, '\0')) +
                         kDataChunk),
                "floating point, not PCM: convert it to PCM"},
        // A 16-byte chunk is read for what it says, too.
        Refusal{"float format of 16 bytes", "float16.wav", true,
                RiffWave(RiffChunk("fmt ", "\x03" + kFormat.substr(1)) + kDataChunk),
                "floating point, not PCM"},
        Refusal{"MP3 format", "mp3.wav", true,
                RiffWave(RiffChunk("fmt ", "\x55" + kFormat.substr(1)) + kDataChunk),
                "compressed, not PCM"},
        Refusal{"no channels", "none.wav", true, PlainWav(PcmFormat(0, 8000, 8), kData),
                "do not agree"},
        Refusal{"block alignment that fits no sample", "align.wav", true,
                PlainWav(kFormat.substr(0, 12) + "\x03" + kFormat.substr(13), kData),
                "do not agree"},
        Refusal{"byte rate that fits no rate", "rate.wav", true,
                PlainWav(kFormat.substr(0, 8) + Int32Bytes(7) + kFormat.substr(12), kData),
                "do not agree"},
        Refusal{"40 bits a sample", "wide.wav", true, PlainWav(PcmFormat(1, 8000, 40), kData),
                "do not agree"},
        Refusal{"18-byte format with extra bytes", "extra.wav", true,
                RiffWave(RiffChunk("fmt ", kFormat + "\x02" + Bytes(1, '\0')) + kDataChunk),
                "16 bytes"},
        Refusal{"two formats", "twofmt.wav", true, RiffWave(kFmt + kFmt + kDataChunk),
                "more than one format"},
        Refusal{"format after data", "late.wav", true, RiffWave(kDataChunk + kFmt),
                "before the format"},
        Refusal{"no format", "nofmt.wav", true, RiffWave(RiffChunk("LIST", "INFO")), "no format"},
        Refusal{"no data", "nodata.wav", true, RiffWave(kFmt + RiffChunk("LIST", "INFO")),
                "no data"},
        Refusal{"no data bytes", "none.wav", true, PlainWav(kFormat, ""), "data chunk is empty"},
        Refusal{"data cut short", "short.wav", true, RiffWave(kFmt + SizedChunk("data", kData, 41)),
                "data chunk runs past"},
        Refusal{"data of 2 GiB", "huge.wav", true,
                RiffWave(kFmt + SizedChunk("data", kData, 0x80000000u)), "too long"},
        Refusal{"two data chunks", "twodata.wav", true, RiffWave(kFmt + kDataChunk + kDataChunk),
                "more than one data"},
        Refusal{"chunk before the data cut short", "list.wav", true,
                RiffWave(SizedChunk("LIST", "INFO", 100)), "a chunk runs past"},
        Refusal{"chunk after the data cut short", "list.wav", true,
                PlainWav(kFormat, kData) + SizedChunk("LIST", "INFO", 100), "a chunk runs past"},
        Refusal{"no .wav ending", "notes.txt", true, PlainWav(kFormat, kData), "end in .wav"},
        Refusal{"empty name", ".wav", true, PlainWav(kFormat, kData), "empty"},
        Refusal{"name of 33 bytes", std::string(33, 'n') + ".wav", true, PlainWav(kFormat, kData),
                "longer than 32 bytes: 33 bytes long"},
        Refusal{"two files, one entry on Windows", "GOOD.WAV", true, PlainWav(kFormat, kData),
                "same entry name as another file: good.wav"}));

#ifndef _WIN32
// Names that only POSIX file systems hold, and new banks take nowhere.
INSTANTIATE_TEST_SUITE_P(
    Wav2lsdPosixNames, RefusalTest,
    ::testing::Values(Refusal{"a name Windows cannot create", "x*y.wav", true,
                              PlainWav(kFormat, kData), "Windows cannot create a file name with"},
                      Refusal{"a control byte", "tab\t.wav", true, PlainWav(kFormat, kData),
                              "control byte"}));
#endif

}  // namespace
}  // namespace lsdtest

namespace lsdtest {
namespace {

// --update refuses a bank it cannot give back as it is, or a folder that
// does not hold what lsd2wav extracted from it; BANK stays as it was.
struct UpdateRefusal {
    const char* label;
    Bytes bank;
    std::vector<std::pair<std::string, Bytes>> files;  // beside the bank
    std::string file;  // named in the message
    std::string reasonWords;
};

void PrintTo(const UpdateRefusal& c, std::ostream* os) { *os << c.label; }

class UpdateRefusalTest : public ::testing::TestWithParam<UpdateRefusal> {};

TEST_P(UpdateRefusalTest, NamesTheEntryAndLeavesTheBankAsItWas) {
    const UpdateRefusal& c = GetParam();
    ScopedTempDir dir;
    ASSERT_TRUE(WriteBytesToFile(dir.Join("music_p.lsd"), c.bank));
    for (const auto& file : c.files)
        ASSERT_TRUE(WriteBytesToFile(dir.Join(file.first), file.second));
    std::vector<std::string> before = SnapshotTree(dir.path);

    RunResult result = RunWav2lsd(dir.path, {"--update", "music_p.lsd"});

    EXPECT_TRUE(RefusedWith(result, c.file, c.reasonWords));
    EXPECT_EQ(SnapshotTree(dir.path), before);
}

const BankEntry kA = MakeEntry("a", 10, 1);
const BankEntry kB = MakeEntry("b", 10, 2);
const std::pair<std::string, Bytes> kAWav = {"a.wav", ExpectedWav(kA)};
const std::pair<std::string, Bytes> kBWav = {"b.wav", ExpectedWav(kB)};

INSTANTIATE_TEST_SUITE_P(
    Wav2lsd, UpdateRefusalTest,
    ::testing::Values(
        UpdateRefusal{"file missing", ArchiveBytes({kA, kB}), {kAWav}, "b.wav",
                      "no such file in the current folder"},
        UpdateRefusal{"a changed format that means nothing", ArchiveBytes({kA}),
                      {{"a.wav", PlainWav(PcmFormat(0, 8000, 8), kA.samples)}}, "a.wav",
                      "do not agree"},
        UpdateRefusal{"file not a WAV", ArchiveBytes({kA, kB}), {kAWav, {"b.wav", "text"}},
                      "b.wav", "not a RIFF WAVE"},
        UpdateRefusal{"cut inside the samples", Truncate(ArchiveBytes({kA, kB}), 4 + 64 + 52 + 5),
                      {kAWav, kBWav}, "music_p.lsd: entry 2, b.wav", "pads the file with zeros"},
        UpdateRefusal{"cut inside the name field", Truncate(ArchiveBytes({kA, kB}), 4 + 66),
                      {kAWav}, "music_p.lsd: entry 2, b.wav", "cut short"},
        UpdateRefusal{"cut in the lead field", "ab", {}, "music_p.lsd", "first 4 bytes"},
        UpdateRefusal{"no samples", ArchiveBytes({MakeEntry("a", -2, 1)}), {kAWav},
                      "music_p.lsd: entry 1, a.wav", "no samples"},
        UpdateRefusal{"device name", ArchiveBytes({kA, MakeEntry("nul", 10, 3)}), {kAWav},
                      "music_p.lsd: entry 2, nul.wav", "device name"},
        UpdateRefusal{"rooted name", ArchiveBytes({MakeEntry("\\x", 10, 3)}), {},
                      "music_p.lsd: entry 1, \\x.wav", "starts with"},
        UpdateRefusal{"two entries, one file", ArchiveBytes({kA, kB, MakeEntry("a", 4, 3)}),
                      {kAWav, kBWav}, "music_p.lsd: entry 3, a.wav", "entry 1, a.wav"},
        UpdateRefusal{"two entries, one file on Windows",
                      ArchiveBytes({MakeEntry("s/B", 4, 3), kA, MakeEntry("s\\b", 4, 3)}), {},
                      "music_p.lsd: entry 3, s\\b.wav", "another entry: entry 1, s/B.wav"},
        UpdateRefusal{"two entries, one file through a dot",
                      ArchiveBytes({MakeEntry("x", 4, 3), MakeEntry("./x", 4, 4)}), {},
                      "music_p.lsd: entry 2, ./x.wav", "another entry: entry 1, x.wav"},
        UpdateRefusal{"two entries, one file through an empty folder",
                      ArchiveBytes({MakeEntry("s/x", 4, 3), MakeEntry("s//x", 4, 4)}), {},
                      "music_p.lsd: entry 2, s//x.wav", "another entry: entry 1, s/x.wav"},
        UpdateRefusal{"two entries, one file through a folder's trailing dot",
                      ArchiveBytes({MakeEntry("s./x", 4, 3), MakeEntry("s/x", 4, 4)}), {},
                      "music_p.lsd: entry 2, s/x.wav", "another entry: entry 1, s./x.wav"},
        UpdateRefusal{"two entries, one file by a letter's case",
                      ArchiveBytes({MakeEntry("\xC9", 4, 3), MakeEntry("\xE9", 4, 4)}), {},
                      "music_p.lsd: entry 2, \xE9.wav", "another entry: entry 1, \xC9.wav"}));

}  // namespace
}  // namespace lsdtest
