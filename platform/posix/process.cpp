// Starting and ending the process, and the runtime's one kind of lock.
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/posix/windows_types.h"

namespace {

// A program started with standard input, output or error closed would give
// the first file it opens one of those descriptors, and its console lines
// would then land in that file. Each closed one is opened on /dev/null before
// main, in order, so that open(2) hands out exactly that descriptor.
__attribute__((constructor)) void OpenClosedStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened != fd && opened >= 0) close(opened);
    }
}

}  // namespace

namespace PosixOs {

// exit rather than _exit: sanitizers and coverage report from exit handlers.
VOID ExitProcess(UINT exitCode) {
    exit(static_cast<int>(exitCode));
}

// Only ever a short wait, for another thread's call to return.
VOID Sleep(DWORD milliseconds) { usleep(static_cast<useconds_t>(milliseconds) * 1000); }

// A thread may enter a critical section it already holds, as on Windows.
VOID InitializeCriticalSection(LPCRITICAL_SECTION section) {
    pthread_mutexattr_t kind;
    pthread_mutexattr_init(&kind);
    pthread_mutexattr_settype(&kind, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&section->mutex, &kind);
    pthread_mutexattr_destroy(&kind);
}

VOID EnterCriticalSection(LPCRITICAL_SECTION section) {
    pthread_mutex_lock(&section->mutex);
}

VOID LeaveCriticalSection(LPCRITICAL_SECTION section) {
    pthread_mutex_unlock(&section->mutex);
}

}  // namespace PosixOs
