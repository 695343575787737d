// The files that users get from the demo open in libsndfile, a library that
// many players and editors rely on, as what the demo generator says it made:
// tones written as WAV files, packed by wav2lsd, extracted by lsd2wav.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/pack/run_wav2lsd.h"

#ifndef MAKE_DEMO_BANK_PROGRAM
#error "MAKE_DEMO_BANK_PROGRAM must name the built demo generator"
#endif

namespace lsdtest {
namespace {

struct DemoFile {
    std::string name;
    int channels;
    int bits;
    int rate;
    long frames;
};

// The generator's lines "  NAME.wav: C ch, B-bit, R Hz, F frames".
std::vector<DemoFile> DemoFilesSaid(const Bytes& output) {
    std::vector<DemoFile> files;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        char name[256];
        DemoFile file;
        if (std::sscanf(line.c_str(), "  %255[^:]: %d ch, %d-bit, %d Hz, %ld frames", name,
                        &file.channels, &file.bits, &file.rate, &file.frames) == 5) {
            file.name = name;
            files.push_back(file);
        }
    }
    return files;
}

TEST(Libsndfile, OpensEveryExtractedDemoFileAsTheGeneratorMadeIt) {
    ScopedTempDir dir;
    ASSERT_TRUE(MakeDirectory(dir.Join("tones")));
    RunOptions demo;
    demo.directory = dir.path;
    demo.program = MAKE_DEMO_BANK_PROGRAM;
    demo.arguments = {"tones"};
    RunResult made = RunProgram(demo);
    ASSERT_TRUE(ExitedCleanly(made));
    std::vector<DemoFile> files = DemoFilesSaid(made.output);
    ASSERT_FALSE(files.empty()) << made.output;

    std::vector<std::string> arguments = {"music_p.lsd"};
    for (const DemoFile& file : files) arguments.push_back("tones/" + file.name);
    ASSERT_TRUE(ExitedCleanly(RunWav2lsd(dir.path, arguments)));
    ASSERT_TRUE(ExitedCleanly(RunProgramIn(dir.path)));

    for (const DemoFile& file : files) {
        SCOPED_TRACE(file.name);
        SF_INFO info = {};
        SNDFILE* sound = sf_open(dir.Join(file.name).c_str(), SFM_READ, &info);
        ASSERT_NE(sound, nullptr) << sf_strerror(nullptr);
        EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_WAV);
        EXPECT_EQ(info.format & SF_FORMAT_SUBMASK,
                  file.bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
        EXPECT_EQ(info.channels, file.channels);
        EXPECT_EQ(info.samplerate, file.rate);
        EXPECT_EQ(info.frames, file.frames);
        // Every frame is there to be read, not only counted.
        std::vector<short> samples(static_cast<size_t>(info.frames * info.channels) + 1);
        EXPECT_EQ(sf_readf_short(sound, samples.data(), info.frames + 1), file.frames);
        sf_close(sound);
    }
}

}  // namespace
}  // namespace lsdtest
