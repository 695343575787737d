#include "runtime/process/removal_on_event.h"

#include <atomic>

#include "platform/end_after_event.h"
#include "platform/os.h"
#include "runtime/files/file_names.h"
#include "runtime/gate/gate.h"
#include "runtime/process/process_frame.h"

namespace {

std::atomic<bool> ending{false};
std::atomic<const char*> doomedPath{nullptr};
std::atomic<FileHandle*> doomedWriter{nullptr};
// Written by the main thread inside the gate only.
std::atomic<bool> done{false};

// Inside the gate the main thread is waiting in an OS call and never comes
// back out, so it cannot rename the file away meanwhile; it moves the file
// into place only inside the gate, so the move is either still to come or
// done, and known to be.
BOOL WINAPI EndRunHandler(DWORD) {
    if (!ending.load()) return FALSE;
    WaitAtGate();
    if (done.load()) {
        // The new file is in place: the run has succeeded, and ends so.
        EndRoutine();
        EndDoneAfterEvent();
        return FALSE;
    }
    FileHandle* writer = doomedWriter.load();
    if (writer != nullptr && FileInUseOutsideGate() == writer) WaitForCallOutsideGate();
    EndRoutine();
    const char* path = doomedPath.load();
    if (path) RemoveFile(path);
    // Whatever the system's default action, the run did not finish.
    EndAfterEvent();
    return FALSE;
}

}  // namespace

void EndRunOnEvent() {
    static bool handlerSet = false;
    if (!handlerSet) handlerSet = Os.SetConsoleCtrlHandler(EndRunHandler, TRUE) != FALSE;
    ending.store(true);
}

void RemoveOnEvent(const char* path, FileHandle* writer) {
    EndRunOnEvent();
    doomedWriter.store(writer);
    doomedPath.store(path);
    done.store(false);
}

void KeepOnEvent() {
    doomedPath.store(nullptr);
    doomedWriter.store(nullptr);
}

void DoneOnEvent() {
    KeepOnEvent();
    done.store(true);
}
