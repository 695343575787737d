#include "runtime/files/file_handle.h"

#include "platform/little_endian.h"
#include "platform/create_beneath.h"
#include "platform/file_owner.h"
#include "runtime/files/file_buffer.h"
#include "runtime/files/file_record.h"
#include "runtime/files/file_registry.h"
#include "runtime/files/os_file.h"
#include "runtime/gate/gate.h"

namespace {

HANDLE CallCreateFile(FileHandle* h, const char* name, DWORD access, DWORD disposition,
                      DWORD attributes, HANDLE like = nullptr) {
    return OutsideGate(h, [&] {
        return Os.CreateFileA(name, access, FILE_SHARE_READ, nullptr, disposition, attributes,
                              like);
    });
}

FileHandle* FinishOpen(FileHandle* h, HANDLE os) {
    if (os == INVALID_HANDLE_VALUE || os == nullptr) {
        ReleaseRecord(h);
        return nullptr;
    }
    const FileRegistry* registry = CurrentFileRegistry();
    // A buffer of one byte could not hold the byte that the end test reads
    // ahead, so such a size means no buffer. Without memory for a buffer the
    // handle still works, one OS call for each read and write.
    if (registry->bufferSize > 1) {
        h->buffer = static_cast<unsigned char*>(
            Os.HeapAlloc(registry->memory, 0, static_cast<SIZE_T>(registry->bufferSize)));
    }
    h->osHandle = os;
    h->bufferSize = registry->bufferSize;
    h->unread = 0;
    h->waiting = 0;
    h->failed = false;
    h->mode = ReadingMode;
    return h;
}

bool IsFile(const BY_HANDLE_FILE_INFORMATION& info, const FileIdentity& file) {
    return info.dwVolumeSerialNumber == file.volume && info.nFileIndexHigh == file.indexHigh &&
           info.nFileIndexLow == file.indexLow;
}

// Whether the existing file open as `os` may be written through it: an
// ordinary file as far as the system shows, with no second name (which may be
// outside the folder, or the bank), and not `never`. Such a file is then cut
// to nothing.
bool TakeOver(HANDLE os, const FileIdentity* never) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!Os.GetFileInformationByHandle(os, &info)) return false;
    const DWORD notAFile =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT;
    if ((info.dwFileAttributes & notAFile) != 0 || info.nNumberOfLinks != 1) return false;
    if (never && (!never->known || IsFile(info, *never))) return false;
    if (info.nFileSizeHigh == 0 && info.nFileSizeLow == 0) return true;
    return Os.SetEndOfFile(os) != FALSE;
}

// The OS handle of an output file, tried first with `*disposition`
// (CREATE_NEW or OPEN_EXISTING) and, when the name turns out to be free or
// taken, with the other; `*disposition` ends as the one that opened it.
// Nothing is emptied before the handle has been looked at.
HANDLE OpenOutput(const char* name, const FileIdentity* never, DWORD* disposition) {
    HANDLE os = CreateFileBeneath(name, *disposition);
    if (os == INVALID_HANDLE_VALUE) {
        DWORD error = Os.GetLastError();
        if (*disposition == CREATE_NEW && error == ERROR_FILE_EXISTS) {
            *disposition = OPEN_EXISTING;
        } else if (*disposition == OPEN_EXISTING && error == ERROR_FILE_NOT_FOUND) {
            *disposition = CREATE_NEW;
        } else {
            return os;
        }
        os = CreateFileBeneath(name, *disposition);
    }
    if (os != INVALID_HANDLE_VALUE && *disposition == OPEN_EXISTING && !TakeOver(os, never)) {
        Os.CloseHandle(os);
        return INVALID_HANDLE_VALUE;
    }
    return os;
}

}  // namespace

FileIdentity IdentityOf(FileHandle* h) {
    BY_HANDLE_FILE_INFORMATION info;
    BOOL known = OutsideGate(h, [&] { return Os.GetFileInformationByHandle(h->osHandle, &info); });
    if (!known) return FileIdentity{};
    return {true, info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow,
            info.nNumberOfLinks};
}

FileHandle* OpenForReading(const char* name) {
    FileHandle* h = ReserveRecord();
    if (!h) return nullptr;
    return FinishOpen(h, CallCreateFile(h, name, GENERIC_READ, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL));
}

FileHandle* CreateForWriting(const char* name, const FileIdentity* never) {
    FileHandle* h = ReserveRecord();
    if (!h) return nullptr;
    FileRegistry* registry = CurrentFileRegistry();
    DWORD disposition = registry->outputsExist ? OPEN_EXISTING : CREATE_NEW;
    HANDLE os = OutsideGate(h, [&] { return OpenOutput(name, never, &disposition); });
    registry->outputsExist = disposition == OPEN_EXISTING;
    return FinishOpen(h, os);
}

namespace {

// The attributes of the open file `like` that say how to show a file or back
// it up, which a file made from it as a template takes on Windows and under
// Wine does not; none when there are none, or the system does not tell.
DWORD AttributesHandedOn(FileHandle* like) {
    const DWORD handedOn = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                           FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    BY_HANDLE_FILE_INFORMATION info;
    BOOL known =
        OutsideGate(like, [&] { return Os.GetFileInformationByHandle(like->osHandle, &info); });
    return known ? info.dwFileAttributes & handedOn : 0;
}

}  // namespace

FileHandle* CreateNewForWriting(const char* name, FileHandle* like) {
    FileHandle* h = ReserveRecord();
    if (!h) return nullptr;
    h = FinishOpen(h, CallCreateFile(h, name, GENERIC_READ | GENERIC_WRITE, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, like ? like->osHandle : nullptr));
    // Read from the handle, not by name: whatever stands under `like`'s name
    // by now, the attributes are those of the file it was opened as.
    DWORD attributes = h && like ? AttributesHandedOn(like) : 0;
    if (attributes != 0) OutsideGate(h, [&] { return Os.SetFileAttributesA(name, attributes); });
    return h;
}

bool KeepsOwner(FileHandle* made, FileHandle* like, char* was, char* now, int32_t size) {
    return SameOwnerAndGroup(made->osHandle, like->osHandle, was, now, static_cast<size_t>(size));
}

int32_t ReadInt32(FileHandle* h) {
    unsigned char b[4] = {0, 0, 0, 0};
    if (h->buffer) {
        BufferedRead(h, b, 4);
    } else {
        OsRead(h, b, 4, 4);
    }
    return Int32At(b);
}

int32_t ReadBlock(FileHandle* h, void* dst, int32_t n) {
    if (n <= 0) return 0;
    return h->buffer ? BufferedRead(h, dst, n) : OsRead(h, dst, n, n);
}

int32_t WriteInt32(FileHandle* h, int32_t value) {
    unsigned char b[4];
    PutInt32(b, value);
    return h->buffer ? BufferedWrite(h, b, 4) : OsWrite(h, b, 4);
}

int32_t WriteBlock(FileHandle* h, const void* src, int32_t n) {
    if (!src || n <= 0) return 0;
    return h->buffer ? BufferedWrite(h, src, n) : OsWrite(h, src, n);
}

// The end is 1 through the buffer and -1 without one, as the two paths have
// always answered; callers only ask whether it is non-zero.
int32_t AtEnd(FileHandle* h) {
    unsigned char probe;
    if (h->buffer) {
        if (BufferedRead(h, &probe, 1) == 0) return 1;
        h->unread += 1;  // the byte goes back into the read-ahead
        return 0;
    }
    if (OsRead(h, &probe, 1, 1) == 0) return -1;
    OsSeek(h, -1);
    return 0;
}

int32_t SkipBytes(FileHandle* h, int32_t n) {
    if (n <= 0 || h->failed || (h->buffer && h->mode != ReadingMode)) return 0;
    // What the read-ahead holds is passed over in it.
    int32_t skipped = h->buffer ? (n < h->unread ? n : h->unread) : 0;
    if (h->buffer) h->unread -= skipped;
    if (skipped == n) return skipped;
    BY_HANDLE_FILE_INFORMATION info;
    BOOL known = OutsideGate(h, [&] { return Os.GetFileInformationByHandle(h->osHandle, &info); });
    int64_t position = OsSeek(h, 0);
    if (!known || position < 0) {
        h->failed = true;
        return skipped;
    }
    int64_t size = static_cast<int64_t>(static_cast<uint64_t>(info.nFileSizeHigh) << 32 |
                                        info.nFileSizeLow);
    int64_t left = size > position ? size - position : 0;
    int32_t step = left < n - skipped ? static_cast<int32_t>(left) : n - skipped;
    if (step > 0 && OsSeek(h, step) != position + step) {
        h->failed = true;
        return skipped;
    }
    return skipped + step;
}

int64_t GetPosition(FileHandle* h) {
    int64_t position = OsSeek(h, 0);
    if (!h->buffer) return position;
    if (h->mode == ReadingMode) return position - h->unread;
    return position + h->waiting;
}

bool HasFailed(FileHandle* h) { return h->failed; }

namespace {

// Writes whatever waits in the buffer; whether every write on the handle,
// this one and all before it, reached the file.
bool FlushWaiting(FileHandle* h) {
    if (h->buffer && h->mode == WritingMode) FlushBuffer(h);
    return !h->failed;
}

}  // namespace

bool RewindFile(FileHandle* h) {
    bool flushed = FlushWaiting(h);
    h->mode = ReadingMode;
    h->unread = 0;
    h->filled = 0;
    return flushed && OutsideGate(h, [&] { return OsSeekToStart(h); });
}

bool CommitFile(FileHandle* h) {
    if (!FlushWaiting(h)) return false;
    return OutsideGate(h, [&] { return Os.FlushFileBuffers(h->osHandle); }) != FALSE;
}

bool CloseFile(FileHandle* h) {
    bool flushed = FlushWaiting(h);
    if (h->buffer) Os.HeapFree(CurrentFileRegistry()->memory, 0, h->buffer);
    BOOL closed = OutsideGate(h, [&] { return Os.CloseHandle(h->osHandle); });
    ReleaseRecord(h);
    return flushed && closed;
}

void CloseAllFiles() {
    const FileRegistry* registry = CurrentFileRegistry();
    if (!registry) return;
    FileHandle* busy = FileInUseOutsideGate();
    FileHandle* h = registry->oldest;
    while (h) {
        FileHandle* next = h->newer;  // taken first: closing releases h
        if (h != busy) CloseFile(h);
        h = next;
    }
}
