#include "runtime/files/file_names.h"

#include "platform/os.h"
#include "runtime/gate/gate.h"

// The moves are made inside the gate, though they may wait for the disk: an
// event that comes meanwhile waits for them to end, and so finds the name
// holding either the old file or the new one, and its caller knowing which.
bool MoveFileOver(const char* from, const char* to) {
    return Os.MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

Replaced ReplaceFileWith(const char* to, const char* from) {
    // Attributes or security that cannot be carried over are no reason to
    // keep the old bank: the caller reports what it can tell of them.
    if (Os.ReplaceFileA(to, from, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return Replaced::Done;
    DWORD error = Os.GetLastError();
    // The old file went away (taken by ReplaceFile, or by someone else
    // meanwhile), or ReplaceFile refused for a reason of its own, as Wine's
    // does with ERROR_DIRECTORY in some folders: a plain move still puts the
    // new bank in place, though without what the old one would hand on.
    if (MoveFileOver(from, to)) return Replaced::Done;
    return error == ERROR_UNABLE_TO_MOVE_REPLACEMENT ? Replaced::OldGone : Replaced::NotDone;
}

bool RemoveFile(const char* name) {
    return OutsideGate(nullptr, [&] { return Os.DeleteFileA(name); }) != FALSE;
}

FileKind KindOfFile(const char* name) {
    DWORD attributes = OutsideGate(nullptr, [&] { return Os.GetFileAttributesA(name); });
    if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::Missing;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return FileKind::Link;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileKind::Directory;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return FileKind::Other;
    if (attributes & FILE_ATTRIBUTE_READONLY) return FileKind::ReadOnly;
    return FileKind::Regular;
}

SystemReason LastSystemReason() {
    switch (Os.GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return SystemReason::NoSuchFile;
        case ERROR_ACCESS_DENIED:
            return SystemReason::PermissionDenied;
        case ERROR_WRITE_PROTECT:
            return SystemReason::WriteProtected;
        case ERROR_SHARING_VIOLATION:
            return SystemReason::InUse;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return SystemReason::DiskFull;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return SystemReason::Exists;
        default:
            return SystemReason::Unknown;
    }
}
