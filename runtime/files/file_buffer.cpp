#include "runtime/files/file_buffer.h"

#include <cstring>

#include "runtime/files/os_file.h"

namespace {

// Values and name fields move between caller and buffer all the time; a
// fixed width lets each of those be one load and one store.
inline void MoveBytes(void* dst, const void* src, int32_t n) {
    switch (n) {
        case 1:
            std::memcpy(dst, src, 1);
            break;
        case 2:
            std::memcpy(dst, src, 2);
            break;
        case 4:
            std::memcpy(dst, src, 4);
            break;
        default:
            std::memcpy(dst, src, static_cast<size_t>(n));
            break;
    }
}

}  // namespace

int32_t FlushBuffer(FileHandle* h) {
    if (h->mode == ReadingMode) return 0;
    int32_t written = OsWrite(h, h->buffer, h->waiting);
    h->waiting = 0;
    return written;
}

int32_t BufferedRead(FileHandle* h, void* dst, int32_t n) {
    if (h->mode == WritingMode) {
        FlushBuffer(h);
        h->mode = ReadingMode;
        h->unread = 0;
    }
    unsigned char* out = static_cast<unsigned char*>(dst);
    if (h->unread >= n) {
        MoveBytes(out, h->buffer + h->filled - h->unread, n);
        h->unread -= n;
        return n;
    }
    int32_t taken = h->unread;
    std::memcpy(out, h->buffer + h->filled - taken, static_cast<size_t>(taken));
    int32_t rest = n - taken;
    if (rest >= h->bufferSize) {
        h->unread = 0;
        return taken + OsRead(h, out + taken, rest, rest);
    }
    int32_t got = OsRead(h, h->buffer, h->bufferSize, rest);
    h->filled = got;
    if (rest > got) rest = got;
    MoveBytes(out + taken, h->buffer, rest);
    h->unread = got - rest;
    return taken + rest;
}

int32_t BufferedWrite(FileHandle* h, const void* src, int32_t n) {
    if (h->mode == ReadingMode) {
        // The unread read-ahead is given back, so that the bytes go where
        // the caller stands.
        OsSeek(h, -h->unread);
        h->mode = WritingMode;
        h->waiting = 0;
    }
    if (h->bufferSize - h->waiting > n) {
        MoveBytes(h->buffer + h->waiting, src, n);
        h->waiting += n;
        return n;
    }
    FlushBuffer(h);
    if (n >= h->bufferSize) return OsWrite(h, src, n);
    MoveBytes(h->buffer, src, n);
    h->waiting = n;
    return n;
}
