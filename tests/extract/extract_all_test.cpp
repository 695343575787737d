#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <filesystem>
#include <functional>

#include "bank/bank_layout.h"
#include "extract/entry_wav.h"
#include "extract/extract_all.h"
#include "runtime/files/file_handle.h"
#include "tests/extract/in_process_run.h"
#include "tests/support/bank_builder.h"
#include "tests/runtime/runtime_fixture.h"

namespace {

using lsdtest::NativeLines;

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
    EXPECT_EQ(run.output, NativeLines(expected));
    EXPECT_EQ(ReadWholeFile("cut.wav"), WavBytes(5000, 1234));
}

// The page makes an entry's WAV a piece at a time, lsd2wav through one
// block: the same file and the same outcome, whole, cut inside its first or
// a later piece, or with no samples left, for entries of one piece, a piece
// and a byte, or more; and the header alone is the file's first 44 bytes.
TEST_P(ExtractAllTest, AnEntryMadeInPiecesIsTheFileMadeThroughOneBlock) {
    const int32_t piece = 1 << 20;
    const struct {
        const char* label;
        int32_t length;
        size_t present;
    } cases[] = {{"small", 100, 102},           {"one piece", piece - 2, piece},
                 {"a piece and a byte", piece - 1, piece + 1},
                 {"cut in its second piece", 2 * piece, piece + 5},
                 {"cut in its first piece", 3 * piece, 7},
                 {"no samples left", 50, 0}};
    for (const auto& c : cases) {
        const std::string bank = ArchiveEntryBytes("e", c.length, c.present);
        WriteWholeFile("music_p.lsd", bank);
        std::string made[2];
        EntryWrite results[2];
        for (int pieces = 0; pieces < 2; ++pieces) {
            const char* file = pieces ? "pieces.wav" : "block.wav";
            OsSpy spy;
            RunInProcess(spy, [&] {
                FileHandle* archive = OpenForReading("music_p.lsd");
                SkipBytes(archive, NameFieldSize);
                int32_t length = ReadInt32(archive);
                const FileIdentity identity = IdentityOf(archive);
                FileHandle* output = CreateForWriting(file, &identity);
                results[pieces] =
                    WriteEntryWav(archive, output, length, pieces ? CopyInPieces : CopyBlock);
                CloseFile(output);
                CloseFile(archive);
                return 0;
            }, GetParam());
            made[pieces] = ReadWholeFile(file);
        }
        EXPECT_EQ(results[1], results[0]) << c.label;
        EXPECT_TRUE(made[1] == made[0]) << c.label << ": " << made[1].size() << " against " << made[0].size();
        unsigned char header[WavHeaderSize];
        EntryWavHeader(c.length, reinterpret_cast<const unsigned char*>(bank.data()) + 36, header);
        EXPECT_EQ(made[0].substr(0, WavHeaderSize), std::string(reinterpret_cast<char*>(header), WavHeaderSize))
            << c.label;
    }
}

TEST_P(ExtractAllTest, AFailedCloseOfAWavFileEndsTheRun) {
    WriteWholeFile("sound_p.lsd", kLead + ArchiveEntryBytes("x", 10, 12) + ArchiveEntryBytes("y", 10, 12));
    OsSpy spy;
    FailNth(spy, OsCall::CloseHandle, 1, false, "x.wav");
    InProcessRun run = RunInProcess(spy, RunExtraction, GetParam());
    EXPECT_EQ(run.output, NativeLines("Extracting sounds...\r\n  x.wav\r\n  Failed to write to output file!\r\n"));
    EXPECT_EQ(ReadWholeFile("x.wav"), WavBytes(10, 12));
    EXPECT_EQ(CountCalls(spy, OsCall::CreateFileA, "y.wav"), 0u);
}

// No open of an output file empties it: a file that is there is opened as it
// stands, looked at through its handle and only then cut to nothing, so that
// whatever the name has come to stand for by the time of the open is what is
// looked at. New names after an existing one are still made.
TEST_P(ExtractAllTest, AnExistingFileIsEmptiedOnlyThroughTheHandleThatWasChecked) {
    WriteWholeFile("music_p.lsd", kLead + ArchiveEntryBytes("old", 10, 12) +
                                      ArchiveEntryBytes("new", 1, 3) +
                                      ArchiveEntryBytes("old", 2, 4));
    WriteWholeFile("old.wav", std::string(500, 'z'));
    OsSpy spy;
    InProcessRun run = RunInProcess(spy, RunExtraction, GetParam());
    EXPECT_EQ(run.output, NativeLines("Extracting music...\r\n  old.wav\r\n  new.wav\r\n  old.wav\r\n  ok\r\n"));
    EXPECT_EQ(ReadWholeFile("old.wav"), WavBytes(2, 4));
    EXPECT_EQ(ReadWholeFile("new.wav"), WavBytes(1, 3));
    for (const char* file : {"old.wav", "new.wav"}) {
        for (const OsCallRecord& open : CallsOf(spy, OsCall::CreateFileA, file)) {
            EXPECT_TRUE(open.asked == CREATE_NEW || open.asked == OPEN_EXISTING)
                << file << ": disposition " << open.asked;
        }
    }
    EXPECT_EQ(CountCalls(spy, OsCall::SetEndOfFile), 2u);
}

// What the system says of the handle an existing file was opened with
// decides, on every platform: anything but an ordinary file with one name
// that is not the bank is left as it is. On Windows the folders on the way
// are held and looked at the same way.
TEST_P(ExtractAllTest, AnExistingFileThatIsNoOrdinaryFileOfItsOwnIsLeftAlone) {
    // Changes what GetFileInformationByHandle reports for `file`.
    auto faking = [](const char* file, std::function<void(BY_HANDLE_FILE_INFORMATION*)> change) {
        return [=](OsSpy& s) {
            auto handles = std::make_shared<std::vector<HANDLE>>();
            s.CreateFileA = [=](LPCSTR name, DWORD access, DWORD share,
                                LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                DWORD attributes, HANDLE templateFile) {
                HANDLE h = RealOs.CreateFileA(name, access, share, security, disposition,
                                              attributes, templateFile);
                if (std::string(name) == file) handles->push_back(h);
                return h;
            };
            s.GetFileInformationByHandle = [=](HANDLE h, LPBY_HANDLE_FILE_INFORMATION info) {
                BOOL ok = RealOs.GetFileInformationByHandle(h, info);
                if (ok && std::find(handles->begin(), handles->end(), h) != handles->end())
                    change(info);
                return ok;
            };
        };
    };
    struct Case {
        const char* label;
        const char* name;  // the entry's name; "sub" is a folder, "x.wav" a file
        std::function<void(OsSpy&)> fake;
        bool refused;
    } cases[] = {
        {"file_is_a_reparse_point", "x",
         faking("x.wav", [](BY_HANDLE_FILE_INFORMATION* i) {
             i->dwFileAttributes = FILE_ATTRIBUTE_REPARSE_POINT;
         }),
         true},
        {"file_is_a_device", "x",
         faking("x.wav", [](BY_HANDLE_FILE_INFORMATION* i) {
             i->dwFileAttributes = FILE_ATTRIBUTE_DEVICE;
         }),
         true},
        {"file_is_a_folder", "x",
         faking("x.wav", [](BY_HANDLE_FILE_INFORMATION* i) {
             i->dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
         }),
         true},
        {"file_has_a_second_name", "x",
         faking("x.wav", [](BY_HANDLE_FILE_INFORMATION* i) { i->nNumberOfLinks = 2; }), true},
        {"file_is_the_bank", "x",
         [](OsSpy& s) {
             s.GetFileInformationByHandle = [](HANDLE h, LPBY_HANDLE_FILE_INFORMATION info) {
                 BOOL ok = RealOs.GetFileInformationByHandle(h, info);
                 info->dwVolumeSerialNumber = info->nFileIndexHigh = info->nFileIndexLow = 7;
                 return ok;
             };
         },
         true},
        {"file_identity_unknown", "x",
         [](OsSpy& s) { FailNth(s, OsCall::GetFileInformationByHandle, 1, false, "x.wav"); },
         true},
        {"bank_identity_unknown", "x",
         [](OsSpy& s) { FailNth(s, OsCall::GetFileInformationByHandle, 1, false, "sound_p.lsd"); },
         true},
        {"cut_fails", "x", [](OsSpy& s) { FailNth(s, OsCall::SetEndOfFile, 1, false); }, true},
#ifdef _WIN32
        {"folder_is_a_reparse_point", "sub/x",
         faking("sub", [](BY_HANDLE_FILE_INFORMATION* i) {
             i->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
         }),
         true},
        {"folder_is_a_file", "sub/x",
         faking("sub", [](BY_HANDLE_FILE_INFORMATION* i) { i->dwFileAttributes = 0; }), true},
        {"final_path_unknown", "x",
         [](OsSpy& s) { FailNth(s, OsCall::GetFinalPathNameByHandleA, 1, false); }, true},
#endif
        {"ordinary_folder", "sub/x", [](OsSpy&) {}, false},
        {"ordinary_file", "x", [](OsSpy&) {}, false},
    };
    std::filesystem::create_directory("sub");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string file = std::string(c.name) + ".wav";
        WriteWholeFile("sound_p.lsd", kLead + ArchiveEntryBytes(c.name, 10, 12));
        WriteWholeFile("x.wav", "older");
        WriteWholeFile("sub/x.wav", "older");
        OsSpy spy;
        c.fake(spy);
        InProcessRun run = RunInProcess(spy, RunExtraction, GetParam());
        std::string line = "Extracting sounds...\r\n  " + file + "\r\n";
        if (c.refused) {
            EXPECT_EQ(run.output, NativeLines(line + "  Cannot create output file!\r\n"));
            EXPECT_EQ(ReadWholeFile(file), "older");
        } else {
            EXPECT_EQ(run.output, NativeLines(line + "  ok\r\n"));
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
    EXPECT_EQ(run.output, NativeLines("Extracting music...\r\n  out of memory!\r\n"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(RealOs.GetFileAttributesA("x.wav"), INVALID_FILE_ATTRIBUTES);
}

TEST_P(ExtractAllTest, EveryFileIsClosedAndEveryHeapReleasedAtTheEnd) {
    // The run stops with the WAV file open; shut-down must close it.
    WriteWholeFile("music_p.lsd", kLead + ArchiveEntryBytes("x", -2, 0));
    OsSpy spy;
    InProcessRun run = RunInProcess(spy, RunExtraction, GetParam());
    EXPECT_EQ(run.output, NativeLines("Extracting music...\r\n  x.wav\r\n  Failed to write to output file!\r\n"));
    EXPECT_EQ(ReadWholeFile("x.wav").size(), 44u);
    EXPECT_EQ(CountCalls(spy, OsCall::CloseHandle), CountCalls(spy, OsCall::CreateFileA));
    EXPECT_EQ(CountCalls(spy, OsCall::HeapDestroy), CountCalls(spy, OsCall::HeapCreate));
}

INSTANTIATE_TEST_SUITE_P(BufferSizes, ExtractAllTest, ::testing::Values(0, 4096), BufferName);

}  // namespace
