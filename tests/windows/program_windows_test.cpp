// The Windows program as a user starts it, with standard output on a pipe or
// redirected to a file: banks extracted byte for byte, "\" as a separator as
// well as "/", and the names that Windows reads as leaving the folder, or
// does not take as file names at all, refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/bank_builder.h"
#include "tests/support/program_runner.h"

namespace lsdtest {
namespace {

// ---------------------------------------------------------------------------
// A whole bank, both ways that standard output can be redirected.

struct OutputCase {
    const char* label;
    bool toFile;
};

void PrintTo(const OutputCase& c, std::ostream* os) { *os << c.label; }

class WindowsBankTest : public ::testing::TestWithParam<OutputCase> {};

TEST_P(WindowsBankTest, ExtractsEveryEntryByteForByte) {
    const OutputCase& c = GetParam();
    ScopedTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    ASSERT_TRUE(MakeDirectory(dir.Join("run")));
    ASSERT_TRUE(MakeDirectory(dir.Join("run/sub")));
    struct Expected {
        BankEntry entry;
        const char* file;  // as the directory listing shows it
    };
    const std::vector<Expected> expected = {
        {MakeEntry("tone_a4", 2000, 1), "tone_a4.wav"},
        {MakeEntry("sub\\back", 300, 2), "sub/back.wav"},
        {MakeEntry("sub/slash", 30, 3), "sub/slash.wav"},
        {MakeEntry("a..b", 0, 4), "a..b.wav"},
        {MakeEntry("caf\xE9 (1)", 10, 5), "caf\xE9 (1).wav"},
        {MakeEntry("large", 300000, 6), "large.wav"},
        {MakeEntry("odd", 1, 7), "odd.wav"},
    };
    std::vector<BankEntry> entries;
    std::vector<std::string> tree = {"run/", "run/sub/", "run/music_p.lsd"};
    for (const Expected& e : expected) {
        entries.push_back(e.entry);
        tree.push_back(std::string("run/") + e.file);
    }
    ASSERT_TRUE(WriteBytesToFile(dir.Join("run/music_p.lsd"), ArchiveBytes(entries)));

    RunOptions options;
    options.directory = dir.Join("run");
    if (c.toFile) {
        options.stdoutFile = dir.Join("console.txt");
        tree.push_back("console.txt");
    }
    RunResult result = RunProgram(options);

    ASSERT_TRUE(ExitedCleanly(result));
    EXPECT_EQ(result.output, ExpectedConsole(kMusicBank, entries));
    for (const Expected& e : expected) {
        EXPECT_TRUE(FileHolds(dir.Join(std::string("run/") + e.file), ExpectedWav(e.entry)));
    }
    EXPECT_TRUE(TreeIs(dir.path, tree));
}

INSTANTIATE_TEST_SUITE_P(Output, WindowsBankTest,
                         ::testing::Values(OutputCase{"pipe", false}, OutputCase{"file", true}),
                         [](const ::testing::TestParamInfo<OutputCase>& info) {
                             return std::string(info.param.label);
                         });

// ---------------------------------------------------------------------------
// Refused names: the line is printed, then "  Cannot create output file!",
// the walk stops, and nothing changes, in the run folder or outside it.

struct RefusedCase {
    const char* label;
    std::string name;
    std::vector<const char*> directories;  // made under the run folder first
    // A place outside the temporary root where the file would land if the
    // name were taken; it must not exist after the run. Empty: none; a
    // leading '%' stands for the drive of the run folder.
    std::string outside;
    std::string line = "";  // the entry's console line; empty: "  " + name + ".wav"
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.label; }

class WindowsRefusedNameTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(WindowsRefusedNameTest, StopsWithoutTouchingAnything) {
    const RefusedCase& c = GetParam();
    ScopedTempDir root;
    ASSERT_FALSE(root.path.empty());
    ASSERT_TRUE(MakeDirectory(root.Join("run")));
    ASSERT_TRUE(WriteBytesToFile(root.Join("s.wav"), "sentinel above"));
    for (const char* directory : c.directories)
        ASSERT_TRUE(MakeDirectory(root.Join(std::string("run/") + directory)));
    BankEntry first = MakeEntry("first", 33, 1);
    BankEntry refused = MakeEntry(c.name, 33, 2);
    BankEntry never = MakeEntry("never", 33, 3);
    ASSERT_TRUE(
        WriteBytesToFile(root.Join("run/music_p.lsd"), ArchiveBytes({first, refused, never})));
    std::vector<std::string> expectedTree = SnapshotTree(root.path);
    expectedTree.push_back("run/first.wav=" + ExpectedWav(first));
    std::sort(expectedTree.begin(), expectedTree.end());
    std::string outside = c.outside;
    if (!outside.empty() && outside[0] == '%') outside = root.path.substr(0, 2) + outside.substr(1);
    ASSERT_TRUE(outside.empty() || !PathExists(outside)) << outside << " is there already";

    RunResult result = RunProgramIn(root.Join("run"));

    ASSERT_TRUE(ExitedCleanly(result));
    std::string line = c.line.empty() ? "  " + c.name + ".wav" : c.line;
    EXPECT_EQ(result.output,
              ConsoleLines({"Extracting music...", "  first.wav", line, kStatusCannotCreate}));
    EXPECT_EQ(SnapshotTree(root.path), expectedTree);
    if (!outside.empty() && PathExists(outside)) {
        ADD_FAILURE() << "the run created " << outside;
        std::remove(outside.c_str());  // so that later runs start clean
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, WindowsRefusedNameTest,
    ::testing::Values(
        // Rooted: the current drive's root, another machine, the device
        // namespace, a drive of its own.
        RefusedCase{"leading_backslash", "\\lsd2wav-root", {}, "%\\lsd2wav-root.wav"},
        RefusedCase{"leading_slash", "/lsd2wav-root", {}, "%\\lsd2wav-root.wav"},
        RefusedCase{"unc", "\\\\server\\share\\x", {}, ""},
        RefusedCase{"unc_slashes", "//server/share/x", {}, ""},
        RefusedCase{"device_namespace", "\\\\?\\C:\\lsd2wav-dev", {}, "C:\\lsd2wav-dev.wav"},
        RefusedCase{"drive_absolute", "C:\\lsd2wav-abs", {}, "C:\\lsd2wav-abs.wav"},
        RefusedCase{"drive_absolute_slash", "c:/lsd2wav-abs", {}, "C:\\lsd2wav-abs.wav"},
        // Relative to the drive's own current folder, which may be anywhere.
        RefusedCase{"drive_relative", "C:lsd2wav-rel", {}, ""},
        // Climbing with "..", between either separator.
        RefusedCase{"parent_backslash", "..\\s", {}, ""},
        RefusedCase{"parent_new_backslash", "..\\n", {}, ""},
        RefusedCase{"parent_of_subdirectory", "a\\..\\..\\s", {"a"}, ""},
        RefusedCase{"parent_mixed_separators", "a/..\\..\\n", {"a"}, ""},
        RefusedCase{"parent_mixed_the_other_way", "a\\../../n", {"a"}, ""},
        RefusedCase{"parent_inside_run_folder", "a\\..\\first2", {"a"}, ""},
        RefusedCase{"parent_at_the_end", "a\\..\\..", {"a"}, ""},
        // Names Windows does not take for a file.
        RefusedCase{"wildcard_star", "a*b", {}, ""},
        RefusedCase{"wildcard_question_mark", "a?b", {}, ""},
        RefusedCase{"control_byte",
                    "a\x01"
                    "b",
                    {},
                    "",
                    "  a?b.wav"},
        RefusedCase{"missing_subdirectory", "missing\\x", {}, ""},
        // COM and LPT with a superscript digit of Windows-1252 are devices.
        RefusedCase{"device_superscript_one", "COM\xB9", {}, ""},
        RefusedCase{"device_superscript_three", "lpt\xB3", {}, ""}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) {
        return std::string(info.param.label);
    });

// Each argument reaches wav2lsd exactly as typed. One that the ANSI code page
// cannot hold would reach it as the name of another file (a nearby letter in
// place of the missing one); one with * or ?, which cmd passes on as typed,
// names no file at all, whatever files the pattern would match: each is
// refused before anything is touched.
TEST(WindowsArguments, AnArgumentThatWouldNameAnotherFileOrNoneIsRefused) {
    const Bytes bank = ArchiveBytes({MakeEntry("a", 2, 1)});
    const Bytes wav = ExpectedWav(MakeEntry("k", 2, 2));
    const std::string wildcard =
        "Windows passed the * or ? on unexpanded, as typed: name each file, as in wav2lsd BANK "
        "a.wav b.wav";
    struct Case {
        std::vector<std::string> arguments;  // UTF-8
        bool wide;                           // given as the wide command line
        std::string refused;                 // the argument named; empty: not checked
        std::string reasonWords;
    } cases[] = {
        {{"m\xC5\xABsic_p.lsd", "k.wav"}, true, "", "code page cannot hold"},  // music_p.lsd's twin
        {{"out.lsd", "\xC4\x81.wav"}, true, "", "code page cannot hold"},      // a.wav's
        {{"music_p.lsd", "*.wav"}, false, "*.wav", wildcard},
        {{"new.lsd", "?.wav"}, false, "?.wav", wildcard},
        {{"-f", "music_p.lsd", "*"}, false, "*", wildcard},
        {{"--list", "*.lsd"}, false, "*.lsd", wildcard},
        {{"--update", "music_?.lsd"}, true, "music_?.lsd", wildcard},
    };
    for (const Case& c : cases) {
        std::string typed;
        for (const std::string& argument : c.arguments) typed += " " + argument;
        SCOPED_TRACE("wav2lsd" + typed);
        ScopedTempDir dir;
        ASSERT_TRUE(WriteBytesToFile(dir.Join("music_p.lsd"), bank));
        ASSERT_TRUE(WriteBytesToFile(dir.Join("k.wav"), wav));
        ASSERT_TRUE(WriteBytesToFile(dir.Join("a.wav"), wav));
        std::vector<std::string> before = SnapshotTree(dir.path);
        RunOptions options;
        options.directory = dir.path;
        options.program = WAV2LSD_PROGRAM;
        options.arguments = c.arguments;
        options.wideArguments = c.wide;
        RunResult result = RunProgram(options);
        EXPECT_TRUE(result.exited) << DescribeEnd(result);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.errors.find(c.reasonWords), Bytes::npos) << result.errors;
        const std::string line = "wav2lsd: " + c.refused + ": " + c.reasonWords;
        if (!c.refused.empty()) {
            EXPECT_EQ(result.errors, ConsoleLines({line}));
        }
        EXPECT_EQ(SnapshotTree(dir.path), before);
    }
}

}  // namespace
}  // namespace lsdtest
