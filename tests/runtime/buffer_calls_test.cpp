// The OS calls are the buffer's contract: these tests count them through the
// seam, call by call.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstdint>
#include <vector>

#include "runtime/files/file_handle.h"
#include "tests/runtime/runtime_fixture.h"
#include "tests/support/os_spy.h"

namespace {

using Sizes = std::vector<uint64_t>;

std::vector<unsigned char> Pattern(size_t n) {
    std::vector<unsigned char> bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<unsigned char>(i * 13 + i / 251);
    return bytes;
}

class BufferCallsTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        InstallOsSpy(&spy);
    }
    void TearDown() override {
        RemoveOsSpy();
        RuntimeTest::TearDown();
    }
    void WriteHeader(FileHandle* h) {
        for (int i = 0; i < 11; ++i) WriteInt32(h, i);
    }
    OsSpy spy;
};

TEST_P(BufferCallsTest, NameLengthAndFormatCostOneRead) {
    MakeFile("in.lsd", Pattern(100));
    FileHandle* h = OpenForReading("in.lsd");
    ASSERT_NE(h, nullptr);
    unsigned char name[32], format[16];
    EXPECT_EQ(ReadBlock(h, name, 32), 32);
    ReadInt32(h);
    EXPECT_EQ(ReadBlock(h, format, 16), 16);
    EXPECT_EQ(AskedOf(spy, OsCall::ReadFile, "in.lsd"), Sizes{4096});
    EXPECT_EQ(GetPosition(h), 52);
}

TEST_P(BufferCallsTest, ABigReadTakesTheReadAheadThenGoesStraightToTheFile) {
    std::vector<unsigned char> bytes = Pattern(3996 + 10000);
    MakeFile("in.lsd", bytes);
    FileHandle* h = OpenForReading("in.lsd");
    ASSERT_NE(h, nullptr);
    std::vector<unsigned char> got(3996 + 10000);
    ASSERT_EQ(ReadBlock(h, got.data(), 3996), 3996);
    EXPECT_EQ(ReadBlock(h, got.data() + 3996, 10000), 10000);
    EXPECT_EQ(GetPosition(h), 3996 + 10000);
    EXPECT_EQ(got, bytes);
    EXPECT_EQ(AskedOf(spy, OsCall::ReadFile, "in.lsd"), (Sizes{4096, 9900}));
}

TEST_P(BufferCallsTest, AtEndLeavesThePositionAlone) {
    MakeFile("in.lsd", Pattern(5000));
    FileHandle* h = OpenForReading("in.lsd");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(AtEnd(h), 0);  // empty read-ahead: it refills
    EXPECT_EQ(GetPosition(h), 0);
    unsigned char block[10];
    ReadBlock(h, block, 10);
    EXPECT_EQ(AtEnd(h), 0);  // bytes buffered: nothing moves
    EXPECT_EQ(GetPosition(h), 10);  // 10 less than the OS position
    EXPECT_EQ(AskedOf(spy, OsCall::ReadFile, "in.lsd"), Sizes{4096});
}

TEST_P(BufferCallsTest, ASmallFileWaitsInTheBufferUntilItsClose) {
    FileHandle* h = CreateForWriting("out.wav", nullptr);
    ASSERT_NE(h, nullptr);
    WriteHeader(h);
    std::vector<unsigned char> block = Pattern(100);
    EXPECT_EQ(WriteBlock(h, block.data(), 100), 100);
    EXPECT_EQ(GetPosition(h), 144);
    EXPECT_EQ(CountCalls(spy, OsCall::WriteFile, "out.wav"), 0u);
    EXPECT_EQ(CloseFile(h), 1);
    EXPECT_EQ(AskedOf(spy, OsCall::WriteFile, "out.wav"), Sizes{144});
}

TEST_P(BufferCallsTest, ABigBlockFlushesTheHeaderThenGoesStraightToTheFile) {
    FileHandle* h = CreateForWriting("out.wav", nullptr);
    ASSERT_NE(h, nullptr);
    WriteHeader(h);
    std::vector<unsigned char> block = Pattern(5000);
    EXPECT_EQ(WriteBlock(h, block.data(), 5000), 5000);
    EXPECT_EQ(AskedOf(spy, OsCall::WriteFile, "out.wav"), (Sizes{44, 5000}));
    EXPECT_EQ(GetPosition(h), 5044);
    EXPECT_EQ(CloseFile(h), 1);
    EXPECT_EQ(FileBytes("out.wav").size(), 5044u);
}

TEST_P(BufferCallsTest, AWriteOfExactlyTheFreeSpaceFlushesFirst) {
    FileHandle* h = CreateForWriting("out.wav", nullptr);
    ASSERT_NE(h, nullptr);
    WriteHeader(h);
    std::vector<unsigned char> block = Pattern(4052);
    EXPECT_EQ(WriteBlock(h, block.data(), 4052), 4052);
    EXPECT_EQ(AskedOf(spy, OsCall::WriteFile, "out.wav"), Sizes{44});
    EXPECT_EQ(GetPosition(h), 4096);
    EXPECT_EQ(CloseFile(h), 1);
    EXPECT_EQ(AskedOf(spy, OsCall::WriteFile, "out.wav"), (Sizes{44, 4052}));
}

TEST_P(BufferCallsTest, ABufferOrMoreIntoAnEmptyBufferGoesStraightToTheFile) {
    FileHandle* h = CreateForWriting("out.wav", nullptr);
    ASSERT_NE(h, nullptr);
    std::vector<unsigned char> block = Pattern(4096);
    EXPECT_EQ(WriteBlock(h, block.data(), 4096), 4096);
    EXPECT_EQ(CloseFile(h), 1);
    // One call with all of it; writes of nothing do not count.
    Sizes asked = AskedOf(spy, OsCall::WriteFile, "out.wav");
    asked.erase(std::remove(asked.begin(), asked.end(), 0u), asked.end());
    EXPECT_EQ(asked, Sizes{4096});
}

TEST_P(BufferCallsTest, AShortFlushAtCloseIsReported) {
    FileHandle* h = CreateForWriting("out.wav", nullptr);
    ASSERT_NE(h, nullptr);
    WriteHeader(h);
    ShortenWritesTo(spy, 40, "out.wav");
    EXPECT_EQ(CloseFile(h), 0);
    EXPECT_EQ(FileBytes("out.wav").size(), 40u);
}

TEST_P(BufferCallsTest, AFailedOsCloseIsReported) {
    FileHandle* h = CreateForWriting("out.wav", nullptr);
    ASSERT_NE(h, nullptr);
    WriteHeader(h);
    FailNth(spy, OsCall::CloseHandle, 1, false, "out.wav");
    EXPECT_EQ(CloseFile(h), 0);
    EXPECT_EQ(FileBytes("out.wav").size(), 44u);
}

INSTANTIATE_TEST_SUITE_P(Buffer4096, BufferCallsTest, ::testing::Values(4096), BufferName);

// Reads of every shape the OS may give, crossed with request patterns and
// buffer sizes around the edges: whatever arrives must be the file's next
// bytes, never lost or repeated, and the position must follow.
enum class Shape { Whole, OneByte, Pieces, ErrorAfterData };

struct ReadCase {
    Shape shape;
    std::vector<int32_t> requests;  // repeated until the file gives nothing
};

class ReadShapesTest : public RuntimeTest {};

TEST_P(ReadShapesTest, DeliversTheFileInOrderWhateverTheShape) {
    const int32_t size = 3 * 4096 + 77;
    std::vector<unsigned char> bytes = Pattern(size);
    MakeFile("in.lsd", bytes);
    const int32_t b = GetParam() > 1 ? GetParam() : 4096;  // sizes around the buffer
    const std::vector<std::vector<int32_t>> patterns = {
        {1},          {4},          {32, 4, 16},    {b - 1, 2},   {b, 1},
        {b + 1},      {2 * b - 1},  {3, b - 3, 7},  {10000, 1},   {size + 5},
    };
    for (Shape shape : {Shape::Whole, Shape::OneByte, Shape::Pieces, Shape::ErrorAfterData}) {
        for (const std::vector<int32_t>& pattern : patterns) {
            OsSpy spy;
            InstallOsSpy(&spy);
            if (shape == Shape::OneByte) ShortenReadsTo(spy, 1, "in.lsd");
            if (shape == Shape::Pieces) ShortenReadsTo(spy, 1000, "in.lsd");
            if (shape == Shape::ErrorAfterData) FailNth(spy, OsCall::ReadFile, 2, true, "in.lsd");
            FileHandle* h = OpenForReading("in.lsd");
            ASSERT_NE(h, nullptr);
            std::vector<unsigned char> got;
            for (size_t i = 0;; ++i) {
                int32_t n = pattern[i % pattern.size()];
                bool atEnd = AtEnd(h) != 0;
                std::vector<unsigned char> chunk(static_cast<size_t>(n));
                int32_t delivered = ReadBlock(h, chunk.data(), n);
                ASSERT_GE(delivered, 0);
                ASSERT_LE(delivered, n);
                if (atEnd) {
                    ASSERT_EQ(delivered, 0);
                }
                if (delivered == 0) break;
                got.insert(got.end(), chunk.begin(), chunk.begin() + delivered);
                ASSERT_EQ(GetPosition(h), static_cast<int64_t>(got.size()));
                // A short read from the OS is asked again: only nothing is the end.
                if (shape != Shape::ErrorAfterData && got.size() < bytes.size()) {
                    ASSERT_EQ(delivered, n);
                }
            }
            ASSERT_LE(got.size(), bytes.size());
            EXPECT_TRUE(std::equal(got.begin(), got.end(), bytes.begin()));
            if (shape != Shape::ErrorAfterData) {
                EXPECT_EQ(got.size(), bytes.size());
            }
            // A failed read is kept on the handle and told apart from the end.
            bool failed = shape == Shape::ErrorAfterData;
            EXPECT_EQ(HasFailed(h), failed);
            EXPECT_EQ(CloseFile(h), !failed);
            RemoveOsSpy();
        }
    }
}

TEST_P(ReadShapesTest, WritesOfEveryPatternLandWholeAndInOrder) {
    const int32_t b = GetParam() > 1 ? GetParam() : 4096;  // sizes around the buffer
    const std::vector<std::vector<int32_t>> patterns = {
        {4}, {1, 2, 4}, {b - 1}, {b}, {b + 1}, {4, b - 4}, {44, 4052}, {3, 2 * b}, {5000},
    };
    std::vector<unsigned char> source = Pattern(4 * 4096 + 3);
    for (const std::vector<int32_t>& pattern : patterns) {
        FileHandle* h = CreateForWriting("out.wav", nullptr);
        ASSERT_NE(h, nullptr);
        std::vector<unsigned char> expected;
        for (size_t i = 0; expected.size() + pattern[i % pattern.size()] <= source.size(); ++i) {
            int32_t n = pattern[i % pattern.size()];
            ASSERT_EQ(WriteBlock(h, source.data() + expected.size(), n), n);
            expected.insert(expected.end(), source.begin() + expected.size(),
                            source.begin() + expected.size() + n);
            ASSERT_EQ(GetPosition(h), static_cast<int64_t>(expected.size()));
        }
        EXPECT_EQ(CloseFile(h), 1);
        EXPECT_EQ(FileBytes("out.wav"), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(BufferSizes, ReadShapesTest, ::testing::Values(0, 5, 8, 4096),
                         BufferName);

}  // namespace
