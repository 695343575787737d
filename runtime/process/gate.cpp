#include "runtime/process/gate.h"

#include "platform/os.h"

namespace {

struct Gate {
    CRITICAL_SECTION section;
    // Held by the main thread for the length of each call outside the gate,
    // so that a thread inside can wait for that call to return.
    CRITICAL_SECTION call;
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
        Os.InitializeCriticalSection(&gate.call);
        gate.ready = true;
    }
}

}  // namespace

void HoldGateAsMainThread() {
    PrepareGate();
    Os.EnterCriticalSection(&gate.section);
    gate.mainInside = true;
    gate.inUse = nullptr;
}

void GiveUpGateForGood() {
    if (!gate.mainInside) return;
    gate.mainInside = false;
    Os.LeaveCriticalSection(&gate.section);
}

void WaitAtGate() {
    PrepareGate();
    Os.EnterCriticalSection(&gate.section);
}

bool StepOutOfGate(FileHandle* inUse) {
    // Only the main thread ever finds itself marked inside: a thread that
    // entered the gate did so while the main thread was out of it.
    if (!gate.mainInside) return false;
    gate.inUse = inUse;
    gate.mainInside = false;
    Os.EnterCriticalSection(&gate.call);
    Os.LeaveCriticalSection(&gate.section);
    return true;
}

void StepIntoGate(bool steppedOut) {
    if (!steppedOut) return;
    Os.LeaveCriticalSection(&gate.call);
    Os.EnterCriticalSection(&gate.section);
    gate.mainInside = true;
    gate.inUse = nullptr;
}

void WaitForCallOutsideGate() {
    if (gate.mainInside || !gate.inUse) return;
    Os.EnterCriticalSection(&gate.call);
    // Back from the call, the main thread now waits at the gate for good:
    // its file is nobody's any more.
    gate.inUse = nullptr;
    Os.LeaveCriticalSection(&gate.call);
}

FileHandle* FileInUseOutsideGate() {
    return gate.mainInside ? nullptr : gate.inUse;
}
