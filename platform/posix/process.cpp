// Ending the process and the runtime's one kind of lock.
#include <cstdlib>

#include "platform/posix/windows_types.h"

namespace PosixOs {

// exit rather than _exit: sanitizers and coverage report from exit handlers.
VOID ExitProcess(UINT exitCode) {
    exit(static_cast<int>(exitCode));
}

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
