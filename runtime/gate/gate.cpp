#include "runtime/gate/gate.h"

#include <atomic>

#include "platform/os.h"

namespace {

struct Gate {
    CRITICAL_SECTION section;
    // Set by the main thread for the length of each call outside the gate,
    // so that a thread inside can wait for that call to return.
    std::atomic<bool> inCall;
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
    gate.inCall.store(true, std::memory_order_release);
    Os.LeaveCriticalSection(&gate.section);
    return true;
}

void StepIntoGate(bool steppedOut) {
    if (!steppedOut) return;
    gate.inCall.store(false, std::memory_order_release);
    Os.EnterCriticalSection(&gate.section);
    gate.mainInside = true;
    gate.inUse = nullptr;
}

void WaitForCallOutsideGate() {
    if (gate.mainInside || !gate.inUse) return;
    // Calls on files are short, and this wait is rare: a poll costs the main
    // thread nothing on its every call.
    while (gate.inCall.load(std::memory_order_acquire)) Os.Sleep(1);
    // Back from the call, the main thread now waits at the gate for good:
    // its file is nobody's any more.
    gate.inUse = nullptr;
}

FileHandle* FileInUseOutsideGate() {
    return gate.mainInside ? nullptr : gate.inUse;
}
