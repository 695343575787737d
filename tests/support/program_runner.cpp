// The runner of tests/support/program_runner.h on every build; what differs
// between the systems is behind tests/support/child_process.h.
#include "tests/support/program_runner.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/child_process.h"
#include "tests/support/scratch_directory.h"

#ifndef LSD2WAV_PROGRAM
#error "LSD2WAV_PROGRAM must name the built program"
#endif

namespace lsdtest {

namespace {

void ListInto(const std::string& root, const std::string& relative, std::vector<std::string>* out) {
    std::vector<std::pair<std::string, bool>> entries;
    ListFolder(root + "/" + relative, &entries);
    for (const auto& entry : entries) {
        std::string path = relative + entry.first;
        out->push_back(entry.second ? path + "/" : path);
        if (entry.second) ListInto(root, path + "/", out);
    }
}

}  // namespace

std::string ProgramPath() {
    const char* fromEnvironment = std::getenv("LSD2WAV_PROGRAM");
    if (fromEnvironment && *fromEnvironment) return fromEnvironment;
    return LocateProgram(LSD2WAV_PROGRAM);
}

RunResult RunProgram(const RunOptions& options) {
    RunResult result;
    std::string program = LocateProgram(options.program.empty() ? ProgramPath() : options.program);
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    ChildProcess child;
    if (!StartChild(program, options, &child, &result)) return result;
    result.started = true;
    bool hookDone = !options.whileRunning;
    while (true) {
        // Read while it runs: a full pipe would hold the program up, and on
        // Windows a flush of a pipe waits until the reader has taken it all.
        ReadChild(&child, 5, &result);
        if (ChildEnded(&child, &result)) break;
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!hookDone) {
            RunProgress progress = {child.pid, &result.output, seconds};
            hookDone = options.whileRunning(progress);
        }
        if (seconds > options.timeoutSeconds) {
            KillChild(&child);
            result.timedOut = true;
            break;
        }
    }
    FinishChild(&child, &result);
    if (!options.stdoutFile.empty()) ReadFileBytes(options.stdoutFile, &result.output);
    return result;
}

std::string DescribeEnd(const RunResult& result) {
    if (!result.started) return "not started (" + result.startError + ")";
    if (result.timedOut) return "timed out and killed";
    if (result.exited) return "exit code " + std::to_string(result.exitCode);
    if (result.signaled) {
        return "signal " + std::to_string(result.termSignal) + " (" +
               SignalName(result.termSignal) + ")";
    }
    return "unknown end";
}

::testing::AssertionResult EndedBySignal(const RunResult& result, int signal) {
    if (result.signaled && result.termSignal == signal && !result.timedOut) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "expected the end by signal " << signal << " ("
                                         << SignalName(signal) << "), got " << DescribeEnd(result);
}

ScopedTempDir::ScopedTempDir() : path(MakeScratchDirectory("l2w.")) {}

ScopedTempDir::~ScopedTempDir() {
    if (!path.empty()) RemoveScratchDirectory(path);
}

bool ReadFileBytes(const std::string& path, Bytes* out) {
    out->clear();
    // Regular files only: a FIFO in a tree must not make a check hang.
    std::ifstream file;
    if (FileSize(path) >= 0) file.open(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream contents;
    contents << file.rdbuf();
    *out = contents.str();
    return true;
}

std::vector<std::string> ListTree(const std::string& root) {
    std::vector<std::string> out;
    ListInto(root, "", &out);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace lsdtest
