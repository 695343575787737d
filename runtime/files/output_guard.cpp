#include "runtime/files/output_guard.h"

#include "platform/path_conventions.h"
#include "runtime/files/file_names.h"
#include "runtime/files/file_record.h"
#include "runtime/process/text_store.h"

namespace {

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

// Whether the existing file `name` may be the one that `source` reads: it
// is, or its identity cannot be learnt.
bool MayBeSource(const char* name, FileHandle* source) {
    HANDLE os = Os.CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (os == INVALID_HANDLE_VALUE || os == nullptr) return true;
    BY_HANDLE_FILE_INFORMATION file;
    BY_HANDLE_FILE_INFORMATION read;
    bool known = Os.GetFileInformationByHandle(os, &file) != FALSE &&
                 Os.GetFileInformationByHandle(source->osHandle, &read) != FALSE;
    Os.CloseHandle(os);
    return !known || SameFile(file, read);
}

}  // namespace

bool MayCreateOutput(const char* name, FileHandle* source) {
    // A copy whose separators can stand in for the end of the name, one
    // after the other, to name each folder along the path.
    char* path = JoinText(name, "");
    if (!path) return false;
    bool may = true;
    for (char* p = path; may && *p != '\0'; ++p) {
        if (!IsSeparator(*p, NativePaths) || p == path) continue;
        char separator = *p;
        *p = '\0';
        may = KindOfFile(path) != FileKind::Link;
        *p = separator;
    }
    if (may) {
        FileKind kind = KindOfFile(path);
        may = kind != FileKind::Link &&
              (kind == FileKind::Missing || kind == FileKind::Directory || !MayBeSource(path, source));
    }
    FreeText(path);
    return may;
}
