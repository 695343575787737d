// Standard output and the error stream.
#include <unistd.h>

#include "platform/posix/fd_facts.h"
#include "platform/posix/fd_handle.h"

namespace PosixOs {

HANDLE GetStdHandle(DWORD which) {
    int fd;
    if (which == STD_OUTPUT_HANDLE) {
        fd = STDOUT_FILENO;
    } else if (which == STD_ERROR_HANDLE) {
        fd = STDERR_FILENO;
    } else {
        return INVALID_HANDLE_VALUE;
    }
    AdoptFd(fd);
    return HandleOfFd(fd);
}

// Output that is not a terminal is no console, as on Windows with redirected
// output; the caller then falls back to WriteFile.
BOOL WriteConsoleA(HANDLE console, const VOID* buffer, DWORD chars, LPDWORD written, LPVOID) {
    int fd = FdOfHandle(console);
    FdFacts* facts = FactsOf(fd);
    if (facts) LearnKind(fd, facts);
    bool terminal = facts && facts->knowsKind ? facts->terminal : fd >= 0 && isatty(fd);
    if (!terminal) {
        if (written != nullptr) *written = 0;
        return FALSE;
    }
    return WriteFile(console, buffer, chars, written, nullptr);
}

}  // namespace PosixOs
