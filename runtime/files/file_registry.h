// The file registry: every open `FileHandle`, newest first, so that the end
// of the process can close whatever is still open, oldest first. It is only
// a list: closing the files belongs with the file operations.
#pragma once

#include <cstdint>

#include "platform/os.h"

struct FileHandle;

// The buffer size that each open gives its handle.
constexpr int32_t FileBufferSize = 4096;

struct FileRegistry {
    HANDLE memory;  // the heap that holds the registry, its records and buffers
    // The buffer size of the handles opened from now on: FileBufferSize,
    // unless a test asks for another (0 or 1 means no buffer).
    int32_t bufferSize;
    FileHandle* newest;
    FileHandle* oldest;
    // The last output file was there already, as in a folder that an earlier
    // run filled: the next create looks for an existing file first.
    bool outputsExist;
};

// Creates the registry in `memory` and makes it the one that the file
// operations use. Returns it, or none when `memory` cannot hold it.
FileRegistry* CreateFileRegistry(HANDLE memory);
FileRegistry* CurrentFileRegistry();

// A zero-filled record linked in at the head, or none.
FileHandle* ReserveRecord();
// Unlinks and frees a record; no flush and no OS close.
void ReleaseRecord(FileHandle* h);
