#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "extract/extract_all.h"
#include "runtime/files/file_handle.h"
#include "tests/extract/in_process_run.h"
#include "tests/runtime/runtime_fixture.h"

namespace {

const std::string kLead = "LEAD";

struct Entry {
    const char* name;
    int32_t length;
};

// Sizes around the buffer: what stays in it until the close, what makes the
// header flush first, and what goes straight to the file.
const Entry kEntries[] = {{"a", 0},    {"b", 100},   {"c", 4049}, {"d", 4050},
                          {"e", 4093}, {"f", 4094},  {"g", 9000}, {"h", -1}};

std::string Bank(size_t cutLastSamplesTo) {
    std::string bank = kLead;
    for (const Entry& e : kEntries) bank += ArchiveEntryBytes(e.name, e.length, e.length + 2);
    bank += ArchiveEntryBytes("cut", 5000, cutLastSamplesTo);
    return bank;
}

using ExtractAllTest = RuntimeTest;

int32_t RunExtraction() {
    ExtractAll();
    return 0;
}

TEST_P(ExtractAllTest, WritesEveryFileAndLineTheSameWithOrWithoutABuffer) {
    WriteWholeFile("music_p.lsd", Bank(1234));
    OsSpy spy;
    InProcessRun run = RunInProcess(spy, RunExtraction, GetParam());
    EXPECT_EQ(run.exitCode, 0);
    std::string expected = "Extracting music...\r\n";
    for (const Entry& e : kEntries) {
        expected += "  " + std::string(e.name) + ".wav\r\n";
        EXPECT_EQ(ReadWholeFile(std::string(e.name) + ".wav"), WavBytes(e.length, e.length + 2))
            << e.name;
    }
    expected += "  cut.wav\r\n  ok\r\n";
    EXPECT_EQ(run.output, expected);
    EXPECT_EQ(ReadWholeFile("cut.wav"), WavBytes(5000, 1234));
}

TEST_P(ExtractAllTest, AFailedCloseOfAWavFileEndsTheRun) {
    WriteWholeFile("sound_p.lsd", kLead + ArchiveEntryBytes("x", 10, 12) + ArchiveEntryBytes("y", 10, 12));
    OsSpy spy;
    FailNth(spy, OsCall::CloseHandle, 1, false, "x.wav");
    InProcessRun run = RunInProcess(spy, RunExtraction, GetParam());
    EXPECT_EQ(run.output, "Extracting sounds...\r\n  x.wav\r\n  Failed to write to output file!\r\n");
    EXPECT_EQ(ReadWholeFile("x.wav"), WavBytes(10, 12));
    EXPECT_EQ(CountCalls(spy, OsCall::CreateFileA, "y.wav"), 0u);
}

TEST_P(ExtractAllTest, ARefusedCreateEmptiesAnExistingFileInstead) {
    WriteWholeFile("music_p.lsd", kLead + ArchiveEntryBytes("hidden", 10, 12) + ArchiveEntryBytes("new", 1, 3));
    WriteWholeFile("hidden.wav", std::string(500, 'z'));
    OsSpy spy;
    // Every file refuses to be re-created, as a hidden one does.
    spy.CreateFileA = [](LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                         DWORD disposition, DWORD attributes, HANDLE templateFile) {
        if (disposition == CREATE_ALWAYS) return INVALID_HANDLE_VALUE;
        return RealOs.CreateFileA(name, access, share, security, disposition, attributes,
                                  templateFile);
    };
    InProcessRun run = RunInProcess(spy, RunExtraction, GetParam());
    EXPECT_EQ(ReadWholeFile("hidden.wav"), WavBytes(10, 12));
    std::vector<OsCallRecord> creates = CallsOf(spy, OsCall::CreateFileA);
    // The bank; for hidden.wav the look at the file that is there, so as not
    // to write onto the bank, and the two creates; two for new.wav.
    ASSERT_EQ(creates.size(), 6u);
    EXPECT_EQ(creates[1].asked, static_cast<uint64_t>(OPEN_EXISTING));
    EXPECT_EQ(creates[2].asked, static_cast<uint64_t>(CREATE_ALWAYS));
    EXPECT_EQ(creates[3].asked, static_cast<uint64_t>(TRUNCATE_EXISTING));
    // There is nothing to empty for a new name, so that one cannot be created.
    EXPECT_EQ(run.output,
              "Extracting music...\r\n  hidden.wav\r\n  new.wav\r\n  Cannot create output file!\r\n");
}

// What the Os table says of the files decides the link check, on every
// platform: a reparse point (a symbolic link, a junction) as the file or as a
// folder along the path, or the bank's own identity, refuses the name before
// anything is created; an ordinary folder does not.
TEST_P(ExtractAllTest, ANameThroughALinkOrOntoTheBankIsRefused) {
    struct Case {
        const char* label;
        const char* name;  // the entry's name; "sub" is a folder, "x.wav" a file
        std::function<void(OsSpy&)> fake;
        bool refused;
    } cases[] = {
        {"folder_is_a_reparse_point", "sub/x",
         [](OsSpy& s) {
             s.GetFileAttributesA = [](LPCSTR name) -> DWORD {
                 return std::string(name) == "sub" ? FILE_ATTRIBUTE_REPARSE_POINT
                                                   : RealOs.GetFileAttributesA(name);
             };
         },
         true},
        {"file_is_a_reparse_point", "x",
         [](OsSpy& s) {
             s.GetFileAttributesA = [](LPCSTR name) -> DWORD {
                 return std::string(name) == "x.wav" ? FILE_ATTRIBUTE_REPARSE_POINT
                                                     : RealOs.GetFileAttributesA(name);
             };
         },
         true},
        {"file_is_the_bank",
         "x",
         [](OsSpy& s) {
             s.GetFileInformationByHandle = [](HANDLE, LPBY_HANDLE_FILE_INFORMATION info) {
                 *info = BY_HANDLE_FILE_INFORMATION{};
                 return TRUE;
             };
         },
         true},
        {"file_identity_unknown", "x",
         [](OsSpy& s) { FailNth(s, OsCall::GetFileInformationByHandle, 1, true); }, true},
        {"ordinary_folder", "sub/x", [](OsSpy&) {}, false},
        {"ordinary_file", "x", [](OsSpy&) {}, false},
    };
    std::filesystem::create_directory("sub");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string file = std::string(c.name) + ".wav";
        WriteWholeFile("sound_p.lsd", kLead + ArchiveEntryBytes(c.name, 10, 12));
        WriteWholeFile("x.wav", "older");
        std::remove("sub/x.wav");
        OsSpy spy;
        c.fake(spy);
        InProcessRun run = RunInProcess(spy, RunExtraction, GetParam());
        std::string line = "Extracting sounds...\r\n  " + file + "\r\n";
        if (c.refused) {
            EXPECT_EQ(run.output, line + "  Cannot create output file!\r\n");
            for (const OsCallRecord& open : CallsOf(spy, OsCall::CreateFileA, file))
                EXPECT_EQ(open.asked, static_cast<uint64_t>(OPEN_EXISTING));  // a look only
            EXPECT_EQ(ReadWholeFile("x.wav"), "older");
            EXPECT_EQ(ReadWholeFile("sub/x.wav"), "");
        } else {
            EXPECT_EQ(run.output, line + "  ok\r\n");
            EXPECT_EQ(ReadWholeFile(file), WavBytes(10, 12));
        }
    }
}

TEST_P(ExtractAllTest, NoMemoryForTheFirstNameIsOutOfMemory) {
    WriteWholeFile("music_p.lsd", kLead + ArchiveEntryBytes("x", 10, 12));
    OsSpy spy;
    // Once the heading is out, the next request for memory, which is the one
    // for the name of the first entry, finds none.
    bool headingOut = false;
    bool refused = false;
    spy.WriteConsoleA = [&](HANDLE console, const VOID* text, DWORD length, LPDWORD written,
                            LPVOID reserved) {
        headingOut = true;
        return RealOs.WriteConsoleA(console, text, length, written, reserved);
    };
    spy.HeapAlloc = [&](HANDLE heap, DWORD flags, SIZE_T bytes) -> LPVOID {
        if (headingOut && !refused) {
            refused = true;
            return nullptr;
        }
        return RealOs.HeapAlloc(heap, flags, bytes);
    };
    InProcessRun run = RunInProcess(spy, RunExtraction, GetParam());
    EXPECT_TRUE(refused);
    EXPECT_EQ(run.output, "Extracting music...\r\n  out of memory!\r\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(RealOs.GetFileAttributesA("x.wav"), INVALID_FILE_ATTRIBUTES);
}

TEST_P(ExtractAllTest, EveryFileIsClosedAndEveryHeapReleasedAtTheEnd) {
    // The run stops with the WAV file open; shut-down must close it.
    WriteWholeFile("music_p.lsd", kLead + ArchiveEntryBytes("x", -2, 0));
    OsSpy spy;
    InProcessRun run = RunInProcess(spy, RunExtraction, GetParam());
    EXPECT_EQ(run.output, "Extracting music...\r\n  x.wav\r\n  Failed to write to output file!\r\n");
    EXPECT_EQ(ReadWholeFile("x.wav").size(), 44u);
    EXPECT_EQ(CountCalls(spy, OsCall::CloseHandle), CountCalls(spy, OsCall::CreateFileA));
    EXPECT_EQ(CountCalls(spy, OsCall::HeapDestroy), CountCalls(spy, OsCall::HeapCreate));
}

INSTANTIATE_TEST_SUITE_P(BufferSizes, ExtractAllTest, ::testing::Values(0, 4096), BufferName);

}  // namespace
