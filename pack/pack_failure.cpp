#include "pack/pack_failure.h"

#include <cstring>

#include "runtime/process/print_line.h"

namespace {

void CopyText(char* out, size_t size, const char* text) {
    size_t n = text ? strnlen(text, size - 1) : 0;
    std::memmove(out, text ? text : "", n);
    out[n] = '\0';
}

bool Set(PackFailure* failure, Concern concern, int32_t entry, const char* file, Reason reason,
         SystemReason osError) {
    failure->reason = reason;
    failure->concern = concern;
    failure->entry = entry;
    CopyText(failure->file, sizeof failure->file, file);
    failure->osError = osError;
    failure->advice = Reason::None;
    failure->detail[0] = '\0';
    failure->quiet = false;
    return false;
}

Reason SystemWords(SystemReason reason) {
    switch (reason) {
        case SystemReason::NoSuchFile:
            return Reason::NoSuchFile;
        case SystemReason::PermissionDenied:
            return Reason::PermissionDenied;
        case SystemReason::WriteProtected:
            return Reason::WriteProtected;
        case SystemReason::InUse:
            return Reason::InUse;
        case SystemReason::DiskFull:
            return Reason::DiskFull;
        case SystemReason::Exists:
            return Reason::AlreadyThere;
        case SystemReason::Unknown:
            break;
    }
    return Reason::None;
}

// The line's texts are as long as the record has room for.
void AppendCut(LineText* line, LineText* part, int32_t size) {
    if (part->length >= static_cast<size_t>(size)) part->text[size - 1] = '\0';
    AppendText(line, part->text);
}

}  // namespace

bool Fail(PackFailure* failure, Reason reason, SystemReason osError) {
    return Set(failure, Concern::Bank, -1, nullptr, reason, osError);
}

bool FailFile(PackFailure* failure, const char* file, Reason reason, SystemReason osError) {
    return Set(failure, Concern::File, -1, file, reason, osError);
}

bool FailEntry(PackFailure* failure, int32_t entry, const char* shownFile, Reason reason) {
    return Set(failure, Concern::Entry, entry, shownFile, reason, SystemReason::Unknown);
}

bool Explain(PackFailure* failure, Reason advice, const char* detail) {
    failure->advice = advice;
    CopyText(failure->detail, sizeof failure->detail, detail);
    return false;
}

bool FailToPrint(PackFailure* failure, Reason reason) {
    Fail(failure, reason);
    failure->quiet = StandardOutputClosed();
    return false;
}

void AppendEntryLabel(LineText* line, int32_t entry, const char* shownFile) {
    AppendText(line, "entry ");
    AppendNumber(line, static_cast<int64_t>(entry) + 1);
    AppendText(line, ", ");
    AppendText(line, shownFile);
}

void AppendFailureFile(LineText* line, const PackFailure& failure, const char* bankPath) {
    LineText file = {};
    if (failure.concern == Concern::File) {
        AppendText(&file, failure.file);
    } else {
        AppendText(&file, bankPath ? bankPath : "");
        if (failure.concern == Concern::Entry) {
            AppendText(&file, ": ");
            AppendEntryLabel(&file, failure.entry, failure.file);
        }
    }
    AppendCut(line, &file, FailureFileSize);
}

void AppendFailureDetail(LineText* line, const PackFailure& failure) {
    LineText detail = {};
    if (failure.advice == Reason::None && failure.detail[0] == '\0') {
        AppendText(&detail, ReasonWords(SystemWords(failure.osError)));
    } else {
        AppendText(&detail, ReasonWords(failure.advice));
        AppendText(&detail, failure.detail);
    }
    AppendCut(line, &detail, FailureDetailSize);
}

void PrintFailure(const PackFailure& failure, const char* bankPath) {
    LineText line = {};
    AppendText(&line, RefusalPrefix);
    AppendFailureFile(&line, failure, bankPath);
    AppendText(&line, RefusalSeparator);
    AppendText(&line, ReasonWords(failure.reason));
    LineText detail = {};
    AppendFailureDetail(&detail, failure);
    if (detail.length != 0) {
        AppendText(&line, RefusalSeparator);
        AppendText(&line, detail.text);
    }
    PrintErrorLine(line.text);
}
