// Every operating-system call that the runtime makes goes through the one
// table `Os`, by the call's Windows name and with its Windows arguments. On
// Windows the table holds the real KERNEL32 functions; elsewhere it holds the
// POSIX stand-ins. Tests replace entries to count, shorten or fail calls, and
// put `RealOs` back when they are done.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include "platform/posix/windows_types.h"
#endif

struct OsApi {
    decltype(&::CreateFileA) CreateFileA;
    decltype(&::ReadFile) ReadFile;
    decltype(&::WriteFile) WriteFile;
    decltype(&::SetFilePointer) SetFilePointer;
    decltype(&::CloseHandle) CloseHandle;
    decltype(&::FlushFileBuffers) FlushFileBuffers;
    decltype(&::HeapCreate) HeapCreate;
    decltype(&::HeapAlloc) HeapAlloc;
    decltype(&::HeapFree) HeapFree;
    decltype(&::HeapDestroy) HeapDestroy;
    decltype(&::GetStdHandle) GetStdHandle;
    decltype(&::WriteConsoleA) WriteConsoleA;
    decltype(&::SetConsoleCtrlHandler) SetConsoleCtrlHandler;
    decltype(&::ExitProcess) ExitProcess;
    decltype(&::InitializeCriticalSection) InitializeCriticalSection;
    decltype(&::EnterCriticalSection) EnterCriticalSection;
    decltype(&::LeaveCriticalSection) LeaveCriticalSection;
    decltype(&::MoveFileExA) MoveFileExA;
    decltype(&::DeleteFileA) DeleteFileA;
};

extern const OsApi RealOs;
extern OsApi Os;
