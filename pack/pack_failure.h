// What stopped wav2lsd: the file (or entry) to name in the message, why,
// and what the system said or what to do, when there is more to say.
#pragma once

struct PackFailure {
    const char* file;
    const char* reason;
    const char* detail;  // may be none
    // Nothing to tell: standard output has no reader left, as when a pipe's
    // reader has all it wants (wav2lsd --list BANK | head).
    bool quiet;
};

// Fills `failure` and returns false, for `return Fail(...)` at each refusal.
bool Fail(PackFailure* failure, const char* file, const char* reason,
          const char* detail = nullptr);

// The system's reason for the last failed file operation, or none.
const char* SystemReasonText();

// A line of output that did not go out: quietly when nobody reads any more,
// else with `reason`.
bool FailToPrint(PackFailure* failure, const char* file, const char* reason);

// A file that would not open: a folder, or the system's reason.
bool FailToOpen(PackFailure* failure, const char* file);
