#include "platform/os.h"

const OsApi RealOs = {
    ::CreateFileA,    ::ReadFile,      ::WriteFile,
    ::SetFilePointer, ::CloseHandle,   ::FlushFileBuffers,
    ::HeapCreate,     ::HeapAlloc,     ::HeapFree,
    ::HeapDestroy,    ::GetStdHandle,  ::WriteConsoleA,
    ::SetConsoleCtrlHandler,           ::ExitProcess,
    ::InitializeCriticalSection,       ::EnterCriticalSection,
    ::LeaveCriticalSection,            ::MoveFileExA,
    ::DeleteFileA,
};

OsApi Os = RealOs;
