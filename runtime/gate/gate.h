// The gate keeps two threads from ever using the same file record, buffer or
// scratch block. The main thread holds it from start-up to shut-down and
// steps out of it only for the length of an OS call that may wait (a read
// from a slow archive, a write, a flush). The console close event can run
// the end routine only inside the gate, that is, while the main thread is
// waiting in such a call; it then keeps the gate for good, so the main thread
// never touches the released files again before the process ends.
#pragma once

struct FileHandle;

// The calling thread takes the gate and holds it as the main thread.
void HoldGateAsMainThread();
// The main thread gives the gate up for good (at the end of shut-down).
void GiveUpGateForGood();

// Any other thread waits for the gate here.
void WaitAtGate();

// Around an OS call that may wait: `StepOutOfGate` names the file that the
// call uses (none for the console) and says whether the main thread left the
// gate; that answer goes to `StepIntoGate`, which waits to come back in.
bool StepOutOfGate(FileHandle* inUse);
void StepIntoGate(bool steppedOut);

// The one way in which the main thread makes an OS call that may wait (an
// open, a read, a write, a flush, a close, a look at a file): `call` runs
// outside the gate, with `inUse` named as the file it uses, and its result is
// handed back once the thread is inside again.
template <class Call>
auto OutsideGate(FileHandle* inUse, Call call) {
    bool out = StepOutOfGate(inUse);
    auto result = call();
    StepIntoGate(out);
    return result;
}

// For a thread inside the gate that keeps it for good: waits until the
// main thread's call on a file returns, after which that file may be closed.
// Only for a call that surely returns, such as a write to a disk.
void WaitForCallOutsideGate();

// The file that the main thread is using in an OS call while outside the
// gate, or none. Meaningful only to a thread inside the gate.
FileHandle* FileInUseOutsideGate();
