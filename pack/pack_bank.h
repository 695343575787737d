// Writing a bank from WAV files: a lead field of 0, then one entry per file
// in the order given. The bank is written under a temporary name beside it
// and renamed into place only when complete, so a refusal or a failure
// leaves whatever was at BANK before, and nothing else.
#pragma once

#include <cstdint>

// Appended to BANK to name the file that becomes the bank.
constexpr const char* TemporarySuffix = ".wav2lsd-tmp";

// What stopped a packing: the file to name in the message, and why.
struct PackFailure {
    const char* file;
    const char* reason;
};

// Returns true when the bank is in place; else fills `failure`.
bool PackBank(const char* bankPath, const char* const* wavPaths, int32_t wavCount,
              PackFailure* failure);
