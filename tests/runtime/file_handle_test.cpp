#include <string>
#include <vector>

#include "runtime/files/file_handle.h"
#include "runtime/files/file_registry.h"
#include "tests/runtime/runtime_fixture.h"
#include "tests/support/os_spy.h"

namespace {

std::vector<unsigned char> Counting(size_t n) {
    std::vector<unsigned char> bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + 1);
    return bytes;
}

using FileHandleTest = RuntimeTest;

TEST_P(FileHandleTest, OpeningAMissingFileLeavesNothingToClose) {
    OsSpy spy;
    InstallOsSpy(&spy);
    EXPECT_EQ(OpenForReading("missing.lsd"), nullptr);
    CloseAllFiles();
    RemoveOsSpy();
    EXPECT_EQ(CountCalls(spy, OsCall::CloseHandle), 0u);
}

TEST_P(FileHandleTest, CreatingAnExistingFileEmptiesIt) {
    MakeFile("old.wav", Counting(100));
    FileHandle* h = CreateForWriting("old.wav", nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(CloseFile(h), 1);
    EXPECT_TRUE(FileBytes("old.wav").empty());
}

TEST_P(FileHandleTest, ReadsValuesAndBlocksInOrder) {
    std::vector<unsigned char> bytes = {0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 9, 8, 7};
    MakeFile("in.lsd", bytes);
    FileHandle* h = OpenForReading("in.lsd");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(ReadInt32(h), 0x12345678);
    EXPECT_EQ(ReadInt32(h), -2);
    unsigned char block[8] = {};
    EXPECT_EQ(ReadBlock(h, block, 8), 3);
    EXPECT_EQ(std::vector<unsigned char>(block, block + 3), std::vector<unsigned char>({9, 8, 7}));
    EXPECT_EQ(ReadBlock(h, block, 8), 0);
    // Rewound, the same handle reads the same bytes again, from the start.
    EXPECT_TRUE(RewindFile(h));
    EXPECT_EQ(GetPosition(h), 0);
    EXPECT_EQ(ReadInt32(h), 0x12345678);
    EXPECT_EQ(GetPosition(h), 4);
    EXPECT_EQ(AtEnd(h), 0);
}

TEST_P(FileHandleTest, ReadInt32KeepsMissingHighBytesZero) {
    MakeFile("in.lsd", {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x11, 0x22});
    FileHandle* h = OpenForReading("in.lsd");
    ASSERT_NE(h, nullptr);
    unsigned char skip[5];
    ASSERT_EQ(ReadBlock(h, skip, 5), 5);
    EXPECT_EQ(ReadInt32(h), 0x2211);
    EXPECT_EQ(ReadInt32(h), 0);
}

TEST_P(FileHandleTest, AtEndNeverMovesThePosition) {
    MakeFile("empty.lsd", {});
    FileHandle* empty = OpenForReading("empty.lsd");
    ASSERT_NE(empty, nullptr);
    EXPECT_NE(AtEnd(empty), 0);

    std::vector<unsigned char> bytes = Counting(10);
    MakeFile("in.lsd", bytes);
    FileHandle* h = OpenForReading("in.lsd");
    ASSERT_NE(h, nullptr);
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(AtEnd(h), 0) << i;
        ASSERT_EQ(AtEnd(h), 0) << i;
        EXPECT_EQ(GetPosition(h), i);
        unsigned char b = 0;
        ASSERT_EQ(ReadBlock(h, &b, 1), 1);
        EXPECT_EQ(b, bytes[i]);
    }
    EXPECT_NE(AtEnd(h), 0);
    EXPECT_EQ(GetPosition(h), 10);
}

TEST_P(FileHandleTest, WritesHeaderAndBlockAtTheRightPositions) {
    std::vector<unsigned char> block = Counting(5000);
    for (int32_t n : {0, 1, 100, 4051, 4052, 4096, 5000}) {
        FileHandle* h = CreateForWriting("out.wav", nullptr);
        ASSERT_NE(h, nullptr);
        for (int i = 0; i < 11; ++i) EXPECT_EQ(WriteInt32(h, 0x04030201 * (i + 1)), 4);
        EXPECT_EQ(GetPosition(h), 44);
        EXPECT_EQ(WriteBlock(h, block.data(), n), n);
        EXPECT_EQ(GetPosition(h), 44 + n) << n;
        EXPECT_EQ(CloseFile(h), 1);

        std::vector<unsigned char> written = FileBytes("out.wav");
        ASSERT_EQ(written.size(), 44u + n);
        EXPECT_EQ(written[0], 0x01);
        EXPECT_EQ(written[3], 0x04);
        EXPECT_EQ(std::vector<unsigned char>(written.begin() + 44, written.end()),
                  std::vector<unsigned char>(block.begin(), block.begin() + n));
    }
}

TEST_P(FileHandleTest, WriteBlockOfNothingTouchesNothing) {
    MakeFile("keep.wav", {});
    FileHandle* h = CreateForWriting("keep.wav", nullptr);
    ASSERT_NE(h, nullptr);
    unsigned char byte = 1;
    EXPECT_EQ(WriteBlock(h, &byte, 0), 0);
    EXPECT_EQ(WriteBlock(h, nullptr, 1), 0);
    EXPECT_EQ(WriteBlock(h, &byte, -1), 0);
    EXPECT_EQ(GetPosition(h), 0);
    EXPECT_EQ(CloseFile(h), 1);
    EXPECT_TRUE(FileBytes("keep.wav").empty());
}

TEST_P(FileHandleTest, SwitchingFromReadingToWritingWritesWhereTheReaderStood) {
    MakeFile("both.bin", Counting(100));
    FileHandle* h = CreateForWriting("both.bin", nullptr);  // emptied
    ASSERT_NE(h, nullptr);
    unsigned char block[10];
    EXPECT_EQ(ReadBlock(h, block, 10), 0);
    EXPECT_EQ(WriteInt32(h, 0x44434241), 4);
    EXPECT_EQ(GetPosition(h), 4);
    EXPECT_EQ(CloseFile(h), 1);
    EXPECT_EQ(FileBytes("both.bin"), std::vector<unsigned char>({'A', 'B', 'C', 'D'}));
}

TEST_P(FileHandleTest, CloseAllFilesClosesOldestFirstAndEmptiesTheRegistry) {
    FileHandle* files[3];
    const char* names[] = {"a.wav", "b.wav", "c.wav"};
    OsSpy spy;
    InstallOsSpy(&spy);
    for (int i = 0; i < 3; ++i) {
        files[i] = CreateForWriting(names[i], nullptr);
        ASSERT_NE(files[i], nullptr);
    }
    // A record released in the middle keeps the links whole.
    EXPECT_TRUE(CloseFile(files[1]));
    FileHandle* last = CreateForWriting("d.wav", nullptr);
    ASSERT_NE(last, nullptr);
    WriteInt32(last, 7);
    ClearCalls(spy);
    CloseAllFiles();
    std::vector<std::string> closed;
    for (const OsCallRecord& call : CallsOf(spy, OsCall::CloseHandle)) closed.push_back(call.file);
    // Emptied: a second round finds nothing left to close.
    ClearCalls(spy);
    CloseAllFiles();
    EXPECT_EQ(CountCalls(spy, OsCall::CloseHandle), 0u);
    RemoveOsSpy();
    EXPECT_EQ(closed, (std::vector<std::string>{"a.wav", "c.wav", "d.wav"}));
    EXPECT_EQ(FileBytes("d.wav").size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(BufferSizes, FileHandleTest, ::testing::Values(0, 8, 4096), BufferName);

}  // namespace
