// Creating a WAV file over an existing one that Windows will not re-create
// with FILE_ATTRIBUTE_NORMAL (a hidden or system file): CREATE_ALWAYS is
// refused, and the second, truncating CreateFileA must still empty it.
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
    // The system's refusal of CREATE_ALWAYS, made certain: Wine, unlike
    // Windows, re-creates hidden and system files.
    bool refuseCreateAlways;
};

void PrintTo(const ExistingCase& c, std::ostream* os) { *os << c.label; }

class ExistingFileTest : public ::testing::TestWithParam<ExistingCase> {
protected:
    void SetUp() override {
        directory = lsdtest::MakeScratchDirectory("lsd2wav-win-");
        ASSERT_FALSE(directory.empty());
        memory = HeapCreate(0, 4096, 0);
        ASSERT_NE(CreateFileRegistry(memory), nullptr);
    }
    void TearDown() override {
        RemoveOsSpy();
        CloseAllFiles();
        HeapDestroy(memory);
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
    if (c.refuseCreateAlways) FailNth(spy, OsCall::CreateFileA, 1, false);
    FileHandle* wav = CreateForWriting(path.c_str());
    ASSERT_NE(wav, nullptr);
    std::vector<OsCallRecord> opens = CallsOf(spy, OsCall::CreateFileA);
    ASSERT_FALSE(opens.empty());
    EXPECT_EQ(opens.front().asked, static_cast<uint64_t>(CREATE_ALWAYS));
    if (c.refuseCreateAlways || !opens.front().ok) {
        ASSERT_EQ(opens.size(), 2u);
        EXPECT_EQ(opens.back().asked, static_cast<uint64_t>(TRUNCATE_EXISTING));
        EXPECT_TRUE(opens.back().ok);
    } else {
        EXPECT_EQ(opens.size(), 1u);
    }
    EXPECT_EQ(Contents(path), "") << "the open must leave the file empty";
    EXPECT_EQ(WriteBlock(wav, "new", 3), 3);
    EXPECT_EQ(CloseFile(wav), 1);
    RemoveOsSpy();
    EXPECT_EQ(Contents(path), "new");
}

INSTANTIATE_TEST_SUITE_P(
    Attributes, ExistingFileTest,
    ::testing::Values(ExistingCase{"plain", FILE_ATTRIBUTE_NORMAL, false},
                      ExistingCase{"hidden", FILE_ATTRIBUTE_HIDDEN, false},
                      ExistingCase{"system", FILE_ATTRIBUTE_SYSTEM, false},
                      ExistingCase{"hidden_refused", FILE_ATTRIBUTE_HIDDEN, true},
                      ExistingCase{"system_refused", FILE_ATTRIBUTE_SYSTEM, true}),
    [](const ::testing::TestParamInfo<ExistingCase>& info) {
        return std::string(info.param.label);
    });

}  // namespace
