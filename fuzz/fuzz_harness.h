// What the two fuzz targets share: a root folder that holds a sentinel file
// beside a fresh run folder for each input, the Os table entries that keep
// the program inside the fuzzer's process and its files in the run folder,
// and the checks that every run must pass whatever the program made of its
// input:
// - no file is created for writing outside the run folder;
// - nothing beside the run folder changes;
// - the program ends through ExitProcess, and no file of it stays open.
// The target never exits: the Os table keeps ExitProcess from ending the
// process and SetConsoleCtrlHandler from starting the signal watcher, as the
// in-process tests do. Shut-down releases every heap, so memory still held
// after a run is a leak that LeakSanitizer reports.
#pragma once

#include <cstddef>
#include <string>

#include "platform/os.h"

// Stops the fuzzer with the input at hand as its finding.
[[noreturn]] void FuzzFail(const char* what, const std::string& detail);

bool WriteBytes(const std::string& path, const void* data, size_t size);
std::string ReadBytes(const std::string& path);
bool EndsWith(const std::string& text, const char* end);

// Once, from LLVMFuzzerInitialize: the root, the sentinel, the limits and
// the Os table entries. `sentinelName` is the file beside the run folder.
void PrepareFuzzing(const char* target, const char* sentinelName);

// Each input: a fresh, empty run folder, made the current one.
void EnterRunFolder();
// The path of a file in the run folder.
std::string InRunFolder(const char* name);
// Back in the fuzzer's folder, with every check of a run made; the run
// folder goes. Returns the exit code that the program ended with.
UINT LeaveRunFolder();

// Standard output of the run so far.
const std::string& ConsoleText();
