// What wav2lsd takes from a WAV file: the format body and the data bytes,
// whatever other chunks and pad bytes surround them, under the file's name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/pack/run_wav2lsd.h"
#include "tests/pack/wav_builder.h"

namespace lsdtest {
namespace {

struct Accepted {
    const char* label;
    std::string file;  // may lie in a subfolder, made for the run
    Bytes contents;
    std::string name;  // what the entry must be
    Bytes format;
    Bytes data;
};

void PrintTo(const Accepted& c, std::ostream* os) { *os << c.label; }

class AcceptedTest : public ::testing::TestWithParam<Accepted> {};

TEST_P(AcceptedTest, GivesOneEntryOfTheFormatAndTheData) {
    const Accepted& c = GetParam();
    ScopedTempDir dir;
    size_t slash = c.file.rfind('/');
    if (slash != std::string::npos) {
        ASSERT_TRUE(MakeDirectory(dir.Join(c.file.substr(0, slash))));
    }
    ASSERT_TRUE(WriteBytesToFile(dir.Join(c.file), c.contents));
    std::vector<std::string> tree = ListTree(dir.path);
    tree.push_back("bank.lsd");

    RunResult result = RunWav2lsd(dir.path, {"bank.lsd", c.file});

    ASSERT_TRUE(ExitedCleanly(result));
    EXPECT_EQ(result.output, "");
    BankEntry entry{NameField(c.name), static_cast<int32_t>(c.data.size()) - 2, c.format, c.data};
    EXPECT_TRUE(FileHolds(dir.Join("bank.lsd"), ArchiveBytes({entry}, 0)));
    EXPECT_TRUE(TreeIs(dir.path, tree));
}

const Bytes kFormat = PcmFormat(2, 44100, 16);
// Formats pass through unread, sense or nonsense.
const Bytes kOddFormat = PatternBytes(16, 5);
const Bytes kOdd = PatternBytes(41, 1);
const Bytes kLong = PatternBytes(70001, 2);

INSTANTIATE_TEST_SUITE_P(
    Wav2lsd, AcceptedTest,
    ::testing::Values(
        Accepted{"chunks before, between and after", "take.wav",
                 RiffWave(RiffChunk("LIST", PatternBytes(7, 3)) + RiffChunk("fmt ", kFormat) +
                          RiffChunk("fact", Int32Bytes(10)) + RiffChunk("data", kOdd) +
                          RiffChunk("id3 ", "abc")),
                 "take", kFormat, kOdd},
        Accepted{"odd data without its pad byte at the end", "end.wav",
                 RiffWave(RiffChunk("fmt ", kOddFormat) + RiffChunk("data", kOdd, false)), "end",
                 kOddFormat, kOdd},
        Accepted{"empty chunk and a RIFF size of zero", "zero.wav",
                 "RIFF" + Int32Bytes(0) + "WAVE" + RiffChunk("junk", "") +
                     RiffChunk("fmt ", kFormat) + RiffChunk("data", "ab"),
                 "zero", kFormat, "ab"},
        Accepted{"upper-case ending in a subfolder", "sub/LOUD.WAV", PlainWav(kFormat, kOdd),
                 "LOUD", kFormat, kOdd},
        Accepted{"18-byte PCM format whose extra part is empty", "pcm18.wav",
                 RiffWave(RiffChunk("fmt ", kFormat + Bytes(2, '\0')) + RiffChunk("data", kOdd)),
                 "pcm18", kFormat, kOdd},
        Accepted{"name of 32 bytes", std::string(32, 'n') + ".wav", PlainWav(kFormat, kOdd),
                 std::string(32, 'n'), kFormat, kOdd},
        Accepted{"chunk and data longer than a copy block", "long.wav",
                 RiffWave(RiffChunk("LIST", PatternBytes(70000, 4)) + RiffChunk("fmt ", kFormat) +
                          RiffChunk("data", kLong) + RiffChunk("LIST", kOdd)),
                 "long", kFormat, kLong}));

TEST(Wav2lsdCommandLine, HelpVersionAndMistakes) {
    const std::string usage = "usage: wav2lsd BANK WAV...\r\n";
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string outputStart;  // stdout begins so, with nothing on stderr
        std::string refusedFile;  // else stderr names this file
        std::string reasonWords;
    } cases[] = {
        {{}, 1, usage, "", ""},
        {{"--help"}, 0, usage, "", ""},
        {{"-h", "a.wav"}, 0, usage, "", ""},
        {{"--version"}, 0, "wav2lsd " WAV2LSD_VERSION "\r\n", "", ""},
        {{"bank.lsd"}, 1, "", "bank.lsd", "no WAV files"},
        {{"--bank", "a.wav"}, 1, "", "--bank", "unknown option"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        ScopedTempDir dir;
        RunResult result = RunWav2lsd(dir.path, c.arguments);
        if (c.refusedFile.empty()) {
            EXPECT_TRUE(result.exited) << DescribeEnd(result);
            EXPECT_EQ(result.exitCode, c.exitCode);
            EXPECT_EQ(result.output.substr(0, c.outputStart.size()), c.outputStart);
            EXPECT_EQ(result.errors, "");
        } else {
            EXPECT_TRUE(RefusedWith(result, c.refusedFile, c.reasonWords));
        }
        EXPECT_TRUE(TreeIs(dir.path, {}));
    }
}

}  // namespace
}  // namespace lsdtest
