#include "runtime/process/removal_on_event.h"

#include <atomic>

#include "platform/end_after_event.h"
#include "platform/os.h"
#include "runtime/files/file_names.h"
#include "runtime/process/gate.h"
#include "runtime/process/process_frame.h"

namespace {

std::atomic<bool> ending{false};
std::atomic<const char*> doomedPath{nullptr};
std::atomic<FileHandle*> doomedWriter{nullptr};

// Inside the gate the main thread is waiting in an OS call and never comes
// back out, so it cannot rename the file away meanwhile.
BOOL WINAPI EndRunHandler(DWORD) {
    if (ending.load()) {
        WaitAtGate();
        FileHandle* writer = doomedWriter.load();
        if (writer != nullptr && FileInUseOutsideGate() == writer) WaitForCallOutsideGate();
        EndRoutine();
        const char* path = doomedPath.load();
        if (path) RemoveFile(path);
        // Whatever the system's default action, the run did not finish.
        EndAfterEvent();
    }
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
}

void KeepOnEvent() {
    doomedPath.store(nullptr);
    doomedWriter.store(nullptr);
}
