// The one list of operating-system calls that the runtime makes, by their
// Windows names. Everything that must name each call once (the fields of the
// `Os` table, the real table, the call enumeration, the tests' spy) is
// generated from it, so adding a call is a line here, its POSIX stand-in and
// its uses.
#pragma once

// Calls that only the Windows half of the platform makes: to learn what Wine
// does not show in a file's attributes, and to take the wide command line
// as 8-bit text. POSIX has no stand-in for them.
#ifdef _WIN32
#define LSD2WAV_WINDOWS_ONLY_CALLS(X) \
    X(GetFinalPathNameByHandleA)      \
    X(WideCharToMultiByte)            \
    X(MultiByteToWideChar)
#else
#define LSD2WAV_WINDOWS_ONLY_CALLS(X)
#endif

#define LSD2WAV_OS_CALLS(X)         \
    X(CreateFileA)                  \
    X(ReadFile)                     \
    X(WriteFile)                    \
    X(SetFilePointer)               \
    X(CloseHandle)                  \
    X(FlushFileBuffers)             \
    X(MoveFileExA)                  \
    X(ReplaceFileA)                 \
    X(DeleteFileA)                  \
    X(GetFileAttributesA)           \
    X(SetFileAttributesA)           \
    X(GetFileInformationByHandle)   \
    X(SetEndOfFile)                 \
    X(GetLastError)                 \
    X(HeapCreate)                   \
    X(HeapAlloc)                    \
    X(HeapFree)                     \
    X(HeapDestroy)                  \
    X(GetStdHandle)                 \
    X(WriteConsoleA)                \
    X(SetConsoleCtrlHandler)        \
    X(ExitProcess)                  \
    X(Sleep)                        \
    X(InitializeCriticalSection)    \
    X(EnterCriticalSection)         \
    X(LeaveCriticalSection)         \
    LSD2WAV_WINDOWS_ONLY_CALLS(X)
