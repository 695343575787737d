// A HANDLE on this side is a file descriptor plus one, so that no open file
// ever looks like a null handle or like INVALID_HANDLE_VALUE, and both of
// those decode to a descriptor that every system call refuses.
#pragma once

#include <climits>

#include "platform/posix/windows_types.h"

inline HANDLE HandleOfFd(int fd) {
    return (HANDLE)(intptr_t)(fd + 1);
}

inline int FdOfHandle(HANDLE handle) {
    intptr_t fd = (intptr_t)handle - 1;
    return (fd < 0 || fd > INT_MAX) ? -1 : (int)fd;
}
