#include "tests/support/os_spy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>

namespace {

std::atomic<OsSpy*> current{nullptr};

// Runs the hook if there is one, else the real function.
template <class Hook, class Real, class... A>
auto Pass(const Hook& hook, Real real, A... a) {
    return hook ? hook(a...) : real(a...);
}

std::string NameOf(OsSpy& spy, HANDLE handle) {
    std::lock_guard<std::mutex> hold(spy.lock);
    auto found = spy.names.find(handle);
    return found == spy.names.end() ? std::string() : found->second;
}

void Record(OsSpy& spy, OsCall call, HANDLE handle, uint64_t asked, uint64_t done, bool ok) {
    std::lock_guard<std::mutex> hold(spy.lock);
    auto found = spy.names.find(handle);
    std::string file = found == spy.names.end() ? std::string() : found->second;
    spy.calls.push_back({call, handle, file, asked, done, ok});
}

template <OsCall C>
struct Tag {};

// Each call's hook and real function, found by the call.
template <OsCall C>
struct CallOf;
#define LSD2WAV_OS_SPY_HOOK(name)                                 \
    template <>                                                   \
    struct CallOf<OsCall::name> {                                 \
        static auto& Hook(OsSpy& spy) { return spy.name; }        \
        static auto Real() { return RealOs.name; }                \
    };
LSD2WAV_OS_CALLS(LSD2WAV_OS_SPY_HOOK)
#undef LSD2WAV_OS_SPY_HOOK

// The recorders of the calls, each of which says what its record holds.

HANDLE Spied(Tag<OsCall::CreateFileA>, LPCSTR name, DWORD access, DWORD share,
             LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD attributes,
             HANDLE templateFile) {
    OsSpy& spy = *current;
    HANDLE handle = Pass(spy.CreateFileA, RealOs.CreateFileA, name, access, share, security,
                         disposition, attributes, templateFile);
    bool ok = handle != INVALID_HANDLE_VALUE;
    std::lock_guard<std::mutex> hold(spy.lock);
    std::string file = name != nullptr ? name : "";
    if (ok) spy.names[handle] = file;
    spy.calls.push_back({OsCall::CreateFileA, handle, file, disposition, 0, ok});
    return handle;
}

BOOL Spied(Tag<OsCall::ReadFile>, HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
           LPOVERLAPPED overlapped) {
    OsSpy& spy = *current;
    DWORD done = 0;
    BOOL ok = Pass(spy.ReadFile, RealOs.ReadFile, file, buffer, toRead, &done, overlapped);
    if (read != nullptr) *read = done;
    Record(spy, OsCall::ReadFile, file, toRead, done, ok);
    return ok;
}

BOOL Spied(Tag<OsCall::WriteFile>, HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
           LPOVERLAPPED overlapped) {
    OsSpy& spy = *current;
    DWORD done = 0;
    BOOL ok = Pass(spy.WriteFile, RealOs.WriteFile, file, buffer, toWrite, &done, overlapped);
    if (written != nullptr) *written = done;
    Record(spy, OsCall::WriteFile, file, toWrite, done, ok);
    return ok;
}

DWORD Spied(Tag<OsCall::SetFilePointer>, HANDLE file, LONG distance, PLONG distanceHigh,
            DWORD method) {
    OsSpy& spy = *current;
    int64_t asked =
        distanceHigh == nullptr
            ? distance
            : static_cast<int64_t>((uint64_t)(uint32_t)*distanceHigh << 32 | (uint32_t)distance);
    DWORD low =
        Pass(spy.SetFilePointer, RealOs.SetFilePointer, file, distance, distanceHigh, method);
    uint64_t position = low;
    if (distanceHigh != nullptr) position |= (uint64_t)(uint32_t)*distanceHigh << 32;
    bool ok = low != INVALID_SET_FILE_POINTER;
    Record(spy, OsCall::SetFilePointer, file, (uint64_t)asked, ok ? position : 0, ok);
    return low;
}

BOOL Spied(Tag<OsCall::CloseHandle>, HANDLE object) {
    OsSpy& spy = *current;
    BOOL ok = Pass(spy.CloseHandle, RealOs.CloseHandle, object);
    Record(spy, OsCall::CloseHandle, object, 0, 0, ok);
    std::lock_guard<std::mutex> hold(spy.lock);
    spy.names.erase(object);
    return ok;
}

BOOL Spied(Tag<OsCall::FlushFileBuffers>, HANDLE file) {
    OsSpy& spy = *current;
    BOOL ok = Pass(spy.FlushFileBuffers, RealOs.FlushFileBuffers, file);
    Record(spy, OsCall::FlushFileBuffers, file, 0, 0, ok);
    return ok;
}

HANDLE Spied(Tag<OsCall::HeapCreate>, DWORD options, SIZE_T initialSize, SIZE_T maximumSize) {
    OsSpy& spy = *current;
    HANDLE heap = Pass(spy.HeapCreate, RealOs.HeapCreate, options, initialSize, maximumSize);
    Record(spy, OsCall::HeapCreate, heap, 0, 0, heap != nullptr);
    return heap;
}

LPVOID Spied(Tag<OsCall::HeapAlloc>, HANDLE heap, DWORD flags, SIZE_T bytes) {
    OsSpy& spy = *current;
    LPVOID block = Pass(spy.HeapAlloc, RealOs.HeapAlloc, heap, flags, bytes);
    Record(spy, OsCall::HeapAlloc, heap, bytes, block != nullptr ? bytes : 0, block != nullptr);
    return block;
}

BOOL Spied(Tag<OsCall::HeapFree>, HANDLE heap, DWORD flags, LPVOID block) {
    OsSpy& spy = *current;
    BOOL ok = Pass(spy.HeapFree, RealOs.HeapFree, heap, flags, block);
    Record(spy, OsCall::HeapFree, heap, 0, 0, ok);
    return ok;
}

BOOL Spied(Tag<OsCall::HeapDestroy>, HANDLE heap) {
    OsSpy& spy = *current;
    BOOL ok = Pass(spy.HeapDestroy, RealOs.HeapDestroy, heap);
    Record(spy, OsCall::HeapDestroy, heap, 0, 0, ok);
    return ok;
}

HANDLE Spied(Tag<OsCall::GetStdHandle>, DWORD which) {
    OsSpy& spy = *current;
    HANDLE handle = Pass(spy.GetStdHandle, RealOs.GetStdHandle, which);
    bool ok = handle != INVALID_HANDLE_VALUE && handle != nullptr;
    std::string name = which == STD_ERROR_HANDLE ? "<stderr>" : "<stdout>";
    std::lock_guard<std::mutex> hold(spy.lock);
    if (ok) spy.names[handle] = name;
    spy.calls.push_back({OsCall::GetStdHandle, handle, ok ? name : "", which, 0, ok});
    return handle;
}

BOOL Spied(Tag<OsCall::WriteConsoleA>, HANDLE console, const VOID* buffer, DWORD chars,
           LPDWORD written, LPVOID reserved) {
    OsSpy& spy = *current;
    DWORD done = 0;
    BOOL ok =
        Pass(spy.WriteConsoleA, RealOs.WriteConsoleA, console, buffer, chars, &done, reserved);
    if (written != nullptr) *written = done;
    Record(spy, OsCall::WriteConsoleA, console, chars, done, ok);
    return ok;
}

BOOL Spied(Tag<OsCall::SetConsoleCtrlHandler>, PHANDLER_ROUTINE handler, BOOL add) {
    OsSpy& spy = *current;
    BOOL ok = Pass(spy.SetConsoleCtrlHandler, RealOs.SetConsoleCtrlHandler, handler, add);
    Record(spy, OsCall::SetConsoleCtrlHandler, nullptr, add, 0, ok);
    return ok;
}

VOID Spied(Tag<OsCall::ExitProcess>, UINT exitCode) {
    OsSpy& spy = *current;
    Record(spy, OsCall::ExitProcess, nullptr, exitCode, 0, true);
    Pass(spy.ExitProcess, RealOs.ExitProcess, exitCode);
}

VOID Spied(Tag<OsCall::InitializeCriticalSection>, LPCRITICAL_SECTION section) {
    OsSpy& spy = *current;
    Pass(spy.InitializeCriticalSection, RealOs.InitializeCriticalSection, section);
    Record(spy, OsCall::InitializeCriticalSection, section, 0, 0, true);
}

VOID Spied(Tag<OsCall::EnterCriticalSection>, LPCRITICAL_SECTION section) {
    OsSpy& spy = *current;
    Pass(spy.EnterCriticalSection, RealOs.EnterCriticalSection, section);
    Record(spy, OsCall::EnterCriticalSection, section, 0, 0, true);
}

VOID Spied(Tag<OsCall::LeaveCriticalSection>, LPCRITICAL_SECTION section) {
    OsSpy& spy = *current;
    Pass(spy.LeaveCriticalSection, RealOs.LeaveCriticalSection, section);
    Record(spy, OsCall::LeaveCriticalSection, section, 0, 0, true);
}

BOOL Spied(Tag<OsCall::ReplaceFileA>, LPCSTR replaced, LPCSTR replacement, LPCSTR backup,
           DWORD flags, LPVOID exclude, LPVOID reserved) {
    OsSpy& spy = *current;
    BOOL ok = Pass(spy.ReplaceFileA, RealOs.ReplaceFileA, replaced, replacement, backup, flags,
                   exclude, reserved);
    std::lock_guard<std::mutex> hold(spy.lock);
    spy.calls.push_back(
        {OsCall::ReplaceFileA, nullptr, replaced != nullptr ? replaced : "", flags, 0, ok == TRUE});
    return ok;
}

BOOL Spied(Tag<OsCall::MoveFileExA>, LPCSTR existing, LPCSTR replacement, DWORD flags) {
    OsSpy& spy = *current;
    BOOL ok = Pass(spy.MoveFileExA, RealOs.MoveFileExA, existing, replacement, flags);
    std::lock_guard<std::mutex> hold(spy.lock);
    spy.calls.push_back(
        {OsCall::MoveFileExA, nullptr, existing != nullptr ? existing : "", flags, 0, ok == TRUE});
    return ok;
}

BOOL Spied(Tag<OsCall::DeleteFileA>, LPCSTR name) {
    OsSpy& spy = *current;
    BOOL ok = Pass(spy.DeleteFileA, RealOs.DeleteFileA, name);
    std::lock_guard<std::mutex> hold(spy.lock);
    spy.calls.push_back(
        {OsCall::DeleteFileA, nullptr, name != nullptr ? name : "", 0, 0, ok == TRUE});
    return ok;
}

BOOL Spied(Tag<OsCall::GetFileInformationByHandle>, HANDLE file,
           LPBY_HANDLE_FILE_INFORMATION info) {
    OsSpy& spy = *current;
    BOOL ok = Pass(spy.GetFileInformationByHandle, RealOs.GetFileInformationByHandle, file, info);
    Record(spy, OsCall::GetFileInformationByHandle, file, 0, 0, ok);
    return ok;
}

BOOL Spied(Tag<OsCall::SetEndOfFile>, HANDLE file) {
    OsSpy& spy = *current;
    BOOL ok = Pass(spy.SetEndOfFile, RealOs.SetEndOfFile, file);
    Record(spy, OsCall::SetEndOfFile, file, 0, 0, ok);
    return ok;
}

// Calls without a recorder of their own above: recorded by their kind alone.
template <OsCall C, class... A>
auto Spied(Tag<C>, A... a) {
    OsSpy& spy = *current;
    Record(spy, C, nullptr, 0, 0, true);
    return Pass(CallOf<C>::Hook(spy), CallOf<C>::Real(), a...);
}

// What Os points at while a spy is installed: for each call, a function of
// its exact type that hands it to its recorder.
template <OsCall C, class R, class... A>
R WINAPI Entry(A... a) {
    return Spied(Tag<C>(), a...);
}

template <OsCall C, class R, class... A>
auto EntryFor(R(WINAPI*)(A...)) -> R(WINAPI*)(A...) {
    return &Entry<C, R, A...>;
}

OsApi SpyTable() {
    OsApi table{};
#define LSD2WAV_OS_SPY_ENTRY(name) table.name = EntryFor<OsCall::name>(&NativeOs::name);
    LSD2WAV_OS_CALLS(LSD2WAV_OS_SPY_ENTRY)
#undef LSD2WAV_OS_SPY_ENTRY
    return table;
}

const OsApi SpyOs = SpyTable();

// Whether a helper acts on a call, by the file of its first argument.
template <class... Rest>
bool Targets(OsSpy& spy, const std::string& file, HANDLE handle, Rest...) {
    return file.empty() || NameOf(spy, handle) == file;
}

template <class... Rest>
bool Targets(OsSpy&, const std::string& file, LPCSTR name, Rest...) {
    return file.empty() || (name != nullptr && file == name);
}

template <class First, class... Rest>
bool Targets(OsSpy&, const std::string& file, First, Rest...) {
    return file.empty();
}

// A failed call reports no bytes moved.
void ClearCount(LPDWORD count) {
    if (count != nullptr) *count = 0;
}

template <class T>
void ClearCount(T) {}

template <class T>
struct Same {
    typedef T type;
};

// Whether a call that a failing hook targets fails; asked once per such call.
typedef std::function<bool()> FailDecision;

template <class R, class... A>
void FailWhen(OsSpy& spy, std::function<R(A...)>& hook, R(WINAPI* real)(A...),
              typename Same<R>::type failure, bool releaseAnyway, const std::string& file,
              FailDecision decide) {
    auto next = hook;
    OsSpy* s = &spy;
    hook = [=](A... a) -> R {
        if (!Targets(*s, file, a...) || !decide()) return Pass(next, real, a...);
        if (releaseAnyway) Pass(next, real, a...);
        (ClearCount(a), ...);
        return failure;
    };
}

// Hooks `call` to fail where `decide` says; false for a call that cannot fail.
bool FailCallWhen(OsSpy& spy, OsCall call, const std::string& file, FailDecision decide) {
    switch (call) {
        case OsCall::CreateFileA:
            FailWhen(spy, spy.CreateFileA, RealOs.CreateFileA, INVALID_HANDLE_VALUE, false, file,
                     decide);
            return true;
        case OsCall::ReadFile:
            FailWhen(spy, spy.ReadFile, RealOs.ReadFile, FALSE, false, file, decide);
            return true;
        case OsCall::WriteFile:
            FailWhen(spy, spy.WriteFile, RealOs.WriteFile, FALSE, false, file, decide);
            return true;
        case OsCall::SetFilePointer:
            FailWhen(spy, spy.SetFilePointer, RealOs.SetFilePointer, INVALID_SET_FILE_POINTER,
                     false, file, decide);
            return true;
        case OsCall::CloseHandle:
            FailWhen(spy, spy.CloseHandle, RealOs.CloseHandle, FALSE, true, file, decide);
            return true;
        case OsCall::FlushFileBuffers:
            FailWhen(spy, spy.FlushFileBuffers, RealOs.FlushFileBuffers, FALSE, false, file,
                     decide);
            return true;
        case OsCall::HeapCreate:
            FailWhen(spy, spy.HeapCreate, RealOs.HeapCreate, nullptr, false, file, decide);
            return true;
        case OsCall::HeapAlloc:
            FailWhen(spy, spy.HeapAlloc, RealOs.HeapAlloc, nullptr, false, file, decide);
            return true;
        case OsCall::HeapFree:
            FailWhen(spy, spy.HeapFree, RealOs.HeapFree, FALSE, true, file, decide);
            return true;
        case OsCall::HeapDestroy:
            FailWhen(spy, spy.HeapDestroy, RealOs.HeapDestroy, FALSE, true, file, decide);
            return true;
        case OsCall::GetStdHandle:
            FailWhen(spy, spy.GetStdHandle, RealOs.GetStdHandle, INVALID_HANDLE_VALUE, false, file,
                     decide);
            return true;
        case OsCall::WriteConsoleA:
            FailWhen(spy, spy.WriteConsoleA, RealOs.WriteConsoleA, FALSE, false, file, decide);
            return true;
        case OsCall::SetConsoleCtrlHandler:
            FailWhen(spy, spy.SetConsoleCtrlHandler, RealOs.SetConsoleCtrlHandler, FALSE, false,
                     file, decide);
            return true;
        case OsCall::MoveFileExA:
            FailWhen(spy, spy.MoveFileExA, RealOs.MoveFileExA, FALSE, false, file, decide);
            return true;
        case OsCall::ReplaceFileA:
            FailWhen(spy, spy.ReplaceFileA, RealOs.ReplaceFileA, FALSE, false, file, decide);
            return true;
        case OsCall::DeleteFileA:
            FailWhen(spy, spy.DeleteFileA, RealOs.DeleteFileA, FALSE, false, file, decide);
            return true;
        case OsCall::SetFileAttributesA:
            FailWhen(spy, spy.SetFileAttributesA, RealOs.SetFileAttributesA, FALSE, false, file,
                     decide);
            return true;
        case OsCall::GetFileAttributesA:
            FailWhen(spy, spy.GetFileAttributesA, RealOs.GetFileAttributesA,
                     INVALID_FILE_ATTRIBUTES, false, file, decide);
            return true;
        case OsCall::GetFileInformationByHandle:
            FailWhen(spy, spy.GetFileInformationByHandle, RealOs.GetFileInformationByHandle,
                     FALSE, false, file, decide);
            return true;
        case OsCall::SetEndOfFile:
            FailWhen(spy, spy.SetEndOfFile, RealOs.SetEndOfFile, FALSE, false, file, decide);
            return true;
#ifdef _WIN32
        case OsCall::GetFinalPathNameByHandleA:
            FailWhen(spy, spy.GetFinalPathNameByHandleA, RealOs.GetFinalPathNameByHandleA,
                     DWORD(0), false, file, decide);
            return true;
#endif
        default:
            return false;
    }
}

}  // namespace

OsSpy::~OsSpy() {
    if (current == this) RemoveOsSpy();
}

void InstallOsSpy(OsSpy* spy) {
    current = spy;
    Os = SpyOs;
}

void RemoveOsSpy() {
    Os = RealOs;
    current = nullptr;
}

std::vector<OsCallRecord> CallsOf(OsSpy& spy, OsCall call, const std::string& file) {
    std::lock_guard<std::mutex> hold(spy.lock);
    std::vector<OsCallRecord> found;
    for (const OsCallRecord& record : spy.calls)
        if (record.call == call && (file.empty() || record.file == file)) found.push_back(record);
    return found;
}

size_t CountCalls(OsSpy& spy, OsCall call, const std::string& file) {
    return CallsOf(spy, call, file).size();
}

std::vector<uint64_t> AskedOf(OsSpy& spy, OsCall call, const std::string& file) {
    std::vector<uint64_t> asked;
    for (const OsCallRecord& record : CallsOf(spy, call, file)) asked.push_back(record.asked);
    return asked;
}

void ClearCalls(OsSpy& spy) {
    std::lock_guard<std::mutex> hold(spy.lock);
    spy.calls.clear();
}

void FailNth(OsSpy& spy, OsCall call, int n, bool forGood, const std::string& file) {
    auto seen = std::make_shared<int>(0);
    OsSpy* s = &spy;
    bool hooked = FailCallWhen(spy, call, file, [=] {
        std::lock_guard<std::mutex> hold(s->lock);
        int count = ++*seen;
        return count == n || (count > n && forGood);
    });
    if (!hooked) ADD_FAILURE() << "FailNth cannot fail call " << static_cast<int>(call);
}

std::shared_ptr<const AnyCallFault> FailNthOfAny(OsSpy& spy, int n, bool forGood) {
    auto fault = std::make_shared<AnyCallFault>();
    OsSpy* s = &spy;
    for (int i = 0; i < OsCallCount; ++i) {
        OsCall call = static_cast<OsCall>(i);
        FailCallWhen(spy, call, "", [=] {
            std::lock_guard<std::mutex> hold(s->lock);
            if (fault->reached && forGood && fault->failed == call) return true;
            if (++fault->seen != n) return false;
            fault->reached = true;
            fault->failed = call;
            return true;
        });
    }
    return fault;
}

void ShortenReadsTo(OsSpy& spy, DWORD limit, const std::string& file) {
    auto next = spy.ReadFile;
    OsSpy* s = &spy;
    spy.ReadFile = [=](HANDLE h, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED o) {
        if (Targets(*s, file, h)) toRead = std::min(toRead, limit);
        return Pass(next, RealOs.ReadFile, h, buffer, toRead, read, o);
    };
}

void ShortenWritesTo(OsSpy& spy, DWORD limit, const std::string& file) {
    auto next = spy.WriteFile;
    OsSpy* s = &spy;
    spy.WriteFile = [=](HANDLE h, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                        LPOVERLAPPED o) -> BOOL {
        if (!Targets(*s, file, h) || toWrite <= limit)
            return Pass(next, RealOs.WriteFile, h, buffer, toWrite, written, o);
        Pass(next, RealOs.WriteFile, h, buffer, limit, written, o);
        return FALSE;
    };
}

void StopWritesAfter(OsSpy& spy, uint64_t bytes, const std::string& file) {
    auto next = spy.WriteFile;
    auto left = std::make_shared<uint64_t>(bytes);
    OsSpy* s = &spy;
    spy.WriteFile = [=](HANDLE h, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                        LPOVERLAPPED o) -> BOOL {
        if (!Targets(*s, file, h))
            return Pass(next, RealOs.WriteFile, h, buffer, toWrite, written, o);
        DWORD room;
        {
            std::lock_guard<std::mutex> hold(s->lock);
            room = static_cast<DWORD>(std::min<uint64_t>(toWrite, *left));
        }
        DWORD done = 0;
        BOOL ok = Pass(next, RealOs.WriteFile, h, buffer, room, &done, o);
        {
            std::lock_guard<std::mutex> hold(s->lock);
            *left -= std::min<uint64_t>(done, *left);
        }
        if (written != nullptr) *written = done;
        return ok && done == toWrite ? TRUE : FALSE;
    };
}
