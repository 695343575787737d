#include "runtime/process/process_frame.h"

#include "runtime/files/file_handle.h"
#include "runtime/files/file_registry.h"
#include "runtime/gate/gate.h"
#include "runtime/process/general_memory.h"
#include "runtime/process/memory_pool.h"
#include "runtime/process/print_line.h"
#include "runtime/process/text_store.h"

namespace {

bool ended;  // read and written only inside the gate
bool handlerRegistered;

}  // namespace

void StartUp() {
    // Taken before anything exists that the close event could release.
    HoldGateAsMainThread();
    ended = false;
    CreateGeneralMemory();
    PrepareTextStore();
    CreateFileRegistry(GeneralMemory());
    CreateMemoryPool();
    TakeStandardOutput();
    if (!handlerRegistered) {
        Os.SetConsoleCtrlHandler(ConsoleCloseHandler, TRUE);
        handlerRegistered = true;
    }
}

void EndRoutine() {
    if (ended) return;
    ended = true;
    // A file that the main thread is reading or writing right now stays as
    // it is, and so does the pool that may hold the bytes of that call: the
    // process is about to end anyway.
    bool callInFlight = FileInUseOutsideGate() != nullptr;
    CloseAllFiles();
    if (!callInFlight) DestroyMemoryPool();
}

BOOL WINAPI ConsoleCloseHandler(DWORD event) {
    if (event == CTRL_CLOSE_EVENT) {
        // Kept for good: once the end routine has released the files, the
        // main thread must wait at the gate until the process is ended.
        WaitAtGate();
        EndRoutine();
    }
    return FALSE;
}

void EndRun() {
    EndRoutine();
    ReleaseTextStore();
    DestroyGeneralMemory();
    GiveUpGateForGood();
}

void ShutDown(UINT exitCode) {
    EndRun();
    Os.ExitProcess(exitCode);
}
