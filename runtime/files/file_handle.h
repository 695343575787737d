// Open files: one `FileHandle` record per file, kept in the file registry
// from its open to its `CloseFile`. Callers hold a handle as an opaque value;
// 0 (nullptr) stands for no file.
#pragma once

#include <cstdint>

#include "platform/os.h"

struct FileHandle {
    HANDLE osHandle;
    unsigned char* buffer;  // none when the handle works without a buffer
    int32_t bufferSize;
    int32_t count;   // reading: unread bytes in the buffer; writing: free bytes
    int32_t filled;  // bytes that the last refill placed in the buffer
    int32_t mode;
    FileHandle* newer;  // registry links: towards the head, the newest record
    FileHandle* older;
};

enum : int32_t { WritingMode = 0, ReadingMode = 1 };

// The buffer size that each open gives its handle; 0 means no buffer.
extern int32_t FileBufferSize;

FileHandle* OpenForReading(const char* name);
FileHandle* CreateForWriting(const char* name);

int32_t ReadInt32(FileHandle* h);
int32_t ReadBlock(FileHandle* h, void* dst, int32_t n);
int32_t WriteInt32(FileHandle* h, int32_t value);
int32_t WriteBlock(FileHandle* h, const void* src, int32_t n);
int32_t AtEnd(FileHandle* h);
int64_t GetPosition(FileHandle* h);

// Writes every waiting byte and has the OS put the file on the disk, so that
// a file renamed into place afterwards cannot come back empty after a crash.
// Returns 1 when both worked, else 0.
int32_t CommitFile(FileHandle* h);

// Returns 1 when every waiting byte reached the file and the OS closed it,
// 0 otherwise. The record is released either way.
int32_t CloseFile(FileHandle* h);
