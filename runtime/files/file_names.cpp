#include "runtime/files/file_names.h"

#include "platform/os.h"
#include "runtime/process/gate.h"

bool MoveFileOver(const char* from, const char* to) {
    BOOL moved =
        OutsideGate(nullptr, [&] { return Os.MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING); });
    return moved != FALSE;
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
