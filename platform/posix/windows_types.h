// The few Windows types, constants and calls that the runtime uses, declared
// for systems without <windows.h>. The calls themselves are the POSIX
// stand-ins in this folder; each behaves as the runtime relies on the real
// KERNEL32 function behaving, and no more.
#pragma once

#include <pthread.h>
#include <cstddef>
#include <cstdint>

#define WINAPI
#define VOID void

typedef void* HANDLE;
typedef int BOOL;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef LONG* PLONG;
typedef unsigned int UINT;
typedef size_t SIZE_T;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef const char* LPCSTR;
typedef DWORD* LPDWORD;
typedef struct _OVERLAPPED OVERLAPPED, *LPOVERLAPPED;
typedef struct _SECURITY_ATTRIBUTES SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;
typedef BOOL (*PHANDLER_ROUTINE)(DWORD ctrlType);

typedef struct _FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME;

// A file's identity is its volume serial number and its file index.
typedef struct _BY_HANDLE_FILE_INFORMATION {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD dwVolumeSerialNumber;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD nNumberOfLinks;
    DWORD nFileIndexHigh;
    DWORD nFileIndexLow;
} BY_HANDLE_FILE_INFORMATION, *LPBY_HANDLE_FILE_INFORMATION;

// A recursive mutex, as a Windows critical section is.
typedef struct _CRITICAL_SECTION {
    pthread_mutex_t mutex;
} CRITICAL_SECTION, *LPCRITICAL_SECTION;

#define TRUE 1
#define FALSE 0

#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define INVALID_SET_FILE_POINTER ((DWORD)-1)

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define TRUNCATE_EXISTING 5u
#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_SYSTEM 0x00000004u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define FILE_ATTRIBUTE_NOT_CONTENT_INDEXED 0x00002000u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_DEVICE 0x00000040u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400u
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_FLAG_BACKUP_SEMANTICS 0x02000000u
#define FILE_FLAG_OPEN_REPARSE_POINT 0x00200000u

// The system's reasons for a failed call, as GetLastError gives them.
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_PATH_NOT_FOUND 3u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_WRITE_PROTECT 19u
#define ERROR_GEN_FAILURE 31u
#define ERROR_SHARING_VIOLATION 32u
#define ERROR_HANDLE_DISK_FULL 39u
#define ERROR_FILE_EXISTS 80u
#define ERROR_BROKEN_PIPE 109u
#define ERROR_DISK_FULL 112u
#define ERROR_NO_DATA 232u
#define ERROR_PIPE_NOT_CONNECTED 233u
#define ERROR_ALREADY_EXISTS 183u
#define ERROR_UNABLE_TO_MOVE_REPLACEMENT 1176u

#define FILE_BEGIN 0u
#define FILE_CURRENT 1u
#define FILE_END 2u

#define HEAP_ZERO_MEMORY 0x00000008u

#define STD_OUTPUT_HANDLE ((DWORD)-11)
#define STD_ERROR_HANDLE ((DWORD)-12)

#define MOVEFILE_REPLACE_EXISTING 0x00000001u
#define MOVEFILE_WRITE_THROUGH 0x00000008u
#define REPLACEFILE_IGNORE_MERGE_ERRORS 0x00000002u

#define CTRL_C_EVENT 0u
#define CTRL_BREAK_EVENT 1u
#define CTRL_CLOSE_EVENT 2u
#define CTRL_SHUTDOWN_EVENT 6u

// The stand-ins, in a namespace of their own: on this side they are no
// system's functions, and must not pass for global ones.
namespace PosixOs {

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD attributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
               LPOVERLAPPED overlapped);
DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method);
BOOL CloseHandle(HANDLE object);
BOOL FlushFileBuffers(HANDLE file);
BOOL MoveFileExA(LPCSTR existing, LPCSTR replacement, DWORD flags);
BOOL ReplaceFileA(LPCSTR replaced, LPCSTR replacement, LPCSTR backup, DWORD flags, LPVOID exclude,
                  LPVOID reserved);
BOOL DeleteFileA(LPCSTR name);
DWORD GetFileAttributesA(LPCSTR name);
BOOL SetFileAttributesA(LPCSTR name, DWORD attributes);
BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info);
BOOL SetEndOfFile(HANDLE file);
DWORD GetLastError();

HANDLE HeapCreate(DWORD options, SIZE_T initialSize, SIZE_T maximumSize);
LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID block);
BOOL HeapDestroy(HANDLE heap);

HANDLE GetStdHandle(DWORD which);
BOOL WriteConsoleA(HANDLE console, const VOID* buffer, DWORD chars, LPDWORD written,
                   LPVOID reserved);
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add);
[[noreturn]] VOID ExitProcess(UINT exitCode);
VOID Sleep(DWORD milliseconds);

VOID InitializeCriticalSection(LPCRITICAL_SECTION section);
VOID EnterCriticalSection(LPCRITICAL_SECTION section);
VOID LeaveCriticalSection(LPCRITICAL_SECTION section);

}  // namespace PosixOs
