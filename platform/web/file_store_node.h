// What the page's folder holds inside: files by name, and the open handles,
// for the file calls of files.cpp and the page's calls of file_store.cpp.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/posix/windows_types.h"

// One file. Its bytes outlive its name while a handle holds them, as on
// POSIX, where a file removed or replaced stays readable through a handle.
// A file is either bytes in the engine's memory, or one of the page's own
// files read where it lies (a bank the user opened, which may be larger than
// the engine's memory), which the engine never writes, or a sink: a file
// written straight through to the page (where it saves an entry's WAV as it
// is made), which the engine never reads.
struct StoredFile {
    unsigned char* bytes = nullptr;  // malloc'ed, so that a growth that fails can say so
    int64_t size = 0;
    size_t capacity = 0;
    int32_t outside = 0;  // the page's number for its own file, or 0
    // A file of the page's is seen through a view: `prefix`, then its bytes
    // from `sliceAt` on, and zeros where they end, up to `size` in all.
    std::string prefix;
    int64_t sliceAt = 0;
    int64_t outsideSize = 0;
    int32_t sink = 0;     // the page's number for where its bytes go, or 0
    uint32_t index = 0;   // its identity, for GetFileInformationByHandle
    ~StoredFile();
};

using FileNode = std::shared_ptr<StoredFile>;

// Where a name leads: to a file of the folder, by its key, or nowhere, with
// the error that says why.
struct NameLookup {
    std::string key;
    DWORD error;  // 0: the key names a file of the folder, there or not
};

// The folder's key for `name` (`length` bytes).
NameLookup LookUpName(const char* name, size_t length);

std::map<std::string, FileNode>& StoredFiles();

// A new, empty file with an identity of its own; none without memory.
FileNode NewStoredFile();

// Reads `n` bytes at `at` (all inside the file) of a file that lies outside
// the engine's memory, through its view; whether they came.
bool ReadOutside(const StoredFile& file, int64_t at, unsigned char* to, int64_t n);

// Hands `n` bytes written to a sink to the page; how many it took.
int32_t WriteSink(const StoredFile& file, const unsigned char* from, int32_t n);

// Grows the file's room to at least `size` bytes; whether it could.
bool Reserve(StoredFile* file, size_t size);
