#include "runtime/process/removal_on_event.h"

#include <atomic>

#include "platform/end_after_event.h"
#include "platform/os.h"
#include "runtime/files/file_names.h"
#include "runtime/process/gate.h"
#include "runtime/process/process_frame.h"

namespace {

std::atomic<const char*> doomedPath{nullptr};
std::atomic<FileHandle*> doomedWriter{nullptr};

// Inside the gate the main thread is waiting in an OS call and never comes
// back out, so it cannot rename the file away meanwhile.
BOOL WINAPI RemoveOnEventHandler(DWORD) {
    if (doomedPath.load() != nullptr) {
        WaitAtGate();
        if (FileInUseOutsideGate() == doomedWriter.load()) WaitForCallOutsideGate();
        EndRoutine();
        const char* path = doomedPath.load();
        if (path) RemoveFile(path);
        // Whatever the system's default action, the run did not finish.
        EndAfterEvent();
    }
    return FALSE;
}

}  // namespace

void RemoveOnEvent(const char* path, FileHandle* writer) {
    static bool handlerSet = false;
    if (!handlerSet) handlerSet = Os.SetConsoleCtrlHandler(RemoveOnEventHandler, TRUE) != FALSE;
    doomedWriter.store(writer);
    doomedPath.store(path);
}

void KeepOnEvent() {
    doomedPath.store(nullptr);
    doomedWriter.store(nullptr);
}
