// What stopped wav2lsd: the file (or entry) to name in the message, why,
// and what the system said or what to do, when there is more to say.
#pragma once

#include <cstdint>

// Room for a path, or an entry's label, and for what else there is to say.
constexpr int32_t FailureFileSize = 4096;
constexpr int32_t FailureDetailSize = 512;

// Built where the failure happens, as the texts it names are at hand there;
// the record owns copies of them, so nothing is freed or kept alive for it.
struct PackFailure {
    char file[FailureFileSize];
    const char* reason;              // one of the texts of pack_texts.h
    char detail[FailureDetailSize];  // empty when there is no more to say
    // Nothing to tell: standard output has no reader left, as when a pipe's
    // reader has all it wants (wav2lsd --list BANK | head).
    bool quiet;
    // The refused WAV file is one that a sound editor can convert to PCM.
    bool convertible;
};

// Fills `failure` with copies of `file` and `detail` (cut short to fit) and
// returns false, for `return Fail(...)` at each refusal.
bool Fail(PackFailure* failure, const char* file, const char* reason,
          const char* detail = nullptr);

// The failure's line: "wav2lsd: " + file + ": " + reason [+ ": " + detail].
void PrintFailure(const PackFailure& failure);

// The system's reason for the last failed file operation, or none.
const char* SystemReasonText();

// A line of output that did not go out: quietly when nobody reads any more,
// else with `reason`.
bool FailToPrint(PackFailure* failure, const char* file, const char* reason);
