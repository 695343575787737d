#include "runtime/files/os_file.h"

#include "runtime/process/gate.h"

int32_t OsRead(FileHandle* h, void* dst, int32_t n) {
    if (h->failed) return 0;
    DWORD got = 0;
    BOOL ok = OutsideGate(
        h, [&] { return Os.ReadFile(h->osHandle, dst, static_cast<DWORD>(n), &got, nullptr); });
    if (!ok) {
        h->failed = true;
        return 0;
    }
    return static_cast<int32_t>(got);
}

int32_t OsWrite(FileHandle* h, const void* src, int32_t n) {
    DWORD written = 0;
    BOOL ok = OutsideGate(h, [&] {
        return Os.WriteFile(h->osHandle, src, static_cast<DWORD>(n), &written, nullptr);
    });
    if (!ok || written != static_cast<DWORD>(n)) h->failed = true;
    return static_cast<int32_t>(written);
}

int64_t OsSeek(FileHandle* h, int32_t distance) {
    // With the high half given, Windows reads the distance as 64-bit.
    LONG high = distance < 0 ? -1 : 0;
    DWORD low = Os.SetFilePointer(h->osHandle, distance, &high, FILE_CURRENT);
    return static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32) | low);
}
