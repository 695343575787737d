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

// The wrappers that Os points at while a spy is installed.

HANDLE WINAPI SpyCreateFileA(LPCSTR name, DWORD access, DWORD share,
                             LPSECURITY_ATTRIBUTES security, DWORD disposition,
                             DWORD attributes, HANDLE templateFile) {
    OsSpy& spy = *current;
    HANDLE handle = Pass(spy.createFileA, RealOs.CreateFileA, name, access, share, security,
                         disposition, attributes, templateFile);
    bool ok = handle != INVALID_HANDLE_VALUE;
    std::lock_guard<std::mutex> hold(spy.lock);
    std::string file = name != nullptr ? name : "";
    if (ok) spy.names[handle] = file;
    spy.calls.push_back({OsCall::CreateFileA, handle, file, disposition, 0, ok});
    return handle;
}

BOOL WINAPI SpyReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                        LPOVERLAPPED overlapped) {
    OsSpy& spy = *current;
    DWORD done = 0;
    BOOL ok = Pass(spy.readFile, RealOs.ReadFile, file, buffer, toRead, &done, overlapped);
    if (read != nullptr) *read = done;
    Record(spy, OsCall::ReadFile, file, toRead, done, ok);
    return ok;
}

BOOL WINAPI SpyWriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                         LPOVERLAPPED overlapped) {
    OsSpy& spy = *current;
    DWORD done = 0;
    BOOL ok = Pass(spy.writeFile, RealOs.WriteFile, file, buffer, toWrite, &done, overlapped);
    if (written != nullptr) *written = done;
    Record(spy, OsCall::WriteFile, file, toWrite, done, ok);
    return ok;
}

DWORD WINAPI SpySetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) {
    OsSpy& spy = *current;
    int64_t asked = distanceHigh == nullptr
                        ? distance
                        : static_cast<int64_t>((uint64_t)(uint32_t)*distanceHigh << 32 |
                                               (uint32_t)distance);
    DWORD low = Pass(spy.setFilePointer, RealOs.SetFilePointer, file, distance, distanceHigh,
                     method);
    uint64_t position = low;
    if (distanceHigh != nullptr) position |= (uint64_t)(uint32_t)*distanceHigh << 32;
    bool ok = low != INVALID_SET_FILE_POINTER;
    Record(spy, OsCall::SetFilePointer, file, (uint64_t)asked, ok ? position : 0, ok);
    return low;
}

BOOL WINAPI SpyCloseHandle(HANDLE object) {
    OsSpy& spy = *current;
    BOOL ok = Pass(spy.closeHandle, RealOs.CloseHandle, object);
    Record(spy, OsCall::CloseHandle, object, 0, 0, ok);
    std::lock_guard<std::mutex> hold(spy.lock);
    spy.names.erase(object);
    return ok;
}

BOOL WINAPI SpyFlushFileBuffers(HANDLE file) {
    OsSpy& spy = *current;
    BOOL ok = Pass(spy.flushFileBuffers, RealOs.FlushFileBuffers, file);
    Record(spy, OsCall::FlushFileBuffers, file, 0, 0, ok);
    return ok;
}

HANDLE WINAPI SpyHeapCreate(DWORD options, SIZE_T initialSize, SIZE_T maximumSize) {
    OsSpy& spy = *current;
    HANDLE heap = Pass(spy.heapCreate, RealOs.HeapCreate, options, initialSize, maximumSize);
    Record(spy, OsCall::HeapCreate, heap, 0, 0, heap != nullptr);
    return heap;
}

LPVOID WINAPI SpyHeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
    OsSpy& spy = *current;
    LPVOID block = Pass(spy.heapAlloc, RealOs.HeapAlloc, heap, flags, bytes);
    Record(spy, OsCall::HeapAlloc, heap, bytes, block != nullptr ? bytes : 0, block != nullptr);
    return block;
}

BOOL WINAPI SpyHeapFree(HANDLE heap, DWORD flags, LPVOID block) {
    OsSpy& spy = *current;
    BOOL ok = Pass(spy.heapFree, RealOs.HeapFree, heap, flags, block);
    Record(spy, OsCall::HeapFree, heap, 0, 0, ok);
    return ok;
}

BOOL WINAPI SpyHeapDestroy(HANDLE heap) {
    OsSpy& spy = *current;
    BOOL ok = Pass(spy.heapDestroy, RealOs.HeapDestroy, heap);
    Record(spy, OsCall::HeapDestroy, heap, 0, 0, ok);
    return ok;
}

HANDLE WINAPI SpyGetStdHandle(DWORD which) {
    OsSpy& spy = *current;
    HANDLE handle = Pass(spy.getStdHandle, RealOs.GetStdHandle, which);
    bool ok = handle != INVALID_HANDLE_VALUE && handle != nullptr;
    std::string name = which == STD_ERROR_HANDLE ? "<stderr>" : "<stdout>";
    std::lock_guard<std::mutex> hold(spy.lock);
    if (ok) spy.names[handle] = name;
    spy.calls.push_back({OsCall::GetStdHandle, handle, ok ? name : "", which, 0, ok});
    return handle;
}

BOOL WINAPI SpyWriteConsoleA(HANDLE console, const VOID* buffer, DWORD chars, LPDWORD written,
                             LPVOID reserved) {
    OsSpy& spy = *current;
    DWORD done = 0;
    BOOL ok = Pass(spy.writeConsoleA, RealOs.WriteConsoleA, console, buffer, chars, &done,
                   reserved);
    if (written != nullptr) *written = done;
    Record(spy, OsCall::WriteConsoleA, console, chars, done, ok);
    return ok;
}

BOOL WINAPI SpySetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) {
    OsSpy& spy = *current;
    BOOL ok = Pass(spy.setConsoleCtrlHandler, RealOs.SetConsoleCtrlHandler, handler, add);
    Record(spy, OsCall::SetConsoleCtrlHandler, nullptr, add, 0, ok);
    return ok;
}

VOID WINAPI SpyExitProcess(UINT exitCode) {
    OsSpy& spy = *current;
    Record(spy, OsCall::ExitProcess, nullptr, exitCode, 0, true);
    Pass(spy.exitProcess, RealOs.ExitProcess, exitCode);
}

VOID WINAPI SpyInitializeCriticalSection(LPCRITICAL_SECTION section) {
    OsSpy& spy = *current;
    Pass(spy.initializeCriticalSection, RealOs.InitializeCriticalSection, section);
    Record(spy, OsCall::InitializeCriticalSection, section, 0, 0, true);
}

VOID WINAPI SpyEnterCriticalSection(LPCRITICAL_SECTION section) {
    OsSpy& spy = *current;
    Pass(spy.enterCriticalSection, RealOs.EnterCriticalSection, section);
    Record(spy, OsCall::EnterCriticalSection, section, 0, 0, true);
}

VOID WINAPI SpyLeaveCriticalSection(LPCRITICAL_SECTION section) {
    OsSpy& spy = *current;
    Pass(spy.leaveCriticalSection, RealOs.LeaveCriticalSection, section);
    Record(spy, OsCall::LeaveCriticalSection, section, 0, 0, true);
}

BOOL WINAPI SpyMoveFileExA(LPCSTR existing, LPCSTR replacement, DWORD flags) {
    OsSpy& spy = *current;
    BOOL ok = Pass(spy.moveFileExA, RealOs.MoveFileExA, existing, replacement, flags);
    std::lock_guard<std::mutex> hold(spy.lock);
    spy.calls.push_back(
        {OsCall::MoveFileExA, nullptr, existing != nullptr ? existing : "", flags, 0, ok == TRUE});
    return ok;
}

BOOL WINAPI SpyDeleteFileA(LPCSTR name) {
    OsSpy& spy = *current;
    BOOL ok = Pass(spy.deleteFileA, RealOs.DeleteFileA, name);
    std::lock_guard<std::mutex> hold(spy.lock);
    spy.calls.push_back(
        {OsCall::DeleteFileA, nullptr, name != nullptr ? name : "", 0, 0, ok == TRUE});
    return ok;
}

const OsApi SpyOs = {
    SpyCreateFileA,    SpyReadFile,      SpyWriteFile,
    SpySetFilePointer, SpyCloseHandle,   SpyFlushFileBuffers,
    SpyHeapCreate,     SpyHeapAlloc,     SpyHeapFree,
    SpyHeapDestroy,    SpyGetStdHandle,  SpyWriteConsoleA,
    SpySetConsoleCtrlHandler,            SpyExitProcess,
    SpyInitializeCriticalSection,        SpyEnterCriticalSection,
    SpyLeaveCriticalSection,             SpyMoveFileExA,
    SpyDeleteFileA,
};

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

template <class R, class... A>
void Gate(OsSpy& spy, std::function<R(A...)>& hook, R(WINAPI* real)(A...),
          typename Same<R>::type failure, bool releaseAnyway, const std::string& file, int n,
          bool forGood) {
    auto next = hook;
    auto seen = std::make_shared<int>(0);
    OsSpy* s = &spy;
    hook = [=](A... a) -> R {
        if (!Targets(*s, file, a...)) return Pass(next, real, a...);
        int count;
        {
            std::lock_guard<std::mutex> hold(s->lock);
            count = ++*seen;
        }
        if (count < n || (count > n && !forGood)) return Pass(next, real, a...);
        if (releaseAnyway) Pass(next, real, a...);
        (ClearCount(a), ...);
        return failure;
    };
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
        if (record.call == call && (file.empty() || record.file == file))
            found.push_back(record);
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
    switch (call) {
    case OsCall::CreateFileA:
        return Gate(spy, spy.createFileA, RealOs.CreateFileA, INVALID_HANDLE_VALUE, false, file,
                    n, forGood);
    case OsCall::ReadFile:
        return Gate(spy, spy.readFile, RealOs.ReadFile, FALSE, false, file, n, forGood);
    case OsCall::WriteFile:
        return Gate(spy, spy.writeFile, RealOs.WriteFile, FALSE, false, file, n, forGood);
    case OsCall::SetFilePointer:
        return Gate(spy, spy.setFilePointer, RealOs.SetFilePointer, INVALID_SET_FILE_POINTER,
                    false, file, n, forGood);
    case OsCall::CloseHandle:
        return Gate(spy, spy.closeHandle, RealOs.CloseHandle, FALSE, true, file, n, forGood);
    case OsCall::FlushFileBuffers:
        return Gate(spy, spy.flushFileBuffers, RealOs.FlushFileBuffers, FALSE, false, file, n,
                    forGood);
    case OsCall::HeapCreate:
        return Gate(spy, spy.heapCreate, RealOs.HeapCreate, nullptr, false, file, n, forGood);
    case OsCall::HeapAlloc:
        return Gate(spy, spy.heapAlloc, RealOs.HeapAlloc, nullptr, false, file, n, forGood);
    case OsCall::HeapFree:
        return Gate(spy, spy.heapFree, RealOs.HeapFree, FALSE, true, file, n, forGood);
    case OsCall::HeapDestroy:
        return Gate(spy, spy.heapDestroy, RealOs.HeapDestroy, FALSE, true, file, n, forGood);
    case OsCall::GetStdHandle:
        return Gate(spy, spy.getStdHandle, RealOs.GetStdHandle, INVALID_HANDLE_VALUE, false,
                    file, n, forGood);
    case OsCall::WriteConsoleA:
        return Gate(spy, spy.writeConsoleA, RealOs.WriteConsoleA, FALSE, false, file, n,
                    forGood);
    case OsCall::SetConsoleCtrlHandler:
        return Gate(spy, spy.setConsoleCtrlHandler, RealOs.SetConsoleCtrlHandler, FALSE, false,
                    file, n, forGood);
    case OsCall::MoveFileExA:
        return Gate(spy, spy.moveFileExA, RealOs.MoveFileExA, FALSE, false, file, n, forGood);
    case OsCall::DeleteFileA:
        return Gate(spy, spy.deleteFileA, RealOs.DeleteFileA, FALSE, false, file, n, forGood);
    default:
        ADD_FAILURE() << "FailNth cannot fail call " << static_cast<int>(call);
    }
}

void ShortenReadsTo(OsSpy& spy, DWORD limit, const std::string& file) {
    auto next = spy.readFile;
    OsSpy* s = &spy;
    spy.readFile = [=](HANDLE h, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED o) {
        if (Targets(*s, file, h)) toRead = std::min(toRead, limit);
        return Pass(next, RealOs.ReadFile, h, buffer, toRead, read, o);
    };
}

void ShortenWritesTo(OsSpy& spy, DWORD limit, const std::string& file) {
    auto next = spy.writeFile;
    OsSpy* s = &spy;
    spy.writeFile = [=](HANDLE h, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                        LPOVERLAPPED o) -> BOOL {
        if (!Targets(*s, file, h) || toWrite <= limit)
            return Pass(next, RealOs.WriteFile, h, buffer, toWrite, written, o);
        Pass(next, RealOs.WriteFile, h, buffer, limit, written, o);
        return FALSE;
    };
}

void StopWritesAfter(OsSpy& spy, uint64_t bytes, const std::string& file) {
    auto next = spy.writeFile;
    auto left = std::make_shared<uint64_t>(bytes);
    OsSpy* s = &spy;
    spy.writeFile = [=](HANDLE h, LPCVOID buffer, DWORD toWrite, LPDWORD written,
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
