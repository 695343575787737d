// The largest entry the format allows: L = 2,147,483,645, whose sample block
// of L + 2 = 2^31 - 1 bytes is the longest a positive 32-bit length gives.
// Its WAV file of L + 46 bytes ends past 2 GiB, where only 64-bit positions
// still count right. The archive is sparse: zeros everywhere but a few
// marks, so that it costs no disk time to build, while the WAV file the
// program writes is real.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/bank_builder.h"
#include "tests/support/program_runner.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <winioctl.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace lsdtest {
namespace {

constexpr int32_t kLargestLength = 2147483645;
constexpr uint64_t kSampleBlockSize = static_cast<uint64_t>(kLargestLength) + 2;
constexpr uint64_t kWavFileSize = static_cast<uint64_t>(kLargestLength) + 46;
constexpr uint64_t kSampleStart = kLeadFieldSize + kEntryHeadSize;  // in the archive
constexpr uint64_t kArchiveSize = kSampleStart + kSampleBlockSize;
constexpr uint64_t kGiB = uint64_t{1} << 30;

// Recognisable bytes at one place of the sample block.
struct Mark {
    const char* label;
    uint64_t sampleOffset;
    size_t size;
};

// The start of the block, the 1 GiB step at which the POSIX stand-in splits
// long transfers, the last bytes before the WAV file's 2 GiB offset, where a
// 32-bit position turns negative, and the last ones of all, across it.
const uint64_t kSamplesBeforeTwoGiB = 2 * kGiB - kWavHeaderSize;
const Mark kMarks[] = {
    {"start", 0, 64},
    {"one_gib_in_the_block", kGiB - 32, 64},
    {"before_wav_offset_2gib", kSamplesBeforeTwoGiB - 100, 64},
    {"across_wav_offset_2gib_to_the_end", kSamplesBeforeTwoGiB - 8,
     static_cast<size_t>(kSampleBlockSize - (kSamplesBeforeTwoGiB - 8))},
};
const size_t kMarkCount = sizeof kMarks / sizeof kMarks[0];

Bytes MarkBytes(size_t i) { return PatternBytes(kMarks[i].size, static_cast<uint32_t>(i + 1)); }

// What the sample block holds at [from, from + count): zeros, with the marks.
Bytes SamplesAt(uint64_t from, size_t count) {
    Bytes out(count, '\0');
    for (size_t i = 0; i < kMarkCount; ++i) {
        Bytes mark = MarkBytes(i);
        for (size_t k = 0; k < mark.size(); ++k) {
            uint64_t at = kMarks[i].sampleOffset + k;
            if (at >= from && at < from + count) out[static_cast<size_t>(at - from)] = mark[k];
        }
    }
    return out;
}

struct Piece {
    uint64_t offset;
    Bytes bytes;
};

#ifdef _WIN32

// A file of `size` bytes, zero but for `pieces`. Marked sparse first, as NTFS
// would otherwise fill the gap before each piece with real zeros.
bool WriteSparseFile(const std::string& path, uint64_t size, const std::vector<Piece>& pieces) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    bool ok = true;
    for (const Piece& piece : pieces) {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(piece.offset);
        DWORD written = 0;
        ok = ok && SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
             WriteFile(file, piece.bytes.data(), static_cast<DWORD>(piece.bytes.size()), &written,
                       nullptr) &&
             written == piece.bytes.size();
    }
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    ok = ok && SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    return CloseHandle(file) && ok;
}

// `count` bytes of the file from `offset`; fewer where the file ends.
Bytes ReadAt(const std::string& path, uint64_t offset, size_t count) {
    Bytes out(count, '\0');
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Bytes();
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD got = 0;
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ||
        !ReadFile(file, &out[0], static_cast<DWORD>(count), &got, nullptr))
        got = 0;
    CloseHandle(file);
    out.resize(got);
    return out;
}

#else

bool WriteSparseFile(const std::string& path, uint64_t size, const std::vector<Piece>& pieces) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = ftruncate(fd, static_cast<off_t>(size)) == 0;
    for (const Piece& piece : pieces) {
        ok = ok &&
             pwrite(fd, piece.bytes.data(), piece.bytes.size(), static_cast<off_t>(piece.offset)) ==
                 static_cast<ssize_t>(piece.bytes.size());
    }
    return close(fd) == 0 && ok;
}

// `count` bytes of the file from `offset`; fewer where the file ends.
Bytes ReadAt(const std::string& path, uint64_t offset, size_t count) {
    Bytes out(count, '\0');
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Bytes();
    ssize_t got = pread(fd, &out[0], count, static_cast<off_t>(offset));
    close(fd);
    out.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return out;
}

#endif

TEST(LargestEntryTest, SampleBlockOfTwoGiBMinusOneByte) {
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    // Its samples are left out here: the sparse file holds them.
    BankEntry entry = {NameField("largest"), kLargestLength, PcmFormat(2, 44100, 16), Bytes()};
    Bytes head = ArchiveBytes({entry});
    ASSERT_EQ(head.size(), kSampleStart);

    std::vector<Piece> pieces = {{0, head}};
    for (size_t i = 0; i < kMarkCount; ++i) {
        pieces.push_back({kSampleStart + kMarks[i].sampleOffset, MarkBytes(i)});
    }
    ASSERT_TRUE(WriteSparseFile(dir.Join("music_p.lsd"), kArchiveSize, pieces));

    RunOptions options;
    options.directory = dir.path;
    options.timeoutSeconds = 900;
    RunResult result = RunProgram(options);

    ASSERT_TRUE(ExitedCleanly(result));
    const std::string wav = dir.Join("largest.wav");
#if defined(_WIN32) && !defined(_WIN64)
    // A 32-bit Windows process has no room for a 2 GiB scratch block: the
    // header is written, the samples cannot be, and the run says so. The
    // 64-bit Windows build writes the whole file, as Linux does.
    EXPECT_EQ(result.output,
              ConsoleLines({"Extracting music...", "  largest.wav", kStatusWriteFailed}));
    EXPECT_TRUE(FileHolds(wav, WavHeader(kLargestLength, entry.format)));
#else
    EXPECT_EQ(result.output, ConsoleLines({"Extracting music...", "  largest.wav", kStatusOk}));
    ASSERT_EQ(FileSize(wav), static_cast<long long>(kWavFileSize));
    EXPECT_EQ(ReadAt(wav, 0, kWavHeaderSize), WavHeader(kLargestLength, entry.format));
    // Each mark with 16 bytes on either side (none past the end), so that a
    // mark moved by even one byte shows.
    const uint64_t kMargin = 16;
    for (const Mark& mark : kMarks) {
        uint64_t from = mark.sampleOffset >= kMargin ? mark.sampleOffset - kMargin : 0;
        uint64_t to = std::min(mark.sampleOffset + mark.size + kMargin, kSampleBlockSize);
        size_t count = static_cast<size_t>(to - from);
        EXPECT_EQ(ReadAt(wav, kWavHeaderSize + from, count), SamplesAt(from, count)) << mark.label;
    }
#endif
    EXPECT_TRUE(TreeIs(dir.path, {"music_p.lsd", "largest.wav"}));
}

}  // namespace
}  // namespace lsdtest
