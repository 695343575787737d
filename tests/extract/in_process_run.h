// Runs the whole program inside the test process, start-up to shut-down,
// with the console going to a file and the process end caught by the seam,
// so that tests can fail any OS call on the way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/os_spy.h"

struct InProcessRun {
    std::string console;  // every byte that went to standard output
    int exitCode = -1;
};

// Runs StartUp, ExtractAll and ShutDown in the current directory with `spy`
// installed; the spy's own hooks stay in force, except those for the console
// handle, the close handler registration and the process end.
InProcessRun RunInProcess(OsSpy& spy);

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);

// An archive entry: the 32-byte name field, L, a format block and L + 2
// sample bytes, of which only the first `sampleBytes` are stored.
std::string EntryBytes(const std::string& name, int32_t length, size_t sampleBytes);
// The WAV file that an entry made by EntryBytes must give.
std::string WavBytes(int32_t length, size_t sampleBytes);
