// The entries' names of one run, kept so that two entries that lsd2wav
// would write to one file are caught before anything is written, and so
// that --update can report each entry's changes once the bank is in place.
#pragma once

#include <cstdint>

#include "bank/file_name.h"

struct EntryRecord {
    char name[NameFieldSize + 1];  // zero-terminated
    char file[FileNameSize];       // its file on Windows, in one spelling
    unsigned char changes;         // --update: the Changed* bits below
};

enum : unsigned char { ChangedFormatBit = 1, ChangedLengthBit = 2, ChangedSamplesBit = 4 };

struct EntryTable {
    EntryRecord* records;  // from the memory pool, grown by doubling
    int32_t count;
    int32_t capacity;
};

// Appends a name (up to its first zero, at most NameFieldSize bytes); false
// when there is no memory for it.
bool AddEntry(EntryTable* table, const char* name);
void FreeEntryTable(EntryTable* table);

// Finds two entries whose files are one on Windows (the bank's home), where
// names are read most loosely: whatever two names are one file on POSIX are
// one on Windows too (see ReduceFileName). Returns false when
// there are none, or when there is no memory to look (`outOfMemory` then
// says so); otherwise sets `first` and `second`, in table order.
bool FindSameFile(const EntryTable& table, int32_t* first, int32_t* second, bool* outOfMemory);
