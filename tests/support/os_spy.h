// The test seam over the `Os` table: every call the runtime makes to the
// system is recorded, and any of them can be changed, without a real fault.
//
//   OsSpy spy;
//   InstallOsSpy(&spy);                  // Os now points at the spy
//   ShortenWritesTo(spy, 10, "a.wav");   // writes to a.wav pass 10 bytes at most
//   FailNth(spy, OsCall::HeapAlloc, 3, true);  // the 3rd allocation on fails
//   spy.ExitProcess = [&](UINT code) { exitCode = code; };  // returns instead
//   ... run the code under test ...
//   EXPECT_EQ(AskedOf(spy, OsCall::WriteFile, "a.wav"), (std::vector<uint64_t>{44, 16}));
//   RemoveOsSpy();                       // Os = RealOs; the spy's destructor does it too
//
// Hooks. Each table entry has a hook of the same name. An empty hook runs the
// real function. A hook of your own that wants the real call uses RealOs,
// never Os, which would record the call twice;
// assigning it drops whatever helpers were set before. The helpers below wrap
// the hook already there, so they stack: the last one set sees the call first.
//
// Files. A `file` argument of "" means every call of the kind; a name means the
// calls on the handle that CreateFileA last returned for exactly that name (as
// the caller spelled it), until the handle is closed; for MoveFileExA,
// ReplaceFileA and DeleteFileA it means the file named by their first
// argument (ReplaceFileA's is the file replaced). GetStdHandle's
// handles are named "<stdout>" and "<stderr>".
//
// Records. Each call is recorded once, after it returns (ExitProcess before it
// runs), with what the caller saw; see OsCallRecord. A call that the spy has
// no recorder for (one newly added to the list) is recorded by its kind alone,
// before it runs. Calls may come from
// several threads, but install, remove and hook the spy while no other thread
// uses Os.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/os.h"

struct OsCallRecord {
    OsCall call;
    // The handle the call acted on (the heap for heap calls, the section for
    // critical sections), or the one it returned: CreateFileA, HeapCreate,
    // GetStdHandle.
    HANDLE handle;
    // CreateFileA's and DeleteFileA's name, MoveFileExA's existing name,
    // ReplaceFileA's replaced name, or
    // the name of `handle`; see above.
    std::string file;
    // Bytes asked of ReadFile, WriteFile, WriteConsoleA and HeapAlloc; the
    // 64-bit distance of SetFilePointer (as int64_t); CreateFileA's
    // disposition; GetStdHandle's argument; ExitProcess' code; the `add` flag
    // of SetConsoleCtrlHandler; MoveFileExA's and ReplaceFileA's flags.
    uint64_t asked;
    // Bytes read or written as reported to the caller; SetFilePointer's new
    // 64-bit position.
    uint64_t done;
    bool ok;  // the call reported success
};

// The type of the hook of a call: a function with the call's signature.
template <class R, class... A>
std::function<R(A...)> HookFor(R(WINAPI*)(A...));

struct OsSpy {
    // One hook per call, named as the call is. ExitProcess' hook may return:
    // the caller then carries on past its ExitProcess.
#define LSD2WAV_OS_HOOK(name) decltype(HookFor(&NativeOs::name)) name;
    LSD2WAV_OS_CALLS(LSD2WAV_OS_HOOK)
#undef LSD2WAV_OS_HOOK

    // The spy's own state; read it through the functions below.
    std::mutex lock;
    std::vector<OsCallRecord> calls;
    std::map<HANDLE, std::string> names;

    ~OsSpy();
};

void InstallOsSpy(OsSpy* spy);
void RemoveOsSpy();

// The records of one kind of call, oldest first, optionally for one file.
std::vector<OsCallRecord> CallsOf(OsSpy& spy, OsCall call, const std::string& file = "");
size_t CountCalls(OsSpy& spy, OsCall call, const std::string& file = "");
std::vector<uint64_t> AskedOf(OsSpy& spy, OsCall call, const std::string& file = "");
// Forgets the calls so far, say those of a test's own setup.
void ClearCalls(OsSpy& spy);

// The nth matching call from now (1 for the next one) fails, and with forGood
// every one after it too. A failed call reports what the real one reports on
// failure (FALSE, INVALID_HANDLE_VALUE, a null block, INVALID_SET_FILE_POINTER,
// nothing read or written) without reaching the system, except CloseHandle,
// HeapFree and HeapDestroy, which still release what they were given, as a
// failed close() on Linux still closes. Every call but ExitProcess,
// GetLastError and the critical sections can fail.
void FailNth(OsSpy& spy, OsCall call, int n, bool forGood, const std::string& file = "");

// What FailNthOfAny has done so far.
struct AnyCallFault {
    int seen = 0;          // calls that could fail, counted so far
    bool reached = false;  // the nth came, and failed
    OsCall failed{};       // its kind
};

// The nth call from now of any kind that can fail fails; with forGood every
// later call of that same kind too. Counts under the spy's lock; read the
// result once the run is over.
std::shared_ptr<const AnyCallFault> FailNthOfAny(OsSpy& spy, int n, bool forGood);

// Each ReadFile passes at most `limit` bytes on: the caller sees the end of
// the file early.
void ShortenReadsTo(OsSpy& spy, DWORD limit, const std::string& file = "");
// Each WriteFile passes at most `limit` bytes on; a write cut short reports
// the bytes that went through and FALSE, as a real short write does.
void ShortenWritesTo(OsSpy& spy, DWORD limit, const std::string& file = "");
// Like a full disk: after `bytes` bytes in all, writes go short and then write
// nothing, reporting FALSE.
void StopWritesAfter(OsSpy& spy, uint64_t bytes, const std::string& file = "");
