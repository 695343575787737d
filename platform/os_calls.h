// The one list of operating-system calls that the runtime makes, by their
// Windows names. Everything that must name each call once (the fields of the
// `Os` table, the real table, the call enumeration, the tests' spy) is
// generated from it, so adding a call is a line here, its POSIX stand-in and
// its uses.
#pragma once

#define LSD2WAV_OS_CALLS(X)         \
    X(CreateFileA)                  \
    X(ReadFile)                     \
    X(WriteFile)                    \
    X(SetFilePointer)               \
    X(CloseHandle)                  \
    X(FlushFileBuffers)             \
    X(MoveFileExA)                  \
    X(DeleteFileA)                  \
    X(GetFileAttributesA)           \
    X(GetFileInformationByHandle)   \
    X(GetLastError)                 \
    X(HeapCreate)                   \
    X(HeapAlloc)                    \
    X(HeapFree)                     \
    X(HeapDestroy)                  \
    X(GetStdHandle)                 \
    X(WriteConsoleA)                \
    X(SetConsoleCtrlHandler)        \
    X(ExitProcess)                  \
    X(InitializeCriticalSection)    \
    X(EnterCriticalSection)         \
    X(LeaveCriticalSection)
