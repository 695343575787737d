// A bank's entries read front to back, as lsd2wav reads them, for wav2lsd's
// --update and --list, and written.
#pragma once

#include <cstdint>

#include "bank/bank_layout.h"
#include "runtime/files/file_handle.h"

struct EntryHead {
    unsigned char nameField[NameFieldSize];  // as stored, bytes after the zero too
    char name[NameFieldSize + 1];            // up to the first zero
    int32_t length;                          // L; the samples are L + 2 bytes
    unsigned char format[FormatBlockSize];
};

enum class HeadRead { End, Whole, Cut };

// Reads the name field, the length field and the format block of the next
// entry: End when the bank ends before it, Cut when it ends inside it.
HeadRead ReadEntryHead(FileHandle* bank, EntryHead* head);

// Writes an entry's name field (NameFieldSize bytes), length field and
// format block; whether they went out whole.
bool WriteEntryHead(FileHandle* bank, const void* nameField, int32_t length,
                    const unsigned char* format);

enum class PastRead { Whole, Short, OutOfMemory };

// Reads past `n` bytes of the file.
PastRead ReadPast(FileHandle* file, uint32_t n);

// Moves past `n` bytes of a regular file without reading them (never out of
// memory).
PastRead SkipPast(FileHandle* file, int32_t n);

// The same for any count, 2 GiB and more too: how many bytes it passed
// over, fewer at the end of the file.
int64_t SkipFar(FileHandle* file, int64_t n);
