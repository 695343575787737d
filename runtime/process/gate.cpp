#include "runtime/process/gate.h"

#include "platform/os.h"

namespace {

struct Gate {
    CRITICAL_SECTION section;
    bool ready;
    // Both written only by the main thread while it holds the gate, so any
    // thread inside the gate reads them safely.
    bool mainInside;
    FileHandle* inUse;
};

Gate gate;

void PrepareGate() {
    if (!gate.ready) {
        Os.InitializeCriticalSection(&gate.section);
        gate.ready = true;
    }
}

}  // namespace

void ClaimGate() {
    PrepareGate();
    Os.EnterCriticalSection(&gate.section);
    gate.mainInside = true;
    gate.inUse = nullptr;
}

void ReleaseGate() {
    if (!gate.mainInside) return;
    gate.mainInside = false;
    Os.LeaveCriticalSection(&gate.section);
}

void EnterGate() {
    PrepareGate();
    Os.EnterCriticalSection(&gate.section);
}

bool StepOutOfGate(FileHandle* inUse) {
    // Only the main thread ever finds itself marked inside: a thread that
    // entered the gate did so while the main thread was out of it.
    if (!gate.mainInside) return false;
    gate.inUse = inUse;
    gate.mainInside = false;
    Os.LeaveCriticalSection(&gate.section);
    return true;
}

void StepIntoGate(bool steppedOut) {
    if (!steppedOut) return;
    Os.EnterCriticalSection(&gate.section);
    gate.mainInside = true;
    gate.inUse = nullptr;
}

FileHandle* FileInUseOutsideGate() {
    return gate.mainInside ? nullptr : gate.inUse;
}
