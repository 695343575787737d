// The OS calls of one open file, made outside the gate so that the close
// event can end the run while this thread waits on a slow file.
#pragma once

#include <cstdint>

#include "runtime/files/file_record.h"

// Up to `n` bytes into `dst`, asking again while fewer than `need` have come
// (`need` is at most `n`): a pipe or a slow device delivers a little at a
// time, and only a read that delivers nothing is the end of the file.
// Returns the bytes delivered; a failure also marks the handle failed, and a
// failed handle reads nothing more.
int32_t OsRead(FileHandle* h, void* dst, int32_t n, int32_t need);
// Bytes that reached the file; fewer than `n` marks the handle failed.
int32_t OsWrite(FileHandle* h, const void* src, int32_t n);
// Moves the file pointer by `distance` from where it stands and returns the
// new 64-bit position.
int64_t OsSeek(FileHandle* h, int32_t distance);
// Moves the file pointer to the start of the file; whether it went there.
bool OsSeekToStart(FileHandle* h);
