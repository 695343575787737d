// The record behind a `FileHandle`. Only the runtime's file units include
// this header; everyone else holds the handle and calls the operations.
#pragma once

#include <cstdint>

#include "platform/os.h"

enum : int32_t { WritingMode = 0, ReadingMode = 1 };

// One buffer per handle serves both directions: a read-ahead in reading
// mode, a write-behind in writing mode.
struct FileHandle {
    HANDLE osHandle;
    unsigned char* buffer;  // none when the handle works without a buffer
    int32_t bufferSize;
    int32_t mode;
    // Reading mode: buffer[0, filled) came from the file at the last refill,
    // and its last `unread` bytes are still to be handed out; the OS file
    // pointer stands `unread` bytes beyond the caller's position.
    int32_t filled;
    int32_t unread;
    // Writing mode: buffer[0, waiting) waits to be written; the OS file
    // pointer stands that many bytes short of the caller's position. It never
    // reaches bufferSize: a write that would fill the buffer flushes first.
    int32_t waiting;
    // A read or a write on the handle failed (a short write counts). Kept to
    // the close, as stdio keeps its error flag: later reads deliver nothing,
    // so a reader cannot go on out of step, and the commit and the close
    // report the failure, however long ago the flush that lost the bytes was.
    bool failed;
    FileHandle* newer;  // registry links: towards the head, the newest record
    FileHandle* older;
};
