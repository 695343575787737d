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

#include "platform/os_calls.h"

// The functions behind the table: KERNEL32's on Windows, the stand-ins
// elsewhere, which live in a namespace of their own so that they never pass
// for the real ones.
#ifdef _WIN32
namespace NativeOs {
#define LSD2WAV_OS_USE(name) using ::name;
LSD2WAV_OS_CALLS(LSD2WAV_OS_USE)
#undef LSD2WAV_OS_USE
}  // namespace NativeOs
#else
namespace NativeOs = PosixOs;
#endif

struct OsApi {
#define LSD2WAV_OS_FIELD(name) decltype(&NativeOs::name) name;
    LSD2WAV_OS_CALLS(LSD2WAV_OS_FIELD)
#undef LSD2WAV_OS_FIELD
};

// One value per call, in the order of the list, and their number: a test can
// name a call, or count through all of them.
enum class OsCall {
#define LSD2WAV_OS_ENUM(name) name,
    LSD2WAV_OS_CALLS(LSD2WAV_OS_ENUM)
#undef LSD2WAV_OS_ENUM
};
#define LSD2WAV_OS_ONE(name) +1
constexpr int OsCallCount = 0 LSD2WAV_OS_CALLS(LSD2WAV_OS_ONE);
#undef LSD2WAV_OS_ONE

extern const OsApi RealOs;
extern OsApi Os;
