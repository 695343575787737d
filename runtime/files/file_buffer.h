// One buffer per handle serves both directions: a read-ahead in reading
// mode, a write-behind in writing mode. Its whole state is in the handle's
// `count`, `filled` and `mode` fields.
//
// Reading mode: buffer[0, filled) came from the file at the last refill and
// the caller has consumed all but the last `count` bytes; the OS file
// pointer stands `count` bytes beyond the caller's position.
// Writing mode: buffer[0, bufferSize - count) waits to be written; the OS
// file pointer stands that many bytes short of the caller's position.
#pragma once

#include <cstdint>

#include "runtime/files/file_handle.h"

// Writes whatever waits (even nothing) and empties the buffer, however much
// reached the file. Returns the bytes written; 0 in reading mode.
int32_t FlushBuffer(FileHandle* h);

// Bytes delivered; requests that the read-ahead cannot serve and that are at
// least a buffer long go straight to the file.
int32_t BufferedRead(FileHandle* h, void* dst, int32_t n);

// Bytes accepted; a write that does not fit flushes first, and one of a
// buffer or more then goes straight to the file.
int32_t BufferedWrite(FileHandle* h, const void* src, int32_t n);
