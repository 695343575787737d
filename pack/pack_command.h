// The command line of wav2lsd: `wav2lsd BANK WAV...`, `--update BANK`,
// `--list BANK`, `--help` or `--version`.
#pragma once

#include <cstdint>

// Runs the command between start-up and shut-down and returns its exit code:
// 0 when it did what was asked, 1 after a refusal, which it has printed.
int32_t RunPackCommand(int32_t argc, const char* const* argv);

// Refuses an argument that names something other than what the user typed
// (see TakeArguments) before anything is touched; returns the exit code, 1.
int32_t RefuseArgument(const char* argument);
