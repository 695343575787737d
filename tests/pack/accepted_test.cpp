// What wav2lsd takes from a WAV file: the format body and the data bytes,
// whatever other chunks and pad bytes surround them, under the file's name.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "tests/pack/run_wav2lsd.h"
#include "tests/pack/wav_builder.h"

namespace lsdtest {
namespace {

struct Accepted {
    const char* label;
    std::string file;  // may lie in a subfolder, made for the run
    Bytes contents;
    std::string name;  // what the entry must be
    Bytes format;
    Bytes data;
};

void PrintTo(const Accepted& c, std::ostream* os) { *os << c.label; }

class AcceptedTest : public ::testing::TestWithParam<Accepted> {};

TEST_P(AcceptedTest, GivesOneEntryOfTheFormatAndTheData) {
    const Accepted& c = GetParam();
    ScopedTempDir dir;
    size_t slash = c.file.rfind('/');
    if (slash != std::string::npos) {
        ASSERT_TRUE(MakeDirectory(dir.Join(c.file.substr(0, slash))));
    }
    ASSERT_TRUE(WriteBytesToFile(dir.Join(c.file), c.contents));
    std::vector<std::string> tree = ListTree(dir.path);
    tree.push_back("bank.lsd");

    RunResult result = RunWav2lsd(dir.path, {"bank.lsd", c.file});

    ASSERT_TRUE(ExitedCleanly(result));
    EXPECT_EQ(result.output, "");
    BankEntry entry{NameField(c.name), static_cast<int32_t>(c.data.size()) - 2, c.format, c.data};
    EXPECT_TRUE(FileHolds(dir.Join("bank.lsd"), ArchiveBytes({entry}, 0)));
    EXPECT_TRUE(TreeIs(dir.path, tree));
}

const Bytes kFormat = PcmFormat(2, 44100, 16);
const Bytes kOddFormat = PcmFormat(3, 11025, 24);
const Bytes kOdd = PatternBytes(41, 1);
const Bytes kLong = PatternBytes(70001, 2);

INSTANTIATE_TEST_SUITE_P(
    Wav2lsd, AcceptedTest,
    ::testing::Values(
        Accepted{"chunks before, between and after", "take.wav",
                 RiffWave(RiffChunk("LIST", PatternBytes(7, 3)) + RiffChunk("fmt ", kFormat) +
                          RiffChunk("fact", Int32Bytes(10)) + RiffChunk("data", kOdd) +
                          RiffChunk("id3 ", "abc")),
                 "take", kFormat, kOdd},
        Accepted{"odd data without its pad byte at the end", "end.wav",
                 RiffWave(RiffChunk("fmt ", kOddFormat) + RiffChunk("data", kOdd, false)), "end",
                 kOddFormat, kOdd},
        Accepted{"empty chunk and a RIFF size of zero", "zero.wav",
                 "RIFF" + Int32Bytes(0) + "WAVE" + RiffChunk("junk", "") +
                     RiffChunk("fmt ", kFormat) + RiffChunk("data", "ab"),
                 "zero", kFormat, "ab"},
        Accepted{"upper-case ending in a subfolder", "sub/LOUD.WAV", PlainWav(kFormat, kOdd),
                 "LOUD", kFormat, kOdd},
        Accepted{"18-byte PCM format whose extra part is empty", "pcm18.wav",
                 RiffWave(RiffChunk("fmt ", kFormat + Bytes(2, '\0')) + RiffChunk("data", kOdd)),
                 "pcm18", kFormat, kOdd},
        Accepted{"name of 32 bytes", std::string(32, 'n') + ".wav", PlainWav(kFormat, kOdd),
                 std::string(32, 'n'), kFormat, kOdd},
        Accepted{"chunk and data longer than a copy block", "long.wav",
                 RiffWave(RiffChunk("LIST", PatternBytes(70000, 4)) + RiffChunk("fmt ", kFormat) +
                          RiffChunk("data", kLong) + RiffChunk("LIST", kOdd)),
                 "long", kFormat, kLong},
        // Left over by common writers, and read past by common readers.
        Accepted{"three stray bytes after the last chunk", "stray.wav",
                 PlainWav(kFormat, kOdd) + "LIS", "stray", kFormat, kOdd},
        Accepted{"odd data without its pad byte before another chunk", "nopad.wav",
                 RiffWave(RiffChunk("fmt ", kFormat) + RiffChunk("data", kOdd, false) +
                          RiffChunk("LIST", "INFO")),
                 "nopad", kFormat, kOdd},
        Accepted{"one data byte, an entry of length -1", "one.wav", PlainWav(kFormat, "x"), "one",
                 kFormat, "x"},
        // Extensible PCM whose samples fill their containers is plain PCM.
        Accepted{"extensible PCM of four channels", "quad.wav",
                 RiffWave(RiffChunk("fmt ", ExtensibleFormat(4, 48000, 16, 16, 1)) +
                          RiffChunk("data", PatternBytes(16, 6))),
                 "quad", PcmFormat(4, 48000, 16), PatternBytes(16, 6)}));

// Mistakes and slips of the hand: nothing is written, and every file that
// was there, the one the slip would have destroyed among them, stays as it was.
TEST(Wav2lsdCommandLine, HelpVersionMistakesAndSlips) {
    const std::string usage = ToolLines({"usage: wav2lsd [--force] BANK WAV..."});
    const Bytes wav = PlainWav(PcmFormat(1, 8000, 8), "abcd");
    const Bytes bank = ArchiveBytes({MakeEntry("a", 2, 1)});
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string outputStart;  // stdout begins so, with nothing on stderr ('!' first: the
                                  // other way round)
        std::string refusedFile;  // else stderr names this file
        std::string reasonWords;
        // Files there before the run: a name ending in "/" is a folder, one
        // ending in "|" a FIFO, "name>target" a link, "name=target" a second
        // name of the file target.
        std::vector<std::pair<std::string, Bytes>> files;
    } cases[] = {
        {{}, 1, "!" + usage, "", "", {}},
        {{"--help"}, 0, usage, "", "", {}},
        {{"-h", "a.wav"}, 0, usage, "", "", {}},
        {{"--version"}, 0, ToolLines({"wav2lsd " WAV2LSD_VERSION, "MIT License"}), "", "", {}},
        {{"bank.lsd"}, 1, "", "bank.lsd", "no WAV files", {}},
        // A WAV file alone: the bank is what is missing.
        {{"x.wav"}, 1, "", "x.wav", "no bank given, only this WAV file: give the bank first", {{"x.wav", wav}}},
        {{"-f", "X.WAV"}, 1, "", "X.WAV", "no bank given, only this WAV file", {}},
        {{"--bank", "a.wav"}, 1, "", "--bank", "unknown option: try 'wav2lsd --help'", {}},
        {{"-v"}, 1, "", "-v", "--verbose goes with --update", {}},
        {{"--list", "x.wav"}, 1, "", "x.wav", "--list take a bank, not a WAV file", {{"x.wav", wav}}},
        {{"bank.lsd", std::string(40, 'n') + ".wav"}, 1, "", std::string(40, 'n') + ".wav",
         "longer than 32 bytes: 40 bytes long", {}},
        {{"--update"}, 1, "", "--update", "no BANK", {}},
        {{"--update", "bank.lsd", "a.wav"}, 1, "", "a.wav", "bank alone", {{"bank.lsd", bank}, {"a.wav", wav}}},
        {{"-v", "bank.lsd", "a.wav"}, 1, "", "--verbose", "with --update", {{"a.wav", wav}}},
        {{"--update", "missing.lsd"}, 1, "", "missing.lsd", "no such file", {}},
        {{"--list", "missing.lsd"}, 1, "", "missing.lsd", "no such file", {}},
        // BANK forgotten: the first WAV file would become a bank of the others.
        {{"a.wav", "b.wav"}, 1, "", "a.wav", "give the bank first", {{"a.wav", wav}, {"b.wav", wav}}},
        {{"A.WAV", "b.wav"}, 1, "", "A.WAV", "give the bank first", {{"A.WAV", wav}, {"b.wav", wav}}},
        {{"x.wav", "x.wav", "x.wav"}, 1, "", "x.wav", "ends in .wav", {{"x.wav", wav}}},
        {{"wave.lsd", "a.wav"}, 1, "", "wave.lsd", "is a WAV file", {{"wave.lsd", wav}, {"a.wav", wav}}},
        {{"--update", "wave.lsd"}, 1, "", "wave.lsd", "is a WAV file", {{"wave.lsd", wav}}},
        {{"-f", "bank.lsd", "a.wav", "./a.wav"}, 1, "", "./a.wav", "same entry name", {{"bank.lsd", bank}, {"a.wav", wav}}},
        // A pack throws away what a bank holds: only with --force.
        {{"bank.lsd", "a.wav"}, 1, "", "bank.lsd",
         "already exists; use --update to change its entries, or --force to replace it",
         {{"bank.lsd", bank}, {"a.wav", wav}}},
        {{"bank.lsd", "a.wav"}, 1, "", "bank.lsd", "already exists", {{"bank.lsd", ""}, {"a.wav", wav}}},
        {{"--force", "--update", "bank.lsd"}, 1, "", "--force", "not --update or --list", {{"bank.lsd", bank}}},
        {{"--list", "-f", "bank.lsd"}, 1, "", "--force", "not --update or --list", {{"bank.lsd", bank}}},
        {{"bank.lsd", "a.wav", "sub/a.wav"}, 1, "", "sub/a.wav", "same entry name", {{"a.wav", wav}, {"sub/", ""}, {"sub/a.wav", wav}}},
        {{"folder", "a.wav"}, 1, "", "folder", "is a folder", {{"folder/", ""}, {"a.wav", wav}}},
        {{"bank.lsd", "sub.wav"}, 1, "", "sub.wav", "is a folder", {{"sub.wav/", ""}}},
#ifndef _WIN32
        // Names that Windows takes for a device or a stream, or for one file.
        {{"--force", "bank.lsd", "con.wav"}, 1, "", "con.wav", "device name", {{"bank.lsd", bank}, {"con.wav", wav}}},
        // A second name of the bank would go on holding the old one.
        {{"--update", "bank.lsd"}, 1, "", "bank.lsd", "more than one name (a hard link), which would keep the old contents: copy it", {{"bank.lsd", bank}, {"backup=bank.lsd", ""}, {"a.wav", wav}}},
        {{"-f", "bank.lsd", "a.wav"}, 1, "", "bank.lsd", "more than one name", {{"bank.lsd", bank}, {"backup=bank.lsd", ""}, {"a.wav", wav}}},
        {{"bank.lsd", "a.wav"}, 1, "", "bank.lsd", "is a link", {{"target", bank}, {"bank.lsd>target", ""}, {"a.wav", wav}}},
        {{"--update", "bank.lsd"}, 1, "", "bank.lsd", "is a link", {{"target", bank}, {"bank.lsd>target", ""}, {"a.wav", wav}}},
        {{"fifo", "a.wav"}, 1, "", "fifo", "not a regular file", {{"fifo|", ""}, {"a.wav", wav}}},
        {{"bank.lsd", "a:b.wav"}, 1, "", "a:b.wav", "colon", {{"a:b.wav", wav}}},
        {{"bank.lsd", "A.wav", "a.wav"}, 1, "", "a.wav", "same entry name", {{"A.wav", wav}, {"a.wav", wav}}},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        ScopedTempDir dir;
        for (const auto& file : c.files) {
            const std::string& name = file.first;
            size_t arrow = name.find_first_of(">=");
            if (name.back() == '/') {
                ASSERT_TRUE(MakeDirectory(dir.Join(name.substr(0, name.size() - 1))));
            } else if (name.back() == '|') {
                ASSERT_TRUE(MakeFifo(dir.Join(name.substr(0, name.size() - 1))));
            } else if (arrow != std::string::npos) {
#ifndef _WIN32
                std::string target = name.substr(arrow + 1), link = dir.Join(name.substr(0, arrow));
                ASSERT_EQ(name[arrow] == '>' ? symlink(target.c_str(), link.c_str())
                                             : ::link(dir.Join(target).c_str(), link.c_str()),
                          0);
#endif
            } else {
                ASSERT_TRUE(WriteBytesToFile(dir.Join(name), file.second));
            }
        }
        std::vector<std::string> before = SnapshotTree(dir.path);
        RunResult result = RunWav2lsd(dir.path, c.arguments);
        bool onErrors = !c.outputStart.empty() && c.outputStart[0] == '!';
        const Bytes& shown = onErrors ? result.errors : result.output;
        const std::string start = onErrors ? c.outputStart.substr(1) : c.outputStart;
        if (c.refusedFile.empty()) {
            EXPECT_TRUE(result.exited) << DescribeEnd(result);
            EXPECT_EQ(result.exitCode, c.exitCode);
            EXPECT_EQ(shown.substr(0, start.size()), start);
            EXPECT_EQ(onErrors ? result.output : result.errors, "");
        } else {
            EXPECT_TRUE(RefusedWith(result, c.refusedFile, c.reasonWords));
        }
        EXPECT_EQ(SnapshotTree(dir.path), before);
    }
}

}  // namespace
}  // namespace lsdtest

namespace lsdtest {
namespace {

// A bank whose first name puts "WAVE" where a WAV file has it, or whose
// lead field spells "RIFF", is a bank all the same; an entry of one sample
// byte (L = -1) is whole, and format fields are 16 bits wide. The columns
// are as wide as their longest text, and a line of totals ends the list.
TEST(Wav2lsdList, OneLinePerEntryWithMarksAndEscapedNames) {
    ScopedTempDir dir;
    std::vector<BankEntry> entries = {MakeEntry("snd_WAVE_x", 10, 1), MakeEntry("one", -1, 5),
                                      MakeEntry("wide", 2, 6), MakeEntry("sub/a\r\nb", 10, 1),
                                      MakeEntry("con", 2, 2), MakeEntry("last", 100, 4)};
    for (BankEntry& entry : entries) entry.format = PcmFormat(2, 44100, 16);
    // Every bit of both bytes counts, the high one's top bit too.
    entries[2].format = PcmFormat(0x8110, 8000, 0x0110);
    const Bytes whole = ArchiveBytes(entries);
    ASSERT_TRUE(WriteBytesToFile(dir.Join("music_p.lsd"), Truncate(whole, whole.size() - 94)));
    RunResult result = RunWav2lsd(dir.path, {"--list", "music_p.lsd"});
    ASSERT_TRUE(ExitedCleanly(result));
    EXPECT_EQ(result.output,
              ToolLines({"snd_WAVE_x.wav          2 ch  44100 Hz   16 bit   12 bytes",
                         "one.wav                 2 ch  44100 Hz   16 bit    1 bytes",
                         "wide.wav            33040 ch   8000 Hz  272 bit    4 bytes",
                         "sub/a\\x0d\\x0ab.wav      2 ch  44100 Hz   16 bit   12 bytes",
                         "con.wav                 2 ch  44100 Hz   16 bit    4 bytes  (refused: "
                         "lsd2wav on Windows refuses a device name (CON, NUL, COM1, LPT1, ...))",
                         "last.wav                2 ch  44100 Hz   16 bit  102 bytes  (cut short)",
                         "6 entries, 135 sample bytes, 1 cut short, 1 refused"}));
    EXPECT_TRUE(TreeIs(dir.path, {"music_p.lsd"}));
    // --update takes such a bank back as it is.
    const Bytes kept = ArchiveBytes({entries[1], entries[2]}, 0x46464952);
    ASSERT_TRUE(WriteBytesToFile(dir.Join("music_p.lsd"), kept));
    ASSERT_TRUE(ExitedCleanly(RunProgramIn(dir.path)));
    EXPECT_TRUE(ExitedCleanly(RunWav2lsd(dir.path, {"--update", "music_p.lsd"})));
    EXPECT_TRUE(FileHolds(dir.Join("music_p.lsd"), kept));
    // One entry is one entry.
    ASSERT_TRUE(WriteBytesToFile(dir.Join("music_p.lsd"), ArchiveBytes({entries[1]})));
    result = RunWav2lsd(dir.path, {"--list", "music_p.lsd"});
    EXPECT_EQ(result.output, ToolLines({"one.wav  2 ch  44100 Hz  16 bit  1 bytes",
                                        "1 entry, 1 sample bytes, 0 cut short, 0 refused"}));
}

// The temporary file's name taken by a file, a link pointing elsewhere or a
// FIFO: none of them is followed or touched, and BANK becomes a plain file
// with its permission bits as they were.
TEST(Wav2lsdTemporaryFile, ANameTakenIsLeftAloneAndBankKeepsItsBits) {
    const Bytes wav = PlainWav(PcmFormat(1, 8000, 8), "abcd");
    const Bytes expected = ArchiveBytes({{NameField("a"), 2, PcmFormat(1, 8000, 8), "abcd"}}, 0);
    for (const char* taken : {"file", "link", "fifo"}) {
        SCOPED_TRACE(taken);
#ifdef _WIN32
        if (std::string(taken) != "file") continue;
#endif
        ScopedTempDir dir;
        ASSERT_TRUE(WriteBytesToFile(dir.Join("a.wav"), wav));
        ASSERT_TRUE(WriteBytesToFile(dir.Join("outside"), "outside"));
        ASSERT_TRUE(WriteBytesToFile(dir.Join("bank.lsd"), "older bank"));
        const std::string temporary = dir.Join("bank.lsd.wav2lsd-tmp");
        const std::string kind = taken;
#ifndef _WIN32
        ASSERT_EQ(chmod(dir.Join("bank.lsd").c_str(), 0440), 0);
        if (kind == "link") {
            ASSERT_EQ(symlink("outside", temporary.c_str()), 0);
        } else if (kind == "fifo") {
            ASSERT_TRUE(MakeFifo(temporary));
        }
#endif
        if (kind == "file") {
            ASSERT_TRUE(WriteBytesToFile(temporary, "taken"));
        }
        // Everything but the bank must stay as it was.
        auto withoutBank = [&] {
            std::vector<std::string> tree = SnapshotTree(dir.path);
            tree.erase(std::remove_if(tree.begin(), tree.end(),
                                      [](const std::string& f) { return f.rfind("bank.lsd=", 0) == 0; }),
                       tree.end());
            return tree;
        };
        std::vector<std::string> before = withoutBank();

        RunResult result = RunWav2lsd(dir.path, {"--force", "bank.lsd", "a.wav"});

        ASSERT_TRUE(ExitedCleanly(result));
        EXPECT_TRUE(FileHolds(dir.Join("bank.lsd"), expected));
        EXPECT_TRUE(FileHolds(dir.Join("outside"), "outside"));
        EXPECT_EQ(withoutBank(), before);
#ifndef _WIN32
        struct stat info;
        ASSERT_EQ(lstat(dir.Join("bank.lsd").c_str(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(info.st_mode & 07777, 0440u);
#endif
    }
}

}  // namespace
}  // namespace lsdtest

namespace lsdtest {
namespace {

#ifndef _WIN32
// A bank that --update or --force replaces keeps its permission bits, and its
// group and owner as far as the one who runs wav2lsd may keep them: root
// keeps both; a member of the bank's group keeps the group, becomes the owner
// and is told so. Numbers that no account has stand for the users, so that
// none need be made, and show as numbers.
TEST(Wav2lsdReplacement, KeepsWhoMayUseTheBank) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root, to own the bank as another user";
    const std::vector<std::string> member = {"/usr/bin/setpriv", "--reuid=12345", "--regid=12345",
                                             "--groups=12346", "--"};
    const BankEntry entry = MakeEntry("a", 10, 1);
    struct Case {
        std::vector<std::string> wrapper;
        std::vector<std::string> arguments;
        mode_t mode;
        uid_t ownerAfter;
        std::string errors;
    } cases[] = {
        {{}, {"--update", "music_p.lsd"}, 0640, 12347, ""},
        {{}, {"-f", "music_p.lsd", "a.wav"}, 0604, 12347, ""},
        {member, {"--update", "music_p.lsd"}, 0660, 12345,
         ToolLines({"wav2lsd: music_p.lsd: could not keep its owner and group 12347:12346; "
                    "they are now 12345:12346"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        ScopedTempDir dir;
        const std::string bank = dir.Join("music_p.lsd");
        ASSERT_TRUE(WriteBytesToFile(bank, ArchiveBytes({entry})));
        ASSERT_TRUE(WriteBytesToFile(dir.Join("a.wav"), ExpectedWav(entry)));
        ASSERT_EQ(chown(bank.c_str(), 12347, 12346), 0);
        ASSERT_EQ(chmod(bank.c_str(), c.mode), 0);
        ASSERT_EQ(chmod(dir.path.c_str(), 0777), 0);
        ASSERT_EQ(chmod(dir.Join("a.wav").c_str(), 0644), 0);
        RunOptions options;
        options.directory = dir.path;
        options.program = WAV2LSD_PROGRAM;
        options.arguments = c.arguments;
        options.wrapper = c.wrapper;
        RunResult result = RunProgram(options);
        EXPECT_TRUE(result.exited && result.exitCode == 0) << DescribeEnd(result) << result.errors;
        EXPECT_EQ(result.errors, c.errors);
        struct stat info;
        ASSERT_EQ(lstat(bank.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, c.mode);
        EXPECT_EQ(info.st_uid, c.ownerAfter);
        EXPECT_EQ(info.st_gid, 12346u);
        EXPECT_EQ(SnapshotTree(dir.path).size(), 2u) << "a temporary file was left";
    }
}

#else
// A bank that --update replaces keeps its attributes, as ReplaceFile hands
// them on.
TEST(Wav2lsdReplacement, KeepsTheBanksAttributes) {
    const BankEntry entry = MakeEntry("a", 10, 1);
    ScopedTempDir dir;
    const std::string bank = dir.Join("music_p.lsd");
    ASSERT_TRUE(WriteBytesToFile(bank, ArchiveBytes({entry})));
    ASSERT_TRUE(WriteBytesToFile(dir.Join("a.wav"), ExpectedWav(entry)));
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    ASSERT_TRUE(SetFileAttributesA(bank.c_str(), kept));
    EXPECT_TRUE(ExitedCleanly(RunWav2lsd(dir.path, {"--update", "music_p.lsd"})));
    EXPECT_EQ(GetFileAttributesA(bank.c_str()) & kept, kept);
    EXPECT_TRUE(FileHolds(bank, ArchiveBytes({entry})));
}
#endif

#ifndef _WIN32
// Every line that wav2lsd owes its output must go out, or it says so with
// exit code 1; a reader that has all it wants (head) ends it quietly, as
// a closed pipe ends ls, and never with a claim of success.
TEST(Wav2lsdOutput, ALostLineFailsTheRunAndAClosedPipeEndsItQuietly) {
    std::vector<BankEntry> many;
    for (int i = 0; i < 3000; ++i) many.push_back(MakeEntry("entry" + std::to_string(i), 2, i));
    BankEntry a = MakeEntry("a", 2, 1);
    BankEntry edited = a;
    edited.format = PcmFormat(2, 22050, 16);
    const Bytes editedWav = ExpectedWav(edited);
    struct Case {
        const char* label;
        std::string shell;  // runs the program as "$0" "$@"
        std::vector<std::string> arguments;
        Bytes bank;
        int exitCode;
        // The lines on the error stream, each "wav2lsd: " and these words
        // first; none at all when empty.
        std::vector<std::string> errorWords;
        std::string output = "";  // standard output, when it is a pipe
    } cases[] = {
        {"listing to a full disk", "exec \"$0\" \"$@\" >/dev/full", {"--list", "bank.lsd"},
         ArchiveBytes({a}), 1, {"bank.lsd: cannot write the whole listing"}},
        {"changes to a full disk", "exec \"$0\" \"$@\" >/dev/full",
         {"-v", "--update", "bank.lsd"}, ArchiveBytes({a}), 1,
         {"a.wav: its format changed",
          "bank.lsd: updated, but the list of changes could not be written"}},
        {"listing to a reader that stops", "set -o pipefail; \"$0\" \"$@\" | head -n 1 >/dev/null",
         {"--list", "bank.lsd"}, ArchiveBytes(many), 1, {}},
        {"a changed format without --verbose", "exec \"$0\" \"$@\"", {"--update", "bank.lsd"},
         ArchiveBytes({a}), 0, {"a.wav: its format changed"}},
        {"a changed format with --verbose", "exec \"$0\" \"$@\"", {"-v", "--update", "bank.lsd"},
         ArchiveBytes({a}), 0, {"a.wav: its format changed"},
         ToolLines({"a.wav: format changed"})},
    };
    // Forty files where a process may hold 24 open at once: each file is
    // closed once packed.
    std::vector<std::string> forty = {"bank.lsd"};
    for (int i = 0; i < 40; ++i) forty.push_back("f" + std::to_string(i) + ".wav");
    const std::string limited = "ulimit -n 24 && exec \"$0\" \"$@\"";
    Case limits[] = {
        {"more files than descriptors", limited, forty, ArchiveBytes({a}), 0, {}},
        {"--update of as many", limited, {"--update", "bank.lsd"}, Bytes(), 0, {}},
    };
    // wav2lsd in `folder`, started by bash with the case's command line.
    auto run = [](const std::string& folder, const Case& c) {
        RunOptions options;
        options.directory = folder;
        options.program = WAV2LSD_PROGRAM;
        options.arguments = c.arguments;
        options.wrapper = {"/bin/bash", "-c", c.shell};
        return RunProgram(options);
    };
    ScopedTempDir shared;
    for (size_t i = 1; i < forty.size(); ++i)
        ASSERT_TRUE(WriteBytesToFile(shared.Join(forty[i]), editedWav));
    for (const Case& c : limits) {
        SCOPED_TRACE(c.label);
        EXPECT_TRUE(ExitedCleanly(run(shared.path, c)));
        std::vector<BankEntry> packed;
        for (size_t i = 1; i < forty.size(); ++i) {
            BankEntry entry = edited;
            entry.nameField = NameField(forty[i].substr(0, forty[i].size() - 4));
            packed.push_back(entry);
        }
        EXPECT_TRUE(FileHolds(shared.Join("bank.lsd"), ArchiveBytes(packed, 0)));
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ScopedTempDir dir;
        ASSERT_TRUE(WriteBytesToFile(dir.Join("bank.lsd"), c.bank));
        ASSERT_TRUE(WriteBytesToFile(dir.Join("a.wav"), editedWav));
        RunResult result = run(dir.path, c);
        EXPECT_TRUE(result.exited) << DescribeEnd(result);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_EQ(result.output, c.output);
        EXPECT_EQ(std::count(result.errors.begin(), result.errors.end(), '\n'),
                  static_cast<std::ptrdiff_t>(c.errorWords.size()))
            << result.errors;
        size_t at = 0;
        for (const std::string& words : c.errorWords) {
            const std::string start = "wav2lsd: " + words;
            EXPECT_EQ(result.errors.compare(at, start.size(), start), 0) << result.errors;
            at = result.errors.find('\n', at) + 1;
        }
    }
}
#endif

}  // namespace
}  // namespace lsdtest
