// On the Windows build, each test file or case that needs POSIX is left out
// (see tests/CMakeLists.txt) and shows here as a skipped test that says why,
// so that a run lists what it did not cover instead of passing over it.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

struct LeftOut {
    const char* label;
    const char* file;
    const char* reason;
};

void PrintTo(const LeftOut& left, std::ostream* os) { *os << left.file; }

class PosixOnlyTest : public ::testing::TestWithParam<LeftOut> {};

TEST_P(PosixOnlyTest, IsNotBuiltOnWindows) {
    GTEST_SKIP() << GetParam().file << ": " << GetParam().reason;
}

INSTANTIATE_TEST_SUITE_P(
    Files, PosixOnlyTest,
    ::testing::Values(
        LeftOut{"posix_stand_in", "tests/platform/ (all but os_spy_test.cpp)",
                "tests the POSIX stand-in of platform/posix/ with signals, FIFOs, fork, "
                "setrlimit and glibc's malloc counters; this build has the real KERNEL32 "
                "instead"},
        LeftOut{"console_events", "tests/program/console_event_test.cpp",
                "sends SIGHUP and SIGINT to the program while it reads a bank from a FIFO; "
                "Windows has neither, and Wine cannot close a console window"},
        LeftOut{"write_failures", "tests/program/write_failure_test.cpp",
                "makes writes fail with setrlimit (RLIMIT_FSIZE, RLIMIT_AS), which Windows "
                "lacks; the unit tests fail writes through the Os table instead"},
        LeftOut{"real_faults", "tests/program/real_fault_test.cpp",
                "fails reads of the bank with strace and starts the program with standard "
                "streams closed by a POSIX shell; the fault loop fails reads through the Os "
                "table instead"},
        LeftOut{"links_in_the_folder",
                "RefusedNameTest.StopsWithoutTouchingAnything/link_* and hard_link_*",
                "makes symbolic and hard links with POSIX calls; "
                "ExtractAllTest.ANameThroughALinkOrOntoTheBankIsRefused refuses reparse "
                "points and the bank's identity through the Os table"},
        LeftOut{"control_byte_name", "EntryNameTest.BecomesTheFileName/eight_bit_bytes",
                "a control byte is an ordinary name byte on POSIX only; Windows refuses it, "
                "as WindowsRefusedNameTest/control_byte shows"},
        LeftOut{"absolute_temporary_names",
                "RefusedNameTest.StopsWithoutTouchingAnything/absolute_*",
                "spells absolute names from the temporary folder, whose Windows path does not "
                "fit the 32-byte name field; WindowsRefusedNameTest has the rooted names"}),
    [](const ::testing::TestParamInfo<LeftOut>& info) { return std::string(info.param.label); });

}  // namespace
