// Files by handle: a HANDLE holds a descriptor (see fd_handle.h). Reads and
// writes go on until the whole request is done, because callers treat a
// short count as the end of the file or as a failed write.
#include <errno.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

#include "platform/posix/fd_facts.h"
#include "platform/posix/fd_handle.h"

static_assert(sizeof(off_t) == 8, "archives and WAV files may pass 2 GiB");

namespace {

// Linux moves at most about 2 GiB per call; asking for less keeps a 32-bit
// ssize_t from ever seeing a count it cannot hold.
constexpr size_t MaxChunk = 1u << 30;

// Without this a file-size limit kills the process at the first write past
// it, and a closed pipe at the first write to it; ignored, the write comes
// back short, as on Windows, and the caller can report it.
void IgnoreWriteSignals() {
    static const bool ignored = (signal(SIGXFSZ, SIG_IGN), signal(SIGPIPE, SIG_IGN), true);
    (void)ignored;
}

// Keeps a tracked position in step with bytes read or written.
void Advance(int fd, DWORD bytes) {
    FdFacts* facts = FactsOf(fd);
    if (facts && bytes > 0) facts->atStart = false;
    if (facts && facts->knowsPosition) facts->position += bytes;
}

}  // namespace

namespace PosixOs {

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped) {
    if (read != nullptr) *read = 0;
    int fd = FdOfHandle(file);
    if (fd < 0 || overlapped != nullptr) return FALSE;
    char* at = static_cast<char*>(buffer);
    DWORD done = 0;
    while (done < toRead) {
        ssize_t n = ::read(fd, at + done, std::min<size_t>(toRead - done, MaxChunk));
        if (n > 0) {
            done += static_cast<DWORD>(n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            // What arrived before the error is real data; the error shows on
            // the next call, which then reports nothing.
            if (done == 0) return FALSE;
            break;
        }
    }
    Advance(fd, done);
    if (read != nullptr) *read = done;
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
               LPOVERLAPPED overlapped) {
    if (written != nullptr) *written = 0;
    int fd = FdOfHandle(file);
    if (fd < 0 || overlapped != nullptr) return FALSE;
    IgnoreWriteSignals();
    const char* at = static_cast<const char*>(buffer);
    DWORD done = 0;
    while (done < toWrite) {
        ssize_t n = ::write(fd, at + done, std::min<size_t>(toWrite - done, MaxChunk));
        if (n > 0) {
            done += static_cast<DWORD>(n);
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    Advance(fd, done);
    if (written != nullptr) *written = done;
    return done == toWrite ? TRUE : FALSE;
}

// The runtime only ever moves from where the file stands (back over an
// unread read-ahead, or nowhere, to learn the position) or back to the start,
// to read a file again.
DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) {
    int fd = FdOfHandle(file);
    if (fd < 0) return INVALID_SET_FILE_POINTER;
    if (method == FILE_BEGIN) {
        bool start = distance == 0 && (distanceHigh == nullptr || *distanceHigh == 0);
        FdFacts* facts = FactsOf(fd);
        if (!start || lseek(fd, 0, SEEK_SET) != 0) return INVALID_SET_FILE_POINTER;
        if (facts) {
            facts->knowsPosition = true;
            facts->position = 0;
        }
        return 0;
    }
    if (method != FILE_CURRENT) return INVALID_SET_FILE_POINTER;
    FdFacts* facts = FactsOf(fd);
    bool stay = distance == 0 && (distanceHigh == nullptr || *distanceHigh == 0);
    // Asked where the file stands, a file whose every move the stand-in has
    // seen needs no system call to answer.
    if (stay && facts && facts->knowsPosition &&
        (distanceHigh != nullptr || facts->position <= static_cast<int64_t>(UINT32_MAX))) {
        if (distanceHigh != nullptr) *distanceHigh = static_cast<LONG>(facts->position >> 32);
        return static_cast<DWORD>(facts->position);
    }
    if (facts) {
        facts->knowsPosition = false;
        facts->atStart = false;
    }
    off_t offset = distance;
    if (distanceHigh != nullptr)
        offset = static_cast<off_t>(*distanceHigh) * 0x100000000 + static_cast<uint32_t>(distance);
    off_t position = lseek(fd, offset, SEEK_CUR);
    if (position < 0) return INVALID_SET_FILE_POINTER;
    // Without a high half the caller can only take a 32-bit answer; Windows
    // refuses a move beyond that and leaves the position where it was.
    if (distanceHigh == nullptr && position > static_cast<off_t>(UINT32_MAX)) {
        lseek(fd, position - offset, SEEK_SET);
        return INVALID_SET_FILE_POINTER;
    }
    if (facts) {
        facts->knowsPosition = true;
        facts->position = position;
    }
    if (distanceHigh != nullptr) *distanceHigh = static_cast<LONG>(position >> 32);
    return static_cast<DWORD>(position);
}

BOOL CloseHandle(HANDLE object) {
    int fd = FdOfHandle(object);
    ForgetFd(fd);
    return fd >= 0 && close(fd) == 0 ? TRUE : FALSE;
}

BOOL FlushFileBuffers(HANDLE file) {
    int fd = FdOfHandle(file);
    if (fd < 0) return FALSE;
    // Pipes, sockets and terminals keep nothing back to push through; what a
    // descriptor is, the stand-in looks up once.
    FdFacts* facts = FactsOf(fd);
    if (facts) {
        LearnKind(fd, facts);
        if (facts->knowsKind && !facts->flushable) return TRUE;
    } else {
        struct stat info;
        if (fstat(fd, &info) != 0) return FALSE;
        if (!S_ISREG(info.st_mode) && !S_ISBLK(info.st_mode)) return TRUE;
    }
    return fsync(fd) == 0 ? TRUE : FALSE;
}

// The identity of an open file: its device folded into the 32-bit volume
// serial number and its inode as the file index. Two names of one file (hard
// links) give the same identity. Beside it, what the runtime checks before it
// writes through a handle: the kind (anything but a regular file or a folder
// counts as a device), the number of names and the size. The times are left
// at zero: the runtime does not read them.
BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) {
    int fd = FdOfHandle(file);
    struct stat facts;
    if (fd < 0 || info == nullptr || fstat(fd, &facts) != 0) return FALSE;
    *info = BY_HANDLE_FILE_INFORMATION{};
    info->dwFileAttributes = S_ISREG(facts.st_mode)   ? FILE_ATTRIBUTE_NORMAL
                             : S_ISDIR(facts.st_mode) ? FILE_ATTRIBUTE_DIRECTORY
                                                      : FILE_ATTRIBUTE_DEVICE;
    info->nNumberOfLinks = static_cast<DWORD>(facts.st_nlink);
    info->nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(facts.st_size) >> 32);
    info->nFileSizeLow = static_cast<DWORD>(facts.st_size);
    uint64_t device = static_cast<uint64_t>(facts.st_dev);
    uint64_t inode = static_cast<uint64_t>(facts.st_ino);
    info->dwVolumeSerialNumber = static_cast<DWORD>(device ^ (device >> 32));
    info->nFileIndexHigh = static_cast<DWORD>(inode >> 32);
    info->nFileIndexLow = static_cast<DWORD>(inode);
    return TRUE;
}

// Cuts the file off where it stands.
BOOL SetEndOfFile(HANDLE file) {
    int fd = FdOfHandle(file);
    if (fd < 0) return FALSE;
    FdFacts* facts = FactsOf(fd);
    off_t position = facts && facts->knowsPosition ? facts->position
                     : facts && facts->atStart       ? 0
                                                     : lseek(fd, 0, SEEK_CUR);
    if (position < 0) return FALSE;
    int result;
    do {
        result = ftruncate(fd, position);
    } while (result != 0 && errno == EINTR);
    if (result != 0) return FALSE;
    // Only a regular file can be cut, and a regular file can seek.
    if (facts) {
        facts->knowsPosition = true;
        facts->position = position;
    }
    return TRUE;
}

}  // namespace PosixOs
