// Open files. Callers hold a `FileHandle` as an opaque value; 0 (nullptr)
// stands for no file. Each handle is kept in the file registry from its open
// to its `CloseFile`.
#pragma once

#include <cstdint>

struct FileHandle;

FileHandle* OpenForReading(const char* name);
FileHandle* CreateForWriting(const char* name);
// Creates a file that is not there yet, never one that is nor one through a
// link; it takes the attributes (on POSIX the permission bits) of the open
// file `like` when one is given.
FileHandle* CreateNewForWriting(const char* name, FileHandle* like);

int32_t ReadInt32(FileHandle* h);
int32_t ReadBlock(FileHandle* h, void* dst, int32_t n);
int32_t WriteInt32(FileHandle* h, int32_t value);
int32_t WriteBlock(FileHandle* h, const void* src, int32_t n);
int32_t AtEnd(FileHandle* h);
int64_t GetPosition(FileHandle* h);

// Whether a read or a write on the handle has failed since its open. The end
// of a file is no failure: AtEnd and short reads tell it apart only so.
bool HasFailed(FileHandle* h);

// Writes every waiting byte and has the OS put the file on the disk, so that
// a file renamed into place afterwards cannot come back empty after a crash.
// Whether both worked and no write on the handle ever failed.
bool CommitFile(FileHandle* h);

// Whether every read and write on the handle worked, every waiting byte
// reached the file and the OS closed it. The record is released either way.
bool CloseFile(FileHandle* h);
