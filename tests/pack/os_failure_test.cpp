// When the system fails wav2lsd while it writes the bank, puts it on the disk
// (before the rename, so that a crash cannot leave an empty bank in place) or
// renames it into place, the run ends as a refusal does: one line naming the
// bank and the reason, exit code 1, and no bank and no temporary file; a bank
// that was there stays as it was. What the system says of the bank before
// anything is written (that it is read-only) decides what may be done with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "pack/bank_file.h"
#include "pack/list_bank.h"
#include "platform/line_end.h"
#include "pack/pack_bank.h"
#include "pack/pack_command.h"
#include "runtime/memory/memory.h"
#include "tests/pack/wav_builder.h"
#include "tests/support/in_process_frame.h"
#include "tests/support/os_spy.h"
#include "tests/support/program_runner.h"

namespace lsdtest {
namespace {

int32_t RunPack(const std::vector<std::string>& arguments) {
    std::vector<const char*> argv = {"wav2lsd"};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    return RunPackCommand(static_cast<int32_t>(argv.size()), argv.data());
}

// --update reads the files of the current folder: the run is made in `folder`.
InProcessRun RunPackIn(const std::string& folder, OsSpy& spy,
                       const std::vector<std::string>& arguments,
                       int32_t bufferSize = FileBufferSize) {
    std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    InProcessRun run = RunInProcess(spy, [&] { return RunPack(arguments); }, bufferSize);
    std::filesystem::current_path(home);
    return run;
}

// The system reports `file` read-only, as Windows does a file with that
// attribute (which root's writes pass over on Linux, and under Wine).
void ReportReadOnly(OsSpy& spy, const std::string& file) {
    spy.GetFileAttributesA = [file](LPCSTR name) {
        DWORD attributes = RealOs.GetFileAttributesA(name);
        if (attributes == INVALID_FILE_ATTRIBUTES || file != name) return attributes;
        return (attributes & ~DWORD{FILE_ATTRIBUTE_NORMAL}) | FILE_ATTRIBUTE_READONLY;
    };
}

// `count` entries named e0, e1, ... of `length`, each with samples of its own.
std::vector<BankEntry> NumberedEntries(int count, int32_t length) {
    std::vector<BankEntry> entries;
    for (int i = 0; i < count; ++i) entries.push_back(MakeEntry("e" + std::to_string(i), length, i));
    return entries;
}

TEST(OsFailure, LeavesNoBankAndNoTemporaryFile) {
    const std::string temporary = std::string("bank.lsd") + TemporarySuffix;
    const std::vector<std::string> pack = {"bank.lsd", "a.wav", "b.wav"};
    const std::vector<std::string> force = {"--force", "bank.lsd", "a.wav", "b.wav"};
    struct Case {
        const char* label;
        std::function<void(OsSpy&, const std::string& temporary)> fail;
        const char* reasonWords;  // none: the run succeeds, the folder as it was
        // The unfinished bank stays, and the user learns of it first.
        bool temporaryLeft = false;
        std::vector<std::string> arguments = {"bank.lsd", "a.wav", "b.wav"};
        bool olderBank = false;  // bank.lsd is there before the run
        // The folder's files after the run, beside a.wav and b.wav; a
        // temporary file left holds the whole new bank.
        std::vector<std::string> left = {};
        int32_t bufferSize = FileBufferSize;
    } cases[] = {
        {"temporary file not created",
         [](OsSpy& s, const std::string& t) { FailNth(s, OsCall::CreateFileA, 1, true, t); },
         "cannot create the temporary"},
        {"disk full in the first entry",
         [](OsSpy& s, const std::string& t) { StopWritesAfter(s, 30, t); }, "cannot write"},
        {"disk full in the second entry",
         [](OsSpy& s, const std::string& t) { StopWritesAfter(s, 70000, t); }, "cannot write"},
        // Without a buffer the lead field is the first write.
        {"lead field not written",
         [](OsSpy& s, const std::string& t) {
             FailNth(s, OsCall::WriteFile, 1, true, t);
             s.GetLastError = [] { return DWORD{ERROR_DISK_FULL}; };
         },
         "cannot write the bank: no space left on the disk", false, pack, false, {}, 0},
        {"not put on the disk",
         [](OsSpy& s, const std::string& t) { FailNth(s, OsCall::FlushFileBuffers, 1, true, t); },
         "cannot write"},
        {"close fails",
         [](OsSpy& s, const std::string& t) { FailNth(s, OsCall::CloseHandle, 1, true, t); },
         "cannot write"},
        {"rename fails",
         [](OsSpy& s, const std::string& t) { FailNth(s, OsCall::MoveFileExA, 1, true, t); },
         "in place"},
        // The reason is what the user can act on.
        {"write-protected disk",
         [](OsSpy& s, const std::string& t) {
             FailNth(s, OsCall::CreateFileA, 1, true, t);
             s.GetLastError = [] { return DWORD{ERROR_WRITE_PROTECT}; };
         },
         "cannot create the temporary file beside it: the disk is write-protected"},
        {"temporary name in use by another program",
         [](OsSpy& s, const std::string& t) {
             FailNth(s, OsCall::CreateFileA, 1, true, t);
             s.GetLastError = [] { return DWORD{ERROR_SHARING_VIOLATION}; };
         },
         "cannot create the temporary file beside it: in use by another program"},
        {"rename and removal fail",
         [](OsSpy& s, const std::string& t) {
             FailNth(s, OsCall::MoveFileExA, 1, true, t);
             FailNth(s, OsCall::DeleteFileA, 1, true, t);
         },
         "in place", true, pack, false, {temporary}},
        // ReplaceFile took the old bank away and could not put the new one
        // in its place, nor could a move: the new bank is all there is, and
        // stays, under its temporary name.
        {"old bank gone, new bank not moved",
         [](OsSpy& s, const std::string& t) {
             s.ReplaceFileA = [](LPCSTR replaced, LPCSTR, LPCSTR, DWORD, LPVOID, LPVOID) {
                 std::remove(replaced);
                 return FALSE;
             };
             s.GetLastError = [] { return DWORD{ERROR_UNABLE_TO_MOVE_REPLACEMENT}; };
             FailNth(s, OsCall::MoveFileExA, 1, true, t);
         },
         "cannot put the new bank in place: the old bank is gone, and the new one is whole under "
         "the name bank.lsd.wav2lsd-tmp",
         false, force, true, {temporary}},
        // A read-only bank is listed; it is not replaced or updated; and a
        // pack over it is refused for being there at all.
        {"read-only bank listed",
         [](OsSpy& s, const std::string&) { ReportReadOnly(s, "bank.lsd"); }, nullptr, false,
         {"--list", "bank.lsd"}, true, {"bank.lsd"}},
        {"read-only bank replaced",
         [](OsSpy& s, const std::string&) { ReportReadOnly(s, "bank.lsd"); },
         "is read-only: clear its read-only attribute first", false, force, true, {"bank.lsd"}},
        {"read-only bank updated",
         [](OsSpy& s, const std::string&) { ReportReadOnly(s, "bank.lsd"); },
         "is read-only: clear its read-only attribute first", false, {"--update", "bank.lsd"},
         true, {"bank.lsd"}},
        {"read-only bank packed over",
         [](OsSpy& s, const std::string&) { ReportReadOnly(s, "bank.lsd"); }, "already exists",
         false, pack, true, {"bank.lsd"}},
    };
    const BankEntry a{NameField("a"), 0, PcmFormat(1, 8000, 8), "ab"};
    const BankEntry b{NameField("b"), 89998, PcmFormat(1, 8000, 8), PatternBytes(90000, 1)};
    const Bytes older = ArchiveBytes({a, b});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ScopedTempDir dir;
        ASSERT_TRUE(WriteBytesToFile(dir.Join("a.wav"), PlainWav(a.format, a.samples)));
        ASSERT_TRUE(WriteBytesToFile(dir.Join("b.wav"), PlainWav(b.format, b.samples)));
        if (c.olderBank) {
            ASSERT_TRUE(WriteBytesToFile(dir.Join("bank.lsd"), older));
        }
        OsSpy spy;
        c.fail(spy, temporary);

        InProcessRun run = RunPackIn(dir.path, spy, c.arguments, c.bufferSize);

        std::vector<std::string> tree = {"a.wav", "b.wav"};
        tree.insert(tree.end(), c.left.begin(), c.left.end());
        EXPECT_TRUE(TreeIs(dir.path, tree));
        if (c.olderBank && std::count(tree.begin(), tree.end(), "bank.lsd")) {
            EXPECT_TRUE(FileHolds(dir.Join("bank.lsd"), older));
        }
        if (std::count(tree.begin(), tree.end(), temporary)) {
            EXPECT_TRUE(FileHolds(dir.Join(temporary), ArchiveBytes({a, b}, 0)));
        }
        if (!c.reasonWords) {
            EXPECT_EQ(run.exitCode, 0);
            EXPECT_EQ(run.errors, "");
            EXPECT_NE(run.output.find("2 entries, 90002 sample bytes"), Bytes::npos) << run.output;
            continue;
        }
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.output, "");
        const std::string bankLine = "wav2lsd: bank.lsd: ";
        const std::string leftLine = "wav2lsd: " + temporary +
                                     ": is an unfinished bank that could not be removed; delete it";
        EXPECT_EQ(run.errors.rfind(c.temporaryLeft ? leftLine : bankLine, 0), 0u) << run.errors;
        if (c.temporaryLeft) {
            EXPECT_NE(run.errors.find("\n" + bankLine), Bytes::npos);
        }
        EXPECT_NE(run.errors.find(c.reasonWords), Bytes::npos) << run.errors;
        EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), c.temporaryLeft ? 2 : 1);
    }
}

// A listing whose reader has gone ends quietly, however the system names
// that (Wine says the pipe is no longer connected); any other failed write
// of it is reported.
TEST(OsFailure, AListingsReaderGoneEndsItQuietly) {
    ScopedTempDir dir;
    const std::string bank = dir.Join("bank.lsd");
    ASSERT_TRUE(WriteBytesToFile(bank, ArchiveBytes({MakeEntry("a", 2, 1), MakeEntry("b", 2, 2)})));
    for (DWORD error : {DWORD{ERROR_BROKEN_PIPE}, DWORD{ERROR_NO_DATA},
                        DWORD{ERROR_PIPE_NOT_CONNECTED}, DWORD{ERROR_DISK_FULL}}) {
        SCOPED_TRACE(error);
        OsSpy spy;
        FailNth(spy, OsCall::WriteFile, 2, true, "<stdout>");
        spy.GetLastError = [error] { return error; };
        InProcessRun run = RunInProcess(spy, [&] { return RunPack({"--list", bank}); });
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.errors, error == ERROR_DISK_FULL
                                  ? ConsoleLines({"wav2lsd: " + bank +
                                                  ": cannot write the whole listing to standard "
                                                  "output"})
                                  : "");
    }
}

// --list reads the entries' heads and passes over their samples without
// reading them, also when the bank is cut inside the last one; so does the
// page's listing, in one walk, with the file's name in hexadecimal.
TEST(OsFailure, AListingReadsNoSamples) {
    ScopedTempDir dir;
    const std::string bank = dir.Join("bank.lsd");
    const std::vector<BankEntry> entries = NumberedEntries(8, 100000);
    const Bytes bytes = ArchiveBytes(entries);
    ASSERT_TRUE(WriteBytesToFile(bank, Truncate(bytes, bytes.size() - 5000)));
    const struct {
        std::function<bool(PackFailure*)> list;
        uint64_t walks;
        std::vector<std::string> found;
    } listings[] = {
        {[&](PackFailure* failure) { return ListBank(bank.c_str(), failure); }, 2,
         {"8 entries, 800016 sample bytes, 1 cut short"}},
    };
    for (const auto& listing : listings) {
        OsSpy spy;
        InProcessRun run = RunInProcess(spy, [&] {
            PackFailure failure = {};
            return listing.list(&failure) ? 0 : 1;
        });
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        for (const std::string& text : listing.found)
            EXPECT_NE(run.output.find(text), Bytes::npos) << run.output;
        uint64_t read = 0;
        for (const OsCallRecord& call : CallsOf(spy, OsCall::ReadFile, bank)) read += call.done;
        // Each walk over the heads is a read-ahead of at most 4096 bytes per
        // entry; and there is the look for a WAV file's header.
        EXPECT_LE(read, 4096u * (listing.walks * entries.size() + 1));
    }
}

// A read of the bank that fails in --update's first pass, even once, stops
// the run before anything is made: the bank did not end there, and a bank
// rebuilt from the entries before it would lose the rest. The failing read
// is the refill that brings the 32nd entry's head, which starts exactly at
// the end of the first 4096 bytes of the walk.
TEST(OsFailure, AFailedReadInUpdatesCheckStopsTheRun) {
    ScopedTempDir dir;
    const std::string bank = dir.Join("bank.lsd");
    const std::vector<BankEntry> entries = NumberedEntries(40, 78);
    const Bytes bytes = ArchiveBytes(entries);
    ASSERT_EQ(4 + 31 * (52 + 80), 4096);
    ASSERT_TRUE(WriteBytesToFile(bank, bytes));
    for (const BankEntry& entry : entries)
        ASSERT_TRUE(WriteBytesToFile(dir.Join(WavFileName(entry)), ExpectedWav(entry)));
    OsSpy spy;
    // The first read is the look for a WAV file's header, before a rewind.
    FailNth(spy, OsCall::ReadFile, 3, false, bank);
    InProcessRun run = RunPackIn(dir.path, spy, {"--update", bank});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors.rfind("wav2lsd: " + bank + ": cannot read the bank", 0), 0u) << run.errors;
    EXPECT_EQ(CountCalls(spy, OsCall::CreateFileA, bank + TemporarySuffix), 0u);
    EXPECT_TRUE(FileHolds(bank, bytes));
}

// Another bank put in BANK's place between --update's check and its copy
// changes nothing: what is copied is the bank that was checked.
TEST(OsFailure, UpdateCopiesTheBankThatItChecked) {
    ScopedTempDir dir;
    const std::string bank = dir.Join("bank.lsd");
    BankEntry entry{NameField("a"), 2, PcmFormat(1, 8000, 8), "abcd"};
    BankEntry other{NameField("zz"), 0, PcmFormat(2, 44100, 16), "xy"};
    ASSERT_TRUE(WriteBytesToFile(bank, ArchiveBytes({entry})));
    ASSERT_TRUE(WriteBytesToFile(dir.Join("other.lsd"), ArchiveBytes({other, other})));
    ASSERT_TRUE(WriteBytesToFile(dir.Join("a.wav"), ExpectedWav(entry)));
    OsSpy spy;
    // Once the check is done: as the temporary file is made.
    spy.CreateFileA = [&](LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                          DWORD disposition, DWORD attributes, HANDLE like) {
        if (std::string(name) == bank + TemporarySuffix)
            std::rename(dir.Join("other.lsd").c_str(), bank.c_str());
        return RealOs.CreateFileA(name, access, share, security, disposition, attributes, like);
    };
    InProcessRun run = RunPackIn(dir.path, spy, {"--update", bank});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_TRUE(FileHolds(bank, ArchiveBytes({entry})));
}

}  // namespace
}  // namespace lsdtest

namespace lsdtest {
namespace {

// Each command gives back every block it took from the memory pool (the
// entry table grown past its first 64 records) and every text (the temporary
// file's path), and closes every file it opened: a leak here is a leak per entry or per run.
TEST(OsFailure, EveryCommandGivesBackEveryBlockAndFile) {
    ScopedTempDir dir;
    std::vector<std::string> pack = {"bank.lsd"};
    std::vector<BankEntry> entries;
    for (int i = 0; i < 70; ++i) {
        BankEntry entry{NameField("e" + std::to_string(i)), 2, PcmFormat(1, 8000, 8), "abcd"};
        entries.push_back(entry);
        ASSERT_TRUE(WriteBytesToFile(dir.Join(WavFileName(entry)), ExpectedWav(entry)));
        pack.push_back(WavFileName(entry));
    }
    std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(dir.path);
    for (const std::vector<std::string>& arguments :
         {pack, std::vector<std::string>{"--update", "bank.lsd"},
          std::vector<std::string>{"-v", "--update", "bank.lsd"},
          std::vector<std::string>{"--list", "bank.lsd"}}) {
        SCOPED_TRACE(arguments[0]);
        OsSpy spy;
        size_t taken = 0, given = 0, opened = 0, closed = 0;
        InProcessRun run = RunInProcess(spy, [&] {
            // From the command's start: the file registry that start-up took
            // stays to the end of the run.
            ClearCalls(spy);
            int32_t code = RunPack(arguments);
            // The program's one heap is where a block and a text of its own
            // come from, and the file records, buffers and lines too.
            FreeBlock(AllocateBlock(1));
            HANDLE pool = CallsOf(spy, OsCall::HeapAlloc).back().handle;
            FreeText(JoinText("a", ""));
            HANDLE store = CallsOf(spy, OsCall::HeapAlloc).back().handle;
            for (const OsCallRecord& call : CallsOf(spy, OsCall::HeapAlloc))
                taken += (call.handle == pool || call.handle == store) && call.ok;
            for (const OsCallRecord& call : CallsOf(spy, OsCall::HeapFree))
                given += call.handle == pool || call.handle == store;
            for (const OsCallRecord& call : CallsOf(spy, OsCall::CreateFileA))
                opened += call.ok;
            closed = CountCalls(spy, OsCall::CloseHandle);
            return code;
        });
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        EXPECT_EQ(taken, given);
        EXPECT_EQ(opened, closed);
    }
    std::filesystem::current_path(home);
    EXPECT_TRUE(FileHolds(dir.Join("bank.lsd"), ArchiveBytes(entries, 0)));
}

}  // namespace
}  // namespace lsdtest
