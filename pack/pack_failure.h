// What stopped wav2lsd: why (a reason of pack_texts.h), what it concerns
// (the bank, a file of its own, or one of the bank's entries) and what the
// system said. The record is filled where the failure happens; its line is
// composed at the top, by the caller that knows the bank's path.
#pragma once

#include <cstdint>

#include "pack/pack_texts.h"
#include "pack/text_format.h"
#include "runtime/files/file_names.h"

// Room for a path, or an entry's file, and for what else there is to say.
constexpr int32_t FailureFileSize = 4096;
constexpr int32_t FailureDetailSize = 512;

enum class Concern : uint8_t { Bank, File, Entry };

struct PackFailure {
    Reason reason;
    Concern concern;
    // Concern::Entry: the entry's place in the bank, from 0.
    int32_t entry;
    // Concern::File: the file as the line names it (a WAV file, an argument,
    // a temporary bank); Concern::Entry: the entry's file as --list shows it.
    char file[FailureFileSize];
    // What the system said of the call that failed, as far as the user can
    // act on it.
    SystemReason osError;
    // What follows the reason instead of the system's words, when there is
    // more to say: what to do about it, then a text of the failure's own
    // (the other file, the name's length), either of them empty.
    Reason advice;
    char detail[FailureDetailSize];
    // Nothing to tell: standard output has no reader left, as when a pipe's
    // reader has all it wants (wav2lsd --list BANK | head).
    bool quiet;
};

// Each fills `failure` (copies of the texts, cut short to fit) and returns
// false, for `return Fail(...)` at each refusal: one of the bank, of a file,
// and of the bank's entry at `entry` whose file shows as `shownFile`.
bool Fail(PackFailure* failure, Reason reason, SystemReason osError = SystemReason::Unknown);
bool FailFile(PackFailure* failure, const char* file, Reason reason,
              SystemReason osError = SystemReason::Unknown);
bool FailEntry(PackFailure* failure, int32_t entry, const char* shownFile, Reason reason);
// Adds what follows the reason; returns false.
bool Explain(PackFailure* failure, Reason advice, const char* detail = nullptr);

// A line of output that did not go out: quietly when nobody reads any more,
// else with `reason`, a failure of the bank.
bool FailToPrint(PackFailure* failure, Reason reason);

// "entry N, name.wav": the entry at `entry` (from 0) whose file shows as
// `shownFile`.
void AppendEntryLabel(LineText* line, int32_t entry, const char* shownFile);

// What the failure's line names: `bankPath`, "`bankPath`: entry N,
// name.wav" or the file.
void AppendFailureFile(LineText* line, const PackFailure& failure, const char* bankPath);
// What follows the reason: the advice and the failure's own text, or else
// what the system said; nothing when there is nothing more to say.
void AppendFailureDetail(LineText* line, const PackFailure& failure);

// The failure's line on the error stream: "wav2lsd: " + what it names + ": "
// + the reason's words [+ ": " + the detail].
void PrintFailure(const PackFailure& failure, const char* bankPath);
