// The file registry: every open `FileHandle`, newest first, so that the end
// of the process can close whatever is still open, oldest first.
#pragma once

#include "platform/os.h"
#include "runtime/files/file_handle.h"

typedef int32_t (*CloseProcedure)(FileHandle* h);

struct FileRegistry {
    HANDLE memory;  // the heap that holds the registry, its records and buffers
    FileHandle* newest;
    FileHandle* oldest;
    CloseProcedure closeProcedure;
};

// Creates the registry in `memory` and makes it the one that the file
// operations use. Returns it, or none when `memory` cannot hold it.
FileRegistry* CreateFileRegistry(HANDLE memory, CloseProcedure closeProcedure);
FileRegistry* CurrentFileRegistry();

// A zero-filled record linked in at the head, or none.
FileHandle* ReserveRecord();
// Unlinks and frees a record; no flush and no OS close.
void ReleaseRecord(FileHandle* h);

// Applies the close procedure to every record, oldest first. A record that
// the main thread is using in an OS call at that moment is left alone.
void CloseAllFiles();
