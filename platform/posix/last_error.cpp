// GetLastError on POSIX: errno, read as the Windows code that callers look
// for.
#include <errno.h>

#include "platform/posix/windows_types.h"

namespace PosixOs {

// errno is this thread's reason for its last failed call, as Windows keeps
// one per thread; the codes are those the callers look for.
DWORD GetLastError() {
    switch (errno) {
        case 0:
            return 0;
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
        case ENAMETOOLONG:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case EROFS:
            return ERROR_WRITE_PROTECT;
        case EBUSY:
        case ETXTBSY:
            return ERROR_SHARING_VIOLATION;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return ERROR_DISK_FULL;
        case EEXIST:
            return ERROR_FILE_EXISTS;
        case EPIPE:
            return ERROR_BROKEN_PIPE;
        default:
            return ERROR_GEN_FAILURE;
    }
}

}  // namespace PosixOs
