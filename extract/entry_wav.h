// One entry's WAV file: the 44-byte header, the entry's format block and its
// samples, written behind the header as the bank holds them.
#pragma once

#include <cstdint>

#include "runtime/files/file_handle.h"

// How the writing of an entry's file ended.
enum class EntryWrite { Done, FailedToWrite, FailedToRead };

// How n bytes go from the bank to the WAV file: bytes past the end of the
// bank are written as zeros; nothing at all read, or a failed read, writes
// nothing.
using CopyBytes = EntryWrite (*)(FileHandle* source, FileHandle* target, int32_t n);

// Through one scratch block of n bytes, as lsd2wav copies.
EntryWrite CopyBlock(FileHandle* source, FileHandle* target, int32_t n);
// Through a scratch block of 1 MiB at the most, a piece at a time, for a
// host whose memory an entry of gigabytes would not fit (the page).
EntryWrite CopyInPieces(FileHandle* source, FileHandle* target, int32_t n);

// Writes the WAV file of the entry whose length field `length` was just read
// from `archive`, which stands at the entry's format block, into `output`,
// its blocks moved by `copy`, and checks that the whole file went out. A bank
// cut short inside the samples gives a file whose missing samples are zeros.
// On failure `output` stays open.
EntryWrite WriteEntryWav(FileHandle* archive, FileHandle* output, int32_t length,
                         CopyBytes copy = CopyBlock);

// The 44 bytes before an entry's samples in its WAV file: the RIFF chunk
// head, "WAVE", the format chunk with the entry's `format` block, and the
// data chunk head, as WriteEntryWav writes them.
constexpr int32_t WavHeaderSize = 44;
void EntryWavHeader(int32_t length, const unsigned char* format, unsigned char* header);

// The status line that ends the walk after such a failure, or none.
const char* StatusOf(EntryWrite result);
