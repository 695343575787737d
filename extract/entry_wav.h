// One entry's WAV file: the 44-byte header, the entry's format block and its
// samples, written behind the header as the bank holds them.
#pragma once

#include <cstdint>

#include "runtime/files/file_handle.h"

// How the writing of an entry's file ended.
enum class EntryWrite { Done, FailedToWrite, FailedToRead };

// Writes the WAV file of the entry whose length field `length` was just read
// from `archive`, which stands at the entry's format block, into `output`,
// and checks that the whole file went out. A bank cut short inside the
// samples gives a file whose missing samples are zeros. On failure `output`
// stays open.
EntryWrite WriteEntryWav(FileHandle* archive, FileHandle* output, int32_t length);

// The status line that ends the walk after such a failure, or none.
const char* StatusOf(EntryWrite result);
