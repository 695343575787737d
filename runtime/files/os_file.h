// The OS calls of one open file, made outside the gate so that the close
// event can end the run while this thread waits on a slow file.
#pragma once

#include <cstdint>

#include "runtime/files/file_record.h"

// Bytes delivered; 0 at the end of the file and on failure, which also marks
// the handle failed. A failed handle reads nothing more.
int32_t OsRead(FileHandle* h, void* dst, int32_t n);
// Bytes that reached the file; fewer than `n` marks the handle failed.
int32_t OsWrite(FileHandle* h, const void* src, int32_t n);
// Moves the file pointer by `distance` from where it stands and returns the
// new 64-bit position.
int64_t OsSeek(FileHandle* h, int32_t distance);
