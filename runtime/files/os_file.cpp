#include "runtime/files/os_file.h"

#include "runtime/process/gate.h"

int32_t OsRead(FileHandle* h, void* dst, int32_t n) {
    DWORD got = 0;
    bool out = StepOutOfGate(h);
    BOOL ok = Os.ReadFile(h->osHandle, dst, static_cast<DWORD>(n), &got, nullptr);
    StepIntoGate(out);
    return ok ? static_cast<int32_t>(got) : 0;
}

int32_t OsWrite(FileHandle* h, const void* src, int32_t n) {
    DWORD written = 0;
    bool out = StepOutOfGate(h);
    Os.WriteFile(h->osHandle, src, static_cast<DWORD>(n), &written, nullptr);
    StepIntoGate(out);
    return static_cast<int32_t>(written);
}

int64_t OsSeek(FileHandle* h, int32_t distance) {
    // With the high half given, Windows reads the distance as 64-bit.
    LONG high = distance < 0 ? -1 : 0;
    DWORD low = Os.SetFilePointer(h->osHandle, distance, &high, FILE_CURRENT);
    return static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32) | low);
}
