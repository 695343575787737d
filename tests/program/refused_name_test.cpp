// Entries whose file cannot or must not be made: the line is printed, then
// "  Cannot create output file!", the walk stops, and nothing else changes,
// inside the run directory or outside it. Links already in the folder count:
// no file is written through one, nor onto the bank by another name.

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/bank_builder.h"
#include "tests/support/program_runner.h"

namespace lsdtest {
namespace {

enum class Node { None, Fifo, NullDevice };

// A path below the temporary root, made before the run, once the bank is
// there: a file, a directory (null `contents`), a link to `linkTo`, symbolic
// or hard, or a FIFO or a null device node.
struct SetupPath {
    const char* path;
    const char* contents;
    const char* linkTo = nullptr;
    bool hard = false;
    Node node = Node::None;
};

// Whether the node could be made; a device node needs root.
bool MakeNode(const std::string& path, Node node) {
#ifdef _WIN32
    (void)path;
    (void)node;
    return false;
#else
    if (node == Node::Fifo) return mkfifo(path.c_str(), 0600) == 0;
    return mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
#endif
}

struct RefusedCase {
    const char* label;
    // '@' stands for the temporary root; the program runs in "@/run".
    std::string name;
    std::vector<SetupPath> setup;
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.label; }

std::string Expand(const std::string& name, const std::string& root) {
    std::string out;
    for (char c : name) {
        if (c == '@') {
            out += root;
        } else {
            out += c;
        }
    }
    return out;
}

class RefusedNameTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedNameTest, StopsWithoutTouchingAnything) {
    const RefusedCase& c = GetParam();
    ScopedTempDir root;
    ASSERT_FALSE(root.path.empty());
    ASSERT_TRUE(MakeDirectory(root.Join("run")));
    ASSERT_TRUE(MakeDirectory(root.Join("out")));
    ASSERT_TRUE(WriteBytesToFile(root.Join("out/s.wav"), "sentinel outside"));
    ASSERT_TRUE(WriteBytesToFile(root.Join("s.wav"), "sentinel above"));
    std::string name = Expand(c.name, root.path);
    ASSERT_LE(name.size(), kNameFieldSize) << "the temporary root is too long for this case";
    BankEntry first = MakeEntry("first", 33, 1);
    BankEntry refused = MakeEntry(name, 33, 2);
    BankEntry never = MakeEntry("never", 33, 3);
    ASSERT_TRUE(
        WriteBytesToFile(root.Join("run/music_p.lsd"), ArchiveBytes({first, refused, never})));
    for (const SetupPath& p : c.setup) {
#ifndef _WIN32
        if (p.node == Node::NullDevice && geteuid() != 0) {
            GTEST_SKIP() << "a device node needs root";
        }
#endif
        if (p.node != Node::None) {
            ASSERT_TRUE(MakeNode(root.Join(p.path), p.node));
        } else if (p.linkTo) {
            ASSERT_TRUE(MakeLink(p.hard ? root.Join(p.linkTo) : p.linkTo, root.Join(p.path), p.hard));
        } else if (p.contents) {
            ASSERT_TRUE(WriteBytesToFile(root.Join(p.path), p.contents));
        } else {
            ASSERT_TRUE(MakeDirectory(root.Join(p.path)));
        }
    }
    std::vector<std::string> expectedTree = SnapshotTree(root.path);
    expectedTree.push_back("run/first.wav=" + ExpectedWav(first));
    std::sort(expectedTree.begin(), expectedTree.end());
    bool absoluteExampleExisted = PathExists("/abs/x.wav");

    RunResult result = RunProgramIn(root.Join("run"));

    ASSERT_TRUE(ExitedCleanly(result));
    EXPECT_EQ(result.output, ConsoleLines({"Extracting music...", "  first.wav",
                                           "  " + name + ".wav", kStatusCannotCreate}));
    // Every path under the root, and every file's contents: only first.wav is new.
    EXPECT_EQ(SnapshotTree(root.path), expectedTree);
    EXPECT_EQ(PathExists("/abs/x.wav"), absoluteExampleExisted);
}

INSTANTIATE_TEST_SUITE_P(
    Names, RefusedNameTest,
    ::testing::Values(
        // Names that lead outside the run directory.
        RefusedCase{"absolute_existing", "@/out/s", {}}, RefusedCase{"absolute_new", "@/out/n", {}},
        RefusedCase{"absolute_missing_directory", "/abs/x", {}},
        RefusedCase{"absolute_run_directory", "@/run/inside", {}},
        RefusedCase{"parent_existing", "../s", {}}, RefusedCase{"parent_new", "../n", {}},
        RefusedCase{"parent_of_subdirectory", "a/../../s", {{"run/a", nullptr}}},
        RefusedCase{"parent_of_subdirectory_new", "a/../../n", {{"run/a", nullptr}}},
        RefusedCase{"parent_inside_run_directory", "a/../first2", {{"run/a", nullptr}}},
        RefusedCase{"parent_then_run_directory", "../run/back", {}},
        RefusedCase{"parent_with_double_slash", "..//n", {}},
        RefusedCase{"parent_at_the_end", "a/../..", {{"run/a", nullptr}}},
        // Names the file system refuses.
        RefusedCase{"missing_subdirectory", "missing/x", {}},
        RefusedCase{"subdirectory_is_a_file", "plain/x", {{"run/plain", "a regular file"}}},
        RefusedCase{"target_is_a_directory", "taken", {{"run/taken.wav", nullptr}}},
        RefusedCase{"target_in_a_file_in_a_directory",
                    "d/plain/x",
                    {{"run/d", nullptr}, {"run/d/plain", "not a directory"}}},
        // Links already in the folder (POSIX only: symbolic links need no
        // rights there).
        RefusedCase{"link_folder", "sub/s", {{"run/sub", nullptr, "../out"}}},
        RefusedCase{"link_folder_new_file", "sub/n", {{"run/sub", nullptr, "../out"}}},
        RefusedCase{"link_folder_deeper",
                    "d/sub/s",
                    {{"run/d", nullptr}, {"run/d/sub", nullptr, "../../out"}}},
        RefusedCase{"link_folder_then_folder",
                    "sub/e/x",
                    {{"out/e", nullptr}, {"run/sub", nullptr, "../out"}}},
        RefusedCase{"link_file", "x", {{"run/x.wav", nullptr, "../out/s.wav"}}},
        RefusedCase{"link_dangling", "y", {{"run/y.wav", nullptr, "../out/new.wav"}}},
        RefusedCase{"link_device", "z", {{"run/z.wav", nullptr, "/dev/null"}}},
        RefusedCase{"link_to_bank", "b", {{"run/b.wav", nullptr, "music_p.lsd"}}},
        RefusedCase{"link_in_folder", "d/x", {{"run/d", nullptr}, {"run/d/x.wav", nullptr, "../../s.wav"}}},
        RefusedCase{"hard_link_to_bank", "h", {{"run/h.wav", nullptr, "run/music_p.lsd", true}}},
        RefusedCase{"hard_link_outside", "o", {{"run/o.wav", nullptr, "out/s.wav", true}}},
        // Not files at all, which an open must never wait on nor write to.
        RefusedCase{"node_fifo", "f", {{"run/f.wav", nullptr, nullptr, false, Node::Fifo}}},
        RefusedCase{"node_fifo_in_folder",
                    "d/f",
                    {{"run/d", nullptr}, {"run/d/f.wav", nullptr, nullptr, false, Node::Fifo}}},
        RefusedCase{"node_null_device", "n",
                    {{"run/n.wav", nullptr, nullptr, false, Node::NullDevice}}}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) {
        return std::string(info.param.label);
    });

}  // namespace
}  // namespace lsdtest
