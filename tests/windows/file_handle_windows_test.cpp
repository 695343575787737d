// Creating a WAV file over an existing one, whatever its attributes: it is
// opened as it stands, never by a call that empties it, and emptied through
// the handle it is then written with.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/os.h"
#include "runtime/files/file_handle.h"
#include "runtime/files/file_registry.h"
#include "tests/support/os_spy.h"
#include "tests/support/scratch_directory.h"

namespace {

std::string Contents(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<cannot open " + path + ">";
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

struct ExistingCase {
    const char* label;
    DWORD attributes;
};

void PrintTo(const ExistingCase& c, std::ostream* os) { *os << c.label; }

class ExistingFileTest : public ::testing::TestWithParam<ExistingCase> {
protected:
    void SetUp() override {
        directory = lsdtest::MakeScratchDirectory("lsd2wav-win-");
        ASSERT_FALSE(directory.empty());
        ASSERT_TRUE(SetCurrentDirectoryA(directory.c_str()));
        memory = HeapCreate(0, 4096, 0);
        ASSERT_NE(CreateFileRegistry(memory), nullptr);
    }
    void TearDown() override {
        RemoveOsSpy();
        CloseAllFiles();
        HeapDestroy(memory);
        SetCurrentDirectoryA("..");
        EXPECT_TRUE(lsdtest::RemoveScratchDirectory(directory));
    }

    std::string directory;
    HANDLE memory = nullptr;
};

TEST_P(ExistingFileTest, IsEmptiedAndWrittenAnew) {
    const ExistingCase& c = GetParam();
    std::string path = directory + "\\taken.wav";
    HANDLE old = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(old, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(old, "old contents, longer than the new", 33, &written, nullptr));
    CloseHandle(old);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), c.attributes));

    OsSpy spy;
    InstallOsSpy(&spy);
    FileHandle* wav = CreateForWriting("taken.wav", nullptr);
    for (const OsCallRecord& open : CallsOf(spy, OsCall::CreateFileA, "taken.wav"))
        EXPECT_TRUE(open.asked == CREATE_NEW || open.asked == OPEN_EXISTING) << open.asked;
    ASSERT_NE(wav, nullptr);
    EXPECT_EQ(Contents(path), "") << "the open must leave the file empty";
    EXPECT_EQ(WriteBlock(wav, "new", 3), 3);
    EXPECT_EQ(CloseFile(wav), 1);
    RemoveOsSpy();
    EXPECT_EQ(Contents(path), "new");
}

INSTANTIATE_TEST_SUITE_P(
    Attributes, ExistingFileTest,
    ::testing::Values(ExistingCase{"plain", FILE_ATTRIBUTE_NORMAL},
                      ExistingCase{"hidden", FILE_ATTRIBUTE_HIDDEN},
                      ExistingCase{"system", FILE_ATTRIBUTE_SYSTEM}),
    [](const ::testing::TestParamInfo<ExistingCase>& info) {
        return std::string(info.param.label);
    });

}  // namespace
