// The console events while an entry is being written: SIGHUP (the close
// event) flushes and closes the open WAV file and the process ends by that
// signal; SIGINT (Ctrl+C) ends it at once. Either way no file holds anything
// but a prefix of what it was to hold.
//
// To catch the program in the middle of an entry, its archive is a FIFO that
// the test fills with the start of an archive and then leaves open without
// sending more: the program blocks reading the sample block, with the WAV
// file created and its header handed over. Reading ahead into a buffer
// cannot get past the end of what was sent, so this holds with or without
// file buffering.
//
// Without a buffer the end-of-archive test reads one byte and seeks back, and
// a FIFO cannot seek, so the program may read the archive one byte further
// on than it stands. The archive is made so that this makes no difference:
// after the lead field every byte sent is 0x01, so the name is 32 bytes of
// 0x01, L is 0x01010101 (a 16 MiB sample block, far more than is ever sent)
// and the format block is 16 bytes of 0x01, whichever byte the entry starts
// at.
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/pack/wav_builder.h"
#include "tests/support/bank_builder.h"
#include "tests/support/program_runner.h"

namespace lsdtest {
namespace {

const int32_t kBlockedLength = 0x01010101;

// The entry as the program reads it from the FIFO; its samples never come.
BankEntry BlockedEntry() {
    BankEntry entry;
    entry.nameField = Bytes(kNameFieldSize, '\x01');
    entry.length = kBlockedLength;
    entry.format = Bytes(kFormatBlockSize, '\x01');
    return entry;
}

// The scheduling state of the program's main thread: 'S' while it sleeps in
// a blocking call.
char MainThreadState(pid_t pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
    Bytes stat;
    if (!ReadFileBytes(path, &stat)) return '?';
    size_t close = stat.rfind(')');
    if (close == Bytes::npos || close + 2 >= stat.size()) return '?';
    return stat[close + 2];
}

// What the process has read so far, as /proc counts it; 0 when unknown.
long long BytesRead(pid_t pid) {
    Bytes io;
    if (!ReadFileBytes("/proc/" + std::to_string(pid) + "/io", &io)) return 0;
    size_t at = io.find("rchar: ");
    return at == Bytes::npos ? 0 : std::atoll(io.c_str() + at + 7);
}

// Bytes sent into the FIFO that the program has not read yet.
int Unread(int fifo) {
    int pending = -1;
    if (ioctl(fifo, FIONREAD, &pending) != 0) return -1;
    return pending;
}

enum BlockPoint {
    kInBankOpen,     // no writer ever opens the FIFO: the open of the bank waits
    kInLeadField,    // two bytes of the lead field sent: no entry begun
    kInSampleBlock,  // an entry begun, 8000 bytes of its samples sent
};

struct EventCase {
    const char* label;
    int signal;
    BlockPoint point;
    bool stdoutToFile;
};

void PrintTo(const EventCase& c, std::ostream* os) { *os << c.label; }

class ConsoleEventTest : public ::testing::TestWithParam<EventCase> {};

TEST_P(ConsoleEventTest, EndsBySignalLeavingPrefixes) {
    const EventCase& c = GetParam();
    ScopedTempDir root;
    ASSERT_FALSE(root.path.empty());
    ASSERT_TRUE(MakeDirectory(root.Join("run")));
    ASSERT_TRUE(MakeFifo(root.Join("run/music_p.lsd")));
    // Opened for reading and writing, the FIFO neither waits for the program
    // nor reports an end while the test holds it.
    int fifo = -1;
    if (c.point != kInBankOpen) {
        fifo = open(root.Join("run/music_p.lsd").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(fifo, 0);
    }

    BankEntry entry = BlockedEntry();
    Bytes sent = c.point == kInBankOpen    ? Bytes()
                 : c.point == kInLeadField ? Bytes("\x01\x01", 2)
                                           : Int32Bytes(0x00010203u) +
                                                 Bytes(kEntryHeadSize + 1 + 8000, '\x01');
    if (fifo >= 0) {
        ASSERT_EQ(write(fifo, sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
    }

    std::string wavName = root.Join("run/" + WavFileName(entry));
    std::vector<std::string> lines;
    if (c.point != kInBankOpen) lines.push_back("Extracting music...");
    // The name's control bytes show as "?".
    if (c.point == kInSampleBlock) lines.push_back("  " + Bytes(kNameFieldSize, '?') + ".wav");
    Bytes linesBeforeSignal = ConsoleLines(lines);
    std::string consoleFile = root.Join("console.txt");

    RunOptions options;
    options.directory = root.Join("run");
    if (c.stdoutToFile) options.stdoutFile = consoleFile;
    options.whileRunning = [&](const RunProgress& progress) {
        Bytes shown;
        if (c.stdoutToFile) {
            ReadFileBytes(consoleFile, &shown);
        } else {
            shown = *progress.output;
        }
        // Everything sent has been read, every line due has been printed,
        // the WAV file (if any is due) exists, and the program sleeps: it
        // waits in the archive read for bytes that will not come.
        bool blocked = (fifo < 0 || Unread(fifo) == 0) && shown == linesBeforeSignal &&
                       (c.point != kInSampleBlock || PathExists(wavName)) &&
                       MainThreadState(progress.pid) == 'S' && progress.seconds > 0.2;
        if (!blocked) return false;
        kill(progress.pid, c.signal);
        return true;
    };
    RunResult result = RunProgram(options);
    if (fifo >= 0) close(fifo);

    ASSERT_TRUE(EndedBySignal(result, c.signal));
    EXPECT_EQ(result.errors, "");
    // Each line was whole and on its way before the signal.
    EXPECT_EQ(result.output, linesBeforeSignal);
    if (c.point != kInSampleBlock) {
        EXPECT_TRUE(TreeIs(root.Join("run"), {"music_p.lsd"}));
        return;
    }
    EXPECT_TRUE(TreeIs(root.Join("run"), {"music_p.lsd", WavFileName(entry)}));
    // All that the program had written: no sample byte had arrived in full.
    Bytes header = WavHeader(entry.length, entry.format);
    if (c.signal == SIGHUP) {
        // The close event flushed and closed the file: the header is on disk.
        EXPECT_TRUE(FileHolds(wavName, header));
    } else {
        EXPECT_TRUE(FileHoldsPrefixOf(wavName, header));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Events, ConsoleEventTest,
    ::testing::Values(
        EventCase{"close_in_sample_block", SIGHUP, kInSampleBlock, false},
        EventCase{"close_in_sample_block_output_to_file", SIGHUP, kInSampleBlock, true},
        EventCase{"close_in_lead_field", SIGHUP, kInLeadField, false},
        EventCase{"close_in_the_open_of_the_bank", SIGHUP, kInBankOpen, false},
        EventCase{"interrupt_in_sample_block", SIGINT, kInSampleBlock, false},
        EventCase{"interrupt_in_sample_block_output_to_file", SIGINT, kInSampleBlock, true},
        EventCase{"interrupt_in_lead_field", SIGINT, kInLeadField, false}),
    [](const ::testing::TestParamInfo<EventCase>& info) { return std::string(info.param.label); });

// The buffered program, caught inside a sample block of 100,000 bytes after
// the first 8,000 of them: its read-ahead is full, the 44 header bytes of the
// WAV file wait in that file's buffer, and it waits for the rest. The close
// event must put those bytes on disk; Ctrl+C ends it with them unwritten.
class BufferedEventTest : public ::testing::TestWithParam<int> {};

TEST_P(BufferedEventTest, TheHeaderInTheBufferReachesTheDiskOnlyOnTheCloseEvent) {
    const int signal = GetParam();
    ScopedTempDir root;
    ASSERT_FALSE(root.path.empty());
    ASSERT_TRUE(MakeFifo(root.Join("music_p.lsd")));
    int fifo = open(root.Join("music_p.lsd").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fifo, 0);

    BankEntry entry = MakeEntry("held", 100000 - 2, 7);
    Bytes sent = Int32Bytes(0) + EntryBytes(entry).substr(0, kEntryHeadSize + 8000);
    ASSERT_EQ(write(fifo, sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
    std::string wavName = root.Join("held.wav");
    Bytes lines = ConsoleLines({"Extracting music...", "  held.wav"});

    RunOptions options;
    options.directory = root.path;
    options.timeoutSeconds = 20;
    options.whileRunning = [&](const RunProgress& progress) {
        bool blocked = Unread(fifo) == 0 && *progress.output == lines && PathExists(wavName) &&
                       MainThreadState(progress.pid) == 'S';
        if (blocked) kill(progress.pid, signal);
        return blocked;
    };
    RunResult result = RunProgram(options);
    if (fifo >= 0) close(fifo);

    ASSERT_TRUE(EndedBySignal(result, signal)) << DescribeEnd(result);
    EXPECT_EQ(result.output, lines);
    if (signal == SIGHUP) {
        EXPECT_TRUE(FileHolds(wavName, WavHeader(entry.length, entry.format)));
    } else {
        EXPECT_TRUE(FileHolds(wavName, ""));
    }
}

INSTANTIATE_TEST_SUITE_P(Events, BufferedEventTest, ::testing::Values(SIGHUP, SIGINT),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGHUP ? "close" : "interrupt");
                         });

// wav2lsd caught by an event at each step of a run that writes. In the first
// pass of --update it reads a bank of huge sparse entries from end to end,
// before it makes any file; in a pack its temporary bank is made and it
// waits in the open of its second input, a FIFO that no one writes. There,
// and while the new bank is synced to the disk, every event ends it as an
// unfinished run (the signal's own end), removes the temporary file first,
// and leaves the older bank as it was. Once the new bank has been renamed
// into place the run has succeeded: an event while the folder is synced
// after that ends it with exit code 0. strace holds the program in those
// syncs: the first fsync is the new bank's, the second the folder's.
enum Wav2lsdStep {
    kPackWaitingForInput,
    kUpdateFirstPass,
    kUpdateCommit,
    kUpdateFolderSync,
    kPackFolderSync,
};

struct Wav2lsdEvent {
    int signal;
    Wav2lsdStep step;
};

const char* const kStrace = "/usr/bin/strace";

const char* const kStepNames[] = {"", "_in_update_first_pass", "_in_update_commit",
                                  "_after_update_rename", "_after_pack_rename"};

std::string EventName(const Wav2lsdEvent& c) {
    std::string name = c.signal == SIGHUP ? "close" : c.signal == SIGINT ? "interrupt" : "shutdown";
    return name + kStepNames[c.step];
}

void PrintTo(const Wav2lsdEvent& c, std::ostream* os) { *os << EventName(c); }

// Entries whose samples the file leaves as holes: gigabytes to read, no disk
// to hold them.
bool WriteSparseBank(const std::string& path, int entries) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const int32_t length = 0x7FFFFF00;
    bool ok = std::fwrite("LEAD", 1, 4, file) == 4;
    for (int i = 0; ok && i < entries; ++i) {
        Bytes head = ArchiveBytes({MakeEntry("huge" + std::to_string(i), 0, 1)}).substr(4, 52);
        head.replace(32, 4, Int32Bytes(length));
        ok = std::fwrite(head.data(), 1, head.size(), file) == head.size() &&
             fseeko(file, static_cast<off_t>(length) + 2, SEEK_CUR) == 0;
    }
    ok = ok && std::fflush(file) == 0 && ftruncate(fileno(file), ftello(file)) == 0;
    return std::fclose(file) == 0 && ok;
}

// The program that strace started, once it runs; 0 before.
pid_t TracedChild(pid_t strace) {
    Bytes children;
    std::string path = "/proc/" + std::to_string(strace) + "/task/" + std::to_string(strace);
    if (!ReadFileBytes(path + "/children", &children)) return 0;
    return static_cast<pid_t>(std::atoi(children.c_str()));
}

// Starts the program under strace, which holds its `which`th fsync for two
// seconds before the call runs.
std::vector<std::string> HoldingSync(const std::string& which) {
    // LeakSanitizer cannot work in a traced process.
    const char* asan = std::getenv("ASAN_OPTIONS");
    std::vector<std::string> wrapper = {
        "/usr/bin/env", std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":detect_leaks=0"};
    for (const char* part : {kStrace, "-f", "-qq", "-o", "/dev/null", "-e", "trace=fsync", "-e"})
        wrapper.push_back(part);
    wrapper.push_back("inject=fsync:delay_enter=2000000:when=" + which);
    return wrapper;
}

class Wav2lsdEventTest : public ::testing::TestWithParam<Wav2lsdEvent> {};

TEST_P(Wav2lsdEventTest, EndsUnfinishedWithTheOldBankOrFinishedWithTheNew) {
    const Wav2lsdEvent& c = GetParam();
    const bool inSync = c.step >= kUpdateCommit;
    const bool done = c.step >= kUpdateFolderSync;
    if (inSync && access(kStrace, X_OK) != 0) GTEST_SKIP() << "no strace";
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    const std::string bank = dir.Join("bank.lsd");
    RunOptions options;
    options.directory = dir.path;
    options.program = WAV2LSD_PROGRAM;
    options.timeoutSeconds = 20;
    Bytes oldBank = "older bank", newBank;
    if (c.step == kUpdateFirstPass) {
        ASSERT_TRUE(WriteSparseBank(bank, 4));
        options.arguments = {"--update", "bank.lsd"};
    } else if (c.step == kPackWaitingForInput) {
        ASSERT_TRUE(WriteBytesToFile(dir.Join("a.wav"), PlainWav(PcmFormat(1, 8000, 8), "abcd")));
        ASSERT_TRUE(MakeFifo(dir.Join("b.wav")));
        ASSERT_TRUE(WriteBytesToFile(bank, oldBank));
        options.arguments = {"--force", "bank.lsd", "a.wav", "b.wav"};
    } else if (c.step == kPackFolderSync) {
        BankEntry entry = MakeEntry("a", 998, 3);
        entry.format = PcmFormat(1, 8000, 8);
        ASSERT_TRUE(WriteBytesToFile(dir.Join("a.wav"), ExpectedWav(entry)));
        newBank = ArchiveBytes({entry}, 0);
        options.arguments = {"bank.lsd", "a.wav"};
    } else {
        // The second entry's samples edited.
        BankEntry one = MakeEntry("one", 1000, 1), two = MakeEntry("two", 2000, 2);
        BankEntry edited = two;
        edited.samples = PatternBytes(two.samples.size(), 9);
        oldBank = ArchiveBytes({one, two});
        newBank = ArchiveBytes({one, edited});
        ASSERT_TRUE(WriteBytesToFile(bank, oldBank));
        ASSERT_TRUE(WriteBytesToFile(dir.Join("one.wav"), ExpectedWav(one)));
        ASSERT_TRUE(WriteBytesToFile(dir.Join("two.wav"), ExpectedWav(edited)));
        options.arguments = {"--update", "bank.lsd"};
    }
    if (inSync) options.wrapper = HoldingSync(c.step == kUpdateCommit ? "1" : "2");
    struct stat bankBefore = {};
    const bool bankWasThere = stat(bank.c_str(), &bankBefore) == 0;
    ASSERT_EQ(bankWasThere, c.step != kPackFolderSync);
    const std::vector<std::string> before = ListTree(dir.path);
    bool temporarySeen = false, signalled = false;
    double heldSince = -1;
    options.whileRunning = [&](const RunProgress& progress) {
        temporarySeen = PathExists(bank + ".wav2lsd-tmp");
        pid_t pid = inSync ? TracedChild(progress.pid) : progress.pid;
        if (c.step == kUpdateFirstPass) {
            // 64 MiB of the bank read.
            signalled = !temporarySeen && BytesRead(pid) > (64 << 20);
        } else if (!inSync) {
            // Held in the open of the FIFO.
            signalled = temporarySeen && MainThreadState(pid) == 'S';
        } else {
            // Stopped by strace in the sync for a fifth of a second on end:
            // the sync of the new bank, under its temporary name, or that of
            // the folder, with the new bank under BANK's name.
            struct stat now;
            bool renamed =
                stat(bank.c_str(), &now) == 0 && (!bankWasThere || now.st_ino != bankBefore.st_ino);
            bool held = pid > 0 && MainThreadState(pid) == 't' &&
                        (done ? renamed && !temporarySeen : temporarySeen && !renamed);
            if (!held) heldSince = -1;
            if (held && heldSince < 0) heldSince = progress.seconds;
            signalled = held && progress.seconds - heldSince > 0.2;
        }
        if (signalled) kill(pid, c.signal);
        return signalled;
    };
    RunResult result = RunProgram(options);

    ASSERT_TRUE(signalled) << DescribeEnd(result);
    EXPECT_EQ(temporarySeen, c.step != kUpdateFirstPass && !done);
    if (done) {
        ASSERT_TRUE(result.exited) << DescribeEnd(result);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.errors, "");
        std::vector<std::string> after = before;
        if (!bankWasThere) after.push_back("bank.lsd");
        std::sort(after.begin(), after.end());
        EXPECT_EQ(ListTree(dir.path), after);
        EXPECT_TRUE(FileHolds(bank, newBank));
        return;
    }
    ASSERT_TRUE(EndedBySignal(result, c.signal)) << DescribeEnd(result);
    EXPECT_EQ(ListTree(dir.path), before);
    struct stat bankAfter;
    ASSERT_EQ(stat(bank.c_str(), &bankAfter), 0);
    EXPECT_EQ(bankAfter.st_ino, bankBefore.st_ino);
    EXPECT_EQ(bankAfter.st_size, bankBefore.st_size);
    if (c.step != kUpdateFirstPass) {
        EXPECT_TRUE(FileHolds(bank, oldBank));
    }
}

INSTANTIATE_TEST_SUITE_P(Events, Wav2lsdEventTest,
                         ::testing::Values(Wav2lsdEvent{SIGHUP, kPackWaitingForInput},
                                           Wav2lsdEvent{SIGINT, kPackWaitingForInput},
                                           Wav2lsdEvent{SIGTERM, kPackWaitingForInput},
                                           Wav2lsdEvent{SIGINT, kUpdateFirstPass},
                                           Wav2lsdEvent{SIGTERM, kUpdateCommit},
                                           Wav2lsdEvent{SIGINT, kUpdateFolderSync},
                                           Wav2lsdEvent{SIGHUP, kPackFolderSync}),
                         [](const ::testing::TestParamInfo<Wav2lsdEvent>& info) {
                             return EventName(info.param);
                         });

}  // namespace
}  // namespace lsdtest
