// Runs the built lsd2wav (or another program, see RunOptions) in a directory
// of the test's choosing and reports how it ended and what it printed; plus a
// scoped temporary directory and file helpers for checking what it left
// behind. tests/support/program_runner.cpp serves every build, with the
// system's half in tests/support/posix/ or tests/support/windows/.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/bank_builder.h"

namespace lsdtest {

// What the running program has shown so far, for a hook that acts while it
// runs.
struct RunProgress {
    pid_t pid;
    const Bytes* output;  // stdout so far; stays empty when it goes to a file
    double seconds;       // since the start
};

// Called again and again (every few milliseconds) while the program runs,
// until it returns true. It must not block: between calls the runner reads
// the program's output and watches the timeout.
typedef std::function<bool(const RunProgress&)> RunHook;

struct RunOptions {
    std::string directory;         // the program's current directory
    std::string program;           // empty: ProgramPath()
    // The command line after the program's own name; lsd2wav ignores it.
    std::vector<std::string> arguments;
    // A command that starts the program, which follows it with its own
    // arguments: strace injecting a fault, a shell closing descriptors. Its
    // first element is a path. Empty: the program is started directly.
    std::vector<std::string> wrapper;
    std::string stdoutFile;        // empty: stdout is a pipe; else a regular file made anew
    long long fileSizeLimit = -1;  // RLIMIT_FSIZE in bytes for the program; < 0: none
    long long memoryLimit = -1;    // RLIMIT_AS in bytes for the program; < 0: none
    RunHook whileRunning;          // optional
    int timeoutSeconds = 60;       // then the program is killed and the run fails
    // Windows: the arguments are UTF-8 and reach the program as the wide
    // command line, as a shell passes names of any script.
    bool wideArguments = false;
};

struct RunResult {
    bool started = false;
    std::string startError;  // why it did not start
    bool exited = false;
    int exitCode = -1;
    bool signaled = false;
    int termSignal = 0;
    bool timedOut = false;
    Bytes output;  // every byte written to stdout
    Bytes errors;  // every byte written to stderr
    // The program's peak resident memory in KiB as last seen while it ran, a
    // few milliseconds before its end at most; -1 when never seen. It is read
    // from /proc, not from wait4: the rusage of a child also counts the test
    // process' own memory, copied into the child between fork and exec.
    long long peakMemoryKiB = -1;
};

// The program under test: $LSD2WAV_PROGRAM when set, else the path built in.
std::string ProgramPath();

RunResult RunProgram(const RunOptions& options);
// Shorthand for a plain run in `directory`.
RunResult RunProgramIn(const std::string& directory);

// "exit code 0", "signal 1 (Hangup)", "timed out", ...
std::string DescribeEnd(const RunResult& result);

// Ended on its own with code 0, wrote nothing to stderr.
::testing::AssertionResult ExitedCleanly(const RunResult& result);
// Ended by `signal` (not by the timeout).
::testing::AssertionResult EndedBySignal(const RunResult& result, int signal);

// A fresh directory under the temporary folder (MakeScratchDirectory),
// removed with everything in it when the scope ends.
struct ScopedTempDir {
    std::string path;
    ScopedTempDir();
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;
    // path + "/" + relative
    std::string Join(const std::string& relative) const;
};

bool ReadFileBytes(const std::string& path, Bytes* out);
bool PathExists(const std::string& path);  // without following a last symlink
bool MakeDirectory(const std::string& path);
bool MakeFifo(const std::string& path);
// A symbolic link at `path` holding `target`, or a hard link at `path` to the
// existing file `target`.
bool MakeLink(const std::string& target, const std::string& path, bool hard = false);
// Size of a regular file, -1 when there is none.
long long FileSize(const std::string& path);

// Every path below `root`, relative to it, sorted; directories end in "/".
std::vector<std::string> ListTree(const std::string& root);
// Every file below `root` with its contents, as "path=<bytes>" pairs in
// ListTree order: a snapshot to compare before and after a run.
std::vector<std::string> SnapshotTree(const std::string& root);

// The file at `path` holds exactly `expected`.
::testing::AssertionResult FileHolds(const std::string& path, const Bytes& expected);
// The file at `path` holds a prefix of `expected` (possibly empty or whole).
::testing::AssertionResult FileHoldsPrefixOf(const std::string& path, const Bytes& expected);
// The directory holds these entries (as ListTree gives them) and no others.
::testing::AssertionResult TreeIs(const std::string& root, std::vector<std::string> expected);

}  // namespace lsdtest
