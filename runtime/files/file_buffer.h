// The buffer operations behind the file operations of a handle with a
// buffer; the buffer's state is described with the record, file_record.h.
#pragma once

#include <cstdint>

#include "runtime/files/file_record.h"

// Writes whatever waits (even nothing) and empties the buffer, however much
// reached the file. Returns the bytes written; 0 in reading mode.
int32_t FlushBuffer(FileHandle* h);

// Bytes delivered; requests that the read-ahead cannot serve and that are at
// least a buffer long go straight to the file.
int32_t BufferedRead(FileHandle* h, void* dst, int32_t n);

// Bytes accepted; a write that does not fit flushes first, and one of a
// buffer or more then goes straight to the file.
int32_t BufferedWrite(FileHandle* h, const void* src, int32_t n);
