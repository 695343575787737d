// The system's half of the runner: tests/support/posix/ or
// tests/support/windows/ start and watch the program and list folders, and
// tests/support/program_runner.cpp runs the same loop over them on both.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tests/support/program_runner.h"

namespace lsdtest {

struct ChildProcess {
    pid_t pid = 0;
#ifdef _WIN32
    void* process = nullptr;  // HANDLEs; the pipes' reading ends are null once at their end
    void* out = nullptr;
    void* err = nullptr;
#else
    int out = -1;  // the pipes' reading ends, -1 once at their end
    int err = -1;
#endif
};

// `name` as the system must be given it: on Windows a bare name is a program
// built beside the test program.
std::string LocateProgram(const std::string& name);
// False, with the result's startError saying why, when the program did not
// start.
bool StartChild(const std::string& program, const RunOptions& options, ChildProcess* child,
                RunResult* result);
// Takes what the pipes hold now, giving the program `waitMs` at most to
// write more or to end.
void ReadChild(ChildProcess* child, int waitMs, RunResult* result);
// Whether the program has ended; then how it ended is in `result`. Its peak
// memory is noted whichever way.
bool ChildEnded(ChildProcess* child, RunResult* result);
// Kills the program and waits until it is gone.
void KillChild(ChildProcess* child);
// After the end: what the pipes still hold, and every handle closed.
void FinishChild(ChildProcess* child, RunResult* result);
std::string SignalName(int signal);  // Windows has no signals to name
// The entries of the folder `path` (which ends in a slash), each with
// whether ListTree descends into it.
void ListFolder(const std::string& path, std::vector<std::pair<std::string, bool>>* entries);

}  // namespace lsdtest
