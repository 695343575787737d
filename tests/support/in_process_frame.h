// Runs a program's body inside the test process, start-up to shut-down, with
// the spy installed, both standard streams going to files and the process
// end caught, so that tests can fail any OS call on the way.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "runtime/files/file_registry.h"
#include "tests/support/os_spy.h"

struct InProcessRun {
    std::string output;  // every byte that went to standard output
    std::string errors;  // and to the error stream
    int exitCode = -1;
};

// StartUp, `body`, whose result is the exit code, and ShutDown with it. The
// handles that start-up opens get `bufferSize`. The spy's own hooks stay in
// force, except those for the standard streams, the close handler
// registration and the process end.
InProcessRun RunInProcess(OsSpy& spy, const std::function<int32_t()>& body,
                          int32_t bufferSize = FileBufferSize);
