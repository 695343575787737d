#include "pack/pack_failure.h"

#include "pack/pack_texts.h"
#include "runtime/files/file_names.h"
#include "runtime/process/print_line.h"

bool Fail(PackFailure* failure, const char* file, const char* reason, const char* detail) {
    failure->file = file;
    failure->reason = reason;
    failure->detail = detail;
    failure->quiet = false;
    return false;
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

bool FailToOpen(PackFailure* failure, const char* file) {
    // Taken first: asking for the kind would overwrite the reason.
    const char* reason = SystemReasonText();
    if (KindOfFile(file) == FileKind::Directory) return Fail(failure, file, IsFolder);
    return Fail(failure, file, CannotOpen, reason);
}
