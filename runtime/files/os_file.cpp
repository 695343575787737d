#include "runtime/files/os_file.h"

#include "runtime/gate/gate.h"

int32_t OsRead(FileHandle* h, void* dst, int32_t n, int32_t need) {
    unsigned char* at = static_cast<unsigned char*>(dst);
    int32_t total = 0;
    while (!h->failed && total < need) {
        DWORD got = 0;
        BOOL ok = OutsideGate(h, [&] {
            return Os.ReadFile(h->osHandle, at + total, static_cast<DWORD>(n - total), &got,
                               nullptr);
        });
        // What came before a failure is real data; the failure ends the file.
        if (!ok) h->failed = true;
        if (!ok || got == 0) break;
        total += static_cast<int32_t>(got);
    }
    return total;
}

int32_t OsWrite(FileHandle* h, const void* src, int32_t n) {
    DWORD written = 0;
    BOOL ok = OutsideGate(h, [&] {
        return Os.WriteFile(h->osHandle, src, static_cast<DWORD>(n), &written, nullptr);
    });
    if (!ok || written != static_cast<DWORD>(n)) h->failed = true;
    return static_cast<int32_t>(written);
}

bool OsSeekToStart(FileHandle* h) {
    LONG high = 0;
    DWORD low = Os.SetFilePointer(h->osHandle, 0, &high, FILE_BEGIN);
    return low == 0 && high == 0;
}

int64_t OsSeek(FileHandle* h, int32_t distance) {
    // With the high half given, Windows reads the distance as 64-bit.
    LONG high = distance < 0 ? -1 : 0;
    DWORD low = Os.SetFilePointer(h->osHandle, distance, &high, FILE_CURRENT);
    return static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32) | low);
}
