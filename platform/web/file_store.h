// The page's folder: the one folder that the engine's runs see, held in the
// engine's memory. A file is found by the exact bytes of its name, as on
// Linux, so two names are one file only where they are the same bytes (after
// "." and empty elements, which Linux passes over too). The folder has no
// folders in it and nothing above it: a name that is rooted, climbs with
// "..", or goes through a folder finds nothing and creates nothing.
//
// The runtime reaches the folder only through the file calls of the OS table
// (files.cpp); the page lends it its own files, takes files out and empties it
// through the calls below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Puts the page's own file number `outside`, of `size` bytes, in the folder
// under the name, to be read where it lies; whether the name is one of the
// folder's.
bool StoreOutside(const char* name, size_t nameLength, int32_t outside, int64_t size);

// Puts a view of the page's own file number `outside` (of `outsideSize`
// bytes) in the folder under the name: the bytes of `prefix`, then
// `sliceLength` bytes of that file from `sliceAt` on, zeros where it ends
// first; whether the name is one of the folder's.
bool StoreSlice(const char* name, size_t nameLength, int32_t outside, int64_t outsideSize,
                const std::string& prefix, int64_t sliceAt, int64_t sliceLength);

// Makes the file of that name a sink: what is written to it goes to the
// page's receiver `sink` as it is written, and nothing stays; whether the
// name is one of the folder's.
bool StoreSink(const char* name, size_t nameLength, int32_t sink);

// Gives the file `from` the name `to`, in place of any file of that name;
// whether there was one to rename.
bool StoreRename(const char* from, size_t fromLength, const char* to, size_t toLength);

// The bytes of the file of that name and their count; none when it is not
// there or lies outside the engine's memory.
const unsigned char* StoreView(const char* name, size_t nameLength, size_t* size);

// Removes the file of that name; whether one was there.
bool StoreRemove(const char* name, size_t nameLength);

// Removes every file, so that nothing of one bank is left for the next.
void StoreClear();

// Removes every file but the one of that name: what a run made beside a bank.
void StoreKeepOnly(const char* name, size_t nameLength);
