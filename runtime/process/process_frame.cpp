#include "runtime/process/process_frame.h"

#include "runtime/files/file_handle.h"
#include "runtime/files/file_registry.h"
#include "runtime/gate/gate.h"
#include "runtime/memory/memory.h"
#include "runtime/process/print_line.h"

namespace {

bool ended;  // read and written only inside the gate
bool handlerRegistered;

}  // namespace

void StartUp() {
    // Taken before anything exists that the close event could release.
    HoldGateAsMainThread();
    ended = false;
    CreateMemory();
    CreateFileRegistry(GeneralMemory());
    TakeStandardOutput();
    if (!handlerRegistered) {
        Os.SetConsoleCtrlHandler(ConsoleCloseHandler, TRUE);
        handlerRegistered = true;
    }
}

void EndRoutine() {
    if (ended) return;
    ended = true;
    // Memory stays taken: a call of the main thread's may be reading into it
    // right now, and the event that ran the routine ends the process anyway.
    CloseAllFiles();
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
    ReleaseMemory();
    GiveUpGateForGood();
}

void ShutDown(UINT exitCode) {
    EndRun();
    Os.ExitProcess(exitCode);
}
