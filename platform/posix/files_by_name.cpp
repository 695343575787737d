// Files by name: the opens of CreateFileA, beneath the current folder where
// asked, and the moves, replacements, deletions and attributes of names. An
// open file is a descriptor held in a HANDLE (see fd_handle.h); what is done
// through it is in files_by_handle.cpp.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "platform/posix/fd_facts.h"
#include "platform/posix/fd_handle.h"

namespace {

// How the stand-in opens what the runtime asks for: the open(2) flags, and
// whether the name is resolved beneath the current folder.
struct OpenWay {
    int flags;  // -1: a combination the runtime never asks for
    bool beneath;
};

OpenWay OpenFlags(DWORD access, DWORD share, DWORD disposition, DWORD attributes) {
    const DWORD readWrite = GENERIC_READ | GENERIC_WRITE;
    if (share != FILE_SHARE_READ) return {-1, false};
    if (access == GENERIC_READ && disposition == OPEN_EXISTING &&
        attributes == FILE_ATTRIBUTE_NORMAL)
        return {O_RDONLY, false};
    // Never through a symbolic link, whether it points anywhere or not.
    if (access == readWrite && disposition == CREATE_ALWAYS && attributes == FILE_ATTRIBUTE_NORMAL)
        return {O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW, false};
    if (access == readWrite && disposition == CREATE_NEW && attributes == FILE_ATTRIBUTE_NORMAL)
        return {O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, false};
    // Windows opens a link itself with FILE_FLAG_OPEN_REPARSE_POINT, rather
    // than what it points to; here no link is followed anywhere on the name,
    // which the Windows half of the platform makes up for by holding every
    // folder on the way. An existing file that is a FIFO or a device must
    // not make the open wait, nor a terminal become this process' own.
    const DWORD itself = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    if (access == readWrite && attributes == itself) {
        if (disposition == CREATE_NEW) return {O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, true};
        if (disposition == OPEN_EXISTING)
            return {O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, true};
    }
    return {-1, false};
}

int OpenAt(int folder, const char* name, int flags) {
    int fd;
    do {
        fd = openat(folder, name, flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Opens each folder on the way from the one before it, never through a
// link, and the last element from the last folder, so that a name on the
// way that another process swaps for a link at any moment cannot lead the
// open outside the current folder. A rooted name and a ".." element are
// refused; "." and empty elements stay where they are.
int OpenBeneath(const char* name, int flags) {
#ifdef O_PATH
    const int folderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW;
#else
    const int folderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK;
#endif
    if (name[0] == '/') {
        errno = EXDEV;
        return -1;
    }
    int folder = AT_FDCWD;
    int fd = -1;
    const char* element = name;
    for (const char* p = name;; ++p) {
        if (*p != '/' && *p != '\0') continue;
        size_t length = static_cast<size_t>(p - element);
        if (length == 2 && element[0] == '.' && element[1] == '.') {
            errno = EXDEV;
            break;
        }
        if (*p == '\0') {
            fd = OpenAt(folder, element, flags);
            break;
        }
        if (length > 0 && !(length == 1 && element[0] == '.')) {
            char part[NAME_MAX + 1];
            if (length > NAME_MAX) {
                errno = ENAMETOOLONG;
                break;
            }
            std::memcpy(part, element, length);
            part[length] = '\0';
            int next = OpenAt(folder, part, folderFlags);
            if (folder != AT_FDCWD) close(folder);
            folder = next;
            if (folder < 0) return -1;
        }
        element = p + 1;
    }
    if (folder != AT_FDCWD) {
        int error = errno;
        close(folder);
        errno = error;
    }
    return fd;
}

// A rename is on the disk only once the folder that holds the name is; until
// then a crash can bring back the old file under it. File systems that
// cannot sync a folder say so with EINVAL, and have nothing to sync.
bool SyncFolderOf(const char* name) {
    const char* slash = std::strrchr(name, '/');
    char folder[PATH_MAX] = ".";
    if (slash != nullptr) {
        size_t length = slash == name ? 1 : static_cast<size_t>(slash - name);
        if (length >= sizeof folder) {
            errno = ENAMETOOLONG;
            return false;
        }
        std::memcpy(folder, name, length);
        folder[length] = '\0';
    }
    int fd = OpenAt(AT_FDCWD, folder, O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    int result;
    do {
        result = fsync(fd);
    } while (result != 0 && errno == EINTR);
    int error = errno;
    close(fd);
    errno = error;
    return result == 0 || error == EINVAL;
}

}  // namespace

namespace PosixOs {

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD attributes, HANDLE templateFile) {
    OpenWay way = OpenFlags(access, share, disposition, attributes);
    int flags = way.flags;
    // A template gives a new file its attributes; here, its permission bits,
    // and its owner and group as far as this process may give them away.
    struct stat like;
    bool templated = templateFile != nullptr && disposition == CREATE_NEW && !way.beneath;
    if (name == nullptr || flags < 0 || security != nullptr ||
        (templateFile != nullptr && !templated) ||
        (templated && fstat(FdOfHandle(templateFile), &like) != 0)) {
        errno = EINVAL;
        return INVALID_HANDLE_VALUE;
    }
    int fd = way.beneath ? OpenBeneath(name, flags) : OpenAt(AT_FDCWD, name, flags);
    if (fd < 0) return INVALID_HANDLE_VALUE;
    // The group goes to any member of it, the owner only from root; what
    // cannot be kept the caller learns by comparing the two files. The bits
    // come after, as a change of owner clears the set-ID ones, and after the
    // open, so that the umask does not take bits away.
    if (templated && fchown(fd, like.st_uid, like.st_gid) != 0)
        fchown(fd, static_cast<uid_t>(-1), like.st_gid);
    if (templated && fchmod(fd, like.st_mode & 07777) != 0) {
        int error = errno;
        close(fd);
        unlink(name);
        errno = error;
        return INVALID_HANDLE_VALUE;
    }
    // Linux opens a directory for reading (never for writing); Windows does
    // not, and callers rely on a directory being passed over like a missing
    // file.
    struct stat info;
    if (flags == O_RDONLY && (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode))) {
        close(fd);
        errno = EISDIR;
        return INVALID_HANDLE_VALUE;
    }
    AdoptFd(fd);
    // A file made new is a regular file, at its start; any other stands at
    // its start too, if it has one.
    FdFacts* facts = FactsOf(fd);
    if (facts) {
        facts->knowsPosition = (flags & O_EXCL) != 0;
        facts->atStart = true;
    }
    return HandleOfFd(fd);
}

// rename(2) replaces the target in one step, as MOVEFILE_REPLACE_EXISTING
// does; without that flag Windows refuses an existing target, which rename(2)
// cannot promise, so that flag is required. MOVEFILE_WRITE_THROUGH returns
// only once the move is on the disk.
BOOL MoveFileExA(LPCSTR existing, LPCSTR replacement, DWORD flags) {
    if (existing == nullptr || replacement == nullptr ||
        (flags & ~MOVEFILE_WRITE_THROUGH) != MOVEFILE_REPLACE_EXISTING)
        return FALSE;
    if (rename(existing, replacement) != 0) return FALSE;
    return (flags & MOVEFILE_WRITE_THROUGH) == 0 || SyncFolderOf(replacement) ? TRUE : FALSE;
}

// What Windows' ReplaceFile keeps of the replaced file, its owner, group and
// permission bits, the replacement took here when it was created with the
// replaced file as its template (CreateFileA); what is left is one rename,
// which either happens whole or leaves both files as they were, and which is
// on the disk when the call returns, as NTFS's journal has it there. No
// backup name, and the replaced file must be there.
BOOL ReplaceFileA(LPCSTR replaced, LPCSTR replacement, LPCSTR backup, DWORD flags, LPVOID exclude,
                  LPVOID reserved) {
    struct stat facts;
    if (replaced == nullptr || replacement == nullptr || backup != nullptr ||
        (flags & ~REPLACEFILE_IGNORE_MERGE_ERRORS) != 0 || exclude != nullptr ||
        reserved != nullptr) {
        errno = EINVAL;
        return FALSE;
    }
    if (lstat(replaced, &facts) != 0) return FALSE;
    if (rename(replacement, replaced) != 0) return FALSE;
    return SyncFolderOf(replaced) ? TRUE : FALSE;
}

// unlink(2) refuses a directory, as DeleteFileA does.
BOOL DeleteFileA(LPCSTR name) {
    if (name == nullptr) return FALSE;
    return unlink(name) == 0 ? TRUE : FALSE;
}

// The file itself, not what a link points to, as Windows reports a link.
// Windows' read-only attribute keeps a file from being replaced or deleted,
// which POSIX decides by the folder's rights alone, so no file here is
// read-only in that sense.
DWORD GetFileAttributesA(LPCSTR name) {
    struct stat info;
    if (name == nullptr || lstat(name, &info) != 0) return INVALID_FILE_ATTRIBUTES;
    if (S_ISREG(info.st_mode)) return FILE_ATTRIBUTE_NORMAL;
    if (S_ISDIR(info.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    if (S_ISLNK(info.st_mode)) return FILE_ATTRIBUTE_REPARSE_POINT;
    return FILE_ATTRIBUTE_DEVICE;
}

// POSIX files have none of the attributes that GetFileAttributesA would
// report here beyond being a plain file, so only those can be set, which
// asks for nothing; the archive mark, which nothing here reads, is taken.
BOOL SetFileAttributesA(LPCSTR name, DWORD attributes) {
    struct stat info;
    if (name == nullptr || lstat(name, &info) != 0) return FALSE;
    if ((attributes & ~(FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_ARCHIVE)) != 0) {
        errno = EINVAL;
        return FALSE;
    }
    return TRUE;
}

}  // namespace PosixOs
