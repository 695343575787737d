// What the whole-program tests share on every build: the checks on runs,
// files and folders. The runners give them RunProgram, DescribeEnd,
// ReadFileBytes and ListTree.
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/program_runner.h"

namespace lsdtest {

namespace {

std::string Printable(const Bytes& bytes, size_t from, size_t count) {
    std::ostringstream text;
    static const char kHex[] = "0123456789abcdef";
    for (size_t i = from; i < bytes.size() && i < from + count; ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        text << kHex[c >> 4] << kHex[c & 15] << ' ';
    }
    return text.str();
}

::testing::AssertionResult CompareContents(const std::string& path, const Bytes& actual,
                                           const Bytes& expected, bool prefixAllowed) {
    size_t common = std::min(actual.size(), expected.size());
    size_t firstDiff = common;
    for (size_t i = 0; i < common; ++i) {
        if (actual[i] != expected[i]) {
            firstDiff = i;
            break;
        }
    }
    bool sizeOk =
        prefixAllowed ? actual.size() <= expected.size() : actual.size() == expected.size();
    if (firstDiff == common && sizeOk) return ::testing::AssertionSuccess();
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << path << " holds " << actual.size() << " bytes, expected "
            << (prefixAllowed ? "a prefix of " : "") << expected.size() << " bytes";
    if (firstDiff < common) {
        size_t from = firstDiff >= 8 ? firstDiff - 8 : 0;
        failure << "; first difference at offset " << firstDiff << "\n  actual   from " << from
                << ": " << Printable(actual, from, 24) << "\n  expected from " << from << ": "
                << Printable(expected, from, 24);
    }
    return failure;
}

}  // namespace

RunResult RunProgramIn(const std::string& directory) {
    RunOptions options;
    options.directory = directory;
    return RunProgram(options);
}

::testing::AssertionResult ExitedCleanly(const RunResult& result) {
    if (result.exited && result.exitCode == 0 && !result.timedOut && result.errors.empty()) {
        return ::testing::AssertionSuccess();
    }
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << "program ended with " << DescribeEnd(result);
    if (!result.errors.empty()) failure << ", stderr: " << ::testing::PrintToString(result.errors);
    return failure;
}

std::string ScopedTempDir::Join(const std::string& relative) const { return path + "/" + relative; }

std::vector<std::string> SnapshotTree(const std::string& root) {
    std::vector<std::string> out;
    for (const std::string& path : ListTree(root)) {
        Bytes contents;
        if (ReadFileBytes(root + "/" + path, &contents)) {
            out.push_back(path + "=" + contents);
        } else {
            out.push_back(path);
        }
    }
    return out;
}

::testing::AssertionResult FileHolds(const std::string& path, const Bytes& expected) {
    Bytes actual;
    if (!ReadFileBytes(path, &actual)) {
        return ::testing::AssertionFailure() << "no readable regular file " << path;
    }
    return CompareContents(path, actual, expected, false);
}

::testing::AssertionResult FileHoldsPrefixOf(const std::string& path, const Bytes& expected) {
    Bytes actual;
    if (!ReadFileBytes(path, &actual)) {
        return ::testing::AssertionFailure() << "no readable regular file " << path;
    }
    return CompareContents(path, actual, expected, true);
}

::testing::AssertionResult TreeIs(const std::string& root, std::vector<std::string> expected) {
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> actual = ListTree(root);
    if (actual == expected) return ::testing::AssertionSuccess();
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << root << " holds " << ::testing::PrintToString(actual) << ", expected "
            << ::testing::PrintToString(expected);
    return failure;
}

}  // namespace lsdtest
