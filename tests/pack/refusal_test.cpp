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

        RunResult result = RunWav2lsd(dir.path, {"bank.lsd", "good.wav", c.file});

        EXPECT_TRUE(RefusedWith(result, c.file, c.reasonWords));
        EXPECT_EQ(SnapshotTree(dir.path), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Wav2lsd, RefusalTest,
    ::testing::Values(
        Refusal{"missing", "absent.wav", false, "", "cannot open"},
        Refusal{"text", "text.wav", true, "hello, world", "not a RIFF WAVE"},
        Refusal{"other RIFF", "movie.wav", true, "RIFF" + Int32Bytes(4) + "AVI ",
                "not a RIFF WAVE"},
        Refusal{"cut in the RIFF header", "cut.wav", true, "RIFF" + Int32Bytes(4),
                "not a RIFF WAVE"},
        Refusal{"extensible format", "ext.wav", true,
                RiffWave(RiffChunk("fmt ", kFormat + Int32Bytes(22).substr(0, 2) +
                                               PatternBytes(22, 3)) +
                         kDataChunk),
                "sox in.wav -b 16 -e signed-integer out.wav"},
        Refusal{"float format of 18 bytes", "float.wav", true,
                RiffWave(RiffChunk("fmt ", "\x03" + kFormat.substr(1) + Bytes(2, '\0')) +
                         kDataChunk),
                "convert it to 16-bit PCM"},
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
        Refusal{"one data byte", "one.wav", true, PlainWav(kFormat, "x"), "shorter than 2"},
        Refusal{"no data bytes", "none.wav", true, PlainWav(kFormat, ""), "shorter than 2"},
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
        Refusal{"cut in a chunk header", "tail.wav", true, PlainWav(kFormat, kData) + "LIS",
                "a chunk runs past"},
        Refusal{"no .wav ending", "notes.txt", true, PlainWav(kFormat, kData), "end in .wav"},
        Refusal{"empty name", ".wav", true, PlainWav(kFormat, kData), "empty"},
        Refusal{"name of 33 bytes", std::string(33, 'n') + ".wav", true, PlainWav(kFormat, kData),
                "longer than 32"}));

}  // namespace
}  // namespace lsdtest
