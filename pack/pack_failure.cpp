#include "pack/pack_failure.h"

#include <cstring>

#include "pack/pack_texts.h"
#include "pack/text_format.h"
#include "runtime/files/file_names.h"
#include "runtime/process/print_line.h"

namespace {

void CopyText(char* out, size_t size, const char* text) {
    size_t n = text ? strnlen(text, size - 1) : 0;
    std::memmove(out, text ? text : "", n);
    out[n] = '\0';
}

}  // namespace

bool Fail(PackFailure* failure, const char* file, const char* reason, const char* detail) {
    CopyText(failure->file, sizeof failure->file, file);
    failure->reason = reason;
    CopyText(failure->detail, sizeof failure->detail, detail);
    failure->quiet = false;
    failure->convertible = false;
    return false;
}

void PrintFailure(const PackFailure& failure) {
    LineText line = {};
    AppendText(&line, RefusalPrefix);
    AppendText(&line, failure.file);
    AppendText(&line, RefusalSeparator);
    AppendText(&line, failure.reason);
    if (failure.detail[0] != '\0') {
        AppendText(&line, RefusalSeparator);
        AppendText(&line, failure.detail);
    }
    PrintErrorLine(line.text);
}

bool FailToPrint(PackFailure* failure, const char* file, const char* reason) {
    Fail(failure, file, reason);
    failure->quiet = StandardOutputClosed();
    return false;
}

const char* SystemReasonText() {
    switch (LastSystemReason()) {
        case SystemReason::NoSuchFile:
            return NoSuchFile;
        case SystemReason::PermissionDenied:
            return PermissionDenied;
        case SystemReason::WriteProtected:
            return WriteProtected;
        case SystemReason::InUse:
            return InUse;
        case SystemReason::DiskFull:
            return DiskFull;
        case SystemReason::Exists:
            return AlreadyThere;
        case SystemReason::Unknown:
            break;
    }
    return nullptr;
}
