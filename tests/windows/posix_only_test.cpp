// On the Windows builds, each test file or case that needs POSIX is left out
// and shows here as a skipped test that says why, so that a run lists what it
// did not cover instead of passing over it. The list, with the reasons, is
// the one in tests/CMakeLists.txt.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

struct LeftOut {
    const char* label;
    const char* file;  // or the cases
    const char* reason;
};

void PrintTo(const LeftOut& left, std::ostream* os) { *os << left.file; }

class PosixOnlyTest : public ::testing::TestWithParam<LeftOut> {};

TEST_P(PosixOnlyTest, IsNotBuiltOnWindows) {
    GTEST_SKIP() << GetParam().file << ": " << GetParam().reason;
}

const LeftOut kLeftOut[] = {
#include "posix_only_list.inc"
};

INSTANTIATE_TEST_SUITE_P(
    Files, PosixOnlyTest, ::testing::ValuesIn(kLeftOut),
    [](const ::testing::TestParamInfo<LeftOut>& info) { return std::string(info.param.label); });

}  // namespace
